// Tests of the frame-kind table: each kind's parse and render, frame keys, frames by key, the corpus.
#include "support/id3v2_builder.h"
#include "tags/id3v2/id3v2.h"
#include "tags/id3v2/id3v2_frame_data.h"

#include <gtest/gtest.h>

using namespace testsupport;

namespace {

struct RoundTrip {
    std::string id;
    Bytes data;
    uint8_t version;
    std::vector<Utf8Text> texts;
    Utf8Text description;
};

FrameValue parsed(const std::string& id, const Bytes& data)
{
    FrameValue v;
    EXPECT_EQ(textresult::kOk, parseFrame(id, data, v)) << id << ::testing::PrintToString(data);
    return v;
}

Bytes rendered(const FrameValue& v, uint8_t version)
{
    Bytes out;
    EXPECT_EQ(textresult::kOk, renderFrame(v, version, out));
    return out;
}

FrameKey key(const std::string& text)
{
    FrameKey k;
    EXPECT_TRUE(parseFrameKey(text, k)) << text;
    return k;
}

} // namespace

// Data as other writers put them parse into the kind's fields and render back byte for byte.
TEST(FrameKinds, EachKindParsesAndRendersBackByteForByte)
{
    const RoundTrip cases[] = {
        {"TIT2", {0, 'C', 'a', 'f', 0xE9}, 3, {"Caf\xC3\xA9"}, ""},
        {"TPE1", {1, 0xFF, 0xFE, 0xA3, 0x03, 0, 0, 0xFF, 0xFE, 'B', 0}, 4, {"\xCE\xA3", "B"}, ""},
        {"TCOM", {3, 'A', 0, 'B'}, 4, {"A", "B"}, ""},
        {"TPE2", {0, 'A', '/', 'B'}, 3, {"A/B"}, ""}, // "AC/DC": a slash is never split on
        {"TXXX", {0, 'R', 'G', 0, '-', '6', ' ', 'd', 'B'}, 3, {"-6 dB"}, "RG"},
        {"COMM", {0, 'e', 'n', 'g', 'd', 0, 'h', 'i', '\n'}, 3, {"hi\n"}, "d"},
        {"USLT", {1, 'd', 'e', 'u', 0xFF, 0xFE, 0, 0, 0xFF, 0xFE, 'l', 0}, 3, {"l"}, ""},
        {"WOAR", bytesOf("http://a.example/"), 3, {"http://a.example/"}, ""},
        {"WXXX", {0, 'h', 'o', 'm', 'e', 0, 'h', 't', 't', 'p'}, 4, {"http"}, "home"},
        {"POPM", concat({bytesOf("a@b"), {0, 196, 0, 0, 1, 0}}), 3, {}, "a@b"},
        {"POPM", concat({bytesOf("a@b"), {0, 255}}), 3, {}, "a@b"},
        {"UFID", concat({bytesOf("http://musicbrainz.org"), {0}, bytesOf("c0ffee")}), 4, {}, "http://musicbrainz.org"},
        {"PRIV", concat({bytesOf("WM/Provider"), {0, 1, 2, 0}}), 3, {}, "WM/Provider"},
        {"MCDI", {1, 2, 3, 0, 0xFF}, 3, {}, ""},
        {"APIC", concat({{0}, bytesOf("image/png"), {0, 3, 'c', 0, 0x89, 'P', 0}}), 3, {}, "c"},
    };
    for (const RoundTrip& c : cases) {
        const FrameValue v = parsed(c.id, c.data);
        EXPECT_EQ(frameKindOf(c.id), v.kind) << c.id;
        EXPECT_EQ(c.texts, v.texts) << c.id;
        EXPECT_EQ(c.description, v.description) << c.id;
        EXPECT_EQ(c.data, rendered(v, c.version)) << c.id;
    }
    const FrameValue popm = parsed("POPM", concat({bytesOf("a@b"), {0, 196, 0, 0, 1, 0}}));
    EXPECT_EQ(196, popm.rating);
    EXPECT_EQ(uint64_t{256}, popm.playCount);
    const FrameValue apic = parsed("APIC", concat({{0}, bytesOf("image/png"), {0, 3, 'c', 0, 0x89, 'P', 0}}));
    EXPECT_EQ("image/png", apic.mimeType);
    EXPECT_EQ(kFrontCover, apic.pictureType);
    EXPECT_EQ((Bytes{0x89, 'P', 0}), apic.data);
}

