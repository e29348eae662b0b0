// Tid3v2tag: the in-memory ID3v2 tag (versions 2.3 and 2.4), its frame list and text access.
#pragma once

#include "tags/core/tag_result.h"
#include "tags/core/text_encoding.h"
#include "tags/core/utf8_text.h"
#include "tags/id3v2/id3v2_frame_kinds.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace platform {
class File;
}
class TagFile;

// A bad frame index or flag selector; the one deliberate throw of the tag engine.
class ERangeError : public std::out_of_range {
public:
    ERangeError() : std::out_of_range("Array range out of bounds.") {}
};

class EZLibError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
class EZCompressionError : public EZLibError {
public:
    using EZLibError::EZLibError;
};
class EZDecompressionError : public EZLibError {
public:
    using EZLibError::EZLibError;
};

// The largest tag body (tag size less the 10 header bytes).
constexpr uint32_t kMaxTagBody = 0x0FFFFFFF;

// Compression level index 0 to 3: zlib levels 0, 1, default and 9.
constexpr int kDefaultCompressionLevel = 2;
std::vector<uint8_t> CompressBuffer(const uint8_t* data, std::size_t size, int levelIndex);
// Inflates at most `limit` bytes; a stream that would give more is refused.
std::vector<uint8_t> DecompressBuffer(const uint8_t* data, std::size_t size, std::size_t estimate,
                                      std::size_t limit = kMaxTagBody);

// The running CRC-32 register after `data`; start at 0xFFFFFFFF, finish with ~.
uint32_t UpdateCRC32(uint32_t crc, const uint8_t* data, std::size_t size);
// Inserts 0x00 after every FF that is followed by 00 or E0..FF; the inverse removes them.
void UnsynchroniseBuffer(std::vector<uint8_t>& buffer);
void ResynchroniseBuffer(std::vector<uint8_t>& buffer);

// Frame flag bits in their normalised (version 2.4) positions.
namespace frameflags {
constexpr int kStatus = 1, kFormat = 2; // byte selectors
constexpr uint8_t kTagAlterPreservation = 0x40, kFileAlterPreservation = 0x20, kReadOnly = 0x10;
constexpr uint8_t kGrouping = 0x40, kCompression = 0x08, kEncryption = 0x04, kUnsynchronisation = 0x02,
                  kDataLengthIndicator = 0x01;
} // namespace frameflags

struct TFrameRecord {
    uint32_t FrameOffset = 0;
    uint32_t SizeBeforeUnsync = 0;
    uint32_t HeaderSize = 0;
    std::string FrameID;
    uint8_t StoredFlags[2] = {0, 0}; // status, format: what has been done to Data
    uint8_t Flags[2] = {0, 0};       // status, format: how the frame is to be written
    uint32_t DataLength = 0;
    uint8_t EncryptionMethod = 0;
    uint8_t GroupID = 0;
    std::vector<uint8_t> Data;
};

// What Compress, Decompress, Unsynchronise and Resynchronise give.
namespace transformresult {
constexpr int kDone = 0, kNothingToDo = -1, kLengthDiffers = -2, kEncrypted = 1, kUnsynchronised = 2, kFailed = 4;
}

// The frames of one tag, addressed 1 to Count() in file order.
class TFrameIndex {
public:
    uint32_t Count() const { return static_cast<uint32_t>(m_frames.size()); }

    // The new frame's index, or 0 when the ID is not four letters or digits.
    uint32_t Add(const std::string& frameId);
    bool Delete(uint32_t index);
    void Clear();
    int Compress(uint32_t index, int levelIndex);
    // `limit` caps the plain size below what the frame's own data length allows.
    int Decompress(uint32_t index, std::size_t limit = kMaxTagBody);
    int Unsynchronise(uint32_t index);
    int Resynchronise(uint32_t index);

    bool TagAlterPreservation(uint32_t index) const;
    bool FileAlterPreservation(uint32_t index) const;
    bool ReadOnly(uint32_t index) const;
    bool GroupingIdentity(uint32_t index) const;
    bool Compression(uint32_t index) const;
    bool Encryption(uint32_t index) const;
    bool Unsynchronisation(uint32_t index) const;
    bool DataLengthIndicator(uint32_t index) const;
    bool IsGrouped(uint32_t index) const;
    bool IsCompressed(uint32_t index) const;
    bool IsEncrypted(uint32_t index) const;
    bool IsUnsynchronised(uint32_t index) const;

