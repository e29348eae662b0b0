// crcOf through libdeflate, for programs linked whole: Debian has an archive of it, not of
// ISA-L, and it folds with carry-less multiplies where zlib goes a byte table at a time.
#include "tags/core/crc.h"

#include <libdeflate.h>

uint32_t crcOf(const uint8_t* data, std::size_t n, uint32_t crc)
{
    // Like zlib's, libdeflate's CRC-32 gives its initial value for no buffer; an empty run
    // must keep the CRC it is given.
    return n == 0 ? crc : libdeflate_crc32(crc, data, n);
}