// A new value is ISO-8859-1 where it fits, else UTF-16 in 2.3 and UTF-8 in 2.4; a found
// encoding stays where the version allows it; a version 2.3 list is joined by "/".
TEST(FrameKinds, RenderChoosesTheEncodingAndListSeparatorByVersion)
{
    FrameValue v;
    v.kind = FrameKind::Text;
    v.texts = {"a", "\xE2\x82\xAC"};
    EXPECT_EQ((Bytes{1, 0xFF, 0xFE, 'a', 0, '/', 0, 0xAC, 0x20}), rendered(v, 3));
    EXPECT_EQ((Bytes{3, 'a', 0, 0xE2, 0x82, 0xAC}), rendered(v, 4));
    v.texts = {"a", "b"};
    EXPECT_EQ((Bytes{0, 'a', '/', 'b'}), rendered(v, 3));
    v.encoding = textencoding::kUtf16Bom;
    EXPECT_EQ((Bytes{1, 0xFF, 0xFE, 'a', 0, 0, 0, 0xFF, 0xFE, 'b', 0}), rendered(v, 4));
    v.encoding = textencoding::kUtf8;
    EXPECT_EQ((Bytes{0, 'a', '/', 'b'}), rendered(v, 3)) << "2.3 has no UTF-8";
    v.encoding = textencoding::kLatin1;
    v.texts = {"\xE2\x82\xAC"};
    EXPECT_EQ((Bytes{1, 0xFF, 0xFE, 0xAC, 0x20}), rendered(v, 3)) << "the value does not fit the old encoding";
}

TEST(FrameKinds, BrokenLayoutsAreKeptAsBinaryAndValuesThatCannotBeWrittenRefused)
{
    const std::pair<std::string, Bytes> broken[] = {
        {"TXXX", {0, 'n', 'o', 't', 'e', 'r', 'm'}}, {"COMM", {0, 'e'}},        {"TIT2", {7, 'x'}},
        {"WXXX", {5, 0, 'u'}},                       {"POPM", bytesOf("a@b")},  {"UFID", bytesOf("owner")},
        {"APIC", {0, 'i', 'm', 'g'}},                {"TALB", {3, 0xC3, 0x28}}, {"POPM", concat({{'a', 0, 1}, Bytes(9, 1)})},
    };
    for (const auto& [id, data] : broken) {
        FrameValue v;
        EXPECT_NE(textresult::kOk, parseFrame(id, data, v)) << id << ::testing::PrintToString(data);
        EXPECT_EQ(FrameKind::Binary, v.kind) << id;
        EXPECT_EQ(data, v.data) << id;
    }
    FrameValue v;
    Bytes out;
    v.kind = FrameKind::Url;
    v.texts = {"http://\xE2\x82\xAC"};
    EXPECT_EQ(textresult::kAboveLatin1, renderFrame(v, 4, out));
    v.kind = FrameKind::Comment;
    v.texts = {"x"};
    for (const char* language : {"", "en", "engl", "e\nn"}) {
        v.language = language;
        EXPECT_EQ(textresult::kBadLanguage, renderFrame(v, 3, out)) << language;
    }
}

TEST(FrameKeys, ParseAndFormat)
{
    const std::pair<const char*, FrameKey> cases[] = {
        {"TIT2", {"TIT2", "", ""}},
        {"TXXX:REPLAYGAIN_TRACK_GAIN", {"TXXX", "REPLAYGAIN_TRACK_GAIN", ""}},
        {"COMM:desc:eng", {"COMM", "desc", "eng"}},
        {"COMM:iTunes:NORM:eng", {"COMM", "iTunes:NORM", "eng"}},
        {"USLT::eng", {"USLT", "", "eng"}},
        {"TXXX:a:b", {"TXXX", "a:b", ""}},
        {"UFID:http://musicbrainz.org", {"UFID", "http://musicbrainz.org", ""}},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(expected, key(text)) << text;
        EXPECT_EQ(text, formatFrameKey(expected));
    }
    // Version 2.2 IDs and lower-case letters name the version 2.3 frame.
    EXPECT_EQ((FrameKey{"TPE2", "", ""}), key("TP2"));
    EXPECT_EQ((FrameKey{"USLT", "", "eng"}), key("ult::eng"));
    EXPECT_EQ((FrameKey{"POPM", "a@b", ""}), key("POP:a@b"));
    FrameKey k;
    for (const char* bad : {"", "TI", "TIT2:x", "T_T2", "XYZ", "COMM:d:english", "MCDI:x"})
        EXPECT_FALSE(parseFrameKey(bad, k)) << bad;
}

