// Puts back the bytes a tag save replaced, moving the audio back where the sizes differ.
#include "tag_restore.h"

#include "id3_layout.h"
#include "id3v2_layout.h"
#include "io_result.h"
#include "move_journal.h"
#include "platform/file_system.h"

uint64_t measureHeadExtent(const platform::File& file, uint64_t fileSize)
{
    return id3v2::tagExtentAt(file, 0, fileSize);
}

uint64_t measureTailExtent(const platform::File& file, uint64_t fileSize)
{
    return id3v1::recordExtent(file, fileSize);
}

TagResult restoreTagBytes(const std::string& path, const std::vector<uint8_t>& oldHead,
                          const std::vector<uint8_t>& oldTail, TagExtents current)
{
    if (const TagResult refused = refusalFor(platform::saveTarget(path)))
        return refused;
    try {
        TagResult refused = 0;
        std::string reason;
        std::optional<platform::File> file = openForSave(path, refused, reason);
        if (!file)
            return refused;
        const uint64_t size = file->size();
        if (size < current.head + current.tail)
            return kErrFileTooShort;
        resizeTagInPlace(*file, {path, size, 0, current.head, oldHead.size()}, [](uint64_t) {}, [&] {
            if (!oldHead.empty())
                file->writeAt(0, oldHead.data(), oldHead.size());
        });
        const uint64_t tailAt = size - current.head + oldHead.size() - current.tail;
        if (oldTail.size() != current.tail)
            file->truncate(tailAt);
        if (!oldTail.empty())
            file->writeAt(tailAt, oldTail.data(), oldTail.size());
        return kOk;
    } catch (const platform::IoError& e) {
        return resultFor(e);
    }
}
