// Tests of text access: decoding each encoding, text frames and comment frames.
#include "support/test_support.h"
#include "tags/id3v2/id3v2.h"

#include <gtest/gtest.h>

using namespace testsupport;
using textresult::kAboveLatin1;
using textresult::kBadCommentEncoding;
using textresult::kBadId;
using textresult::kBadLanguage;
using textresult::kControlCharacter;
using textresult::kDeleted;
using textresult::kEmpty;
using textresult::kEncrypted;
using textresult::kNoFrame;
using textresult::kUnknownEncoding;

namespace {

struct DecodeCase {
    Bytes data; // encoding byte first; decoding starts after it
    bool lineBreaks;
    uint8_t result;
    std::string text;
    std::size_t consumed;
};

void expectDecodes(const std::vector<DecodeCase>& cases)
{
    for (const DecodeCase& c : cases) {
        std::string text = "stale";
        std::size_t consumed = 99;
        EXPECT_EQ(c.result, DecodeText(c.data, 1, c.data[0], c.lineBreaks, text, consumed))
            << ::testing::PrintToString(c.data);
        EXPECT_EQ(c.text, text) << ::testing::PrintToString(c.data);
        if (c.result == textresult::kOk) {
            EXPECT_EQ(c.consumed, consumed) << ::testing::PrintToString(c.data);
        }
    }
}

class TextAccess : public ::testing::Test {
protected:
    void addFrame(const std::string& id, const Bytes& data)
    {
        tag.FrameIndex().Data(tag.FrameIndex().Add(id)) = data;
    }
    std::string text(const std::string& id)
    {
        std::string t;
        std::ignore = tag.GetTextFrame(id, t);
        return t;
    }
    Tid3v2tag tag;
};

} // namespace

// The terminating 0x00 ends the text but is not part of it, in every encoding.
TEST(DecodeText, Latin1StopsAtTerminatorsAndControlCharacters)
{
    expectDecodes({
        {{0, 'A', 'b', 'c', 0, 'x'}, false, textresult::kOk, "Abc", 4},
        {{0, 'A', 'b', 'c'}, false, textresult::kOk, "Abc", 3},
        {{0, 'A', 'b', 'c', 0x0A, 'd'}, false, textresult::kOk, "Abc\n", 4},
        {{0, 'A', 0x0D, 0x0A, 'd', 0}, true, textresult::kOk, "A\r\nd", 5},
        {{0, 'A', 'b', 'c', 0x07}, false, kControlCharacter, "", 0},
        {{0, 'A', 0x07, 'b'}, true, textresult::kOk, "A\x07", 2},
        {{0, 0xE9, 0xFF}, false, textresult::kOk, "\xE9\xFF", 2},
        {{0}, false, kEmpty, "", 0},
        {{7, 'A'}, false, kUnknownEncoding, "", 0},
    });
}

// Without a byte order mark encoding 1 reads little-endian, as the Unicode decoder reads it.
TEST(DecodeText, Utf16WithAndWithoutByteOrderMark)
{
    expectDecodes({
        {{1, 0xFF, 0xFE, 'A', 0, 'B', 0}, false, textresult::kOk, "AB", 6},
        {{1, 0xFE, 0xFF, 0, 'A', 0, 'B', 0, 0, 0, 'C'}, false, textresult::kOk, "AB", 8},
        {{1, 'A', 0, 0xE9, 0, 0, 0}, false, textresult::kOk, "A\xE9", 6},
        {{1, 0xFF}, false, textresult::kOk, "", 1},
        {{1, 0xFF, 0xFE, 'A', 0, 0x01, 0x04}, false, kAboveLatin1, "A", 0},
        {{1, 0xFF, 0xFE, 'A', 0, 0x0A, 0}, true, kControlCharacter, "", 0},
        {{1, 0xFF, 0xFE, 'A', 0, 'B'}, false, textresult::kOk, "A", 5}, // odd final byte ignored
        {{2, 0, 0xE9, 0, 'B'}, false, textresult::kOk, "\xE9" "B", 4},
        {{9, 0xE9, 0, 'B', 0, 0, 0}, false, textresult::kOk, "\xE9" "B", 6},
        {{2, 0, 0, 0, 'B'}, false, textresult::kOk, "", 2},
    });
}

