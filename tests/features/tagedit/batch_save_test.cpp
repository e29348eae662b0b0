// Tests of the batch save: each file's tags from its own contents plus the enabled fields.
#include "features/tagedit/batch_save.h"
#include "features/tagedit/fill_from_name.h"
#include "features/tagedit/tag_view.h"
#include "support/id3v2_builder.h"
#include "tags/id3v1/id3.h"
#include "tags/id3v2/id3v2.h"
#include "platform/file_system.h"

#include <gtest/gtest.h>

#include <tuple>

using namespace testsupport;

namespace {

class RecordingDialogs : public Dialogs {
public:
    void error(const std::string& text) override { lines.push_back("error: " + text); }
    void message(const std::string& text) override { lines.push_back("message: " + text); }
    void info(const std::string& text) override { lines.push_back("info: " + text); }
    Answer confirm(const std::string&) override { return Yes; }
    std::vector<std::string> lines;
};

class BatchSave : public ::testing::Test {
protected:
    std::string file(const Bytes& bytes) { return dir.write("song" + std::to_string(++files) + ".mp3", bytes); }
    BatchSaveOutcome run() { return runBatchSave(request, v1, v2, reporter); }
    TempDir dir;
    int files = 0;
    BatchSaveRequest request;
    Tid3tag v1;
    Tid3v2tag v2;
    RecordingDialogs reporter;
};

} // namespace

// The shared ID3v2 object must not carry one file's version or broken load into the next.
TEST_F(BatchSave, EachFileStartsFromItsOwnTag)
{
    const std::string v4 = file(concat({Id3v2Bytes(4).frame("TALB", {0, 'L', 'P'}).bytes(), audioPattern(3000)}));
    const Bytes brokenBytes = concat({Id3v2Bytes(3).frame("TI_2", {0, 'x'}).bytes(), audioPattern(3000)});
    const std::string broken = file(brokenBytes);
    const std::string bare = file(audioPattern(3000));
    request.saveV1 = false;
    request.v2[TagField::Title] = {true, "Song"};
    request.files = {v4, broken, bare};

    const BatchSaveOutcome outcome = run();
    EXPECT_EQ(std::vector<std::string>{"message: Error #65024! Could not save Tag! (the tag is damaged)"}, reporter.lines);
    EXPECT_TRUE(outcome.failures);
    EXPECT_EQ(brokenBytes, readFile(broken));
    EXPECT_EQ("Song", v2TextOf(v4, "TIT2"));
    EXPECT_EQ("LP", v2TextOf(v4, "TALB"));
    EXPECT_EQ(4, readFile(v4)[3]);
    EXPECT_EQ("Song", v2TextOf(bare, "TIT2"));
    EXPECT_EQ(3, readFile(bare)[3]);
}

TEST_F(BatchSave, AFileWithNeitherTagNorEnabledFieldGetsNoId3v2Tag)
{
    const std::string bare = file(audioPattern(3000));
    request.v1.genreEnabled = true;
    request.v1.genreIndex = 0;
    request.files = {bare};
    run();
    EXPECT_EQ(std::vector<std::string>{"message: Error #64768! Could not save Tag! (the tag has no frame to write)"}, reporter.lines);
    const Bytes bytes = readFile(bare);
    ASSERT_EQ(3128u, bytes.size()); // only the ID3v1 record was appended
    EXPECT_EQ(255, bytes.back());
}

TEST_F(BatchSave, NoID3v1FieldAddsNoRecordAndAnExistingCommentKeepsItsLanguage)
{
    const Bytes comment = {0, 'd', 'e', 'u', 0, 'a', 'l', 't'};
    const std::string path = file(concat({Id3v2Bytes(3).frame("COMM", comment).bytes(), audioPattern(3000)}));
    const std::string bare = file(audioPattern(3000));
    request.v2[TagField::Comment] = {true, "neu"};
    request.files = {path, bare};
    run();
    EXPECT_TRUE(reporter.lines.empty());
    for (const std::string& p : {path, bare}) {
        EXPECT_EQ(kErrNoTag, v1.LoadFromFile(p)) << p;
        ASSERT_EQ(kOk, v2.LoadFromFile(p, 0));
        ASSERT_EQ(1u, v2.FrameIndex().Count());
        const std::vector<uint8_t>& data = v2.FrameIndex().Data(1);
        EXPECT_EQ(std::string(p == path ? "deu" : "eng"), std::string(data.begin() + 1, data.begin() + 4));
    }
}

