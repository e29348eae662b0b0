// Writes a Tid3v2tag into its MP3 file in place: sizing, padding, moving the audio and the tag bytes.
#include "id3v2.h"

#include "audio_mover.h"
#include "byte_order.h"
#include "crc32.h"
#include "id3v2_tag_writer.h"
#include "io_result.h"
#include "move_record.h"
#include "platform/file_system.h"
#include "save_session.h"

#include <algorithm>
#include <cstring>
#include <utility>


using namespace id3v2;

namespace {

constexpr std::size_t kChunkSize = 16384;
constexpr uint64_t kPaddingBlock = 4096;

// Padding that brings the new file size to a multiple of the block; a tag that already
// ends the file at the next block after the old size needs none.
uint32_t paddingFor(uint64_t fileSize, uint64_t oldExtent, uint64_t tagSize)
{
    const uint64_t newSize = fileSize - oldExtent + tagSize;
    const uint64_t nextBlock = (fileSize / kPaddingBlock + 1) * kPaddingBlock;
    if (newSize == nextBlock)
        return 0;
    const uint64_t rest = newSize % kPaddingBlock;
    return static_cast<uint32_t>(rest == 0 ? kPaddingBlock : kPaddingBlock - rest);
}

// Tag bytes on their way to the file, gathered into writes of at most 16 KiB.
class StagedWriter {
public:
    StagedWriter(platform::File& file, uint64_t position, ProgressMeter& meter)
        : m_file(file), m_position(position), m_meter(meter)
    {
        m_buffer.reserve(kChunkSize);
    }

    void put(const uint8_t* data, std::size_t n)
    {
        while (n > 0) {
            const std::size_t take = std::min(n, kChunkSize - m_buffer.size());
            m_buffer.insert(m_buffer.end(), data, data + take);
            data += take;
            n -= take;
            if (m_buffer.size() == kChunkSize)
                flush();
        }
    }
    void put(const std::vector<uint8_t>& bytes) { put(bytes.data(), bytes.size()); }

    void zeros(uint64_t n)
    {
        while (n > 0) {
            const std::size_t take = static_cast<std::size_t>(std::min<uint64_t>(n, kChunkSize - m_buffer.size()));
            m_buffer.insert(m_buffer.end(), take, 0);
            n -= take;
            if (m_buffer.size() == kChunkSize)
                flush();
        }
    }

    void flush()
    {
        if (m_buffer.empty())
            return;
        m_file.writeAt(m_position, m_buffer.data(), m_buffer.size());
        m_crc = crcOf(m_buffer.data(), m_buffer.size(), m_crc);
        m_position += m_buffer.size();
        m_meter.add(m_buffer.size());
        m_buffer.clear();
    }
    // The CRC-32 of every byte written so far.
    uint32_t crc() const { return m_crc; }

private:
    platform::File& m_file;
    uint64_t m_position;
    uint32_t m_crc = 0;
    ProgressMeter& m_meter;
    std::vector<uint8_t> m_buffer;
};

// The whole tag gathered in memory, to be compared with the one it replaces.
class ImageWriter {
public:
    explicit ImageWriter(uint64_t size) { bytes.reserve(static_cast<std::size_t>(size)); }
    void put(const uint8_t* data, std::size_t n) { bytes.insert(bytes.end(), data, data + n); }
    void put(const std::vector<uint8_t>& b) { put(b.data(), b.size()); }
    void zeros(uint64_t n) { bytes.insert(bytes.end(), static_cast<std::size_t>(n), 0); }
    std::vector<uint8_t> bytes;
};

// The runs of `now` that differ from `old`, of the same size, as [begin, end) pairs: found 64
// bytes at a time; runs closer than a few hundred bytes are joined, and many runs become one,
// since each costs a write.
std::vector<std::pair<std::size_t, std::size_t>> changedRuns(const std::vector<uint8_t>& old,
                                                             const std::vector<uint8_t>& now)
{
    constexpr std::size_t kStep = 64, kJoin = 256, kMaxRuns = 8;
    const std::size_t n = now.size();
    std::vector<std::pair<std::size_t, std::size_t>> runs;
    for (std::size_t at = 0; at < n; at += kStep) {
        const std::size_t take = std::min(kStep, n - at);
        if (std::memcmp(old.data() + at, now.data() + at, take) == 0)
            continue;
        std::size_t begin = at, end = at + take;
        while (old[begin] == now[begin])
            ++begin;
        while (old[end - 1] == now[end - 1])
            --end;
        if (!runs.empty() && begin - runs.back().second < kJoin)
            runs.back().second = end;
        else
            runs.emplace_back(begin, end);
    }
    if (runs.size() > kMaxRuns)
        runs = {{runs.front().first, runs.back().second}};
    return runs;
}

// The CRC-32 of a run of bytes after `size` of them at `at` changed from `before` to `after`,
// from its CRC-32 before: CRC-32 is linear, so only the changed bytes need hashing.
uint32_t crcAfterChange(uint32_t crc, const uint8_t* before, const uint8_t* after, std::size_t size,
                        uint64_t bytesBehind)
{
    if (size == 0)
        return crc;
    return crc ^ crcJoined(crcOf(before, size) ^ crcOf(after, size), 0, bytesBehind);
}

} // namespace

