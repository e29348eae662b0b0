// Tests of the ID3v2 integer encodings and the frame flag mapping between versions.
#include "tags/core/byte_order.h"
#include "tags/id3v2/id3v2_frame_data.h"

#include <gtest/gtest.h>

namespace {

struct IntCase {
    uint32_t value;
    uint8_t be[4];
    uint8_t syncsafe[4];
};

} // namespace

TEST(Id3v2Integers, BigEndianAndSyncsafeRoundTrip)
{
    const IntCase cases[] = {
        {0, {0, 0, 0, 0}, {0, 0, 0, 0}},
        {257, {0, 0, 1, 1}, {0, 0, 2, 1}},
        {255, {0, 0, 0, 0xFF}, {0, 0, 1, 0x7F}},
        {0x0FFFFFFF, {0x0F, 0xFF, 0xFF, 0xFF}, {0x7F, 0x7F, 0x7F, 0x7F}},
    };
    for (const IntCase& c : cases) {
        EXPECT_EQ(c.value, readBE32(c.be));
        EXPECT_EQ(c.value, readSyncsafe32(c.syncsafe));
        uint8_t out[4];
        writeBE32(out, c.value);
        EXPECT_TRUE(std::equal(out, out + 4, c.be)) << c.value;
        writeSyncsafe32(out, c.value);
        EXPECT_TRUE(std::equal(out, out + 4, c.syncsafe)) << c.value;
        EXPECT_TRUE(isSyncsafe(out));
    }
    const uint8_t sameBytes[4] = {0, 0, 1, 0x7F};
    EXPECT_EQ(383u, readBE32(sameBytes));
    const uint8_t topBit[4] = {0, 0, 0x80, 0};
    EXPECT_FALSE(isSyncsafe(topBit));

    uint8_t crc[5];
    writeSyncsafe35(crc, 0xFFFFFFFF);
    EXPECT_EQ(0x0F, crc[0]); // the first byte holds the top four bits
    EXPECT_EQ(0xFFFFFFFFu, readSyncsafe35(crc));
}

TEST(Id3v2FrameFlags, Version3BitsMapToNormalisedPositionsAndBack)
{
    using namespace id3v2;
    EXPECT_EQ(0x40, statusFromV3(0x80));
    EXPECT_EQ(0x70, statusFromV3(0xFF));
    EXPECT_EQ(0x09, formatFromV3(0x80)); // compression brings its data length
    EXPECT_EQ(0x4D, formatFromV3(0xFF)); // undefined version 3 bits are dropped
    for (int status = 0; status < 256; status += 0x20)
        EXPECT_EQ(status & 0xE0, statusToV3(statusFromV3(static_cast<uint8_t>(status))));
    for (uint8_t format : {0x00, 0x20, 0x40, 0x80, 0xE0})
        EXPECT_EQ(format, formatToV3(formatFromV3(format)));
    EXPECT_EQ(0x00, formatToV3(0x03)); // unsynchronisation and data length have no version 3 bit
}
