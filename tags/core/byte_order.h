// Big-endian and sync-safe integers as the ID3v2 tag stores them.
#pragma once

#include <cstdint>

inline uint32_t readBE32(const uint8_t* p)
{
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

inline void writeBE32(uint8_t* p, uint32_t v)
{
    p[0] = uint8_t(v >> 24);
    p[1] = uint8_t(v >> 16);
    p[2] = uint8_t(v >> 8);
    p[3] = uint8_t(v);
}

// Top bits of the bytes are not checked: only the tag header's size is validated.
inline uint32_t readSyncsafe32(const uint8_t* p)
{
    return uint32_t(p[0] & 0x7F) << 21 | uint32_t(p[1] & 0x7F) << 14 | uint32_t(p[2] & 0x7F) << 7 | (p[3] & 0x7F);
}

inline void writeSyncsafe32(uint8_t* p, uint32_t v)
{
    p[0] = uint8_t((v >> 21) & 0x7F);
    p[1] = uint8_t((v >> 14) & 0x7F);
    p[2] = uint8_t((v >> 7) & 0x7F);
    p[3] = uint8_t(v & 0x7F);
}

inline bool isSyncsafe(const uint8_t* p)
{
    return ((p[0] | p[1] | p[2] | p[3]) & 0x80) == 0;
}

// Five bytes of seven bits; bits above 31 are dropped.
inline uint32_t readSyncsafe35(const uint8_t* p)
{
    uint64_t v = 0;
    for (int i = 0; i < 5; ++i)
        v = v << 7 | (p[i] & 0x7F);
    return static_cast<uint32_t>(v);
}

inline void writeSyncsafe35(uint8_t* p, uint32_t v)
{
    p[0] = uint8_t((v >> 28) & 0x0F);
    p[1] = uint8_t((v >> 21) & 0x7F);
    p[2] = uint8_t((v >> 14) & 0x7F);
    p[3] = uint8_t((v >> 7) & 0x7F);
    p[4] = uint8_t(v & 0x7F);
}