namespace id3v2 {

void TagWriter::measureOldTag()
{
    m_oldExtent = tagExtentAt(m_file, m_offset, m_fileSize);
}

TagResult TagWriter::sizeTag()
{
    if (m_tag.CRCPresent())
        m_tag.SetExtendedHeader(true);
    std::size_t extSize = 0;
    if (m_tag.ExtendedHeader()) {
        if (v4())
            extSize = ext4::kMinSize + (m_tag.TagIsUpdate() ? 1 : 0) +
                      (m_tag.CRCPresent() ? 1 + ext4::kCrcLength : 0) + (m_tag.TagRestrictions() ? 2 : 0);
        else
            extSize = ext3::kFixedSize + (m_tag.CRCPresent() ? ext3::kCrcSize : 0);
    }
    uint64_t size = kHeaderSize + extSize;
    m_headers.clear();
    for (uint32_t i = 1; i <= count(); ++i) {
        m_headers.push_back(v4() ? frameHeaderV4(frame(i)) : frameHeaderV3(frame(i)));
        size += m_headers.back().size() + frame(i).Data.size();
    }
    m_padding = paddingFor(m_fileSize, m_oldExtent, size);
    m_tag.PaddingSize = m_padding;
    if (size + m_padding - kHeaderSize > kMaxTagBody)
        return tooLarge(size + m_padding);

    const uint64_t crcWork = m_tag.CRCPresent() ? (size + m_padding) / 10 : 0;
    const uint64_t moveWork = AudioMover::work(m_fileSize, m_offset, m_oldExtent, size + m_padding);
    m_meter.setTotal(crcWork + moveWork + size + m_padding);
    if (m_tag.CRCPresent())
        computeCrc();

    if (m_tag.ExtendedHeader()) {
        m_extHeader = v4() ? extHeaderV4() : extHeaderV3();
        // Version 2.3 grows here by the zeros that unsynchronisation puts into its fields.
        size += m_extHeader.size() - extSize;
    }
    m_newSize = size + m_padding;
    if (m_newSize - kHeaderSize > kMaxTagBody)
        return tooLarge(m_newSize);
    return kOk;
}

void TagWriter::computeCrc()
{
    m_tag.Status = "Calculating CRC-32";
    uint32_t crc = 0xFFFFFFFFu;
    for (uint32_t i = 1; i <= count(); ++i) {
        const std::vector<uint8_t>& data = frame(i).Data;
        crc = UpdateCRC32(crc, m_headers[i - 1].data(), m_headers[i - 1].size());
        crc = UpdateCRC32(crc, data.data(), data.size());
        m_meter.add((m_headers[i - 1].size() + data.size()) / 10);
    }
    if (v4()) {
        const uint8_t zeros[256] = {};
        for (uint32_t left = m_padding; left > 0;) {
            const uint32_t n = std::min<uint32_t>(left, sizeof zeros);
            crc = UpdateCRC32(crc, zeros, n);
            left -= n;
        }
    }
    m_crc = ~crc;
    m_crcComputed = true;
}

// Everything that changes the file.
void TagWriter::commit(const std::string& path)
{
    const MoveRecord::Plan plan{path, m_fileSize, m_offset, m_oldExtent, m_newSize};
    if (movesAudio(plan))
        m_tag.Status = "Re-positioning audio data";
    resizeTagInPlace(m_file, plan, [this](uint64_t n) { m_meter.add(n); }, [this] { writeTag(); });
}

void TagWriter::writeTag()
{
    m_tag.Status = "Writing new tag";
    StagedWriter out(m_file, m_offset, m_meter);
    emit(out);
    out.flush();
    m_writtenCrc = out.crc();
}

bool TagWriter::rewriteChanged(SaveSession& session, std::string& why)
{
    m_tag.Status = "Writing new tag";
    ImageWriter image(m_newSize);
    emit(image);
    const std::vector<uint8_t>& now = image.bytes;
    const std::vector<uint8_t>& old = session.knownHead;
    const auto runs = changedRuns(old, now);
    // All of what goes is kept before anything is written.
    for (const auto& [begin, end] : runs)
        if (session.beforeHeadWrite && !session.beforeHeadWrite({begin, old.data() + begin, end - begin, false}, why))
            return false;
    std::optional<uint32_t> crc = session.knownHeadCrc;
    for (const auto& [begin, end] : runs)
        if (crc)
            crc = crcAfterChange(*crc, old.data() + begin, now.data() + begin, end - begin, now.size() - end);
    session.forgetHead();
    for (const auto& [begin, end] : runs)
        m_file.writeAt(m_offset + begin, now.data() + begin, end - begin);
    m_meter.add(now.size());
    session.knownHead = std::move(image.bytes);
    session.knownHeadCrc = crc;
    if (crc)
        session.head = {true, m_newSize, *crc};
    return true;
}

template <class Out>
void TagWriter::emit(Out& out)
{
    uint8_t header[kHeaderSize] = {'I', 'D', '3', m_version, 0, 0};
    // No footer is written, so the header must not announce one.
    header[kFlags] = m_tag.Flags & (v4() ? kWrittenFlagsV4 & ~kFlagFooter : kWrittenFlagsV3);
    writeSyncsafe32(header + kTagSize, static_cast<uint32_t>(m_newSize - kHeaderSize));
    out.put(header, kHeaderSize);
    out.put(m_extHeader);
    for (uint32_t i = 1; i <= count(); ++i) {
        out.put(m_headers[i - 1]);
        out.put(frame(i).Data);
    }
    out.zeros(m_padding);
}

void TagWriter::finish(uint8_t revision)
{
    m_tag.Version = m_version;
    m_tag.Revision = revision;
    m_tag.Flags &= v4() ? kWrittenFlagsV4 & ~kFlagFooter : kWrittenFlagsV3;
    m_tag.TagSize = static_cast<uint32_t>(m_newSize - kHeaderSize);
    m_tag.ExtHeaderSize = m_tag.ExtendedHeader()
                              ? (v4() ? static_cast<uint32_t>(m_extHeader.size())
                                      : (m_tag.CRCPresent() ? ext3::kSizeWithCrc : ext3::kSizeWithoutCrc))
                              : 0;
    if (m_crcComputed)
        m_tag.CRC32 = m_crc;
    m_tag.LoadResult = kOk;
    m_tag.Modified = false;
    m_tag.TagOffset = static_cast<uint32_t>(m_offset);
    m_tag.Progress = 100;
    m_tag.Status = "Save Complete";
}

} // namespace id3v2

