// Measures an ID3v2 tag in a file by its header, as the writer and the undo of a save see it.
#include "tags/id3v2/id3v2_layout.h"

#include "platform/file_system.h"

#include <algorithm>

namespace id3v2 {

uint64_t tagExtentAt(const platform::File& file, uint64_t offset, uint64_t fileSize)
{
    if (fileSize - offset < kHeaderSize)
        return 0;
    uint8_t header[kHeaderSize];
    file.readExactAt(offset, header, kHeaderSize);
    return tagExtentIn(header, kHeaderSize, file, offset, fileSize);
}

uint64_t tagExtentIn(const uint8_t* bytes, std::size_t have, const platform::File& file, uint64_t offset,
                     uint64_t fileSize)
{
    const uint64_t after = fileSize - offset;
    if (after < kHeaderSize)
        return 0;
    if (have < kHeaderSize)
        return tagExtentAt(file, offset, fileSize);
    if (!isTagHeader(bytes))
        return 0;
    uint64_t extent = std::min(kHeaderSize + uint64_t(readSyncsafe32(bytes + kTagSize)), after);
    // A version 2.4 footer sits right behind the tag; left alone it would stay between
    // the new tag and the audio.
    if (bytes[kVersion] == 4 && (bytes[kFlags] & kFlagFooter) != 0 && after - extent >= kHeaderSize) {
        uint8_t footer[kHeaderSize];
        if (extent + kHeaderSize <= have)
            std::copy_n(bytes + extent, kHeaderSize, footer);
        else
            file.readExactAt(offset + extent, footer, kHeaderSize);
        if (footer[0] == '3' && footer[1] == 'D' && footer[2] == 'I')
            extent += kHeaderSize;
    }
    return extent;
}

} // namespace id3v2
