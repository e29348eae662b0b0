// Tests of Tid3tag: the record's two forms, trimming, saving in place, genres and failures.
#include "tags/id3v1/id3.h"
#include "tags/id3v2/id3v2.h"

#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>

using namespace testsupport;

namespace {

// A record with each text put at its offset; comment30 fills all 30 comment bytes.
Bytes record(const std::string& title, const std::string& artist, const std::string& album,
             const std::string& year, const Bytes& comment30, uint8_t genre)
{
    Bytes r(128, 0);
    std::memcpy(r.data(), "TAG", 3);
    std::memcpy(r.data() + 3, title.data(), title.size());
    std::memcpy(r.data() + 33, artist.data(), artist.size());
    std::memcpy(r.data() + 63, album.data(), album.size());
    std::memcpy(r.data() + 93, year.data(), year.size());
    std::copy(comment30.begin(), comment30.end(), r.begin() + 97);
    r[127] = genre;
    return r;
}

Bytes comment(const std::string& text, uint8_t byte28, uint8_t byte29)
{
    Bytes c(30, 0);
    std::copy(text.begin(), text.end(), c.begin());
    c[28] = byte28;
    c[29] = byte29;
    return c;
}

Bytes field(const Bytes& file, std::size_t offset, std::size_t width)
{
    const std::size_t base = file.size() - 128;
    return Bytes(file.begin() + base + offset, file.begin() + base + offset + width);
}

class Id3v1 : public ::testing::Test {
protected:
    TempDir dir;
    Tid3tag tag;
};

} // namespace

TEST_F(Id3v1, ReadsEveryFieldOfThePlainForm)
{
    const auto path = dir.write("a.mp3", concat({audioPattern(1000), record("Title", "Artist", "Album", "1999",
                                                                             comment("A comment", 'x', 'y'), 17)}));
    ASSERT_EQ(kOk, tag.LoadFromFile(path));
    EXPECT_EQ("Title", tag.Title());
    EXPECT_EQ("Artist", tag.Artist());
    EXPECT_EQ("Album", tag.Album());
    EXPECT_EQ("1999", tag.Year());
    EXPECT_EQ("A comment", tag.Comment()) << "a field ends at its first NUL";
    EXPECT_EQ(17, tag.Genre);
    EXPECT_FALSE(tag.HasTrack());
    EXPECT_EQ(0, tag.Track());
    EXPECT_EQ(path, tag.FileName());
}

TEST_F(Id3v1, TrackFormNeedsZeroAtByte28AndNonZeroAtByte29)
{
    const auto withTrack = dir.write("t.mp3", record("", "", "", "", comment("Note", 0, 7), 255));
    ASSERT_EQ(kOk, tag.LoadFromFile(withTrack));
    EXPECT_TRUE(tag.HasTrack());
    EXPECT_EQ(7, tag.Track());
    EXPECT_EQ("Note", tag.Comment());

    const auto letterBefore = dir.write("l.mp3", record("", "", "", "", comment("Note", 'z', 7), 255));
    ASSERT_EQ(kOk, tag.LoadFromFile(letterBefore));
    EXPECT_FALSE(tag.HasTrack());
    EXPECT_EQ(0, tag.Track());
    EXPECT_EQ("Note", tag.Comment());

    const auto bothZero = dir.write("z.mp3", record("", "", "", "", comment("Note", 0, 0), 255));
    ASSERT_EQ(kOk, tag.LoadFromFile(bothZero));
    EXPECT_FALSE(tag.HasTrack());
    EXPECT_EQ("Note", tag.Comment());
}

TEST_F(Id3v1, FieldEndsAtFirstNulAndKeepsTrailingFF)
{
    Bytes title = bytesOf("abc");
    title.resize(30, ' ');
    Bytes artist = {'a', 0, 'b'};
    artist.resize(30, 0);
    Bytes album(30, ' ');
    Bytes rec = record("", "", "", " 99\xFF", comment(" x", 0xFF, ' '), 0);
    std::copy(title.begin(), title.end(), rec.begin() + 3);
    std::copy(artist.begin(), artist.end(), rec.begin() + 33);
    std::copy(album.begin(), album.end(), rec.begin() + 63);
    ASSERT_EQ(kOk, tag.LoadFromFile(dir.write("trim.mp3", rec)));
    EXPECT_EQ("abc", tag.Title());
    EXPECT_EQ("a", tag.Artist());
    EXPECT_EQ("", tag.Album());
    EXPECT_EQ(" 99\xFF", tag.Year());
    EXPECT_EQ(" x", tag.Comment());
}