namespace {

// Idle again on every way out of a save.
class IdleGuard {
public:
    explicit IdleGuard(Tid3v2tag& tag) : m_tag(tag) { m_tag.Idle = false; }
    ~IdleGuard() { m_tag.Idle = true; }
    IdleGuard(const IdleGuard&) = delete;
    IdleGuard& operator=(const IdleGuard&) = delete;

private:
    Tid3v2tag& m_tag;
};

} // namespace

TagResult Tid3v2tag::SaveToFile(const std::string& fileName, uint8_t version, int64_t tagOffset, uint8_t revision)
{
    const bool ownFile = fileName == "=";
    const std::string target = ownFile ? FileName : fileName;
    const uint32_t offset =
        tagOffset < 0 ? (ownFile ? TagOffset : 0) : static_cast<uint32_t>(static_cast<uint64_t>(tagOffset));
    m_failureReason.clear();
    m_errorDetail.clear();
    if (failed(LoadResult))
        return kErrCorrupt;
    SaveRefusal refusal;
    std::optional<SaveSession> session = SaveSession::open(target, refusal);
    if (!session) {
        m_failureReason = refusal.reason;
        return refusal.result;
    }
    return SaveTo(*session, version, offset, revision);
}

TagResult Tid3v2tag::SaveTo(SaveSession& session, uint8_t version, uint32_t tagOffset, uint8_t revision)
{
    m_failureReason.clear();
    m_errorDetail.clear();
    if (failed(LoadResult))
        return kErrCorrupt;
    IdleGuard idle(*this);
    try {
        const TagResult result = WriteTag(session, tagOffset, version, revision);
        if (!failed(result))
            FileName = session.path();
        return result;
    } catch (const platform::IoError& e) {
        m_failureReason = e.what();
        return resultFor(e);
    }
}