TEST(DecodeText, Utf8UpToU00FF)
{
    expectDecodes({
        {{3, 0xC3, 0xA9}, false, textresult::kOk, "\xE9", 2},
        {{3, 'a', 0xC2, 0xA0, 0, 'x'}, false, textresult::kOk, "a\xA0", 4},
        {{3, 'a', 0xA9}, false, textresult::kOk, "a)", 2},
        {{3, 'a', 0xC3}, false, kControlCharacter, "a", 0},
        {{3, 'a', 0xE2, 0x82, 0xAC}, false, kAboveLatin1, "a", 0},
        {{3, 'a', 0x0A, 'b'}, true, kControlCharacter, "", 0},
        {{3, 'a', 0xC0, 0x80, 'b'}, false, textresult::kOk, "a", 3},
    });
}

TEST_F(TextAccess, GetTextFrameAcceptsOnlyTextFrameIds)
{
    addFrame("TXXX", {0, 'x'});
    std::string t = "old";
    for (const char* id : {"TXXX", "COMM", "TIT", "TIT2X"})
        EXPECT_EQ(kBadId, tag.GetTextFrame(id, t)) << id;
    EXPECT_EQ(kNoFrame, tag.GetTextFrame("TIT2", t));
    EXPECT_EQ("", t);
    addFrame("TIT2", {0});
    EXPECT_EQ(kEmpty, tag.GetTextFrame("TIT2", t));
    addFrame("TPE1", {});
    EXPECT_EQ(kEmpty, tag.GetTextFrame("TPE1", t));
}

TEST_F(TextAccess, GetTextFramePreparesUnsynchronisedAndCompressedFrames)
{
    const Bytes plain = {0, 'A', 0xFF, 0xE0 - 0x20};
    addFrame("TIT2", plain);
    TFrameIndex& f = tag.FrameIndex();
    ASSERT_EQ(0, f.Compress(1, 2));
    ASSERT_EQ(0, f.Unsynchronise(1));
    f.SetFlags(1, frameflags::kFormat, frameflags::kCompression | frameflags::kUnsynchronisation);
    const Bytes stored = f.Data(1);
    EXPECT_EQ("A\xFF\xC0", text("TIT2"));
    // A frame only read is saved as it came: it stays as it is stored.
    EXPECT_EQ(stored, f.Data(1));
    EXPECT_TRUE(f.IsCompressed(1));
    // The request stays, so a save applies it again.
    EXPECT_EQ(frameflags::kCompression | frameflags::kUnsynchronisation, f.Flags(1, frameflags::kFormat));

    addFrame("TALB", {0, 'x'});
    f.SetFlags(2, frameflags::kFormat, frameflags::kEncryption);
    std::string t;
    EXPECT_EQ(kEncrypted, tag.GetTextFrame("TALB", t));

    addFrame("TPE1", bytesOf("not zlib"));
    f.SetStoredFlags(3, frameflags::kFormat, frameflags::kCompression);
    EXPECT_NE(textresult::kOk, tag.GetTextFrame("TPE1", t));
    EXPECT_EQ("", t);
}

TEST_F(TextAccess, SetTextFrameReplacesAppendsAndDeletes)
{
    EXPECT_EQ(textresult::kOk, tag.SetTextFrame("TIT2", ""));
    EXPECT_EQ(0u, tag.FrameIndex().Count());
    EXPECT_EQ(textresult::kOk, tag.SetTextFrame("TRCK", "7"));
    EXPECT_EQ((Bytes{0, '7'}), tag.FrameIndex().Data(1));
    EXPECT_EQ(textresult::kOk, tag.SetTextFrame("TRCK", "8/9"));
    EXPECT_EQ("8/9", text("TRCK"));
    EXPECT_EQ(kBadId, tag.SetTextFrame("TXXX", "x"));
    EXPECT_EQ(kDeleted, tag.SetTextFrame("TRCK", ""));
    EXPECT_EQ(0u, tag.FrameIndex().Count());
}

