// Measures an ID3v2 tag in a file by its header, as the writer and the undo of a save see it.
#include "id3v2_layout.h"

#include "platform/file_system.h"

#include <algorithm>

namespace id3v2 {

uint64_t tagExtentAt(const platform::File& file, uint64_t offset, uint64_t fileSize)
{
    const uint64_t after = fileSize - offset;
    if (after < kHeaderSize)
        return 0;
    uint8_t header[kHeaderSize];
    file.readExactAt(offset, header, kHeaderSize);
    if (!isTagHeader(header))
        return 0;
    uint64_t extent = std::min(kHeaderSize + uint64_t(readSyncsafe32(header + kTagSize)), after);
    // A version 2.4 footer sits right behind the tag; left alone it would stay between
    // the new tag and the audio.
    if (header[kVersion] == 4 && (header[kFlags] & kFlagFooter) != 0 && after - extent >= kHeaderSize) {
        uint8_t footer[kHeaderSize];
        file.readExactAt(offset + extent, footer, kHeaderSize);
        if (footer[0] == '3' && footer[1] == 'D' && footer[2] == 'I')
            extent += kHeaderSize;
    }
    return extent;
}

} // namespace id3v2