TEST_F(Id3v1, ShortFilesAndLowerCaseIdentifierHoldNoTag)
{
    Bytes lower = record("x", "", "", "", comment("", 0, 0), 1);
    std::memcpy(lower.data(), "tag", 3);
    for (const Bytes& content : {Bytes(127, 'T'), Bytes{}, lower}) {
        tag.SetTitle("kept");
        const auto path = dir.write("n.mp3", content);
        EXPECT_EQ(kErrNoTag, tag.LoadFromFile(path));
        EXPECT_EQ("kept", tag.Title()) << "a failed load keeps the fields";
        EXPECT_EQ(path, tag.FileName());
    }
}

TEST_F(Id3v1, GenreOutsideTheListLoadsWithWarning)
{
    ASSERT_EQ(kWarnGenre, tag.LoadFromFile(dir.write("g.mp3", record("", "", "", "", comment("", 0, 0), 200))));
    EXPECT_EQ(200, tag.Genre);
    EXPECT_EQ(0, GenreToIndex(tag.Genre));
    EXPECT_EQ(kOk, tag.LoadFromFile(dir.write("n.mp3", record("", "", "", "", comment("", 0, 0), 255))));
    EXPECT_EQ(kOk, tag.LoadFromFile(dir.write("b.mp3", record("", "", "", "", comment("", 0, 0), 147))));
}

TEST_F(Id3v1, SaveAppendsUnlessTheLast128BytesAreATag)
{
    const Bytes audio127 = audioPattern(127);
    const auto shortFile = dir.write("s.mp3", audio127);
    tag.SetTitle("T");
    ASSERT_EQ(kOk, tag.SaveToFile(shortFile));
    Bytes after = readFile(shortFile);
    ASSERT_EQ(255u, after.size());
    EXPECT_EQ(audio127, Bytes(after.begin(), after.begin() + 127));

    const auto exact = dir.write("e.mp3", record("Old", "", "", "", comment("", 0, 0), 3));
    ASSERT_EQ(kOk, tag.SaveToFile(exact));
    after = readFile(exact);
    ASSERT_EQ(128u, after.size());
    EXPECT_EQ(Bytes({'T', 0, 0}), field(after, 3, 3));

    Bytes lower = concat({audioPattern(300), record("x", "", "", "", comment("", 0, 0), 1)});
    std::memcpy(lower.data() + 300, "tag", 3);
    const auto lowerPath = dir.write("l.mp3", lower);
    ASSERT_EQ(kOk, tag.SaveToFile(lowerPath));
    after = readFile(lowerPath);
    ASSERT_EQ(lower.size() + 128, after.size());
    EXPECT_EQ(lower, Bytes(after.begin(), after.begin() + lower.size()));
}

TEST_F(Id3v1, SaveWritesZeroPaddedFieldsInTheRightForm)
{
    const Bytes audio = audioPattern(4096);
    const auto path = dir.write("w.mp3", concat({audio, record("", "", "", "", comment("", 0, 0), 0)}));
    tag.SetTitle("Title");
    tag.SetArtist("Artist");
    tag.SetAlbum("Album");
    tag.SetYear("2001");
    tag.SetComment(std::string(30, 'c'));
    tag.SetTrack(9);
    tag.Genre = 17;
    ASSERT_EQ(kOk, tag.SaveToFile(path));
    Bytes file = readFile(path);
    ASSERT_EQ(audio.size() + 128, file.size());
    EXPECT_EQ(audio, Bytes(file.begin(), file.begin() + audio.size()));
    Bytes expectTitle = bytesOf("Title");
    expectTitle.resize(30, 0);
    EXPECT_EQ(expectTitle, field(file, 3, 30));
    EXPECT_EQ(bytesOf("2001"), field(file, 93, 4));
    EXPECT_EQ(Bytes(28, 'c'), field(file, 97, 28));
    EXPECT_EQ(Bytes({0, 9, 17}), field(file, 125, 3));

    // Dropping the track writes the plain form from the whole comment.
    tag.SetTrack(0);
    ASSERT_EQ(kOk, tag.SaveToFile("="));
    file = readFile(path);
    EXPECT_EQ(Bytes(30, 'c'), field(file, 97, 30));
    Tid3tag reread;
    ASSERT_EQ(kOk, reread.LoadFromFile(path));
    EXPECT_FALSE(reread.HasTrack());
    EXPECT_EQ(std::string(30, 'c'), reread.Comment());
    EXPECT_EQ("Title", reread.Title());
}

TEST_F(Id3v1, SettersKeepTheFieldWidths)
{
    tag.SetTitle(std::string(35, 't'));
    tag.SetYear("2004-05");
    tag.SetComment(std::string(31, 'c'));
    EXPECT_EQ(std::string(30, 't'), tag.Title());
    EXPECT_EQ("2004", tag.Year());
    EXPECT_EQ(std::string(30, 'c'), tag.Comment());
    tag.SetTrack(0);
    EXPECT_FALSE(tag.HasTrack());
    tag.SetTrack(255);
    EXPECT_TRUE(tag.HasTrack());
}

