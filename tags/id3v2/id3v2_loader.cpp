// Loads an ID3v2 tag from a file, streaming its body through a 64 KiB window.
#include "tags/id3v2/id3v2.h"

#include "platform/file_system.h"
#include "tags/core/byte_order.h"
#include "tags/core/io_result.h"
#include "tags/id3v2/id3v2_body_window.h"
#include "tags/id3v2/id3v2_frame_data.h"

#include <algorithm>
#include <cstring>

using namespace id3v2;

namespace {

// What a load reports beside the result word.
struct LoadNotes {
    std::string& detail;
    std::vector<std::string>& dropped;
    std::vector<TagProblem>& problems;
    bool& framesRead;
};

// A frame ID for a message: quoted, bytes that are not printable as \xNN.
std::string quotedId(const uint8_t* id, std::size_t n)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string out = "\"";
    for (std::size_t i = 0; i < n; ++i) {
        if (id[i] >= 0x20 && id[i] < 0x7F) {
            out += static_cast<char>(id[i]);
        } else {
            out += "\\x";
            out += digits[id[i] >> 4];
            out += digits[id[i] & 0x0F];
        }
    }
    return out + "\"";
}

bool startsWithFrameId(const uint8_t* bytes)
{
    return std::all_of(bytes, bytes + kFrameIdSize, [](uint8_t b) { return isFrameIdChar(static_cast<char>(b)); });
}

// Where a frame header would start: zeros only, or the padding mark.
bool startsPadding(const uint8_t* bytes, std::size_t n)
{
    return std::all_of(bytes, bytes + n, [](uint8_t b) { return b == 0; }) ||
           (n >= sizeof kPaddingMark && std::memcmp(bytes, kPaddingMark, sizeof kPaddingMark) == 0);
}

// One load of one tag: the body reader of every version.
class TagLoader {
public:
    TagLoader(Tid3v2tag& tag, const TagSource& file, uint64_t fileSize, const LoadNotes& notes)
        : m_tag(tag), m_file(file), m_fileSize(fileSize), m_notes(notes)
    {
    }

    TagResult readBody(const uint8_t* header, TagResult result);

private:
    bool v2() const { return m_tag.Version == 2; }
    bool v4() const { return m_tag.Version == 4; }
    std::size_t frameHeaderSize() const { return v2() ? v22::kFrameHeaderSize : kFrameHeaderSize; }
    void updateProgress(uint64_t remaining);
    TagResult readExtHeaderV3(BodyWindow& window);
    TagResult readExtHeaderV4(BodyWindow& window);
    TagResult readFrames(BodyWindow& window, TagResult result);
    // Each reads one frame; false when the frames cannot be read on from there.
    bool readFrame(BodyWindow& window, const uint8_t* header, uint32_t offset);
    bool readFrameV22(BodyWindow& window, const uint8_t* header, uint32_t offset);
    bool stepOver(BodyWindow& window, uint64_t size);
    std::size_t extraHeaderSize(uint8_t format) const;
    bool readExtraHeader(BodyWindow& window, TFrameRecord& f, std::size_t extra);
    TagResult notePadding(uint64_t got, uint64_t after);
    TagResult extCutShort();
    uint32_t frameSizeV4(const BodyWindow& window, const uint8_t* header) const;
    bool endsFrame(const BodyWindow& window, uint64_t ahead) const;
    // Notes what is wrong; the first error alone gives the result word and the detail.
    TagResult fail(TagResult error, const std::string& detail, uint32_t offset = 0, const std::string& frame = {})
    {
        m_notes.problems.push_back({offset, frame, detail, TagProblem::Severity::Error});
        if (m_error == 0) {
            m_error = error;
            m_notes.detail = detail;
        }
        return error;
    }
    TagResult warn(TagResult warning, const std::string& problem, uint32_t offset = 0)
    {
        m_notes.problems.push_back({offset, {}, problem, TagProblem::Severity::Warning});
        return m_error == 0 ? warning : 0;
    }

    Tid3v2tag& m_tag;
    const TagSource& m_file;
    uint64_t m_fileSize;
    LoadNotes m_notes;
    uint64_t m_bodyStart = 0;
    // The body as far as the file holds it: a tag cut short is read up to the cut.
    uint64_t m_bodySize = 0;
    TagResult m_error = 0;
};

