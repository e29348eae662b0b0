// Takes whole tags out of a TagFile: the ID3v1 record cut off, the ID3v2 tag replaced by the audio.
#include "tags/file/tag_file.h"

#include "tags/core/io_result.h"
#include "tags/file/move_record.h"
#include "tags/file/tag_file_plan.h"
#include "tags/id3v1/id3.h"
#include "tags/id3v1/id3_layout.h"
#include "tags/id3v2/id3v2.h"
#include "tags/id3v2/id3v2_layout.h"

TagResult TagFile::removeV1(Tid3tag& tag, SaveReport& report, std::vector<uint8_t>& removed, uint64_t& rest)
{
    tag.m_failureReason.clear();
    try {
        const uint64_t size = m_file->size();
        if (id3v1::recordExtent(*m_file, size) == 0)
            return kErrNoTag;
        rest = size - id3v1::kRecordSize;
        removed = readRange(rest, id3v1::kRecordSize);
        if (rest < m_head.size())
            forgetHead();
        m_file->truncate(rest);
        report.tail = {true, 0, 0};
        return kOk;
    } catch (const platform::IoError& e) {
        tag.m_failureReason = e.what();
        return resultFor(e);
    }
}

TagResult TagFile::removeV2(Tid3v2tag& tag, SaveObserver* observer, SaveReport& report)
{
    tag.m_failureReason.clear();
    tag.m_errorDetail.clear();
    std::optional<V2Plan> plan;
    try {
        const uint64_t size = m_file->size();
        const uint64_t first = m_head.empty() ? measureHeadExtent(*m_file, size) : m_head.size();
        if (first == 0)
            return kErrNoTag;
        // Taking out the first of two tags would make the second the file's tag, which undo
        // could not tell from the first.
        if (first < size && id3v2::tagExtentAt(*m_file, first, size) > 0) {
            tag.m_errorDetail = "a second ID3v2 tag follows the first, which undo could not tell from it once the first is gone";
            return kErrCorrupt;
        }
        plan.emplace(tag, *m_file, 0, size, tag.Version == 4 ? 4 : 3, 0, tag.m_errorDetail);
        plan->writer.takeOldExtent(first);
        plan->writer.sizeNothing();
    } catch (const platform::IoError& e) {
        tag.m_failureReason = e.what();
        return resultFor(e);
    }
    const TagResult result = finishV2(*plan, observer, report, nullptr);
    if (!failed(result))
        tag.Reset();
    return result;
}

void TagFile::putRecordBack(const std::vector<uint8_t>& record, uint64_t sizeWithout, SaveReport& report)
{
    report.v1LeftAlone = true;
    try {
        if (report.leftInterrupted || moveInterrupted(*m_file) || m_file->size() != sizeWithout)
            return;
        m_file->writeAt(sizeWithout, record.data(), record.size());
        report.tail = {};
        report.v1PutBack = true;
        report.v1LeftAlone = false;
    } catch (const platform::IoError&) {
    }
}

SaveReport TagFile::remove(Tid3tag* v1, Tid3v2tag* v2, SaveObserver* observer)
{
    SaveReport report;
    std::vector<uint8_t> record;
    uint64_t sizeWithout = 0;
    if (v1) {
        const TagResult result = removeV1(*v1, report, record, sizeWithout);
        if (result != kErrNoTag)
            report.v1 = result;
        if (failed(result) && result != kErrNoTag)
            return report;
    }
    if (!v2)
        return report;
    const TagResult result = removeV2(*v2, observer, report);
    if (result == kErrNoTag)
        return report;
    report.v2 = result;
    if (failed(result) && !record.empty()) {
        putRecordBack(record, sizeWithout, report);
        if (report.v1PutBack)
            report.v1 = result;
    }
    return report;
}