// A rewritten frame must not carry the old frame's length or an encryption the writer
// cannot apply; its grouping stays consistent.
TEST_F(TextAccess, RewrittenFramesComeOutConsistent)
{
    addFrame("TIT2", {0, 'o', 'l', 'd'});
    TFrameRecord& f = tag.FrameIndex().Frame(1);
    f.Flags[1] = f.StoredFlags[1] = frameflags::kGrouping | frameflags::kEncryption | frameflags::kDataLengthIndicator;
    f.DataLength = 4;
    f.GroupID = 9;
    EXPECT_EQ(textresult::kOk, tag.SetTextFrame("TIT2", "a much longer title"));
    EXPECT_EQ(0u, f.DataLength);
    EXPECT_EQ(frameflags::kGrouping | frameflags::kDataLengthIndicator, f.Flags[1]);
    EXPECT_EQ(frameflags::kGrouping, f.StoredFlags[1]);
    EXPECT_EQ(9, f.GroupID);
    EXPECT_EQ("a much longer title", text("TIT2"));
}

TEST_F(TextAccess, GetCommentMatchesDescriptionAndLanguage)
{
    addFrame("COMM", {0, 'e', 'n', 'g', 'd', 0, 't'});
    addFrame("COMM", {0, 'e', 'n', 'g', 0, 'h', 'i', 0x0D, 0x0A, '!'});
    TCommentFrame c;
    EXPECT_EQ(textresult::kOk, tag.GetComment(c, "d", "None"));
    EXPECT_EQ("t", c.Text);
    EXPECT_EQ(textresult::kOk, tag.GetComment(c, "", "None"));
    EXPECT_EQ("hi\r\n!", c.Text);
    EXPECT_EQ("eng", c.Language);
    EXPECT_EQ(0, c.Encoding);
    EXPECT_EQ(textresult::kOk, tag.GetComment(c, "", "eng"));
    EXPECT_EQ(kNoFrame, tag.GetComment(c, "", "deu"));
    EXPECT_EQ("", c.Text);
}

TEST_F(TextAccess, Utf16CommentWithEmptyDescription)
{
    addFrame("COMM", {1, 'e', 'n', 'g', 0xFF, 0xFE, 0, 0, 0xFF, 0xFE, 'h', 0, 'i', 0});
    TCommentFrame c;
    EXPECT_EQ(textresult::kOk, tag.GetComment(c, "", "None"));
    EXPECT_EQ("", c.Description);
    EXPECT_EQ("hi", c.Text);
}

// Reading inflates at most a bounded total per load, however many compressed frames a
// hostile tag holds; frames past the bound read as empty and stay as they are stored.
TEST_F(TextAccess, CompressedFramesInflateWithinABudget)
{
    Bytes big = {0, 'e', 'n', 'g', 'x', 0};
    big.resize(big.size() + (std::size_t(24) << 20), 'a');
    const Bytes packed = CompressBuffer(big.data(), big.size(), kDefaultCompressionLevel);
    TFrameIndex& f = tag.FrameIndex();
    auto addPacked = [&] {
        addFrame("COMM", packed);
        f.SetStoredFlags(f.Count(), frameflags::kFormat, frameflags::kCompression);
        f.SetDataLength(f.Count(), static_cast<uint32_t>(big.size()));
    };
    for (int i = 0; i < 3; ++i)
        addPacked();
    addFrame("COMM", {0, 'e', 'n', 'g', 0, 'f', 'o', 'u', 'n', 'd'});
    TCommentFrame c;
    EXPECT_EQ(textresult::kOk, tag.GetComment(c, "", "None"));
    EXPECT_EQ("found", c.Text);
    std::size_t held = 0;
    for (uint32_t i = 1; i <= f.Count(); ++i)
        held += f.DataSize(i);
    EXPECT_LE(held, std::size_t(64) << 20);
    EXPECT_TRUE(f.IsCompressed(3));

    tag.Reset();
    addPacked();
    EXPECT_EQ(textresult::kOk, tag.GetComment(c, "x", "None")) << "a fresh start has the whole budget";
}

