// Loads an ID3v2 tag from a file, streaming its body through a 64 KiB window.
#include "tags/id3v2/id3v2.h"

#include "tags/core/byte_order.h"
#include "tags/id3v2/id3v2_frame_data.h"
#include "tags/core/io_result.h"
#include "platform/file_system.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>

using namespace id3v2;

namespace {

constexpr std::size_t kWindowSize = 65536;

// The file as the loader reads it: the first read brings the header together with the
// bytes behind it, which hold the whole of most tags, so a typical load costs one read.
// Bytes from the start of the file that a save has read already (`known`) are not read again.
class TagSource {
public:
    static constexpr std::size_t kPrefetch = 4096;

    TagSource(const platform::File& file, uint64_t start, uint64_t fileSize, const std::vector<uint8_t>* known)
        : m_file(file), m_start(start)
    {
        if (known && start < known->size()) {
            m_data = known->data() + start;
            m_size = static_cast<std::size_t>(known->size() - start);
            return;
        }
        const auto wanted = static_cast<std::size_t>(std::min<uint64_t>(kPrefetch, fileSize - start));
        m_size = file.readAt(start, m_head.data(), wanted);
    }

    // The bytes from `offset` on that are in hand already, and where; 0 when none are.
    std::size_t inHand(uint64_t offset, const uint8_t*& data) const
    {
        if (offset < m_start || offset - m_start >= m_size)
            return 0;
        data = m_data + (offset - m_start);
        return m_size - static_cast<std::size_t>(offset - m_start);
    }

    // As platform::File::readExactAt; the bytes fetched already are not read again.
    void readExactAt(uint64_t offset, uint8_t* buffer, std::size_t n) const
    {
        if (n > 0 && offset >= m_start && offset - m_start < m_size) {
            const std::size_t skip = static_cast<std::size_t>(offset - m_start);
            const std::size_t take = std::min(n, m_size - skip);
            std::memcpy(buffer, m_data + skip, take);
            offset += take;
            buffer += take;
            n -= take;
        }
        if (n > 0)
            m_file.readExactAt(offset, buffer, n);
    }

private:
    const platform::File& m_file;
    uint64_t m_start;
    std::size_t m_size = 0;
    std::array<uint8_t, kPrefetch> m_head;
    const uint8_t* m_data = m_head.data();
};

// The tag body as it comes from the file, at most 64 KiB at a time, with version 2.3
// tag-level unsynchronisation removed on the way. A plain body is read where the source's
// first read put it, and a large frame goes from the file straight to its own buffer, so
// that most bytes are copied once.
class BodyWindow {
public:
    // Below this many bytes beyond the window a frame is read through it, with the frames after it.
    static constexpr std::size_t kDirectRead = 8192;

    BodyWindow(const TagSource& file, uint64_t bodyStart, uint32_t bodySize, bool unsync)
        : m_file(file), m_fileNext(bodyStart), m_fileEnd(bodyStart + bodySize), m_unsync(unsync)
    {
        if (!unsync) {
            m_avail = std::min<std::size_t>(file.inHand(bodyStart, m_data), bodySize);
            m_fileNext += m_avail;
            return;
        }
        allocate(std::min<std::size_t>(bodySize, kWindowSize));
        refill();
    }

    // Body bytes not yet consumed: those still in the file plus those decoded in the window.
    // Zeros that unsynchronisation will remove from the unread part are still counted.
    uint64_t remaining() const { return (m_fileEnd - m_fileNext) + m_avail + (m_heldZero ? 1 : 0); }
    // Body bytes handed out so far, guard zeros not counted.
    uint64_t consumed() const { return m_consumed; }

    // Decodes ahead until n bytes are decided or the body's end is in the window, so that
    // remaining() is exact for any count below n: a guard zero is never counted there.
    void settle(std::size_t n)
    {
        if (m_fileNext < m_fileEnd && n + 2 > m_avail + (m_heldZero ? 1 : 0))
            refill();
    }

    // Skips the next n body bytes; false when the body ends first.
    bool skip(uint64_t n)
    {
        uint8_t scratch[4096];
        while (n > 0) {
            const std::size_t take = static_cast<std::size_t>(std::min<uint64_t>(n, sizeof scratch));
            if (!read(scratch, take))
                return false;
            n -= take;
        }
        return true;
    }

