// Tests of frame compression: round trips at every level and refused streams.
#include "support/test_support.h"
#include "tags/id3v2/id3v2.h"

#include <gtest/gtest.h>

#include <zlib.h>

using namespace testsupport;

TEST(ZlibAdaptor, EveryLevelRoundTrips)
{
    const Bytes inputs[] = {{}, bytesOf("x"), audioPattern(100000), Bytes(70000, 0xAB)};
    for (int level = 0; level <= 3; ++level) {
        for (const Bytes& in : inputs) {
            const Bytes packed = CompressBuffer(in.data(), in.size(), level);
            ASSERT_GE(packed.size(), 2u);
            EXPECT_EQ(0x78, packed[0]); // a zlib stream, not raw deflate
            EXPECT_EQ(in, DecompressBuffer(packed.data(), packed.size(), 0));
            EXPECT_EQ(in, DecompressBuffer(packed.data(), packed.size(), in.size()));
        }
    }
}

TEST(ZlibAdaptor, HighlyCompressibleDataAbove64KiB)
{
    const Bytes in(5 * 1000 * 1000, 0);
    const Bytes packed = CompressBuffer(in.data(), in.size(), kDefaultCompressionLevel);
    EXPECT_LT(packed.size(), 10000u);
    EXPECT_EQ(in, DecompressBuffer(packed.data(), packed.size(), 0));
}

TEST(ZlibAdaptor, BadStreamsRaiseDecompressionErrorsWithZlibMessages)
{
    const Bytes garbage = bytesOf("not a zlib stream at all");
    try {
        DecompressBuffer(garbage.data(), garbage.size(), 0);
        FAIL() << "garbage inflated";
    } catch (const EZDecompressionError& e) {
        EXPECT_STREQ("data error", e.what());
    }
    const Bytes in = audioPattern(5000);
    Bytes packed = CompressBuffer(in.data(), in.size(), 3);
    packed.resize(packed.size() / 2);
    EXPECT_THROW(DecompressBuffer(packed.data(), packed.size(), 0), EZLibError);
    EXPECT_THROW(DecompressBuffer(nullptr, 0, 0), EZDecompressionError);
    EXPECT_THROW(CompressBuffer(in.data(), in.size(), 4), EZCompressionError);
}

TEST(ZlibAdaptor, StreamNeedingADictionaryIsRefusedNotLoopedOn)
{
    z_stream zs{};
    ASSERT_EQ(Z_OK, deflateInit(&zs, 6));
    const Bytes dict = bytesOf("dictionary"), in = bytesOf("dictionary dictionary");
    deflateSetDictionary(&zs, dict.data(), static_cast<uInt>(dict.size()));
    Bytes out(256);
    zs.next_in = const_cast<Bytef*>(in.data());
    zs.avail_in = static_cast<uInt>(in.size());
    zs.next_out = out.data();
    zs.avail_out = static_cast<uInt>(out.size());
    ASSERT_EQ(Z_STREAM_END, deflate(&zs, Z_FINISH));
    out.resize(zs.total_out);
    deflateEnd(&zs);
    try {
        DecompressBuffer(out.data(), out.size(), 0);
        FAIL();
    } catch (const EZDecompressionError& e) {
        EXPECT_STREQ("need dictionary", e.what());
    }
}

// A small stream that inflates far beyond the limit stops there instead of growing.
TEST(ZlibAdaptor, OutputBeyondTheLimitIsRefused)
{
    const Bytes in(1 << 20, 0);
    const Bytes packed = CompressBuffer(in.data(), in.size(), 3);
    EXPECT_THROW(DecompressBuffer(packed.data(), packed.size(), 0, in.size() - 1), EZDecompressionError);
    EXPECT_EQ(in.size(), DecompressBuffer(packed.data(), packed.size(), 0, in.size()).size());
    // An absurd estimate does not become the first allocation.
    EXPECT_EQ(in.size(), DecompressBuffer(packed.data(), packed.size(), kMaxTagBody).size());
}