// A comment whose description cannot be read does not hide a later match.
TEST_F(TextAccess, UnreadableCommentsAreSkipped)
{
    addFrame("COMM", {0, 'e', 'n', 'g', 'x', 0x07, 0, 'a'});
    addFrame("COMM", {1, 'e', 'n', 'g', 'x', 0});
    addFrame("COMM", {0, 'e', 'n', 'g'});
    TCommentFrame c;
    EXPECT_EQ(kControlCharacter, tag.GetComment(c, "", "None"));
    addFrame("COMM", {0, 'd', 'e', 'u', 0, 'b'});
    EXPECT_EQ(textresult::kOk, tag.GetComment(c, "", "None"));
    EXPECT_EQ("b", c.Text);

    c.Text = "saved";
    c.Language = "deu";
    EXPECT_EQ(textresult::kOk, tag.SetComment(c, "", "None"));
    EXPECT_EQ(4u, tag.FrameIndex().Count());
    EXPECT_EQ(textresult::kOk, tag.GetComment(c, "", "deu"));
    EXPECT_EQ("saved", c.Text);
}

TEST_F(TextAccess, SetCommentChecksWritesAndDeletes)
{
    TCommentFrame c;
    c.Encoding = 4;
    c.Language = "eng";
    c.Text = "x";
    EXPECT_EQ(kBadCommentEncoding, tag.SetComment(c, "", "None"));
    c.Encoding = 0;
    c.Language = "";
    EXPECT_EQ(kBadLanguage, tag.SetComment(c, "", "None"));
    EXPECT_EQ(0u, tag.FrameIndex().Count());

    c.Language = "eng";
    EXPECT_EQ(textresult::kOk, tag.SetComment(c, "", "None"));
    EXPECT_EQ((Bytes{0, 'e', 'n', 'g', 0, 'x'}), tag.FrameIndex().Data(1));
    c.Description = std::string("d\0", 2);
    c.Text = "y";
    EXPECT_EQ(textresult::kOk, tag.SetComment(c, "", "None"));
    EXPECT_EQ((Bytes{0, 'e', 'n', 'g', 'd', 0, 'y'}), tag.FrameIndex().Data(1));
    c.Text = "";
    EXPECT_EQ(textresult::kOk, tag.SetComment(c, "", "None")); // no frame with an empty description left
    EXPECT_EQ(kDeleted, tag.SetComment(c, "d", "None"));
    EXPECT_EQ(0u, tag.FrameIndex().Count());
}

