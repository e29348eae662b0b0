// Opens a file once for its tags: the loads, the checks every save makes before it writes, and
// the restore of an undo.
#include "tags/file/tag_file.h"

#include "tags/core/crc.h"
#include "tags/core/io_result.h"
#include "tags/file/move_record.h"
#include "tags/id3v1/id3.h"
#include "tags/id3v1/id3_layout.h"
#include "tags/id3v2/id3v2.h"
#include "tags/id3v2/id3v2_layout.h"

#include <algorithm>
#include <atomic>

namespace {

std::atomic<TagFile::SavingHook> savingHook{nullptr};

} // namespace

void TagFile::setSavingHook(SavingHook hook)
{
    savingHook = hook;
}

TagFile TagFile::openForReading(const std::string& path)
{
    std::string reason;
    bool lockedByOther = false;
    TagFile file(path, platform::File::openLockedForReading(path, reason, lockedByOther));
    // A save in another process may be moving the audio: it is waited for, up to a point.
    file.m_failureReason = lockedByOther ? kLockedByOtherText : reason;
    return file;
}

std::optional<TagFile> TagFile::openForSaving(const std::string& path, SaveRefusal& refusal)
{
    refusal = SaveRefusal{};
    platform::SaveTarget target = platform::SaveTarget::Missing;
    std::optional<platform::File> file = platform::File::openForSaving(path, target, &refusal.reason);
    if (!file) {
        refusal.result = refusalFor(target);
        return std::nullopt;
    }
    if (!file->lockForWriting()) {
        refusal.result = kErrOpen;
        refusal.reason = kLockedByOtherText;
        refusal.locked = true;
        return std::nullopt;
    }
    if (moveInterrupted(*file)) {
        refusal.reason = kMoveInterruptedText;
        refusal.result = kErrIo;
        refusal.moveInterrupted = true;
        return std::nullopt;
    }
    TagFile opened(path, std::move(file));
    opened.m_writable = true;
    if (const SavingHook hook = savingHook)
        hook(path);
    return opened;
}

TagResult TagFile::loadV1(Tid3tag& tag) const
{
    if (!m_file) {
        tag.m_failureReason = m_failureReason;
        return kErrOpen;
    }
    try {
        // Opened for saving, the size is the file's now: a save through this file may have changed it.
        const uint64_t size = m_writable ? m_file->size() : m_file->info(m_path).size;
        return tag.LoadFrom(*m_file, m_path, size);
    } catch (const platform::IoError& e) {
        tag.m_failureReason = e.what();
        return resultFor(e);
    }
}

TagResult TagFile::loadV2(Tid3v2tag& tag, uint32_t tagOffset)
{
    if (!m_file) {
        tag.TagOffset = tagOffset;
        tag.m_errorDetail.clear();
        tag.m_problems.clear();
        tag.m_failureReason = m_failureReason;
        return kErrOpen;
    }
    try {
        if (!m_writable)
            return tag.LoadFrom(*m_file, m_path, m_file->info(m_path).size, tagOffset);
        // Read whole in one go, and kept for the save to compare with what it writes.
        if (tagOffset == 0)
            keepHead(Tid3v2tag::kKeptHeadLimit);
        return tag.LoadFrom(*m_file, m_path, m_file->size(), tagOffset, &m_head);
    } catch (const platform::IoError& e) {
        tag.m_failureReason = e.what();
        return resultFor(e);
    }
}

void TagFile::keepHead(uint64_t limit)
{
    if (!m_head.empty())
        return;
    // One read brings the header with the whole of a small tag.
    constexpr uint64_t kFirstRead = 4096;
    const uint64_t size = m_file->size();
    std::vector<uint8_t> bytes(static_cast<std::size_t>(std::min(size, kFirstRead)));
    m_file->readExactAt(0, bytes.data(), bytes.size());
    const std::size_t had = bytes.size();
    m_claimsPastEnd = had >= id3v2::kHeaderSize && id3v2::claimsPastEnd(bytes.data(), size);
    const uint64_t extent = id3v2::tagExtentIn(bytes.data(), had, *m_file, 0, size);
    if (extent == 0 || extent > limit)
        return;
    bytes.resize(static_cast<std::size_t>(extent));
    if (extent > had)
        m_file->readExactAt(had, bytes.data() + had, bytes.size() - had);
    m_head = std::move(bytes);
}

void TagFile::forgetHead()
{
    m_head.clear();
    m_headCrc.reset();
    m_claimsPastEnd.reset();
}

uint32_t TagFile::keptHeadCrc()
{
    if (!m_headCrc)
        m_headCrc = crcOf(m_head.data(), m_head.size());
    return *m_headCrc;
}

bool TagFile::headClaimsPastEnd()
{
    keepHead(Tid3v2tag::kKeptHeadLimit);
    if (m_claimsPastEnd)
        return *m_claimsPastEnd;
    const uint64_t size = m_file->size();
    if (size < id3v2::kHeaderSize)
        return false;
    uint8_t header[id3v2::kHeaderSize];
    m_file->readExactAt(0, header, sizeof header);
    return id3v2::claimsPastEnd(header, size);
}

SaveEnds TagFile::measureEnds(bool v1, bool v2)
{
    SaveEnds ends;
    ends.size = m_file->size();
    if (v2) {
        keepHead(UINT64_MAX);
        ends.extents.head = m_head.empty() ? measureHeadExtent(*m_file, ends.size) : m_head.size();
    }
    ends.extents.tail = v1 ? measureTailExtent(*m_file, ends.size) : 0;
    // A tag that reaches into the ID3v1 record is measured differently once either changes.
    ends.whole = ends.extents.head > 0 && ends.extents.head + ends.extents.tail > ends.size;
    return ends;
}

std::vector<uint8_t> TagFile::readRange(uint64_t at, uint64_t n) const
{
    std::vector<uint8_t> bytes(static_cast<std::size_t>(n));
    if (n > 0)
        m_file->readExactAt(at, bytes.data(), bytes.size());
    return bytes;
}

uint64_t measureHeadExtent(const platform::File& file, uint64_t fileSize)
{
    return id3v2::tagExtentAt(file, 0, fileSize);
}

uint64_t measureTailExtent(const platform::File& file, uint64_t fileSize)
{
    return id3v1::recordExtent(file, fileSize);
}