    // Copies the next n body bytes without consuming them; false when fewer are left.
    bool peek(uint8_t* target, std::size_t n)
    {
        settle(n);
        if (m_avail < n)
            return false;
        std::memcpy(target, m_data + m_pos, n);
        return true;
    }

    // Copies n decoded bytes that lie `ahead` bytes past the next one, when the window holds them.
    bool peekAhead(uint64_t ahead, uint8_t* target, std::size_t n) const
    {
        if (ahead + n > m_avail)
            return false;
        std::memcpy(target, m_data + m_pos + ahead, n);
        return true;
    }

    // Copies the next n body bytes; false when the body ends first.
    bool read(uint8_t* target, std::size_t n)
    {
        m_consumed += n;
        while (n > 0) {
            if (m_fileNext < m_fileEnd && n + 2 > m_avail + (m_heldZero ? 1 : 0)) {
                if (!m_unsync && n >= m_avail + kDirectRead) {
                    if (m_avail > 0)
                        takeFromWindow(target, n, m_avail);
                    const std::size_t direct = static_cast<std::size_t>(std::min<uint64_t>(n, m_fileEnd - m_fileNext));
                    m_file.readExactAt(m_fileNext, target, direct);
                    m_fileNext += direct;
                    target += direct;
                    n -= direct;
                    continue;
                }
                refill();
            }
            const std::size_t take = std::min(n, m_avail);
            if (take == 0) {
                if (m_fileNext >= m_fileEnd)
                    return false;
                continue;
            }
            takeFromWindow(target, n, take);
        }
        return true;
    }

    // Reads the next n body bytes into `data`; false when the body ends first.
    bool readInto(std::vector<uint8_t>& data, std::size_t n)
    {
        if (n > m_avail || (m_fileNext < m_fileEnd && n + 2 > m_avail + (m_heldZero ? 1 : 0))) {
            data.resize(n);
            return read(data.data(), n);
        }
        // Bytes the window holds are copied once, without zeroing their room first.
        data.assign(m_data + m_pos, m_data + m_pos + n);
        m_pos += n;
        m_avail -= n;
        m_consumed += n;
        return true;
    }

private:
    void allocate(std::size_t capacity)
    {
        // Left uninitialised: every byte is written before it is read.
        m_buffer.reset(new uint8_t[capacity]);
        m_capacity = capacity;
    }

    void takeFromWindow(uint8_t*& target, std::size_t& n, std::size_t take)
    {
        std::memcpy(target, m_data + m_pos, take);
        m_pos += take;
        m_avail -= take;
        target += take;
        n -= take;
    }

    void refill()
    {
        // The first refill of a plain body moves what the source held into a window of its own.
        if (!m_buffer)
            allocate(static_cast<std::size_t>(m_avail + std::min<uint64_t>(kWindowSize, m_fileEnd - m_fileNext)));
        if (m_avail > 0 && m_data + m_pos != m_buffer.get())
            std::memmove(m_buffer.get(), m_data + m_pos, m_avail);
        m_data = m_buffer.get();
        m_pos = 0;
        // A zero held back at the old end keeps a slot in front of the new bytes.
        const std::size_t held = m_heldZero ? 1 : 0;
        const std::size_t room = m_capacity - m_avail - held;
        const std::size_t raw = static_cast<std::size_t>(std::min<uint64_t>(room, m_fileEnd - m_fileNext));
        uint8_t* in = m_buffer.get() + m_avail + held;
        m_file.readExactAt(m_fileNext, in, raw);
        m_fileNext += raw;
        m_avail += m_unsync ? removeUnsync(in, raw, m_buffer.get() + m_avail) : raw;
        if (m_fileNext == m_fileEnd && m_heldZero) {
            // The last byte of the body is never a guard zero.
            m_buffer[m_avail++] = 0x00;
            m_heldZero = false;
        }
    }