TagResult TagLoader::extCutShort()
{
    return fail(kErrCorrupt, "the tag ends inside the extended header", kHeaderSize);
}

void TagLoader::updateProgress(uint64_t remaining)
{
    const uint64_t total = uint64_t(m_tag.TagSize) + kHeaderSize;
    m_tag.Progress = static_cast<uint8_t>(((total - std::min(remaining, total)) * 200 + total) / (2 * total));
}

TagResult TagLoader::readBody(const uint8_t* header, TagResult result)
{
    const uint8_t flags = header[kFlags];
    const uint8_t undefined = v2() ? v22::kUndefinedFlags : v4() ? kUndefinedFlagsV4 : kUndefinedFlagsV3;
    m_tag.Flags = static_cast<uint8_t>(flags & ~undefined);
    if (flags & undefined)
        result |= warn(kWarnHeaderFlags, "undefined flag bits are set in the tag header", kFlags);
    if (m_tag.Revision != 0)
        result |= warn(kWarnRevision, "the tag's revision is " + std::to_string(m_tag.Revision) + ", not 0", kRevision);
    // Version 2.2 has no extended header: its 0x40 is compression, kept out of the flags.
    if (v2())
        m_tag.Flags &= static_cast<uint8_t>(~v22::kFlagCompression);

    m_tag.TagSize = readSyncsafe32(header + kTagSize);
    // No compression method was ever defined for it.
    if (v2() && (flags & v22::kFlagCompression))
        return result | fail(kErrTagCompression, "the ID3v2.2 tag is marked as compressed, which cannot be read");
    m_bodyStart = uint64_t(m_tag.TagOffset) + kHeaderSize;
    m_bodySize = std::min<uint64_t>(m_tag.TagSize, m_fileSize - std::min(m_fileSize, m_bodyStart));
    // The frames before the cut are still read, for a repair to keep.
    if (m_bodySize < m_tag.TagSize)
        fail(kErrFileTooShort, "the tag claims " + groupedNumber(kHeaderSize + m_tag.TagSize) +
                                   " bytes but the file ends after " + groupedNumber(m_fileSize - m_tag.TagOffset));

    BodyWindow window(m_file, m_bodyStart, m_bodySize, !v4() && m_tag.Unsynchronisation());
    updateProgress(window.remaining());

    // Some writers set the flag without writing the header: a frame ID follows instead,
    // which no extended header size can begin with.
    uint8_t first[kFrameIdSize];
    if (m_tag.ExtendedHeader() && window.peek(first, sizeof first) && startsWithFrameId(first))
        m_tag.Flags &= static_cast<uint8_t>(~kFlagExtended);

    // Version 2.2 reads as a version 2.3 tag whose extended header is absent.
    const TagResult ext = v4() ? readExtHeaderV4(window) : readExtHeaderV3(window);
    // Past a cut the first error stays the one the result word gives.
    if (failed(ext))
        return ((result | ext) & 0xFF) | m_error;
    result |= ext;

    m_tag.Modified = false;
    m_tag.FrameIndex().Clear();
    m_notes.dropped.clear();
    m_notes.framesRead = true;
    return readFrames(window, result);
}

TagResult TagLoader::readExtHeaderV3(BodyWindow& window)
{
    m_tag.Restrictions = 0;
    m_tag.ExtFlags = 0;
    if (!m_tag.ExtendedHeader() || window.remaining() <= ext3::kFixedSize) {
        m_tag.ExtHeaderSize = m_tag.PaddingSize = m_tag.CRC32 = 0;
        return 0;
    }
    uint8_t ext[ext3::kFixedSize];
    if (!window.read(ext, sizeof ext))
        return extCutShort();
    TagResult result = 0;
    m_tag.ExtHeaderSize = readBE32(ext + ext3::kSize);
    if (ext[ext3::kFlags] & ext3::kCrcBit)
        m_tag.ExtFlags = kExtCrc;
    m_tag.PaddingSize = readBE32(ext + ext3::kPadding);
    if ((ext[ext3::kFlags] & ext3::kUndefinedFirstByte) || ext[ext3::kFlags + 1])
        result |= warn(kWarnExtFlags, "undefined flag bits are set in the extended header", kHeaderSize);
    m_tag.CRC32 = 0;
    if (m_tag.CRCPresent() && m_tag.ExtHeaderSize == ext3::kSizeWithCrc) {
        uint8_t crc[ext3::kCrcSize];
        if (!window.read(crc, sizeof crc))
            return result | extCutShort();
        m_tag.CRC32 = readBE32(crc);
    }
    return result;
}

