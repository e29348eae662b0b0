// The unsynchronisation byte rule and the CRC-32 register of the ID3v2 tag.
#include "tags/id3v2/id3v2.h"

#include "tags/core/crc.h"
#include "tags/id3v2/id3v2_layout.h"

#include <algorithm>

using id3v2::needsGuard;

uint32_t UpdateCRC32(uint32_t crc, const uint8_t* data, std::size_t size)
{
    // crcOf keeps the register complemented between calls.
    return ~crcOf(data, size, ~crc);
}

void UnsynchroniseBuffer(std::vector<uint8_t>& buffer)
{
    const std::size_t n = buffer.size();
    std::size_t inserts = 0;
    for (std::size_t i = 0; i + 1 < n; ++i) {
        if (buffer[i] != 0xFF)
            continue;
        if (needsGuard(buffer[i + 1]))
            ++inserts;
        else
            ++i;
    }
    if (inserts == 0)
        return;
    buffer.resize(n + inserts);
    // Move from the end so every byte is read before it is overwritten.
    std::size_t out = n + inserts;
    for (std::size_t i = n; i-- > 0;) {
        if (buffer[i] == 0xFF && i + 1 < n && needsGuard(buffer[i + 1]))
            buffer[--out] = 0x00;
        buffer[--out] = buffer[i];
    }
}

void ResynchroniseBuffer(std::vector<uint8_t>& buffer)
{
    const std::size_t n = buffer.size();
    std::size_t out = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const uint8_t b = buffer[i];
        if (b == 0x00 && i > 0 && buffer[i - 1] == 0xFF && i + 1 < n && needsGuard(buffer[i + 1]))
            continue;
        buffer[out++] = b;
    }
    buffer.resize(out);
}