class FramesByKey : public ::testing::Test {
protected:
    void add(const std::string& id, const Bytes& data) { tag.FrameIndex().Data(tag.FrameIndex().Add(id)) = data; }
    FrameValue textValue(const std::vector<Utf8Text>& texts)
    {
        FrameValue v;
        v.texts = texts;
        return v;
    }
    Tid3v2tag tag;
};

TEST_F(FramesByKey, GetSetAndRemoveByDescriptionAndLanguage)
{
    add("COMM", {0, 'e'}); // cut short: no key names it
    add("TXXX", {0, 'A', 0, '1'});
    add("COMM", {0, 'd', 'e', 'u', 0, 'h', 'a', 'l', 'l', 'o'});
    add("TXXX", {0, 'B', 0, '2'});
    FrameValue v;
    EXPECT_EQ(textresult::kOk, tag.GetFrame(key("TXXX:B"), v));
    EXPECT_EQ(std::vector<Utf8Text>{"2"}, v.texts);
    EXPECT_EQ(textresult::kNoFrame, tag.GetFrame(key("TXXX:C"), v));
    EXPECT_EQ(textresult::kEmpty, tag.GetFrame(key("COMM::eng"), v)) << "why the cut comment could not be read";
    EXPECT_EQ(textresult::kOk, tag.GetFrame(key("COMM"), v));
    EXPECT_EQ("deu", v.language);

    EXPECT_EQ(textresult::kOk, tag.SetFrame(key("TXXX:B"), textValue({"3", "4"})));
    EXPECT_EQ(4u, tag.FrameIndex().Count());
    EXPECT_EQ((Bytes{0, 'B', 0, '3', '/', '4'}), tag.FrameIndex().Data(4));
    EXPECT_EQ(textresult::kOk, tag.SetFrame(key("USLT::eng"), textValue({"la la"})));
    EXPECT_EQ((Bytes{0, 'e', 'n', 'g', 0, 'l', 'a', ' ', 'l', 'a'}), tag.FrameIndex().Data(5));
    EXPECT_EQ(textresult::kDeleted, tag.SetFrame(key("TXXX:A"), textValue({})));
    EXPECT_EQ(textresult::kBadId, tag.SetFrame(FrameKey{"T_T2", "", ""}, textValue({"x"})));
    EXPECT_EQ(1u, tag.RemoveFrames(key("COMM:")));

    std::vector<std::string> keys;
    for (const TFrameEntry& e : tag.FrameList())
        keys.push_back(formatFrameKey(e.Key));
    EXPECT_EQ((std::vector<std::string>{"COMM", "TXXX:B", "USLT::eng"}), keys);
}

// Reading never changes a frame, so one only looked at is saved as it came.
TEST_F(FramesByKey, UnreadableFramesAreListedByIdAndLeftAlone)
{
    add("TIT2", {7, 'x'});
    add("TALB", {0, 'x'});
    tag.FrameIndex().SetFlags(2, frameflags::kFormat, frameflags::kEncryption);
    const Bytes packed = CompressBuffer(Bytes{0, 'z'}.data(), 2, kDefaultCompressionLevel);
    add("TPE1", packed);
    tag.FrameIndex().SetStoredFlags(3, frameflags::kFormat, frameflags::kCompression);
    const std::vector<TFrameEntry> list = tag.FrameList();
    ASSERT_EQ(3u, list.size());
    EXPECT_EQ(textresult::kUnknownEncoding, list[0].Result);
    EXPECT_EQ(FrameKind::Binary, list[0].Kind);
    EXPECT_EQ(textresult::kEncrypted, list[1].Result);
    EXPECT_EQ(textresult::kOk, list[2].Result);
    EXPECT_EQ(FrameKind::Text, list[2].Kind);
    EXPECT_EQ(packed, tag.FrameIndex().Data(3));
    // A set replaces the unreadable text frame rather than adding a second one.
    EXPECT_EQ(textresult::kOk, tag.SetFrame(key("TIT2"), textValue({"new"})));
    EXPECT_EQ(3u, tag.FrameIndex().Count());
    EXPECT_EQ((Bytes{0, 'n', 'e', 'w'}), tag.FrameIndex().Data(1));
}