TagResult TagLoader::readExtHeaderV4(BodyWindow& window)
{
    m_tag.ExtFlags = 0;
    m_tag.ExtHeaderSize = m_tag.PaddingSize = m_tag.CRC32 = 0;
    m_tag.Restrictions = 0;
    if (!m_tag.ExtendedHeader() || window.remaining() <= ext4::kMinSize)
        return 0;
    uint8_t size[ext4::kSizeWidth];
    if (!window.read(size, sizeof size))
        return extCutShort();
    m_tag.ExtHeaderSize = readSyncsafe32(size + ext4::kSize);
    if (m_tag.ExtHeaderSize < ext4::kMinSize || m_tag.ExtHeaderSize - sizeof size > window.remaining())
        return fail(kErrCorrupt, "the extended header claims " + groupedNumber(m_tag.ExtHeaderSize) +
                                     " bytes, which the tag cannot hold", kHeaderSize);
    // Offsets below count from the start of the extended header, as in the layout.
    std::vector<uint8_t> ext(m_tag.ExtHeaderSize);
    std::copy_n(size, sizeof size, ext.begin());
    if (!window.read(ext.data() + sizeof size, ext.size() - sizeof size))
        return extCutShort();
    const std::size_t flagBytes = ext[ext4::kFlagCount];
    if (flagBytes < 1 || ext4::kFlags + flagBytes > ext.size())
        return fail(kErrCorrupt, "the extended header is malformed", kHeaderSize);
    const uint8_t first = ext[ext4::kFlags];
    m_tag.ExtFlags = first & (kExtUpdate | kExtCrc | kExtRestrictions);
    TagResult result = 0;
    if ((first & ext4::kUndefinedBits) || flagBytes > 1)
        result = warn(kWarnExtFlags, "undefined flags are set in the extended header", kHeaderSize);

    std::size_t p = ext4::kFlags + flagBytes;
    for (uint8_t bit : ext4::kDataOrder) {
        if (!(first & bit))
            continue;
        if (p >= ext.size() || p + 1 + ext[p] > ext.size())
            return result | fail(kErrCorrupt, "the extended header ends inside its flag data", kHeaderSize);
        const std::size_t length = ext[p++];
        if (bit == ext4::kCrc) {
            if (length < ext4::kCrcLength)
                return result | fail(kErrCorrupt, "the extended header's CRC is too short", kHeaderSize);
            m_tag.CRC32 = readSyncsafe35(ext.data() + p);
        } else if (bit == ext4::kRestrictions && length > 0) {
            m_tag.Restrictions = ext[p];
        }
        p += length;
    }
    return result;
}

// The rest of the tag from a frame header that is padding: its size, checked against the
// one a version 2.3 extended header gives.
TagResult TagLoader::notePadding(uint64_t got, uint64_t after)
{
    const uint64_t found = got + after;
    if (v4())
        m_tag.PaddingSize = static_cast<uint32_t>(found);
    else if (after == 0)
        m_tag.PaddingSize = static_cast<uint32_t>(got);
    else if (m_tag.PaddingSize == 0)
        m_tag.PaddingSize = static_cast<uint32_t>(found);
    else if (m_tag.PaddingSize != found)
        return warn(kWarnPadding, "the padding is " + groupedNumber(found) + " bytes, the extended header says " +
                                      groupedNumber(m_tag.PaddingSize));
    return 0;
}

