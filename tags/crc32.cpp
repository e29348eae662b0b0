// Joining two CRC-32s, which both ways of working out crcOf share.
#include "crc32.h"

#include <zlib.h>

uint32_t crcJoined(uint32_t first, uint32_t second, uint64_t secondLength)
{
    // zlib's work changes nothing here, and a move asks this once per chunk.
    if (secondLength == 0)
        return first;
    if (first == 0)
        return second;
    return static_cast<uint32_t>(::crc32_combine(first, second, static_cast<z_off_t>(secondLength)));
}