    uint8_t Flags(uint32_t index, int selector) const;
    void SetFlags(uint32_t index, int selector, uint8_t value);
    uint8_t StoredFlags(uint32_t index, int selector) const;
    void SetStoredFlags(uint32_t index, int selector, uint8_t value);
    uint32_t DataLength(uint32_t index) const;
    void SetDataLength(uint32_t index, uint32_t value);
    uint8_t EncryptionMethod(uint32_t index) const;
    void SetEncryptionMethod(uint32_t index, uint8_t value);
    uint8_t GroupID(uint32_t index) const;
    void SetGroupID(uint32_t index, uint8_t value);
    const std::string& FrameID(uint32_t index) const;
    uint32_t FrameOffset(uint32_t index) const;
    void SetFrameOffset(uint32_t index, uint32_t value);
    void SetHeaderSize(uint32_t index, uint32_t value);
    uint32_t SizeBeforeUnsync(uint32_t index) const;
    uint32_t DataSize(uint32_t index) const;
    const std::vector<uint8_t>& Data(uint32_t index) const;
    std::vector<uint8_t>& Data(uint32_t index);

    // The whole record, for the engine's own loader and writer.
    TFrameRecord& Frame(uint32_t index);
    const TFrameRecord& Frame(uint32_t index) const;

private:
    std::vector<TFrameRecord> m_frames;
    // The room of small frames' data a Clear() let go, handed to the frames added next, so
    // that a run of loads does not allocate for every frame.
    std::vector<std::vector<uint8_t>> m_spareData;
};

struct TCommentFrame {
    uint8_t Encoding = 0;
    std::string Language; // at most 3 characters
    std::string Description;
    std::string Text;
};

// An attached picture ("APIC"): the description is UTF-8 whatever the frame's encoding.
struct TPictureFrame {
    uint8_t Encoding = 0;
    std::string MimeType;
    uint8_t PictureType = 0; // 3 is the front cover
    Utf8Text Description;
    std::vector<uint8_t> Data;
};

// One picture frame of the tag, in file order; `Readable` is false for a frame that cannot
// be decoded (encrypted, not inflating, a broken layout), whose Picture is then empty, and
// for one that holds no image.
struct TPictureEntry {
    uint32_t Index = 0; // in the frame list
    bool Readable = false;
    // No image: the frame has no data at all, or a whole header (kept in Picture) and no
    // image after it, as some taggers write when the image they were given was missing.
    bool Empty = false;
    TPictureFrame Picture;
};

constexpr uint8_t kFrontCover = 3;

// Something a load found wrong with a tag.
struct TagProblem {
    enum class Severity : uint8_t { Warning, Error };
    uint32_t offset = 0;  // from the first byte of the tag header
    std::string frame;    // the frame's ID as found (quoted when it is not valid); empty for the tag itself
    std::string problem;  // in words for people
    Severity severity = Severity::Error;
};

// One frame as FrameList() names it.
struct TFrameEntry {
    uint32_t Index = 0; // in the frame list
    FrameKey Key;
    FrameKind Kind = FrameKind::Binary; // also for a frame that cannot be read as its kind
    uint8_t Result = textresult::kOk;   // else why the frame cannot be read as its kind
};

class Tid3v2tag {
public:
    Tid3v2tag();
    ~Tid3v2tag();
    Tid3v2tag(const Tid3v2tag&) = delete;
    Tid3v2tag& operator=(const Tid3v2tag&) = delete;

