// The save of a TagFile: both tags or neither, in place or with the audio moved, and what it
// replaced told to whoever keeps it.
#include "tags/file/tag_file.h"

#include "tags/core/crc.h"
#include "tags/core/io_result.h"
#include "tags/file/audio_mover.h"
#include "tags/file/move_record.h"
#include "tags/file/tag_file_plan.h"
#include "tags/id3v1/id3.h"
#include "tags/id3v1/id3_layout.h"
#include "tags/id3v2/id3v2.h"
#include "tags/id3v2/id3v2_tag_writer.h"

#include <algorithm>
#include <cstring>
#include <utility>

using id3v2::TagWriter;

namespace {

constexpr std::size_t kChunkSize = 16384;

// Tag bytes on their way to the file, gathered into writes of at most 16 KiB.
class StagedWriter : public id3v2::TagSink {
public:
    StagedWriter(platform::File& file, uint64_t position, id3v2::ProgressMeter& meter)
        : m_file(file), m_position(position), m_meter(meter)
    {
        m_buffer.reserve(kChunkSize);
    }

    using TagSink::put;
    void put(const uint8_t* data, std::size_t n) override
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

    void zeros(uint64_t n) override
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
    id3v2::ProgressMeter& m_meter;
    std::vector<uint8_t> m_buffer;
};

// The whole tag gathered in memory, to be compared with the one it replaces.
class ImageWriter : public id3v2::TagSink {
public:
    explicit ImageWriter(uint64_t size) { bytes.reserve(static_cast<std::size_t>(size)); }
    using TagSink::put;
    void put(const uint8_t* data, std::size_t n) override { bytes.insert(bytes.end(), data, data + n); }
    void zeros(uint64_t n) override { bytes.insert(bytes.end(), static_cast<std::size_t>(n), 0); }
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

// The record goes in one write, an appended one growing the file with it, so that a kill
// leaves the file with the whole record or without it; a failed write leaves the file as it
// was: the old record back, or an appended one cut off.
void writeRecord(platform::File& file, uint64_t position, uint64_t size, const uint8_t* record)
{
    const bool appended = position == size;
    uint8_t old[id3v1::kRecordSize];
    if (!appended)
        file.readExactAt(position, old, sizeof old);
    try {
        file.writeAt(position, record, id3v1::kRecordSize);
    } catch (const platform::IoError&) {
        // What a write cut short by a size limit put down lies below the limit, so the old
        // bytes go back there even when the rest of their write meets the limit again.
        try {
            if (appended && file.size() != size)
                file.truncate(size);
            else if (!appended)
                file.writeAt(position, old, sizeof old);
        } catch (const platform::IoError&) {
        }
        throw;
    }
}

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

// A read or write failure part way through leaves the file as far as the save had come.
bool broke(TagResult r)
{
    return r == kErrRead || r == kErrWrite || r == kErrIo;
}

} // namespace

TagResult TagFile::planV2(Tid3v2tag& tag, uint32_t tagOffset, uint8_t version, uint8_t revision,
                          std::optional<uint64_t> oldExtent, std::optional<V2Plan>& plan)
{
    // A version 2.2 tag is read only: it is written as version 2.3, its frames mapped on loading.
    if (version == 255)
        version = tag.Version == 2 ? 3 : tag.Version;
    if (revision == 255)
        revision = tag.Revision;
    if (version != 3 && version != 4) {
        tag.m_errorDetail = "ID3v2." + std::to_string(version) + " tags cannot be written";
        return kErrVersion;
    }
    if (revision != 0)
        return kErrRevision;
    if (tag.FrameIndex().Count() == 0)
        return kErrNoFrames;
    tag.Progress = 0;
    tag.Status = "Preparing tag";
    const uint64_t fileSize = m_file->size();
    if (fileSize < tagOffset) {
        tag.m_errorDetail = "the tag would start at byte " + groupedNumber(tagOffset) + " of a file of " +
                            groupedNumber(fileSize) + " bytes";
        return kErrOffset;
    }
    plan.emplace(tag, *m_file, tagOffset, fileSize, version, revision, tag.m_errorDetail);
    TagResult result = plan->writer.prepareFrames();
    if (failed(result))
        return result;
    // The tag read through this file is the one there: nothing has written the start since.
    if (tagOffset == 0 && (oldExtent || !m_head.empty()))
        plan->writer.takeOldExtent(oldExtent ? *oldExtent : m_head.size());
    else
        plan->writer.measureOldTag();
    return plan->writer.sizeTag();
}

bool TagFile::rewriteChanged(V2Plan& p, SaveObserver* observer, SaveReport& report, std::string& why)
{
    p.tag.Status = "Writing new tag";
    ImageWriter image(p.writer.newSize());
    p.writer.emit(image);
    const std::vector<uint8_t>& now = image.bytes;
    const std::vector<uint8_t>& old = m_head;
    const auto runs = changedRuns(old, now);
    // All of what goes is kept before anything is written.
    for (const auto& [begin, end] : runs)
        if (observer && !observer->beforeHeadChange({begin, old.data() + begin, end - begin, false}, why))
            return false;
    std::optional<uint32_t> crc = m_headCrc;
    for (const auto& [begin, end] : runs)
        if (crc)
            crc = crcAfterChange(*crc, old.data() + begin, now.data() + begin, end - begin, now.size() - end);
    forgetHead();
    for (const auto& [begin, end] : runs)
        m_file->writeAt(begin, now.data() + begin, end - begin);
    p.writer.meter().add(now.size());
    m_head = std::move(image.bytes);
    m_headCrc = crc;
    if (crc)
        report.head = {true, m_head.size(), *crc};
    return true;
}

TagResult TagFile::commitV2(V2Plan& p, SaveObserver* observer, SaveReport& report, const uint8_t* newTail)
{
    TagWriter& w = p.writer;
    const bool atStart = w.tagOffset() == 0;
    if (atStart)
        report.head = {};
    std::string why;
    if (atStart && !newTail && w.newSize() == w.oldExtent() && m_head.size() == w.oldExtent()) {
        if (!rewriteChanged(p, observer, report, why))
            return refusedBeforeWrite(p.tag, why);
        w.finish(p.revision);
        return kOk;
    }
    if (atStart && observer) {
        const std::vector<uint8_t> read = m_head.size() != w.oldExtent() ? readRange(0, w.oldExtent())
                                                                          : std::vector<uint8_t>();
        const std::vector<uint8_t>& kept = read.empty() ? m_head : read;
        if (!observer->beforeHeadChange({0, kept.data(), kept.size(), true}, why))
            return refusedBeforeWrite(p.tag, why);
    }
    // What lay at the start of the file is not known once the move or the write has begun.
    forgetHead();
    const MoveRecord::Plan plan = p.move(m_path);
    report.movedAudio = movesAudio(plan);
    if (report.movedAudio)
        p.tag.Status = "Re-positioning audio data";
    uint32_t crc = 0;
    resizeTagInPlace(*m_file, plan, [&](uint64_t n) { w.meter().add(n); }, [&] {
        p.tag.Status = "Writing new tag";
        StagedWriter out(*m_file, w.tagOffset(), w.meter());
        w.emit(out);
        out.flush();
        crc = out.crc();
    }, newTail);
    if (atStart)
        report.head = {true, w.newSize(), crc};
    if (newTail)
        report.tail = {true, id3v1::kRecordSize, crcOf(newTail, id3v1::kRecordSize)};
    w.finish(p.revision);
    return kOk;
}

TagResult TagFile::refusedBeforeWrite(Tid3v2tag& tag, const std::string& why)
{
    tag.m_failureReason = why;
    return kErrIo;
}

TagResult TagFile::beginV2(Tid3v2tag& tag, uint32_t tagOffset, uint8_t version, uint8_t revision,
                           std::optional<uint64_t> oldExtent, std::optional<V2Plan>& plan)
{
    tag.m_failureReason.clear();
    tag.m_errorDetail.clear();
    if (failed(tag.LoadResult))
        return kErrCorrupt;
    try {
        return planV2(tag, tagOffset, version, revision, oldExtent, plan);
    } catch (const platform::IoError& e) {
        tag.m_failureReason = e.what();
        return resultFor(e);
    }
}

TagResult TagFile::finishV2(V2Plan& plan, SaveObserver* observer, SaveReport& report, const uint8_t* newTail)
{
    try {
        const TagResult result = commitV2(plan, observer, report, newTail);
        if (!failed(result))
            plan.tag.FileName = m_path;
        return result;
    } catch (const platform::IoError& e) {
        plan.tag.m_failureReason = e.what();
        report.leftInterrupted = moveInterrupted(*m_file);
        return resultFor(e);
    }
}

TagResult TagFile::saveV2(Tid3v2tag& tag, uint8_t version, uint32_t tagOffset, uint8_t revision,
                          SaveObserver* observer, SaveReport* report)
{
    SaveReport own;
    IdleGuard idle(tag);
    std::optional<V2Plan> plan;
    const TagResult planned = beginV2(tag, tagOffset, version, revision, std::nullopt, plan);
    return failed(planned) ? planned : finishV2(*plan, observer, report ? *report : own, nullptr);
}

SaveReport TagFile::save(Tid3tag* v1, Tid3v2tag* v2, SaveObserver* observer)
{
    SaveReport report;
    if (!v2) {
        if (v1)
            report.v1 = writeV1(*v1, report);
        return report;
    }
    IdleGuard idle(*v2);
    std::optional<TailBytes> before;
    const std::optional<uint64_t> headExtent = measureBeforeSave(v1 != nullptr, before);
    std::optional<V2Plan> plan;
    const TagResult planned = beginV2(*v2, 0, 255, 255, headExtent, plan);
    const bool moves = !failed(planned) && movesAudio(plan->move(m_path));
    // A tag with no frames is not written at all: the ID3v1 record stands alone then.
    if (v1 && !moves && (!failed(planned) || planned == kErrNoFrames)) {
        report.v1 = writeV1(*v1, report);
        if (broke(*report.v1))
            return report;
    }
    report.v2 = planned;
    if (failed(planned)) {
        if (v1 && planned != kErrNoFrames) {
            report.v1 = planned;
            report.v1Withheld = true;
        }
        return report;
    }
    const std::optional<std::array<uint8_t, id3v1::kRecordSize>> tail =
        v1 && moves ? std::optional(v1->Render()) : std::nullopt;
    report.v2 = finishV2(*plan, observer, report, tail ? tail->data() : nullptr);
    if (v1)
        settleV1(*v1, tail.has_value(), before, report);
    return report;
}

std::optional<uint64_t> TagFile::measureBeforeSave(bool v1, std::optional<TailBytes>& before)
{
    // Measured before either tag is written, so that the ID3v1 save cannot change what the
    // ID3v2 save takes for its old tag.
    try {
        if (v1)
            before = tailBytes();
        return m_head.empty() ? measureHeadExtent(*m_file, m_file->size()) : m_head.size();
    } catch (const platform::IoError&) {
        return std::nullopt;
    }
}

void TagFile::settleV1(Tid3tag& v1, bool underMove, const std::optional<TailBytes>& before, SaveReport& report)
{
    if (underMove) {
        // Written under the move's record, the ID3v1 record went back with the rest.
        report.v1 = report.v2;
        report.v1Withheld = failed(*report.v2);
        if (!failed(*report.v2))
            v1.m_fileName = m_path;
    } else if (failed(*report.v2) && report.v1 && !failed(*report.v1)) {
        putTailBack(before, report);
        if (report.v1PutBack)
            report.v1 = report.v2;
    }
}

std::optional<TagFile::TailBytes> TagFile::tailBytes() const
{
    TailBytes before;
    before.size = m_file->size();
    if (measureTailExtent(*m_file, before.size) == id3v1::kRecordSize)
        before.bytes = readRange(before.size - id3v1::kRecordSize, id3v1::kRecordSize);
    return before;
}

void TagFile::putTailBack(const std::optional<TailBytes>& before, SaveReport& report)
{
    forgetHead();
    report.head = report.tail = {};
    report.v1LeftAlone = true;
    try {
        // A move that could not be rolled back keeps the file's size in its record.
        if (!before || moveInterrupted(*m_file))
            return;
        const uint64_t size = m_file->size();
        const uint64_t record = id3v1::kRecordSize;
        if (before->bytes && size == before->size)
            m_file->writeAt(size - record, before->bytes->data(), record);
        else if (!before->bytes && size == before->size + record)
            m_file->truncate(before->size);
        else
            return;
        report.v1PutBack = true;
        report.v1LeftAlone = false;
    } catch (const platform::IoError&) {
    }
}

TagResult TagFile::writeV1(Tid3tag& tag, SaveReport& report)
{
    tag.m_failureReason.clear();
    try {
        const uint64_t size = m_file->size();
        const uint64_t position = size - id3v1::recordExtent(*m_file, size);
        const std::array<uint8_t, id3v1::kRecordSize> record = tag.Render();
        report.tail = {};
        if (position < m_head.size())
            forgetHead();
        writeRecord(*m_file, position, size, record.data());
        report.tail = {true, record.size(), crcOf(record.data(), record.size())};
        tag.m_fileName = m_path;
        return kOk;
    } catch (const platform::IoError& e) {
        tag.m_failureReason = e.what();
        return resultFor(e);
    }
}