    // Removes guard zeros from n new bytes, writing at out (never ahead of the bytes read).
    // A zero after FF at the end of the loaded part waits for the byte that decides it.
    std::size_t removeUnsync(const uint8_t* in, std::size_t n, uint8_t* out)
    {
        uint8_t* o = out;
        std::size_t i = 0;
        while (i < n) {
            if (!m_heldZero && !m_prevFF) {
                // Up to and with the next FF the bytes stay as they are.
                const auto* ff = static_cast<const uint8_t*>(std::memchr(in + i, 0xFF, n - i));
                const std::size_t stop = ff ? static_cast<std::size_t>(ff - in) + 1 : n;
                std::memmove(o, in + i, stop - i);
                o += stop - i;
                i = stop;
                m_prevFF = ff != nullptr;
                continue;
            }
            const uint8_t b = in[i++];
            if (m_heldZero) {
                m_heldZero = false;
                if (!needsGuard(b))
                    *o++ = 0x00;
            } else if (m_prevFF && b == 0x00) {
                m_heldZero = true;
                m_prevFF = false;
                continue;
            }
            *o++ = b;
            m_prevFF = b == 0xFF;
        }
        return static_cast<std::size_t>(o - out);
    }

    const TagSource& m_file;
    uint64_t m_fileNext, m_fileEnd;
    bool m_unsync;
    std::unique_ptr<uint8_t[]> m_buffer;
    std::size_t m_capacity = 0;
    const uint8_t* m_data = nullptr; // the window: the source's bytes, or m_buffer once refilled
    std::size_t m_pos = 0, m_avail = 0;
    bool m_prevFF = false, m_heldZero = false;
    uint64_t m_consumed = 0;
};

// What a load reports beside the result word.
struct LoadNotes {
    std::string& detail;
    std::vector<std::string>& dropped;
    std::vector<TagProblem>& problems;
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
    m_bodyStart = uint64_t(m_tag.TagOffset) + kHeaderSize;
    if (m_fileSize < m_bodyStart + m_tag.TagSize)
        return result | fail(kErrFileTooShort, "the tag claims " + groupedNumber(kHeaderSize + m_tag.TagSize) +
                                                   " bytes but the file ends after " +
                                                   groupedNumber(m_fileSize - m_tag.TagOffset));
    // No compression method was ever defined for it.
    if (v2() && (flags & v22::kFlagCompression))
        return result | fail(kErrTagCompression, "the ID3v2.2 tag is marked as compressed, which cannot be read");

    BodyWindow window(m_file, m_bodyStart, m_tag.TagSize, !v4() && m_tag.Unsynchronisation());
    updateProgress(window.remaining());

    // Some writers set the flag without writing the header: a frame ID follows instead,
    // which no extended header size can begin with.
    uint8_t first[kFrameIdSize];
    if (m_tag.ExtendedHeader() && window.peek(first, sizeof first) && startsWithFrameId(first))
        m_tag.Flags &= static_cast<uint8_t>(~kFlagExtended);

    // Version 2.2 reads as a version 2.3 tag whose extended header is absent.
    const TagResult ext = v4() ? readExtHeaderV4(window) : readExtHeaderV3(window);
    result |= ext;
    if (failed(ext))
        return result;

    m_tag.Modified = false;
    m_tag.FrameIndex().Clear();
    m_notes.dropped.clear();
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

        const bool zeros = std::all_of(header, header + got, [](uint8_t b) { return b == 0; });
        const bool marked = got >= sizeof kPaddingMark && std::memcmp(header, kPaddingMark, sizeof kPaddingMark) == 0;
        if (zeros || marked)
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
    if (bodyOffset >= m_tag.TagSize)
        return bodyOffset == m_tag.TagSize;
    uint8_t next[kFrameHeaderSize] = {};
    const uint64_t left = m_tag.TagSize - bodyOffset;
    const std::size_t n = static_cast<std::size_t>(std::min<uint64_t>(sizeof next, left));
    if (!window.peekAhead(ahead, next, n))
        m_file.readExactAt(m_bodyStart + bodyOffset, next, n);
    if (std::all_of(next, next + n, [](uint8_t b) { return b == 0; }) ||
        (n >= sizeof kPaddingMark && std::memcmp(next, kPaddingMark, sizeof kPaddingMark) == 0))
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
        return kErrOffset;
    }
    FileName = fileName;
    return readTag(*this, file, size, LoadNotes{m_errorDetail, m_droppedFrames, m_problems}, known);
}