TagResult TagLoader::readFrames(BodyWindow& window, TagResult result)
{
    uint8_t header[kFrameHeaderSize];
    const std::size_t headerSize = frameHeaderSize();
    while (window.remaining() > 0) {
        window.settle(headerSize);
        const uint64_t before = window.remaining();
        const std::size_t got = static_cast<std::size_t>(std::min<uint64_t>(headerSize, before));
        if (!window.read(header, got))
            return result | fail(kErrCorrupt, "the tag ends inside a frame header");
        const uint64_t after = window.remaining();
        updateProgress(after);

        if (startsPadding(header, got))
            return result | notePadding(got, after) | m_error;
        // In an unsynchronised tag, counted in the body as it is without guard zeros.
        const uint32_t offset = static_cast<uint32_t>(kHeaderSize + window.consumed() - got);
        if (after == 0) {
            if (m_tag.PaddingSize == 0)
                fail(kErrCorrupt, "the tag ends inside a frame header at byte " + groupedNumber(offset), offset);
            break;
        }
        if (!(v2() ? readFrameV22(window, header, offset) : readFrame(window, header, offset)))
            break;
    }
    return result | m_error;
}

// Past a frame that cannot be kept, the frames go on where its size says, provided that
// lands on another frame, padding or the tag's end. A tag unsynchronised as a whole is not
// stepped through: the bytes ahead are not at hand there as they will be read.
bool TagLoader::stepOver(BodyWindow& window, uint64_t size)
{
    const bool wholeUnsync = !v4() && m_tag.Unsynchronisation();
    return !wholeUnsync && size <= window.remaining() && endsFrame(window, size) && window.skip(size);
}

bool TagLoader::readFrame(BodyWindow& window, const uint8_t* header, uint32_t offset)
{
    TFrameIndex& frames = m_tag.FrameIndex();
    const std::string rawId(reinterpret_cast<const char*>(header + kFrameId), kFrameIdSize);
    const uint32_t size = v4() ? frameSizeV4(window, header) : readBE32(header + kFrameSize);
    const uint32_t index = frames.Add(rawId);
    // The frame as messages name it, only put together for one.
    const auto where = [offset] { return " at byte " + groupedNumber(offset); };
    if (index == 0) {
        const std::string quoted = quotedId(header + kFrameId, kFrameIdSize);
        fail(kErrFrameId, "frame ID " + quoted + where() + " is not valid", offset, quoted);
        return stepOver(window, size);
    }
    TFrameRecord& f = frames.Frame(index);
    const auto name = [&] { return "frame " + f.FrameID + where(); };
    // A frame that cannot be read whole does not stay in the list half made.
    const auto corrupt = [&](const std::string& detail) {
        fail(kErrCorrupt, detail, offset, f.FrameID);
        frames.Delete(index);
        return false;
    };
    if (size > window.remaining())
        return corrupt(name() + " claims " + groupedNumber(size) + " bytes but " + groupedNumber(window.remaining()) +
                       " remain in the tag");
    if (!v4() && uint64_t(offset) + kFrameHeaderSize + size > kMaxFrameEndV3)
        return corrupt(name() + " would end beyond byte " + groupedNumber(kMaxFrameEndV3) + " of the tag");

    f.FrameOffset = offset;
    f.StoredFlags[0] = v4() ? header[kFrameStatus] : statusFromV3(header[kFrameStatus]);
    f.StoredFlags[1] = v4() ? header[kFrameFormat] : formatFromV3(header[kFrameFormat]);
    f.Flags[0] = f.StoredFlags[0];
    f.Flags[1] = f.StoredFlags[1];
    const std::size_t extra = extraHeaderSize(f.Flags[1]);
    if (size < extra) {
        corrupt(name() + " is too small for the extra header bytes its flags announce");
        return window.skip(size);
    }
    if (!readExtraHeader(window, f, extra) || !window.readInto(f.Data, size - extra))
        return corrupt("the tag ends inside " + name());
    return true;
}

// The bytes between a frame's header and its data that its format flags announce.
std::size_t TagLoader::extraHeaderSize(uint8_t format) const
{
    const bool withLength = format & (v4() ? frameflags::kDataLengthIndicator : frameflags::kCompression);
    return (format & frameflags::kGrouping ? kGroupIdSize : 0) + (format & frameflags::kEncryption ? kEncryptionMethodSize : 0) +
           (withLength ? kDataLengthSize : 0);
}