    // Loads the tag that starts at `tagOffset` of the file, through a TagFile opened for the
    // one call (tags/file/tag_file.cpp).
    [[nodiscard]] TagResult LoadFromFile(const std::string& fileName, uint32_t tagOffset);
    // "=" is FileName; version and revision 255 are the tag's own; a negative offset is
    // TagOffset with "=", else 0.
    [[nodiscard]] TagResult SaveToFile(const std::string& fileName = "=", uint8_t version = 255,
                                       int64_t tagOffset = -1, uint8_t revision = 255);
    // Loads the tag at `tagOffset` of an open file of `size` bytes named `fileName`; bytes
    // from the file's start already in `known` are not read again.
    [[nodiscard]] TagResult LoadFrom(const platform::File& file, const std::string& fileName, uint64_t size,
                                     uint32_t tagOffset = 0, const std::vector<uint8_t>* known = nullptr);
    // A tag at the start of at most this many bytes is read whole and kept for the save.
    static constexpr uint64_t kKeptHeadLimit = uint64_t(4) << 20;
    // Back to the state of a new object.
    void Reset();
    // The system's words for why the last load or save failed; empty after a success.
    const std::string& FailureReason() const { return m_failureReason; }
    // The numbers behind the last failed load or save, in words; empty when there are none.
    const std::string& ErrorDetail() const { return m_errorDetail; }
    // The version 2.2 frames the last load found without a version 2.3 counterpart, in file
    // order: they are not in the frame list, so a save leaves them out.
    const std::vector<std::string>& DroppedFrames() const { return m_droppedFrames; }
    // Everything the last load found wrong, in the order found: the error its result word
    // gives, frames with errors it could step over, and warnings. The loader stops only where
    // it cannot tell where the next frame begins.
    const std::vector<TagProblem>& Problems() const { return m_problems; }
    // The last load failed inside the frames: the list holds every frame read before and
    // around the damage, which a save refuses to write in place of the tag unless asked.
    bool Damaged() const { return failed(LoadResult) && m_framesRead; }
    // Takes the frames of a damaged tag for the tag, so that a save writes them as a
    // well-formed one; false, with nothing changed, when the tag is not damaged.
    bool KeepSalvagedFrames();

    uint8_t GetTextFrame(const std::string& frameId, std::string& text);
    uint8_t SetTextFrame(const std::string& frameId, const std::string& text);
    uint8_t GetComment(TCommentFrame& comment, const std::string& description, const std::string& language);
    uint8_t SetComment(const TCommentFrame& comment, const std::string& description, const std::string& language);

    // The Unicode accessors: texts (and the comment's description) are UTF-8 whatever the
    // frame's encoding. Results as for the 8-bit ones; a frame that cannot be decoded gives
    // a result that undecodable() tells. A value that fits ISO-8859-1 is stored exactly as
    // the 8-bit setters store it; any other as UTF-16 with a byte order mark in a version
    // 2.3 tag and as UTF-8 in a version 2.4 tag. The comment's own Encoding is not used.
    uint8_t GetTextFrameUtf8(const std::string& frameId, Utf8Text& text);
    uint8_t SetTextFrameUtf8(const std::string& frameId, const Utf8Text& text);
    uint8_t GetCommentUtf8(TCommentFrame& comment, const Utf8Text& description, const std::string& language);
    uint8_t SetCommentUtf8(const TCommentFrame& comment, const Utf8Text& description, const std::string& language);

    // Every frame in file order, named by its key; one that cannot be read as its kind by
    // its ID alone. Reading never changes a frame: it is saved as it came.
    std::vector<TFrameEntry> FrameList();
    // The first frame `key` names that can be read: kOk, kEmpty for a text frame without
    // text; kNoFrame, kBadId for a key without a valid ID, else why the first frame of
    // the ID could not be read.
    uint8_t GetFrame(const FrameKey& key, FrameValue& value);
    // Frame `index` (1 to Count) as its kind; Binary where it cannot be read so.
    uint8_t GetFrame(uint32_t index, FrameValue& value);
    // The frame `key` names takes the value, or a new one is appended; an empty value
    // removes the frame instead (kDeleted). The kind and description come from the key, the
    // language too when the value has none. kBadId for a key without a valid ID, else what
    // renderFrame gives; nothing changes on a failure.
    uint8_t SetFrame(const FrameKey& key, FrameValue value);
    // Removes every frame `key` names; how many.
    uint32_t RemoveFrames(const FrameKey& key);