TEST_F(BatchSave, TrackAndGenreGoThroughTheirConversions)
{
    request.saveV2 = false;
    request.v1.genreEnabled = true;
    request.v1.genreIndex = static_cast<int>(GenreToIndex(17)); // "Rock"
    const std::pair<std::string, int> tracks[] = {{"7", 7}, {"256", 0}, {"-1", 255}, {"+12", 12}, {"", 3}};
    for (const auto& [text, expected] : tracks) {
        Bytes record(128, 0);
        std::copy_n("TAGKeep", 7, record.begin());
        record[126] = 3;
        record[127] = 255;
        const std::string path = file(concat({audioPattern(500), record}));
        request.v1[TagField::Track] = {true, text};
        request.files = {path};
        run();
        ASSERT_EQ(0, v1.LoadFromFile(path)) << text;
        EXPECT_EQ(expected, v1.Track()) << text;
        EXPECT_EQ(17, v1.Genre);
        EXPECT_EQ("Keep", v1.Title());
    }
    EXPECT_TRUE(reporter.lines.empty());
}

TEST_F(BatchSave, TrackTextThatIsNotAnIntegerStopsTheWalkBeforeAnyWrite)
{
    const Bytes bytes = concat({Id3v2Bytes(3).frame("TIT2", {0, 'a'}).bytes(), audioPattern(2000)});
    for (const std::string bad : {"1x", "-", "2147483648", " 1"}) {
        reporter.lines.clear();
        request.files = {file(bytes), file(bytes)};
        request.v1[TagField::Track] = {true, bad};
        request.v2[TagField::Title] = {true, "new"};
        const BatchSaveOutcome outcome = run();
        EXPECT_TRUE(outcome.stopped);
        EXPECT_TRUE(outcome.files.empty());
        EXPECT_EQ(std::vector<std::string>{"error: '" + bad + "' is not a valid integer value"}, reporter.lines);
        for (const std::string& path : request.files)
            EXPECT_EQ(bytes, readFile(path)) << bad;
    }
    EXPECT_EQ(std::optional<int32_t>(-2147483647 - 1), parseInteger("-2147483648"));
}

// A load that could not read the file says nothing about its tag: the save must not
// replace a tag it never saw with one holding only the enabled fields.
TEST_F(BatchSave, AFailedReadOfTheTagDoesNotWipeItsOtherFrames)
{
    const Bytes original = concat({Id3v2Bytes(3).frame("TALB", {0, 'L', 'P'}).frame("TPE1", {0, 'M', 'e'}).bytes(),
                                   audioPattern(3000)});
    const std::string path = file(original);
    request.saveV1 = false;
    request.v2[TagField::Title] = {true, "Song"};
    request.files = {path};
    platform::faults::failReadAt(1); // the first read of the file fails
    const BatchSaveOutcome outcome = run();
    platform::faults::failReadAt(0);
    EXPECT_EQ(original, readFile(path));
    EXPECT_TRUE(outcome.failures);
}

// The tag view says why a tag it cannot show could not be read; a file without one needs no words.
TEST_F(BatchSave, TheTagViewPutsAnUnreadableTagIntoWords)
{
    const Bytes tag = Id3v2Bytes(3).frame("TIT2", {0, 'a'}).padding(4000).bytes();
    const std::string cut = file(Bytes(tag.begin(), tag.begin() + 100));
    EXPECT_EQ("Error #8192: the tag claims 4,022 bytes but the file ends after 100", readFileView(cut, v1, v2).v2.failure);
    EXPECT_EQ("", readFileView(file(audioPattern(100)), v1, v2).v2.failure);
}