// Reads them in the version's order into the frame's record.
bool TagLoader::readExtraHeader(BodyWindow& window, TFrameRecord& f, std::size_t extra)
{
    uint8_t bytes[kGroupIdSize + kEncryptionMethodSize + kDataLengthSize];
    if (!window.read(bytes, extra))
        return false;
    const uint8_t format = f.Flags[1];
    const bool grouped = format & frameflags::kGrouping;
    const bool encrypted = format & frameflags::kEncryption;
    const uint8_t* p = bytes;
    if (v4()) {
        if (grouped)
            f.GroupID = *p++;
        if (encrypted)
            f.EncryptionMethod = *p++;
        if (format & frameflags::kDataLengthIndicator)
            f.DataLength = readSyncsafe32(p);
    } else {
        if (format & frameflags::kCompression) {
            f.DataLength = readBE32(p);
            p += kDataLengthSize;
        }
        if (encrypted)
            f.EncryptionMethod = *p++;
        if (grouped)
            f.GroupID = *p;
    }
    f.HeaderSize = static_cast<uint32_t>(kFrameHeaderSize + extra);
    return true;
}

// Some writers put plain integers where version 2.4 has sync-safe sizes. A field that is not
// sync-safe can only be plain; otherwise the reading that is followed by the next frame,
// padding or the tag's end is taken, the sync-safe one first.
uint32_t TagLoader::frameSizeV4(const BodyWindow& window, const uint8_t* header) const
{
    const uint8_t* field = header + kFrameSize;
    const uint32_t plain = readBE32(field);
    if (!isSyncsafe(field))
        return plain;
    const uint32_t syncsafe = readSyncsafe32(field);
    if (syncsafe == plain || endsFrame(window, syncsafe) || !endsFrame(window, plain))
        return syncsafe;
    return plain;
}

// Whether a frame whose data start at the window's next byte may end `ahead` bytes later:
// what follows is padding, the tag's end, or a frame header whose size, read either way,
// fits the tag. Version 2.4 bodies stand in the file as they are, so bytes beyond the window
// are read from there.
bool TagLoader::endsFrame(const BodyWindow& window, uint64_t ahead) const
{
    const uint64_t bodyOffset = window.consumed() + ahead;
    if (bodyOffset >= m_bodySize)
        return bodyOffset == m_bodySize;
    uint8_t next[kFrameHeaderSize] = {};
    const uint64_t left = m_bodySize - bodyOffset;
    const std::size_t n = static_cast<std::size_t>(std::min<uint64_t>(sizeof next, left));
    if (!window.peekAhead(ahead, next, n))
        m_file.readExactAt(m_bodyStart + bodyOffset, next, n);
    if (startsPadding(next, n))
        return true;
    if (n < sizeof next || !startsWithFrameId(next))
        return false;
    const uint8_t* size = next + kFrameSize;
    const uint64_t room = left - kFrameHeaderSize;
    return (isSyncsafe(size) && readSyncsafe32(size) <= room) || readBE32(size) <= room;
}

// A version 2.2 frame enters the list under its version 2.3 ID; one without a counterpart is
// left out and noted.
bool TagLoader::readFrameV22(BodyWindow& window, const uint8_t* header, uint32_t offset)
{
    std::string id(reinterpret_cast<const char*>(header), v22::kFrameIdSize);
    for (char& c : id)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    const std::string where = " at byte " + groupedNumber(offset);
    if (!std::all_of(id.begin(), id.end(), isFrameIdChar)) {
        const std::string quoted = quotedId(header, v22::kFrameIdSize);
        fail(kErrFrameId, "frame ID " + quoted + where + " is not valid", offset, quoted);
        return false;
    }
    const uint32_t size = v22::readFrameSize(header + v22::kFrameIdSize);
    const auto corrupt = [&](const std::string& detail) {
        fail(kErrCorrupt, detail, offset, id);
        return false;
    };
    if (size > window.remaining())
        return corrupt("frame " + id + where + " claims " + groupedNumber(size) + " bytes but " +
                       groupedNumber(window.remaining()) + " remain in the tag");

    const std::string mapped = v22::frameIdV23(id);
    if (mapped.empty()) {
        if (std::find(m_notes.dropped.begin(), m_notes.dropped.end(), id) == m_notes.dropped.end()) {
            m_notes.dropped.push_back(id);
            m_notes.problems.push_back({offset, id, "frame " + id + where + " has no ID3v2.3 counterpart: a save leaves it out",
                                        TagProblem::Severity::Warning});
        }
        return window.skip(size) || corrupt("the tag ends inside frame " + id + where);
    }
    TFrameIndex& frames = m_tag.FrameIndex();
    const uint32_t index = frames.Add(mapped);
    TFrameRecord& f = frames.Frame(index);
    f.FrameOffset = offset;
    f.HeaderSize = static_cast<uint32_t>(v22::kFrameHeaderSize);
    if (!window.readInto(f.Data, size)) {
        frames.Delete(index);
        return corrupt("the tag ends inside frame " + id + where);
    }
    if (id == "PIC")
        f.Data = v22::pictureFrameV23(f.Data);
    return true;
}

