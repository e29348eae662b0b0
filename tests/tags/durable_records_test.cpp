// The codec of the records that outlive a run: field tables both ways, the reader, crcOfRange.
#include "platform/file_system.h"
#include "support/test_support.h"
#include "tags/file/durable_records.h"

#include <gtest/gtest.h>

using namespace testsupport;

namespace {

constexpr records::Field kLayout[] = {{1}, {4}, {8}, {2, true}, {8, true}};

} // namespace

TEST(RecordCodec, FieldsComeBackAsWrittenAndMalformedBytesAreRefused)
{
    const Bytes big = audioPattern(70000), none;
    for (const Bytes* run : {&none, &big}) {
        const Bytes text = bytesOf("name");
        const records::Value in[5] = {0xAB, 0xDEADBEEF, 0x0102030405060708ull, records::run(text),
                                      records::run(*run, crcOf(run->data(), run->size()))};
        Bytes out;
        RunningCrc crc;
        records::encode(kLayout, in, out, &crc);
        ASSERT_EQ(records::encodedSize(kLayout, in), out.size());
        EXPECT_EQ(crcOf(out.data(), out.size()), crc.value());
        EXPECT_EQ((Bytes{0xAB, 0xDE, 0xAD, 0xBE, 0xEF, 1, 2, 3, 4, 5, 6, 7, 8, 0, 4}), Bytes(out.begin(), out.begin() + 15));

        records::Value back[5];
        ASSERT_TRUE(records::decode(kLayout, back, out.data(), out.size()));
        for (int i : {0, 1, 2})
            EXPECT_EQ(in[i].number, back[i].number);
        EXPECT_EQ("name", records::textOf(back[3]));
        EXPECT_EQ(*run, records::bytesOf(back[4]));
        // One byte short, one too many, a length that reaches past the end.
        EXPECT_FALSE(records::decode(kLayout, back, out.data(), out.size() - 1));
        out.push_back(0);
        EXPECT_FALSE(records::decode(kLayout, back, out.data(), out.size()));
        out[14] = 0xFF;
        EXPECT_FALSE(records::decode(kLayout, back, out.data(), out.size() - 1));
    }
}

TEST(RecordCodec, TheReaderGivesTheFileInOrderUnderOneCrcAndFailsForGoodPastItsEnd)
{
    TempDir dir;
    const Bytes data = audioPattern(3 << 20, 7);
    const std::string path = dir.write("record", data);
    const std::optional<platform::File> file = platform::File::open(path, platform::File::Mode::Read);
    ASSERT_TRUE(file);
    records::Reader in(*file);
    Bytes got, piece;
    uint64_t numbers[3];
    constexpr records::Field kNumbers[3] = {{1}, {2}, {8}};
    ASSERT_TRUE(in.take(kNumbers, numbers));
    EXPECT_EQ(records::readBE(data.data() + 3, 8), numbers[2]);
    got.insert(got.end(), data.begin(), data.begin() + 11);
    // Pieces across the reader's own, and one larger than them.
    for (uint64_t n : {uint64_t(1000), uint64_t(1) << 20, uint64_t(3) << 19}) {
        ASSERT_TRUE(in.take(piece, n));
        got.insert(got.end(), piece.begin(), piece.end());
    }
    EXPECT_EQ(Bytes(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(got.size())), got);
    EXPECT_EQ(crcOf(got.data(), got.size()), in.crc());
    ASSERT_TRUE(in.skip(in.left() - 4));
    ASSERT_TRUE(in.take(piece, 4));
    EXPECT_EQ(Bytes(data.end() - 4, data.end()), piece);
    EXPECT_FALSE(in.take(piece, 1));
    EXPECT_FALSE(in.ok());

    // The same range in chunks, and a range the file does not hold.
    Bytes chunks;
    const auto crc = records::crcOfRange(*file, 5, data.size() - 5, 0, [&](const uint8_t* p, std::size_t n, uint64_t at) {
        EXPECT_EQ(chunks.size(), at);
        chunks.insert(chunks.end(), p, p + n);
    });
    EXPECT_EQ(Bytes(data.begin() + 5, data.end()), chunks);
    EXPECT_EQ(crcOf(data.data() + 5, data.size() - 5), crc);
    EXPECT_FALSE(records::crcOfRange(*file, 5, data.size()));
}
