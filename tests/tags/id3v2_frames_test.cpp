// Tests of the frame store: adding and removing frames, range checks and per-frame transformations.
#include "support/test_support.h"
#include "tags/id3v2/id3v2.h"

#include <gtest/gtest.h>

using namespace testsupport;

namespace {

class FrameStore : public ::testing::Test {
protected:
    uint32_t addFrame(const std::string& id, const Bytes& data)
    {
        const uint32_t i = frames.Add(id);
        frames.Data(i) = data;
        return i;
    }
    TFrameIndex frames;
};

} // namespace

TEST_F(FrameStore, AddAcceptsFourLettersOrDigitsInCapitals)
{
    EXPECT_EQ(1u, frames.Add("tit2"));
    EXPECT_EQ("TIT2", frames.FrameID(1));
    EXPECT_EQ(2u, frames.Add("TRCK"));
    for (const char* bad : {"TIT", "TIT22", "T-T2", "TI_2", ""})
        EXPECT_EQ(0u, frames.Add(bad)) << bad;
    EXPECT_EQ(0u, frames.Add(std::string("TI\0002", 4)));
    EXPECT_EQ(2u, frames.Count());
}

TEST_F(FrameStore, DeleteAndClearKeepTheOrderOfTheRest)
{
    addFrame("TIT2", {1});
    addFrame("TPE1", {2});
    addFrame("TALB", {3});
    EXPECT_FALSE(frames.Delete(4));
    EXPECT_FALSE(frames.Delete(0));
    EXPECT_TRUE(frames.Delete(2));
    ASSERT_EQ(2u, frames.Count());
    EXPECT_EQ("TALB", frames.FrameID(2));
    EXPECT_EQ(Bytes{3}, frames.Data(2));
    frames.Clear();
    EXPECT_EQ(0u, frames.Count());
}

TEST_F(FrameStore, BadIndexOrSelectorRaisesTheRangeErrorAndChangesNothing)
{
    addFrame("TIT2", {});
    try {
        frames.Flags(1, 3);
        FAIL();
    } catch (const ERangeError& e) {
        EXPECT_STREQ("Array range out of bounds.", e.what());
    }
    EXPECT_THROW(frames.SetStoredFlags(1, 0, 0xFF), ERangeError);
    EXPECT_EQ(0, frames.StoredFlags(1, 1));
    EXPECT_THROW(frames.Data(2), ERangeError);
    EXPECT_THROW(frames.FrameID(0), ERangeError);
    EXPECT_THROW(frames.Compress(2, 2), ERangeError);
}

TEST_F(FrameStore, CompressThenDecompressRestoresTheData)
{
    const Bytes plain = audioPattern(3000);
    const uint32_t i = addFrame("APIC", plain);
    ASSERT_EQ(0, frames.Compress(i, kDefaultCompressionLevel));
    EXPECT_TRUE(frames.IsCompressed(i));
    EXPECT_EQ(plain.size(), frames.DataLength(i));
    EXPECT_NE(plain, frames.Data(i));
    EXPECT_EQ(-1, frames.Compress(i, 1));
    EXPECT_EQ(0, frames.Decompress(i));
    EXPECT_EQ(plain, frames.Data(i));
    EXPECT_FALSE(frames.IsCompressed(i));
    EXPECT_EQ(0u, frames.DataLength(i));
    EXPECT_EQ(-1, frames.Decompress(i));
}

TEST_F(FrameStore, CompressionRefusesUnsynchronisedOrEncryptedData)
{
    const uint32_t i = addFrame("TIT2", {0, 'A'});
    frames.SetStoredFlags(i, frameflags::kFormat, frameflags::kUnsynchronisation | frameflags::kEncryption);
    EXPECT_EQ(2, frames.Compress(i, 2));
    frames.SetStoredFlags(i, frameflags::kFormat, frameflags::kEncryption | frameflags::kCompression);
    EXPECT_EQ(1, frames.Compress(i, 2));
    EXPECT_EQ(1, frames.Decompress(i));
    frames.SetStoredFlags(i, frameflags::kFormat, frameflags::kUnsynchronisation | frameflags::kCompression);
    EXPECT_EQ(2, frames.Decompress(i));
    EXPECT_EQ((Bytes{0, 'A'}), frames.Data(i));
}

TEST_F(FrameStore, DecompressReportsLengthMismatchAndFailure)
{
    const Bytes plain = audioPattern(1000);
    const uint32_t i = addFrame("TXXX", plain);
    ASSERT_EQ(0, frames.Compress(i, 3));
    const Bytes packed = frames.Data(i);

    frames.SetDataLength(i, 2000); // announced more than the stream holds
    EXPECT_EQ(-2, frames.Decompress(i));
    EXPECT_EQ(plain, frames.Data(i));

    // A stream that would inflate past its announced length is refused, frame unchanged.
    frames.Data(i) = packed;
    frames.SetStoredFlags(i, frameflags::kFormat, frameflags::kCompression);
    frames.SetDataLength(i, 999);
    EXPECT_EQ(4, frames.Decompress(i));
    EXPECT_EQ(packed, frames.Data(i));
    EXPECT_TRUE(frames.IsCompressed(i));

    frames.Data(i) = bytesOf("garbage");
    frames.SetDataLength(i, 0);
    EXPECT_EQ(4, frames.Decompress(i));
    EXPECT_EQ(bytesOf("garbage"), frames.Data(i));
}

TEST_F(FrameStore, UnsynchroniseRecordsTheSizeBeforeAndResynchroniseUndoesIt)
{
    const uint32_t i = addFrame("TIT2", {0xFF, 0xE0, 0x41, 0xFF});
    ASSERT_EQ(0, frames.Unsynchronise(i));
    EXPECT_EQ((Bytes{0xFF, 0x00, 0xE0, 0x41, 0xFF}), frames.Data(i));
    EXPECT_EQ(4u, frames.SizeBeforeUnsync(i));
    EXPECT_EQ(4u, frames.DataLength(i));
    EXPECT_TRUE(frames.IsUnsynchronised(i));
    EXPECT_EQ(-1, frames.Unsynchronise(i));
    ASSERT_EQ(0, frames.Resynchronise(i));
    EXPECT_EQ((Bytes{0xFF, 0xE0, 0x41, 0xFF}), frames.Data(i));
    EXPECT_EQ(-1, frames.Resynchronise(i));

    // Compressed data keep the length of their plain form.
    ASSERT_EQ(0, frames.Compress(i, 2));
    ASSERT_EQ(0, frames.Unsynchronise(i));
    EXPECT_EQ(4u, frames.DataLength(i));
}
