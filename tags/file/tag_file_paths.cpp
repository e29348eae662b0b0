// The tags' own loads and saves by file name, each through a TagFile opened for the one call,
// and the restore an undo makes.
#include "tags/file/tag_file.h"

#include "tags/core/io_result.h"
#include "tags/file/move_record.h"
#include "tags/id3v1/id3.h"
#include "tags/id3v1/id3_layout.h"
#include "tags/id3v2/id3v2.h"

TagResult Tid3tag::LoadFromFile(const std::string& fileName)
{
    return TagFile::openForReading(fileName).loadV1(*this);
}

TagResult Tid3tag::SaveToFile(const std::string& fileName)
{
    const std::string target = fileName == "=" ? m_fileName : fileName;
    m_failureReason.clear();
    // Locked, since the record is placed by the file's end, which a move of the audio shifts.
    SaveRefusal refusal;
    std::optional<TagFile> file = TagFile::openForSaving(target, refusal);
    if (!file) {
        m_failureReason = refusal.reason;
        return refusal.result;
    }
    return *file->save(this, nullptr).v1;
}

TagResult Tid3v2tag::LoadFromFile(const std::string& fileName, uint32_t tagOffset)
{
    return TagFile::openForReading(fileName).loadV2(*this, tagOffset);
}

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
    std::optional<TagFile> file = TagFile::openForSaving(target, refusal);
    if (!file) {
        m_failureReason = refusal.reason;
        return refusal.result;
    }
    return file->saveV2(*this, version, offset, revision);
}

TagResult TagFile::restore(const std::vector<uint8_t>& oldHead, const std::vector<uint8_t>& oldTail,
                           TagExtents current, std::string* reason)
{
    forgetHead();
    platform::File& file = *m_file;
    try {
        const uint64_t size = file.size();
        if (size < current.head + current.tail)
            return kErrFileTooShort;
        // The tail goes in after the head: the room for both is made sure of before either.
        const uint64_t finalSize = size - current.head - current.tail + oldHead.size() + oldTail.size();
        if (finalSize > size) {
            try {
                file.reserve(finalSize);
            } catch (const platform::IoError&) {
                file.truncate(size);
                throw;
            }
            file.truncate(size);
        }
        // An old ID3v1 record goes in under the record of the move, so that a repair of an
        // undo killed at any moment puts both tags back as the save left them.
        const bool recordBack = oldTail.size() == id3v1::kRecordSize && current.tail == id3v1::recordExtent(file, size);
        resizeTagInPlace(
            file, {m_path, size, 0, current.head, oldHead.size()}, [](uint64_t) {},
            [&] {
                if (!oldHead.empty())
                    file.writeAt(0, oldHead.data(), oldHead.size());
            },
            recordBack ? oldTail.data() : nullptr);
        const uint64_t tailAt = size - current.head + oldHead.size() - current.tail;
        if (!recordBack && oldTail.size() != current.tail)
            file.truncate(tailAt);
        if (!recordBack && !oldTail.empty())
            file.writeAt(tailAt, oldTail.data(), oldTail.size());
        return kOk;
    } catch (const platform::IoError& e) {
        if (reason)
            *reason = e.what();
        return resultFor(e);
    }
}
