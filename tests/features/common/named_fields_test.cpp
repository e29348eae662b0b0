// Tests of the named fields: their value rules, the frames each version holds them in, what
// a write keeps of a frame, and that a save leaves every other frame as it was.
#include "features/common/named_fields.h"
#include "support/id3v2_builder.h"
#include "tags/id3v2/id3v2.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>

using namespace testsupport;

namespace {

const NamedField& field(const char* name)
{
    const NamedField* f = namedField(name);
    EXPECT_NE(nullptr, f) << name;
    return *f;
}

std::vector<Utf8Text> valuesOf(Tid3v2tag& tag, const char* name) { return readField(tag, field(name)); }

Bytes latin1(const std::string& text) { return concat({{0}, bytesOf(text)}); }

// Loads the tag bytes, behind which a little audio follows, into `tag`.
void load(Tid3v2tag& tag, const TempDir& dir, const Bytes& tagBytes)
{
    const std::string path = dir.write("song.mp3", concat({tagBytes, audioPattern(300)}));
    ASSERT_FALSE(failed(tag.LoadFromFile(path, 0)));
}

// The frames as the engine holds them, with ID, flags and data: what a save must keep.
using FrameRecord = std::tuple<std::string, uint8_t, uint8_t, uint8_t, uint8_t, Bytes>;
std::vector<FrameRecord> framesOf(const Tid3v2tag& tag, const std::string& except)
{
    std::vector<FrameRecord> frames;
    const TFrameIndex& index = tag.FrameIndex();
    for (uint32_t i = 1; i <= index.Count(); ++i) {
        const TFrameRecord& f = index.Frame(i);
        if (f.FrameID != except)
            frames.emplace_back(f.FrameID, f.Flags[0], f.Flags[1], f.StoredFlags[0], f.StoredFlags[1], f.Data);
    }
    return frames;
}

} // namespace

TEST(NamedFields, ValueRulesRefuseWhatTheFieldCannotHold)
{
    const std::vector<std::tuple<const char*, const char*, bool>> cases = {
        {"disc", "1", true},           {"disc", "1/2", true},        {"disc", "x", false},
        {"disc", "1/", false},         {"disc", "/2", false},        {"bpm", "120", true},
        {"bpm", "12.5", false},        {"bpm", "-1", false},         {"compilation", "1", true},
        {"compilation", "0", true},    {"compilation", "yes", false}, {"rating", "0", true},
        {"rating", "5", true},         {"rating", "6", false},       {"rating", "-1", false},
        {"rating", "35", false},       {"originalyear", "2001", true}, {"originalyear", "01", false},
        {"releasedate", "2001-05-03", true}, {"releasedate", "2001-05-03T10:00", true},
        {"releasedate", "2001-5-3", false},  {"releasedate", "2001-05-03T10", true},
        {"releasedate", "2001-05-03 10:00", false}, {"albumartist", "anything / at all", true},
        {"disc", "", true}, // an empty value removes the field
    };
    for (const auto& [name, text, ok] : cases)
        EXPECT_EQ(ok, !refusedFieldText(field(name), text)) << name << " '" << text << "'";
    EXPECT_EQ(nullptr, namedField("nosuchfield"));
    EXPECT_EQ(namedField("albumartist"), namedField("AlbumArtist"));
}

TEST(NamedFields, StarsAndRatingBytesMapBothWays)
{
    const uint8_t bytes[] = {0, 1, 64, 128, 196, 255};
    for (int stars = 0; stars <= 5; ++stars) {
        EXPECT_EQ(bytes[stars], ratingOfStars(stars));
        EXPECT_EQ(stars, starsOfRating(bytes[stars]));
    }
    // Other players' scales round to the nearest star.
    const std::vector<std::pair<uint8_t, int>> others = {{26, 1}, {51, 2}, {102, 3}, {153, 3}, {204, 4}, {230, 5}};
    for (const auto& [byte, stars] : others)
        EXPECT_EQ(stars, starsOfRating(byte)) << int(byte);
}

