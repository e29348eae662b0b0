// Byte layout of the ID3v2 tag (versions 2.3 and 2.4, and 2.2 for reading): header, extended header,
// frame header.
#pragma once

#include "tags/core/byte_order.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace platform {
class File;
}

namespace id3v2 {

// Tag header.
constexpr std::size_t kHeaderSize = 10;
constexpr std::size_t kIdentifier = 0; // "ID3"
constexpr std::size_t kVersion = 3;
constexpr std::size_t kRevision = 4;
constexpr std::size_t kFlags = 5;
constexpr std::size_t kTagSize = 6;

constexpr uint8_t kFlagUnsync = 0x80, kFlagExtended = 0x40, kFlagExperimental = 0x20, kFlagFooter = 0x10;
constexpr uint8_t kUndefinedFlagsV3 = 0x1F;
constexpr uint8_t kUndefinedFlagsV4 = 0x0F;
constexpr uint8_t kWrittenFlagsV3 = 0xE0;
constexpr uint8_t kWrittenFlagsV4 = 0xF0;

inline bool hasIdentifier(const uint8_t* header)
{
    return header[0] == 'I' && header[1] == 'D' && header[2] == '3';
}

// A header worth reading a tag behind; the version may still be one not understood.
inline bool isTagHeader(const uint8_t* header)
{
    return hasIdentifier(header) && header[kVersion] != 0xFF && header[kRevision] != 0xFF &&
           isSyncsafe(header + kTagSize);
}

// Whether the tag whose header this is (kHeaderSize bytes at the file's start) claims more
// bytes than a file of `fileSize` holds.
inline bool claimsPastEnd(const uint8_t* header, uint64_t fileSize)
{
    return isTagHeader(header) && kHeaderSize + uint64_t(readSyncsafe32(header + kTagSize)) > fileSize;
}

// The bytes a save replaces of the tag at `offset`: its claimed size cut at the end of the
// file, a version 2.4 footer included; 0 without a tag there.
uint64_t tagExtentAt(const platform::File& file, uint64_t offset, uint64_t fileSize);
// The same from the first `have` bytes at `offset`, read already; the file is read only for
// what they do not hold.
uint64_t tagExtentIn(const uint8_t* bytes, std::size_t have, const platform::File& file, uint64_t offset,
                     uint64_t fileSize);

// Extended header, version 2.3: a fixed part, then the CRC when announced.
namespace ext3 {
constexpr std::size_t kSize = 0;     // plain, not counting itself
constexpr std::size_t kFlags = 4;    // two bytes
constexpr std::size_t kPadding = 6;  // plain
constexpr std::size_t kFixedSize = 10;
constexpr std::size_t kCrcSize = 4;
constexpr uint32_t kSizeWithCrc = 10;
constexpr uint32_t kSizeWithoutCrc = 6;
constexpr uint8_t kCrcBit = 0x80;
constexpr uint8_t kUndefinedFirstByte = 0x7F;
} // namespace ext3

// Extended header, version 2.4: size and flag bytes, then the data of each set flag.
namespace ext4 {
constexpr std::size_t kSize = 0;      // sync-safe, counting itself
constexpr std::size_t kSizeWidth = 4;
constexpr std::size_t kFlagCount = 4;
constexpr std::size_t kFlags = 5;
constexpr uint32_t kMinSize = 6;
constexpr uint8_t kUndefinedHigh = 0x80, kUpdate = 0x40, kCrc = 0x20, kRestrictions = 0x10;
constexpr uint8_t kUndefinedBits = 0x8F;
constexpr uint8_t kCrcLength = 5;
// Flag data appear in this order.
constexpr uint8_t kDataOrder[] = {kUndefinedHigh, kUpdate, kCrc, kRestrictions};
} // namespace ext4

// Normalised extended flags of Tid3v2tag::ExtFlags, for both versions.
constexpr uint8_t kExtUpdate = 0x40, kExtCrc = 0x20, kExtRestrictions = 0x10;

// Frame header.
constexpr std::size_t kFrameHeaderSize = 10;
constexpr std::size_t kFrameId = 0;
constexpr std::size_t kFrameIdSize = 4;
constexpr std::size_t kFrameSize = 4;
constexpr std::size_t kFrameStatus = 8;
constexpr std::size_t kFrameFormat = 9;

// Extra header bytes that follow a frame header.
constexpr std::size_t kDataLengthSize = 4;
constexpr std::size_t kEncryptionMethodSize = 1;
constexpr std::size_t kGroupIdSize = 1;

// A version 2.3 frame may not end beyond this many bytes from the tag start.
constexpr uint64_t kMaxFrameEndV3 = 0x10000000;

// Version 2.3 frame flag bits as they stand in the file.
namespace flags3 {
constexpr uint8_t kTagAlter = 0x80, kFileAlter = 0x40, kReadOnly = 0x20;
constexpr uint8_t kCompression = 0x80, kEncryption = 0x40, kGrouping = 0x20;
} // namespace flags3

// Text frames: the encoding byte, then the text.
constexpr std::size_t kTextEncoding = 0;
constexpr std::size_t kText = 1;

// Comment frame: encoding byte, language, terminated description, then the text.
namespace comment {
constexpr std::size_t kEncoding = 0;
constexpr std::size_t kLanguage = 1;
constexpr std::size_t kLanguageSize = 3;
constexpr std::size_t kDescription = 4;
} // namespace comment

// Attached picture frame: encoding, terminated MIME type, picture type, description, data.
namespace picture {
constexpr std::size_t kEncoding = 0;
constexpr std::size_t kMimeType = 1;
} // namespace picture

// Version 2.2: no extended header, no frame flags, three-letter IDs and sizes.
namespace v22 {
constexpr uint8_t kFlagUnsync = 0x80, kFlagCompression = 0x40;
constexpr uint8_t kUndefinedFlags = 0x3F;
constexpr std::size_t kFrameHeaderSize = 6;
constexpr std::size_t kFrameIdSize = 3;
constexpr std::size_t kFrameSize = 3; // plain 24-bit

// Picture frame: encoding, image format, picture type, description, data.
constexpr std::size_t kPictureEncoding = 0;
constexpr std::size_t kPictureFormat = 1;
constexpr std::size_t kPictureFormatSize = 3;
constexpr std::size_t kPictureHeaderSize = 5;

inline uint32_t readFrameSize(const uint8_t* p)
{
    return uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
}

// The version 2.3 ID of a version 2.2 frame, or empty when it has none.
std::string frameIdV23(const std::string& id);
// The picture frame's data in the version 2.3 layout, the image format as a MIME type.
std::vector<uint8_t> pictureFrameV23(const std::vector<uint8_t>& pic);
} // namespace v22

// Unsynchronisation: an FF followed by one of these bytes gets a zero between them.
constexpr bool needsGuard(uint8_t next)
{
    return next == 0x00 || next >= 0xE0;
}

// Padding begins where a frame header would start with these bytes, or with zeros only.
constexpr uint8_t kPaddingMark[4] = {'M', 'P', '3', 'e'};

inline bool isFrameIdChar(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// Whether two frame IDs are the same; the usual four characters are compared in one go,
// as every text read looks through the whole frame list.
inline bool sameFrameId(const std::string& a, const std::string& b)
{
    if (a.size() != kFrameIdSize || b.size() != kFrameIdSize)
        return a == b;
    uint32_t x, y;
    std::memcpy(&x, a.data(), sizeof x);
    std::memcpy(&y, b.data(), sizeof y);
    return x == y;
}

} // namespace id3v2
