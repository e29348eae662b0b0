// Tests of the unsynchronisation byte rule, the CRC-32 register and the records' CRC-32.
#include "support/id3v2_builder.h"
#include "tags/file/durable_records.h"
#include "tags/id3v2/id3v2.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <random>

using namespace testsupport;

TEST(Unsync, InsertsAndRemovesGuardZerosBothWays)
{
    const std::pair<Bytes, Bytes> cases[] = {
        {{0xFF, 0xE0}, {0xFF, 0x00, 0xE0}},
        {{0xFF, 0x00}, {0xFF, 0x00, 0x00}},
        {{0xFF, 0x41}, {0xFF, 0x41}},
        {{0x41, 0xFF}, {0x41, 0xFF}},
        {{0xFF, 0xFF, 0xFF}, {0xFF, 0x00, 0xFF, 0x00, 0xFF}},
        {{0xFF, 0xE0, 0x41, 0xFF}, {0xFF, 0x00, 0xE0, 0x41, 0xFF}},
        {{0xFF, 0x00, 0x00, 0xFF}, {0xFF, 0x00, 0x00, 0x00, 0xFF}},
        {{}, {}},
    };
    for (const auto& [plain, unsynced] : cases) {
        Bytes b = plain;
        UnsynchroniseBuffer(b);
        EXPECT_EQ(unsynced, b);
        ResynchroniseBuffer(b);
        EXPECT_EQ(plain, b);
    }
}

TEST(Unsync, RemovalLeavesZerosThatNoInsertionCouldHaveMade)
{
    for (const Bytes& kept : {Bytes{0xFF, 0x00, 0x41}, Bytes{0xFF, 0x00}, Bytes{0x00, 0x00, 0xE0}}) {
        Bytes b = kept;
        ResynchroniseBuffer(b);
        EXPECT_EQ(kept, b);
    }
}

TEST(Unsync, RandomBuffersRoundTripAndMatchAnIndependentRule)
{
    std::mt19937 rng(7);
    for (int round = 0; round < 200; ++round) {
        Bytes plain(rng() % 300);
        // Mostly FF, 00 and E0 so that every case occurs often.
        const uint8_t pool[] = {0xFF, 0x00, 0xE0, 0x41, 0xFF, 0xFE};
        for (auto& b : plain)
            b = pool[rng() % 6];
        Bytes b = plain;
        UnsynchroniseBuffer(b);
        EXPECT_EQ(Id3v2Bytes::unsynchronise(plain), b);
        ResynchroniseBuffer(b);
        EXPECT_EQ(plain, b);
    }
}

TEST(Crc32, MatchesTheStandardCheckValueInPieces)
{
    const Bytes text = bytesOf("123456789");
    EXPECT_EQ(0xCBF43926u, ~UpdateCRC32(0xFFFFFFFF, text.data(), text.size()));
    uint32_t reg = 0xFFFFFFFF;
    for (uint8_t b : text)
        reg = UpdateCRC32(reg, &b, 1);
    EXPECT_EQ(0xCBF43926u, ~reg);
    EXPECT_EQ(0xFFFFFFFFu, UpdateCRC32(0xFFFFFFFF, nullptr, 0));
}

// Records written by any build are read by any other, so theirs must stay zlib's CRC-32
// whatever computes it, fed whole or in pieces.
TEST(Crc32, RecordChecksumsAreZlibsWholeOrInPieces)
{
    const Bytes text = bytesOf("123456789");
    EXPECT_EQ(0xCBF43926u, crcOf(text.data(), text.size()));
    EXPECT_EQ(0xCBF43926u, crcOf(nullptr, 0, 0xCBF43926u));
    Bytes data(3 << 20);
    std::mt19937 random(7);
    for (uint8_t& b : data)
        b = static_cast<uint8_t>(random());
    const uint32_t zlib = static_cast<uint32_t>(::crc32(0, data.data(), static_cast<uInt>(data.size())));
    EXPECT_EQ(zlib, crcOf(data.data(), data.size()));
    uint32_t pieces = 0;
    for (std::size_t at = 0, n = 1; at < data.size(); at += n, n = n * 3 + 1)
        pieces = crcOf(data.data() + at, std::min(n, data.size() - at), pieces);
    EXPECT_EQ(zlib, pieces);
    const std::size_t half = 1234567;
    EXPECT_EQ(zlib, crcJoined(crcOf(data.data(), half), crcOf(data.data() + half, data.size() - half),
                              data.size() - half));
}
