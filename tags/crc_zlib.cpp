// crcOf through zlib, for programs linked without ISA-L.
#include "crc32.h"

#include <algorithm>

#include <zlib.h>

uint32_t crcOf(const uint8_t* data, std::size_t n, uint32_t crc)
{
    uLong sum = crc;
    for (std::size_t at = 0; at < n;) {
        const uInt take = static_cast<uInt>(std::min<std::size_t>(n - at, 1u << 30));
        sum = ::crc32(sum, data + at, take);
        at += take;
    }
    return static_cast<uint32_t>(sum);
}