    // Every picture frame, readable or not.
    std::vector<TPictureEntry> Pictures() const;
    // The same without copying the images: each entry's Picture.Data stays empty and its
    // image is handed over where it lies, valid for the call only (empty when unreadable).
    using PictureVisitor = std::function<void(TPictureEntry& entry, const uint8_t* image, std::size_t size)>;
    void VisitPictures(const PictureVisitor& visit) const;
    // `data` becomes the front cover with an empty description: the first readable front
    // cover takes it in place, else the first empty one (a frame without data counts as
    // one), else a new frame is appended. Other frames stay as they are.
    void SetFrontCover(const std::string& mimeType, const std::vector<uint8_t>& data);
    // Takes out every picture frame, those that cannot be read included; how many there were.
    uint32_t RemovePictures();

    TFrameIndex& FrameIndex() { return *m_frameIndex; }
    const TFrameIndex& FrameIndex() const { return *m_frameIndex; }

    bool Unsynchronisation() const { return Flags & 0x80; }
    bool ExtendedHeader() const { return Flags & 0x40; }
    bool Experimental() const { return Flags & 0x20; }
    bool Footer() const { return Flags & 0x10; }
    bool TagIsUpdate() const { return ExtFlags & 0x40; }
    bool CRCPresent() const { return ExtFlags & 0x20; }
    bool TagRestrictions() const { return ExtFlags & 0x10; }
    void SetUnsynchronisation(bool on) { setBit(Flags, 0x80, on); }
    void SetExtendedHeader(bool on) { setBit(Flags, 0x40, on); }
    void SetExperimental(bool on) { setBit(Flags, 0x20, on); }
    void SetFooter(bool on) { setBit(Flags, 0x10, on); }
    void SetTagIsUpdate(bool on) { setBit(ExtFlags, 0x40, on); }
    void SetCRCPresent(bool on) { setBit(ExtFlags, 0x20, on); }
    void SetTagRestrictions(bool on) { setBit(ExtFlags, 0x10, on); }

    uint8_t Version = 3;
    uint8_t Revision = 0;
    uint32_t TagSize = 0;
    uint8_t Flags = 0;
    uint8_t ExtFlags = 0; // normalised: 0x40 update, 0x20 CRC present, 0x10 restrictions
    uint32_t PaddingSize = 0;
    uint32_t ExtHeaderSize = 0;
    uint32_t CRC32 = 0;
    uint8_t Restrictions = 0;
    TagResult LoadResult = 0;
    bool Modified = false;
    bool ReadOnlyFile = false;
    std::string FileName;
    uint32_t TagOffset = 0;
    bool Idle = true;
    uint8_t Progress = 0;
    std::string Status;

private:
    void setBit(uint8_t& field, uint8_t bit, bool on)
    {
        field = on ? static_cast<uint8_t>(field | bit) : static_cast<uint8_t>(field & ~bit);
        Modified = true;
    }
    // The encoding a value beyond ISO-8859-1 is written in, by the tag's version.
    uint8_t unicodeEncoding() const { return Version >= 4 ? 3 : 1; }
    friend class TagFile;
    // The frame a set or remove of `key` changes, searching from index `from` on: for a kind
    // without description the first frame of the ID, else the first readable one it names.
    uint32_t frameNamed(const FrameKey& key, uint32_t from);
    uint32_t findFrame(const FrameKey& key, FrameValue& value, uint8_t notInflated, uint8_t& result);
    TagResult readFrom(const platform::File& file, const std::string& fileName, uint64_t size, uint32_t tagOffset,
                       const std::vector<uint8_t>* known);

    std::unique_ptr<TFrameIndex> m_frameIndex;
    std::string m_failureReason;
    std::string m_errorDetail;
    std::vector<std::string> m_droppedFrames;
    std::vector<TagProblem> m_problems;
    bool m_framesRead = false; // the last load rebuilt the frame list from the file
    // What reading texts may still inflate of compressed frames until the next load: a
    // few kilobytes of zlib stream can claim megabytes, and a tag can hold many of them.
    std::size_t m_inflateBudget = kTextInflateBudget;
    static constexpr std::size_t kTextInflateBudget = std::size_t(64) << 20;
};