TEST(NamedFields, WritesKeepWhatTheFrameHoldsBesideTheValue)
{
    TempDir dir;
    Tid3v2tag tag;
    const Bytes popm = concat({bytesOf("me@example.org"), {0, 64, 0, 0, 0, 7}});
    load(tag, dir,
         Id3v2Bytes(3)
             .frame("TXXX", concat({latin1("replaygain_track_gain"), {0}, bytesOf("-1.00 dB")}))
             .frame("USLT", concat({{0}, bytesOf("deu"), {0}, bytesOf("Alt")}))
             .frame("POPM", popm)
             .frame("TIT2", latin1("T"))
             .padding(64)
             .bytes());
    EXPECT_EQ(std::vector<Utf8Text>{"-1.00 dB"}, valuesOf(tag, "replaygain_track_gain"));
    EXPECT_EQ(std::vector<Utf8Text>{"Alt"}, valuesOf(tag, "lyrics"));
    EXPECT_EQ(std::vector<Utf8Text>{"2"}, valuesOf(tag, "rating"));

    writeField(tag, field("replaygain_track_gain"), "-6.20 dB");
    writeField(tag, field("lyrics"), "Line one\nLine two");
    writeField(tag, field("rating"), "4");
    const TFrameIndex& frames = tag.FrameIndex();
    ASSERT_EQ(4u, frames.Count()); // each replaced in place, none added
    EXPECT_EQ(concat({latin1("replaygain_track_gain"), {0}, bytesOf("-6.20 dB")}), frames.Data(1));
    EXPECT_EQ(concat({{0}, bytesOf("deu"), {0}, bytesOf("Line one\nLine two")}), frames.Data(2));
    EXPECT_EQ(concat({bytesOf("me@example.org"), {0, 196, 0, 0, 0, 7}}), frames.Data(3));

    // New frames: lyrics in English, a rating without an e-mail.
    Tid3v2tag fresh;
    writeField(fresh, field("lyrics"), "La");
    writeField(fresh, field("rating"), "5");
    EXPECT_EQ(concat({{0}, bytesOf("eng"), {0}, bytesOf("La")}), fresh.FrameIndex().Data(1));
    EXPECT_EQ(Bytes({0, 255}), fresh.FrameIndex().Data(2));
}

TEST(NamedFields, EachVersionHoldsTheFieldInItsOwnFrame)
{
    Tid3v2tag v24;
    v24.Version = 4;
    writeField(v24, field("originalyear"), "1999-02-03");
    writeField(v24, field("releasedate"), "2001-05-03");
    EXPECT_EQ("TDOR", v24.FrameIndex().FrameID(1));
    EXPECT_EQ("TDRL", v24.FrameIndex().FrameID(2));
    EXPECT_EQ(std::vector<Utf8Text>{"1999-02-03"}, valuesOf(v24, "originalyear"));

    Tid3v2tag v23;
    v23.Version = 3;
    writeField(v23, field("originalyear"), "1999-02-03");
    writeField(v23, field("releasedate"), "2001-05-03");
    EXPECT_EQ("TORY", v23.FrameIndex().FrameID(1));
    EXPECT_EQ(std::vector<Utf8Text>{"1999"}, valuesOf(v23, "originalyear")); // a v2.3 year is a year
    FrameValue value;
    ASSERT_EQ(textresult::kOk, v23.GetFrame(FrameKey{"TXXX", "RELEASETIME", {}}, value));
    EXPECT_EQ(std::vector<Utf8Text>{"2001-05-03"}, value.texts);

    // The other version's frame, as some programs write it, is read, and a write leaves one frame.
    TempDir dir;
    Tid3v2tag mixed;
    load(mixed, dir, Id3v2Bytes(3).frame("TDOR", latin1("1990")).padding(16).bytes());
    EXPECT_EQ(std::vector<Utf8Text>{"1990"}, valuesOf(mixed, "originalyear"));
    writeField(mixed, field("originalyear"), "1991");
    ASSERT_EQ(1u, mixed.FrameIndex().Count());
    EXPECT_EQ("TORY", mixed.FrameIndex().FrameID(1));
}