// Every frame of every sample parses as its kind, or is kept as its bytes; what parses
// renders into data that parse to the same value, byte for byte where the writer agrees.
TEST(FrameKindsCorpus, EveryFrameParsesOrIsKeptRaw)
{
    VARNOLI_NEED_CORPUS();
    std::size_t frames = 0, exact = 0, unparsed = 0;
    for (const std::string& path : corpusFiles()) {
        Tid3v2tag tag;
        if (failed(tag.LoadFromFile(path, 0)))
            continue;
        for (const TFrameEntry& e : tag.FrameList()) {
            ++frames;
            FrameValue v;
            const uint8_t result = tag.GetFrame(e.Index, v);
            unparsed += result != textresult::kOk && result != textresult::kEmpty;
            Bytes out;
            ASSERT_EQ(textresult::kOk, renderFrame(v, tag.Version, out)) << path << " " << e.Index;
            FrameValue back;
            parseFrame(tag.FrameIndex().FrameID(e.Index), out, back);
            if (v.kind != FrameKind::Binary) {
                EXPECT_EQ(v, back) << path << " frame " << formatFrameKey(e.Key);
            }
            std::size_t budget = kMaxTagBody;
            const id3v2::PlainFrame plain(tag.FrameIndex(), e.Index, budget, textresult::kNotInflated);
            exact += out == plain.data();
        }
    }
    EXPECT_GT(frames, 100u);
    EXPECT_GT(exact, frames * 3 / 4);
    EXPECT_LT(unparsed, frames / 20);
}

// A version 2.2 tag's frames are listed under the version 2.3 keys and kinds.
TEST(FrameKindsV22, ThreeLetterFramesReadAsTheirVersion23Kinds)
{
    const auto frame22 = [](const std::string& id, const Bytes& data) {
        const auto n = static_cast<uint32_t>(data.size());
        return concat({bytesOf(id), {uint8_t(n >> 16), uint8_t(n >> 8), uint8_t(n)}, data});
    };
    const Bytes tagBytes = Id3v2Bytes(2)
                               .raw(frame22("TP2", {0, 'V', 'A'}))
                               .raw(frame22("TPA", {0, '1', '/', '2'}))
                               .raw(frame22("ULT", {0, 'e', 'n', 'g', 0, 'l', 'a'}))
                               .raw(frame22("POP", concat({bytesOf("a@b"), {0, 128}})))
                               .raw(frame22("PIC", concat({{0}, bytesOf("PNG"), {3, 0, 0x89}})))
                               .bytes();
    TempDir dir;
    Tid3v2tag tag;
    ASSERT_EQ(0, tag.LoadFromFile(dir.write("v22.mp3", concat({tagBytes, audioPattern(256)})), 0));
    std::vector<std::string> keys;
    std::vector<FrameKind> kinds;
    for (const TFrameEntry& e : tag.FrameList()) {
        keys.push_back(formatFrameKey(e.Key));
        kinds.push_back(e.Kind);
    }
    EXPECT_EQ((std::vector<std::string>{"TPE2", "TPOS", "USLT::eng", "POPM:a@b", "APIC"}), keys);
    EXPECT_EQ((std::vector<FrameKind>{FrameKind::Text, FrameKind::Text, FrameKind::Comment, FrameKind::Popularimeter,
                                      FrameKind::Picture}),
              kinds);
    FrameValue v;
    ASSERT_EQ(textresult::kOk, tag.GetFrame(key("TPA"), v));
    EXPECT_EQ(std::vector<Utf8Text>{"1/2"}, v.texts);
    ASSERT_EQ(textresult::kOk, tag.GetFrame(key("PIC"), v));
    EXPECT_EQ("image/png", v.mimeType);
}
