// The one CRC-32 of the engine: zlib's polynomial, as every record and tag check uses it.
#pragma once

#include <cstddef>
#include <cstdint>

// zlib's CRC-32 of n bytes, continuing `crc`, sizes past 32 bits counted whole; worked out
// by ISA-L where the build has it, which gives the same values many times faster.
uint32_t crcOf(const uint8_t* data, std::size_t n, uint32_t crc = 0);
// The CRC-32 of two runs of bytes one after the other, from the CRC-32 of each.
uint32_t crcJoined(uint32_t first, uint32_t second, uint64_t secondLength);

// The CRC-32 of everything added so far, in order.
class RunningCrc {
public:
    void add(const uint8_t* data, std::size_t n) { m_crc = crcOf(data, n, m_crc); }
    // Bytes whose CRC-32 is known already, which saves reading them again.
    void addKnown(uint32_t crc, uint64_t n) { m_crc = crcJoined(m_crc, crc, n); }
    uint32_t value() const { return m_crc; }

private:
    uint32_t m_crc = 0;
};
