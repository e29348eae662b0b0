// The CRC-32 that varnoli-cli is linked with must be the one every other build writes.
#include "tags/core/crc.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <vector>

TEST(Crc32Whole, TheWholeProgramsChecksumsAreZlibs)
{
    std::vector<uint8_t> data((3 << 20) + 17);
    std::mt19937 random(11);
    for (uint8_t& b : data)
        b = static_cast<uint8_t>(random());
    const uint32_t zlib = static_cast<uint32_t>(::crc32(0, data.data(), static_cast<uInt>(data.size())));
    EXPECT_EQ(zlib, crcOf(data.data(), data.size()));
    uint32_t pieces = 0;
    for (std::size_t at = 0, n = 1; at < data.size(); at += n, n = n * 5 + 3)
        pieces = crcOf(data.data() + at, std::min(n, data.size() - at), pieces);
    EXPECT_EQ(zlib, pieces);
    EXPECT_EQ(zlib, crcOf(nullptr, 0, zlib));
}
