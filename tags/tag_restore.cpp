// Puts back the bytes a tag save replaced, moving the audio back where the sizes differ.
#include "tag_restore.h"

#include "byte_order.h"
#include "id3_layout.h"
#include "id3v2_layout.h"
#include "io_result.h"
#include "move_journal.h"
#include "platform/file_system.h"

uint64_t measureHeadExtent(const platform::File& file, uint64_t fileSize)
{
    using namespace id3v2;
    if (fileSize < kHeaderSize)
        return 0;
    uint8_t header[kHeaderSize];
    file.readExactAt(0, header, kHeaderSize);
    if (!hasIdentifier(header) || header[kVersion] == 0xFF || header[kRevision] == 0xFF ||
        !isSyncsafe(header + kTagSize))
        return 0;
    uint64_t extent = std::min<uint64_t>(kHeaderSize + uint64_t(readSyncsafe32(header + kTagSize)), fileSize);
    if (header[kVersion] == 4 && (header[kFlags] & kFlagFooter) != 0 && fileSize - extent >= kHeaderSize) {
        uint8_t footer[kHeaderSize];
        file.readExactAt(extent, footer, kHeaderSize);
        if (footer[0] == '3' && footer[1] == 'D' && footer[2] == 'I')
            extent += kHeaderSize;
    }
    return extent;
}

uint64_t measureTailExtent(const platform::File& file, uint64_t fileSize)
{
    if (fileSize < id3v1::kRecordSize)
        return 0;
    uint8_t identifier[id3v1::kIdentifier.width];
    file.readExactAt(fileSize - id3v1::kRecordSize, identifier, sizeof identifier);
    return id3v1::hasIdentifier(identifier) ? id3v1::kRecordSize : 0;
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
