// Puts back the bytes a tag save replaced, moving the audio back where the sizes differ.
#include "tags/file/tag_restore.h"

#include "tags/id3v1/id3_layout.h"
#include "tags/id3v2/id3v2_layout.h"
#include "tags/core/io_result.h"
#include "tags/file/move_record.h"
#include "platform/file_system.h"
#include "tags/file/save_session.h"

#include <algorithm>

uint64_t measureHeadExtent(const platform::File& file, uint64_t fileSize)
{
    return id3v2::tagExtentAt(file, 0, fileSize);
}

bool headTagClaimsPastEnd(const platform::File& file, uint64_t fileSize)
{
    if (fileSize < id3v2::kHeaderSize)
        return false;
    uint8_t header[id3v2::kHeaderSize];
    file.readExactAt(0, header, sizeof header);
    return id3v2::claimsPastEnd(header, fileSize);
}

uint64_t measureTailExtent(const platform::File& file, uint64_t fileSize)
{
    return id3v1::recordExtent(file, fileSize);
}

TagResult restoreTagBytes(const std::string& path, const std::vector<uint8_t>& oldHead,
                          const std::vector<uint8_t>& oldTail, TagExtents current, std::string* reason)
{
    SaveRefusal refusal;
    std::optional<SaveSession> session = SaveSession::open(path, refusal);
    if (!session) {
        if (reason)
            *reason = refusal.reason;
        return refusal.result;
    }
    return restoreTagBytes(*session, oldHead, oldTail, current, reason);
}

TagResult restoreTagBytes(SaveSession& session, const std::vector<uint8_t>& oldHead,
                          const std::vector<uint8_t>& oldTail, TagExtents current, std::string* reason)
{
    session.forgetWritten();
    platform::File& file = session.file();
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
        resizeTagInPlace(file, {session.path(), size, 0, current.head, oldHead.size()}, [](uint64_t) {}, [&] {
            if (!oldHead.empty())
                file.writeAt(0, oldHead.data(), oldHead.size());
        });
        const uint64_t tailAt = size - current.head + oldHead.size() - current.tail;
        if (oldTail.size() != current.tail)
            file.truncate(tailAt);
        if (!oldTail.empty())
            file.writeAt(tailAt, oldTail.data(), oldTail.size());
        return kOk;
    } catch (const platform::IoError& e) {
        if (reason)
            *reason = e.what();
        return resultFor(e);
    }
}