// The Unicode side: every encoding into UTF-8, broken text told apart from empty text.
TEST(DecodeTextUtf8, EveryEncodingAndBrokenText)
{
    struct Case {
        Bytes data; // encoding byte first
        uint8_t result;
        std::string text;
        std::size_t consumed;
    };
    const Case cases[] = {
        {{0, 'A', 0xE9, '\n', 0x07, 0, 'x'}, 0, "A\xC3\xA9\n\x07", 5},
        // Both byte orders; a surrogate pair (U+1F3B8); the terminator; a final odd byte.
        {{1, 0xFF, 0xFE, 0xA3, 0x03, 0x3C, 0xD8, 0xB8, 0xDF, 0, 0, 'z', 0}, 0, "\xCE\xA3\xF0\x9F\x8E\xB8", 10},
        {{1, 0xFE, 0xFF, 0x67, 0x71, 0x00, 0x0A, 0x4E}, 0, "\xE6\x9D\xB1\n", 7},
        {{1, 'A', 0}, 0, "A", 2}, // no byte order mark: little-endian
        {{2, 0x04, 0x1A, 0x20, 0x13}, 0, "\xD0\x9A\xE2\x80\x93", 4},
        {{3, 0xF0, 0x9F, 0x98, 0x80, '\r', '\n', 0, 'x'}, 0, "\xF0\x9F\x98\x80\r\n", 7},
        {{1, 0xFF, 0xFE, 0x00, 0xD8, 'x', 0}, textresult::kControlCharacter, "", 0}, // lone surrogate
        {{1, 0xFF, 0xFE, 0x00, 0xDC}, textresult::kControlCharacter, "", 0},
        {{3, 'a', 0xC3}, textresult::kControlCharacter, "", 0},
        {{3, 0xC0, 0x80}, textresult::kControlCharacter, "", 0}, // overlong
        {{3, 0xED, 0xA0, 0x80}, textresult::kControlCharacter, "", 0},
        {{7, 'a'}, textresult::kUnknownEncoding, "", 0},
        {{1}, textresult::kEmpty, "", 0},
    };
    for (const Case& c : cases) {
        std::string text = "stale";
        std::size_t consumed = 99;
        const uint8_t result = DecodeTextUtf8(c.data, 1, c.data[0], text, consumed);
        EXPECT_EQ(c.result, result) << ::testing::PrintToString(c.data);
        EXPECT_EQ(c.text, text) << ::testing::PrintToString(c.data);
        if (result == textresult::kOk) {
            EXPECT_EQ(c.consumed, consumed) << ::testing::PrintToString(c.data);
        }
        EXPECT_EQ(result != 0 && result != kEmpty, undecodable(result));
    }
}

// What fits ISO-8859-1 is the 8-bit frame byte for byte; anything else UTF-16 in 2.3, UTF-8 in 2.4.
TEST_F(TextAccess, UnicodeValuesAreWrittenInTheNarrowestEncodingAndReadBack)
{
    const std::string greek = "\xCE\xA3\xCE\xBF\xCF\x86\xCE\xAF\xCE\xB1 \xF0\x9F\x8E\xB8";
    ASSERT_EQ(0, tag.SetTextFrameUtf8("TIT2", "Caf\xC3\xA9"));
    EXPECT_EQ(Bytes({0, 'C', 'a', 'f', 0xE9}), tag.FrameIndex().Data(1));
    ASSERT_EQ(0, tag.SetTextFrameUtf8("TIT2", greek));
    EXPECT_EQ(Bytes({1, 0xFF, 0xFE, 0xA3, 0x03, 0xBF, 0x03, 0xC6, 0x03, 0xAF, 0x03, 0xB1, 0x03, ' ', 0, 0x3C, 0xD8,
                     0xB8, 0xDF}),
              tag.FrameIndex().Data(1));
    std::string back;
    EXPECT_EQ(0, tag.GetTextFrameUtf8("TIT2", back));
    EXPECT_EQ(greek, back);

    TCommentFrame comment{0, "ENG", "", "Caf\xC3\xA9\nbar"};
    ASSERT_EQ(0, tag.SetCommentUtf8(comment, "", "None"));
    EXPECT_EQ(Bytes({0, 'E', 'N', 'G', 0, 'C', 'a', 'f', 0xE9, '\n', 'b', 'a', 'r'}), tag.FrameIndex().Data(2));
    tag.Version = 4;
    comment.Text = "\xD0\xBE\n" + greek;
    ASSERT_EQ(0, tag.SetCommentUtf8(comment, "", "None"));
    EXPECT_EQ(concat({{3, 'E', 'N', 'G', 0}, bytesOf(comment.Text)}), tag.FrameIndex().Data(2));
    TCommentFrame read;
    EXPECT_EQ(0, tag.GetCommentUtf8(read, "", "None"));
    EXPECT_EQ(comment.Text, read.Text);
    ASSERT_EQ(kDeleted, tag.SetCommentUtf8({0, "ENG", "", ""}, "", "None"));
    EXPECT_EQ(1u, tag.FrameIndex().Count());
}