TEST(NamedFields, SeveralValuesAndRemoval)
{
    TempDir dir;
    Tid3v2tag tag;
    load(tag, dir,
         Id3v2Bytes(4)
             .frame("TPE2", {3, 'A', 0, 'B'})
             .frame("POPM", concat({bytesOf("a@x"), {0, 196}}))
             .frame("POPM", concat({bytesOf("b@x"), {0, 64}}))
             .frame("TXXX", concat({latin1("MusicBrainz Album Id"), {0}, bytesOf("id-1")}))
             .frame("TPOS", latin1("1/2"))
             .padding(16)
             .bytes());
    const std::vector<PresentField> present = presentFields(tag);
    ASSERT_EQ(4u, present.size());
    EXPECT_STREQ("albumartist", present[0].field->name);
    EXPECT_EQ((std::vector<Utf8Text>{"A", "B"}), present[0].values);
    EXPECT_EQ("A; B", joinedValues(present[0].values));
    EXPECT_STREQ("disc", present[1].field->name);
    EXPECT_STREQ("rating", present[2].field->name);
    EXPECT_STREQ("musicbrainz_albumid", present[3].field->name);

    // Every rating goes, whoever wrote it; a user text goes whatever its letter case.
    applyEdit(tag, FieldEdit{&field("rating"), {}, std::nullopt});
    FieldEdit byKey{nullptr, {}, std::nullopt};
    ASSERT_TRUE(parseFrameKey("TXXX:musicbrainz album id", byKey.key));
    applyEdit(tag, byKey);
    applyEdit(tag, FieldEdit{&field("disc"), {}, Utf8Text()});
    ASSERT_EQ(1u, tag.FrameIndex().Count());
    EXPECT_EQ("TPE2", tag.FrameIndex().FrameID(1));
}

TEST(NamedFields, Version22FramesReadAsTheSameFields)
{
    // Three-letter IDs and three-byte sizes.
    Bytes body;
    const auto frame = [&](const std::string& id, const Bytes& data) {
        body.insert(body.end(), id.begin(), id.end());
        body.insert(body.end(), {0, 0, static_cast<uint8_t>(data.size())});
        body.insert(body.end(), data.begin(), data.end());
    };
    frame("TP2", latin1("Band"));
    frame("TPA", latin1("2/3"));
    frame("ULT", concat({{0}, bytesOf("eng"), {0}, bytesOf("Words")}));
    frame("POP", concat({bytesOf("x@y"), {0, 128}}));
    frame("TCP", latin1("1"));
    frame("TXX", concat({latin1("REPLAYGAIN_ALBUM_PEAK"), {0}, bytesOf("0.98")}));
    Bytes tag = {'I', 'D', '3', 2, 0, 0, 0, 0, 0, static_cast<uint8_t>(body.size())};
    tag.insert(tag.end(), body.begin(), body.end());
    TempDir dir;
    Tid3v2tag v22;
    load(v22, dir, tag);
    EXPECT_EQ(std::vector<Utf8Text>{"Band"}, valuesOf(v22, "albumartist"));
    EXPECT_EQ(std::vector<Utf8Text>{"2/3"}, valuesOf(v22, "disc"));
    EXPECT_EQ(std::vector<Utf8Text>{"Words"}, valuesOf(v22, "lyrics"));
    EXPECT_EQ(std::vector<Utf8Text>{"3"}, valuesOf(v22, "rating"));
    EXPECT_EQ(std::vector<Utf8Text>{"1"}, valuesOf(v22, "compilation"));
    EXPECT_EQ(std::vector<Utf8Text>{"0.98"}, valuesOf(v22, "replaygain_album_peak"));
}

// Every frame of every sample file is saved as it came (ID, flags, data) when another field changes.
TEST(NamedFieldsCorpus, EveryOtherFrameSurvivesASaveBesideIt)
{
    VARNOLI_NEED_CORPUS();
    TempDir dir;
    std::size_t checked = 0;
    for (const std::string& sample : corpusFiles()) {
        const std::string name = std::filesystem::path(sample).filename().string();
        if (name.size() < 4 || (name.substr(name.size() - 4) != ".mp3" && name.substr(name.size() - 4) != ".id3"))
            continue;
        SCOPED_TRACE(name);
        const std::string path = copyCorpusFile(dir, name);
        Tid3v2tag tag;
        if (failed(tag.LoadFromFile(path, 0)) || tag.FrameIndex().Count() == 0)
            continue;
        const std::vector<FrameRecord> before = framesOf(tag, "TPE2");
        writeField(tag, field("albumartist"), "Survivor \xC3\xA9");
        if (failed(tag.SaveToFile()))
            continue; // a tag the engine will not save is refused untouched, as its own tests check
        Tid3v2tag again;
        ASSERT_FALSE(failed(again.LoadFromFile(path, 0)));
        EXPECT_EQ(before, framesOf(again, "TPE2"));
        EXPECT_EQ(std::vector<Utf8Text>{"Survivor \xC3\xA9"}, valuesOf(again, "albumartist"));
        ++checked;
    }
    EXPECT_GT(checked, 10u);
}