TEST(NamePattern, FieldsTakeTheShortestTextAndTheLastTakesTheRest)
{
    std::string problem;
    const std::optional<NamePattern> p = parseNamePattern("{Track}. {artist} - {TITLE}", problem);
    ASSERT_TRUE(p) << problem;
    const NameFill fill = fillFromName("/m/007. A - B - C.MP3", *p);
    ASSERT_TRUE(fill.matched) << fill.problem;
    EXPECT_EQ("7", fill.values[fieldIndex(TagField::Track)]);
    EXPECT_EQ("A", fill.values[fieldIndex(TagField::Artist)]);
    EXPECT_EQ("B - C", fill.values[fieldIndex(TagField::Title)]);
    EXPECT_FALSE(fill.present[fieldIndex(TagField::Album)]);

    // A literal at the end must end the name; a track must be a number; a field is never empty.
    const std::optional<NamePattern> q = parseNamePattern("{artist} ({year})", problem);
    ASSERT_TRUE(q);
    EXPECT_EQ("1999", fillFromName("x/Band (1999).mp3", *q).values[fieldIndex(TagField::Year)]);
    for (const char* name : {"Band (1999) live.mp3", "Band.mp3", " ().mp3", "notes.txt"})
        EXPECT_FALSE(fillFromName(name, *q).matched) << name;
    EXPECT_FALSE(fillFromName("x. A - B.mp3", *p).matched);
    EXPECT_NE(std::string::npos, fillFromName("x. A - B.mp3", *p).problem.find("is not a number"));

    for (const char* bad : {"{track}{title}", "{artst} - {title}", "{title} - {title}", "{title", "title}", "no field"})
        EXPECT_FALSE(parseNamePattern(bad, problem)) << bad;
}

TEST_F(BatchSave, EachFileOfAFillGetsItsOwnFields)
{
    std::string problem;
    const NamePattern p = *parseNamePattern("{track} {title}", problem);
    const std::string a = dir.write("01 One.mp3", audioPattern(300)), b = dir.write("02 Two.mp3", audioPattern(300));
    const std::string c = dir.write("Three.mp3", audioPattern(300));
    request = fillRequest(fillFromNames({a, c, b}, p), true, true);
    request.recordForUndo = false;
    ASSERT_EQ((std::vector<std::string>{a, b}), request.files);
    EXPECT_FALSE(run().failures);
    EXPECT_EQ("Two", v2TextOf(b, "TIT2"));
    EXPECT_EQ("2", v2TextOf(b, "TRCK"));
    EXPECT_EQ("One", v2TextOf(a, "TIT2"));
    EXPECT_EQ(audioPattern(300), readFile(c));
}

TEST_F(BatchSave, AFillWritesNamedFieldsAndARefusedValueStopsItFirst)
{
    std::string problem;
    const NamePattern p = *parseNamePattern("{Disc} - {albumartist} - {title}", problem);
    const std::string a = dir.write("02 - VA - One.mp3", audioPattern(300));
    const std::string b = dir.write("x - VA - Two.mp3", audioPattern(300));
    const std::vector<NameFill> good = fillFromNames({a}, p);
    ASSERT_TRUE(good[0].matched) << good[0].problem;
    EXPECT_EQ("2", filledText(good[0], *namedField("disc")));
    EXPECT_EQ(std::nullopt, refusedFills(p, good, true));
    // Only the ID3v2 tag holds them.
    EXPECT_NE(std::nullopt, refusedFills(p, good, false));
    const std::optional<std::string> refusal = refusedFills(p, fillFromNames({a, b}, p), true);
    ASSERT_TRUE(refusal);
    EXPECT_EQ("'" + b + "': disc: 'x' is not \"n\" or \"n/total\"", *refusal);

    request = fillRequest(good, true, true);
    request.recordForUndo = false;
    EXPECT_FALSE(run().failures);
    EXPECT_EQ("2", v2TextOf(a, "TPOS"));
    EXPECT_EQ("VA", v2TextOf(a, "TPE2"));
    EXPECT_EQ("One", v2TextOf(a, "TIT2"));
    EXPECT_FALSE(parseNamePattern("{disc} {DISC}", problem));
}