// Checks the header at the tag offset and runs the body reader of its version.
TagResult readHeaderAndBody(Tid3v2tag& tag, const platform::File& file, uint64_t fileSize, const LoadNotes& notes,
                            const std::vector<uint8_t>* known)
{
    uint8_t header[kHeaderSize];
    if (fileSize - tag.TagOffset < kHeaderSize)
        return kErrNoTag;
    const TagSource source(file, tag.TagOffset, fileSize, known);
    source.readExactAt(tag.TagOffset, header, kHeaderSize);
    if (!isTagHeader(header))
        return kErrNoTag;
    tag.Version = header[kVersion];
    tag.Revision = header[kRevision];
    if (tag.Version < 2 || tag.Version > 4) {
        notes.detail = "the tag is ID3v2." + std::to_string(tag.Version) + ", which cannot be read";
        notes.problems.push_back({kVersion, {}, notes.detail, TagProblem::Severity::Error});
        return kErrVersion;
    }

    const TagResult result =
        TagLoader(tag, source, fileSize, notes).readBody(header, 0);
    tag.LoadResult = result;
    tag.Idle = true;
    tag.Progress = 100;
    tag.Status = "Load Complete";
    return result;
}

TagResult readTag(Tid3v2tag& tag, const platform::File& file, uint64_t fileSize, const LoadNotes& notes,
                  const std::vector<uint8_t>* known)
{
    tag.Idle = false;
    tag.Progress = 0;
    tag.Status = "Loading tag";
    try {
        return readHeaderAndBody(tag, file, fileSize, notes, known);
    } catch (const platform::IoError& e) {
        // Wherever the read failed, the first read included, the frames in hand are not
        // this file's tag: a later save must not take them for a good load.
        tag.LoadResult = resultFor(e);
        tag.Idle = true;
        throw;
    }
}

} // namespace

TagResult Tid3v2tag::LoadFrom(const platform::File& file, const std::string& fileName, uint64_t size,
                              uint32_t tagOffset, const std::vector<uint8_t>* known)
{
    TagOffset = tagOffset;
    m_inflateBudget = kTextInflateBudget;
    m_failureReason.clear();
    m_errorDetail.clear();
    m_problems.clear();
    m_framesRead = false;
    try {
        return readFrom(file, fileName, size, tagOffset, known);
    } catch (const platform::IoError& e) {
        m_failureReason = e.what();
        return resultFor(e);
    }
}

TagResult Tid3v2tag::readFrom(const platform::File& file, const std::string& fileName, uint64_t size,
                              uint32_t tagOffset, const std::vector<uint8_t>* known)
{
    const platform::File::Info info = file.info(fileName);
    ReadOnlyFile = info.protectedMark;
    if (tagOffset >= size) {
        m_errorDetail = "the tag would start at byte " + groupedNumber(tagOffset) + " of a file of " +
                        groupedNumber(size) + " bytes";
        m_problems.push_back({0, {}, m_errorDetail, TagProblem::Severity::Error});
        return kErrOffset;
    }
    FileName = fileName;
    return readTag(*this, file, size, LoadNotes{m_errorDetail, m_droppedFrames, m_problems, m_framesRead}, known);
}