TEST_F(Id3v1, FailuresGiveTheirCodeAndLeaveFileAndFieldsAlone)
{
    EXPECT_EQ(kErrOpen, tag.SaveToFile("=")) << "never loaded or saved";
    EXPECT_EQ(kErrOpen, tag.LoadFromFile(dir.file("missing.mp3")));
    EXPECT_EQ(kErrOpen, tag.LoadFromFile(dir.path())) << "a folder is not a file";
    // A named pipe would keep a read waiting for a writer: it is refused at once.
    const std::string pipe = dir.file("pipe.mp3");
    ASSERT_EQ(0, runProgram("mkfifo", {pipe}).exitCode);
    EXPECT_EQ(kErrOpen, tag.LoadFromFile(pipe));
    EXPECT_EQ(kErrOpen, tag.SaveToFile(pipe));
    Tid3v2tag v2;
    EXPECT_EQ(kErrOpen, v2.LoadFromFile(pipe, 0));

    const Bytes original = concat({audioPattern(500), record("Keep", "", "", "", comment("", 0, 0), 5)});
    const auto readOnly = dir.write("ro.mp3", original);
    makeReadOnly(readOnly);
    ASSERT_EQ(kOk, tag.LoadFromFile(readOnly));
    EXPECT_TRUE(tag.ReadOnlyFile());
    tag.SetTitle("Changed");
    EXPECT_EQ(kErrReadOnly, tag.SaveToFile("="));
    EXPECT_EQ(original, readFile(readOnly));

    const auto hidden = dir.write(".hidden.mp3", original);
    ASSERT_EQ(kOk, tag.LoadFromFile(hidden));
    EXPECT_TRUE(tag.ReadOnlyFile());
    EXPECT_EQ(kErrReadOnly, tag.SaveToFile(hidden));
    EXPECT_EQ(original, readFile(hidden));

    const auto gone = dir.write("gone.mp3", original);
    ASSERT_EQ(kOk, tag.LoadFromFile(gone));
    std::filesystem::remove(gone);
    EXPECT_EQ(kErrOpen, tag.SaveToFile("="));
    EXPECT_EQ(gone, tag.FileName()) << "a failed save keeps FileName";
    tag.SetTitle("Changed");
    EXPECT_EQ(kErrOpen, tag.LoadFromFile(gone));
    EXPECT_EQ("Changed", tag.Title());
}

TEST(Id3v1Genres, MappingIsAnInverseOverTheWholeList)
{
    std::set<uint8_t> numbers;
    for (int index = 1; index < static_cast<int>(kGenreCount); ++index) {
        const uint8_t genre = IndexToGenre(static_cast<uint8_t>(index));
        ASSERT_LE(genre, 147);
        EXPECT_EQ(index, GenreToIndex(genre));
        numbers.insert(genre);
    }
    EXPECT_EQ(148u, numbers.size()) << "every genre number 0 to 147 appears once";
    for (int outside : {0, 149, 200, 255})
        EXPECT_EQ(255, IndexToGenre(static_cast<uint8_t>(outside)));
    for (int outside : {148, 200, 254, 255})
        EXPECT_EQ(0, GenreToIndex(static_cast<uint8_t>(outside)));
    EXPECT_EQ(255, IndexToGenre(static_cast<uint8_t>(-1))) << "no selection arrives as 255";
}

TEST(Id3v1Genres, ListKeepsItsDisplayOrderAndNames)
{
    EXPECT_STREQ("", GenreList[0]);
    EXPECT_STREQ("Rock", GenreList[GenreToIndex(17)]);
    EXPECT_STREQ("Blues", GenreList[GenreToIndex(0)]);
    EXPECT_STREQ("Synthpop", GenreList[GenreToIndex(147)]);
    EXPECT_STREQ("Vocal", GenreList[148]);
    auto position = [](const char* name) {
        for (std::size_t i = 0; i < kGenreCount; ++i)
            if (std::strcmp(GenreList[i], name) == 0)
                return i;
        return kGenreCount;
    };
    EXPECT_LT(position("Eurodance"), position("Euro-House"));
    EXPECT_GT(position("JPop"), position("Jazz+Funk"));
}

TEST(Id3v1Corpus, LoadsEverySampleFile)
{
    VARNOLI_NEED_CORPUS();
    for (const std::string& path : corpusFiles()) {
        Tid3tag tag;
        const TagResult r = tag.LoadFromFile(path);
        EXPECT_TRUE(r == kOk || r == kWarnGenre || r == kErrNoTag) << path << ": " << r;
        EXPECT_LE(tag.Title().size(), 30u);
    }
}