TagResult Tid3v2tag::WriteTag(SaveSession& session, uint32_t tagOffset, uint8_t version, uint8_t revision)
{
    platform::File& file = session.file();
    // A version 2.2 tag is read only: it is written as version 2.3, its frames mapped on loading.
    if (version == 255)
        version = Version == 2 ? 3 : Version;
    if (revision == 255)
        revision = Revision;
    if (version != 3 && version != 4) {
        m_errorDetail = "ID3v2." + std::to_string(version) + " tags cannot be written";
        return kErrVersion;
    }
    if (revision != 0)
        return kErrRevision;
    if (FrameIndex().Count() == 0)
        return kErrNoFrames;

    Progress = 0;
    Status = "Preparing tag";
    const uint64_t fileSize = file.size();
    if (fileSize < tagOffset) {
        m_errorDetail = "the tag would start at byte " + groupedNumber(tagOffset) + " of a file of " +
                        groupedNumber(fileSize) + " bytes";
        return kErrOffset;
    }

    TagWriter writer(*this, file, tagOffset, fileSize, version, m_errorDetail);
    TagResult result = writer.prepareFrames();
    if (failed(result))
        return result;
    // The tag the session read is the one there: nothing has written the start since.
    if (tagOffset == 0 && !session.knownHead.empty())
        writer.takeOldExtent(session.knownHead.size());
    else
        writer.measureOldTag();
    result = writer.sizeTag();
    if (failed(result))
        return result;
    if (tagOffset == 0)
        session.head = {};
    std::string why;
    if (tagOffset == 0 && writer.newSize() == writer.oldExtent() && session.knownHead.size() == writer.oldExtent()) {
        if (!writer.rewriteChanged(session, why))
            return refusedBeforeWrite(why);
    } else {
        if (tagOffset == 0 && session.beforeHeadWrite) {
            std::vector<uint8_t> old;
            const std::vector<uint8_t>* kept = &session.knownHead;
            if (session.knownHead.size() != writer.oldExtent()) {
                old.resize(static_cast<std::size_t>(writer.oldExtent()));
                file.readExactAt(0, old.data(), old.size());
                kept = &old;
            }
            if (!session.beforeHeadWrite({0, kept->data(), kept->size(), true}, why))
                return refusedBeforeWrite(why);
        }
        // What lay at the start of the file is not known once the move or the write has begun.
        session.forgetHead();
        writer.commit(session.path());
        if (tagOffset == 0)
            session.head = {true, writer.newSize(), writer.writtenCrc()};
    }
    writer.finish(revision);
    return kOk;
}

TagResult Tid3v2tag::refusedBeforeWrite(const std::string& why)
{
    m_failureReason = why;
    return kErrIo;
}
