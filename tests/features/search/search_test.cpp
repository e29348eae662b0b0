// The search: the matching rule, where each field's value comes from, and the walk.
#include "features/index/tag_index.h"
#include "features/search/search.h"
#include "support/id3v2_builder.h"
#include "tags/id3v1/id3.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

using namespace testsupport;
namespace fs = std::filesystem;

namespace {

const Bytes kNoV1;

class SearchTest : public ::testing::Test {
protected:
    // A file in `dir` with an optional ID3v2 tag of text frames and an optional ID3v1 record.
    std::string mp3(const std::string& name, std::vector<std::pair<std::string, std::string>> frames,
                    const Bytes& v1 = kNoV1)
    {
        Bytes v2;
        if (!frames.empty()) {
            Id3v2Bytes tag(3);
            for (const auto& [id, text] : frames)
                tag.frame(id, id == "COMM" ? concat({{0, 'e', 'n', 'g', 0}, bytesOf(text)}) : concat({{0}, bytesOf(text)}));
            v2 = tag.padding(16).bytes();
        }
        fs::create_directories(fs::path(dir.file(name)).parent_path());
        return dir.write(name, concat({v2, audioPattern(300), v1}));
    }
    // The names of the results, relative to the folder.
    std::vector<std::string> search(SearchRequest request, Progress& progress = noProgress())
    {
        if (request.folder.empty())
            request.folder = dir.path();
        std::vector<std::string> names;
        for (const std::string& path : runSearch(request, v1, v2, progress).results)
            names.push_back(path.substr(dir.path().size()));
        return names;
    }
    static SearchRequest asking(TagField field, const std::string& text, bool exact = false)
    {
        SearchRequest request;
        request.fields[fieldIndex(field)] = {text, exact};
        return request;
    }

    TempDir dir;
    Tid3tag v1;
    Tid3v2tag v2;
};

using Names = std::vector<std::string>;

// Records what the walk reports.
struct CountingProgress : Progress {
    void begin(std::size_t total) override { this->total = total; }
    void advance(std::size_t done, const std::string& current) override
    {
        last = done;
        if (!current.empty())
            ++files;
    }
    std::size_t total = 0, last = 0, files = 0;
};

} // namespace

TEST(SearchMatch, PrefixExactOrContainedIgnoringCaseAndComposition)
{
    EXPECT_TRUE(matchesCriterion("Beatles", "beat", false));
    EXPECT_TRUE(matchesCriterion("BEAT", "beat", false));
    EXPECT_FALSE(matchesCriterion("The Beatles", "beat", false));
    EXPECT_TRUE(matchesCriterion("The Beatles", "BEAT", false, true));
    EXPECT_FALSE(matchesCriterion("Beatles", "beat", true));
    EXPECT_TRUE(matchesCriterion("BEAT", "beat", true) && matchesCriterion("beat", "beat", true));
    // Unicode case folding: Greek with its final sigma, Cyrillic, the German sharp s.
    EXPECT_TRUE(matchesCriterion("\xCE\xA3\xCE\x9F\xCE\xA6\xCE\x8A\xCE\x91\xCE\xA3", "\xCF\x83\xCE\xBF\xCF\x86\xCE\xAF\xCE\xB1\xCF\x82", true));
    EXPECT_TRUE(matchesCriterion("\xD0\x9A\xD0\x98\xD0\x9D\xD0\x9E", "\xD0\xBA\xD0\xB8\xD0\xBD\xD0\xBE", true));
    EXPECT_TRUE(matchesCriterion("Stra\xC3\x9F" "e", "STRASSE", true));
    // Composed and decomposed forms alike; a bare letter is no prefix of an accented one.
    EXPECT_TRUE(matchesCriterion("Cafe\xCC\x81 Noir", "caf\xC3\xA9", false));
    EXPECT_TRUE(matchesCriterion("Caf\xC3\xA9", "CAFE\xCC\x81", true));
    EXPECT_FALSE(matchesCriterion("\xC3\xA9t\xC3\xA9", "e", false));
    // Bytes that are not UTF-8 (a file name) are compared as they are, a to z folded.
    EXPECT_TRUE(matchesCriterion("\xE9T\xE9.mp3", "\xE9t", false));
    EXPECT_FALSE(matchesCriterion("\xC9t\xE9", "\xE9t\xE9", true));
}

TEST_F(SearchTest, FileNameIncludesItsExtensionAndAFileIsListedOnce)
{
    mp3("song.mp3", {}, id3v1Record("Song", "Song", "", "", "", 0));
    mp3("Songbook.mp3", {});
    mp3("other.mp3", {});
    SearchRequest request;
    request.filename = {"song", true};
    EXPECT_EQ(Names{}, search(request));
    request.filename = {"song", false};
    request.fields[fieldIndex(TagField::Artist)] = {"song", false};
    request.fields[fieldIndex(TagField::Title)] = {"song", true};
    Names found = search(request);
    std::sort(found.begin(), found.end());
    EXPECT_EQ((Names{"Songbook.mp3", "song.mp3"}), found);
}

TEST_F(SearchTest, FieldsComeFromIdV1ThenIdV2GenreOnlyFromIdV2)
{
    mp3("a.mp3", {{"TPE1", "Two"}, {"TCON", "Rock"}, {"TRCK", "3"}, {"COMM", "Note"}},
        id3v1Record("", "One", "", "", "", 17));
    mp3("v1rock.mp3", {}, id3v1Record("", "", "", "", "", 17));
    mp3("number.mp3", {{"TCON", "(17)"}});
    mp3("track.mp3", {{"TRCK", "9"}}, id3v1Record("", "", "", "", "", 255, 3));
    mp3("bare.mp3", {});
    Names rock = search(asking(TagField::Genre, "rock")); // "(17)" is the list's Rock
    std::sort(rock.begin(), rock.end());
    EXPECT_EQ((Names{"a.mp3", "number.mp3"}), rock);
    Names three = search(asking(TagField::Track, "3"));
    std::sort(three.begin(), three.end());
    EXPECT_EQ((Names{"a.mp3", "track.mp3"}), three);
    EXPECT_EQ(Names{"track.mp3"}, search(asking(TagField::Track, "9")));
    EXPECT_EQ(Names{"a.mp3"}, search(asking(TagField::Comment, "NOTE", true)));
    // Both values are tried: ID3v1 may hold a cut or "?" copy of the ID3v2 text.
    EXPECT_EQ(Names{"a.mp3"}, search(asking(TagField::Artist, "one")));
    EXPECT_EQ(Names{"a.mp3"}, search(asking(TagField::Artist, "two")));
}

TEST_F(SearchTest, WalkOrderSubfoldersHiddenFoldersAndProgress)
{
    mp3("sub/deep/c.mp3", {}, id3v1Record("", "Hit", "", "", "", 0));
    mp3("sub/b.mp3", {}, id3v1Record("", "Hit", "", "", "", 0));
    mp3(".hidden/h.mp3", {}, id3v1Record("", "Hit", "", "", "", 0));
    mp3(".a.MP3", {}, id3v1Record("", "Hit", "", "", "", 0)); // hidden files are examined
    mp3("miss.mp3", {}, id3v1Record("", "Other", "", "", "", 0));
    dir.write("notes.txt", id3v1Record("", "Hit", "", "", "", 0));
    fs::create_directory_symlink(dir.path(), dir.file("sub/deep/up")); // a loop back to the top

    CountingProgress progress;
    SearchRequest request = asking(TagField::Artist, "hit");
    EXPECT_EQ(Names{".a.MP3"}, search(request, progress));
    EXPECT_EQ(2u, progress.total);
    request.subfolders = true;
    progress = CountingProgress();
    // A folder's own files first, then its subfolders, depth first; each folder once.
    EXPECT_EQ((Names{".a.MP3", "sub/b.mp3", "sub/deep/c.mp3"}), search(request, progress));
    EXPECT_EQ(4u, progress.total);
    EXPECT_EQ(4u, progress.last);
    EXPECT_EQ(4u, progress.files);

    // No criterion: nothing matches, but every file is still examined.
    CountingProgress empty;
    SearchRequest none;
    none.subfolders = true;
    EXPECT_EQ(Names{}, search(none, empty));
    EXPECT_EQ(4u, empty.files);
}

TEST_F(SearchTest, NamedFieldsMatchAnyOfTheirValuesByTheSameRule)
{
    mp3("various.mp3", {{"TPE2", "Various Artists"}, {"TPOS", "1/2"}});
    mp3("user.mp3", {{"TPE1", "Solo"}}, id3v1Record("", "Solo", "", "", "", 0));
    // A version 2.4 frame of two values, each found alone and both as people see them.
    dir.write("two.mp3", concat({Id3v2Bytes(4).frame("TPE2", concat({{3}, bytesOf("Ann"), {0}, bytesOf("Bob")})).bytes(),
                                 audioPattern(300)}));
    const auto asking = [](const char* name, const std::string& text, bool exact = false, bool contains = false) {
        SearchRequest request;
        request.more.push_back({namedField(name), {text, exact, contains}});
        return request;
    };
    EXPECT_EQ(Names{"various.mp3"}, search(asking("albumartist", "VARIOUS")));
    EXPECT_EQ(Names{}, search(asking("albumartist", "artists")));
    EXPECT_EQ(Names{"various.mp3"}, search(asking("albumartist", "artists", false, true)));
    EXPECT_EQ(Names{"various.mp3"}, search(asking("disc", "1/2", true)));
    EXPECT_EQ(Names{}, search(asking("disc", "1", true)));
    EXPECT_EQ(Names{"two.mp3"}, search(asking("albumartist", "bob", true)));
    EXPECT_EQ(Names{"two.mp3"}, search(asking("albumartist", "ann; bob", true)));
    // One of the seven named again goes by its own rule: the ID3v1 value counts too.
    EXPECT_EQ(Names{"user.mp3"}, search(asking("artist", "solo", true)));
    // Any criterion that matches finds the file.
    SearchRequest either = asking("disc", "1");
    either.fields[fieldIndex(TagField::Artist)] = {"solo"};
    Names found = search(either);
    std::sort(found.begin(), found.end());
    EXPECT_EQ((Names{"user.mp3", "various.mp3"}), found);
}

TEST(SearchMatch, IgnoringAccentsLettersMatchWhateverMarksTheyCarry)
{
    const auto same = [](const std::string& value, const std::string& criterion, bool ignoreAccents) {
        std::string valueKey, criterionKey;
        searchKey(value, valueKey, ignoreAccents);
        searchKey(criterion, criterionKey, ignoreAccents);
        return matchesKey(valueKey, criterionKey, true, false);
    };
    const std::vector<std::pair<std::string, std::string>> pairs = {
        {"Caf\xC3\xA9", "cafe"},                                       // composed
        {"Cafe\xCC\x81", "CAFE"},                                      // decomposed
        {"\xCE\x91\xCE\x93\xCE\x86\xCE\xA0\xCE\x97", "\xCE\xB1\xCE\xB3\xCE\xB1\xCF\x80\xCE\xB7"}, // Greek tonos
        {"Bj\xC3\xB6rk", "bjork"},
        {"\xC3\x85ngstr\xC3\xB6m", "angstrom"},
    };
    for (const auto& [value, criterion] : pairs) {
        EXPECT_TRUE(same(value, criterion, true)) << value;
        EXPECT_FALSE(same(value, criterion, false)) << value;
    }
    // Letters that are not a base letter and a mark stay apart.
    EXPECT_FALSE(same("Stra\xC3\x9F" "e", "strabe", true));
    EXPECT_FALSE(same("\xC5\x81\xC3\xB3" "d\xC5\xBA", "lodz", true));
}

TEST_F(SearchTest, TheIndexFindsWhatTheFilesGiveInTheListsOrder)
{
    mp3("b.mp3", {{"TPE1", "Caf\xE9 Noir"}, {"TPE2", "Crew"}}); // ISO-8859-1
    mp3("A.mp3", {{"TPE1", "cafe"}}, id3v1Record("", "Cafe", "", "", "", 0));
    mp3("c.mp3", {{"TPE1", "Tea"}});
    std::this_thread::sleep_for(std::chrono::milliseconds(150)); // so that the index keeps them
    SearchRequest request = asking(TagField::Artist, "CAFE");
    request.ignoreAccents = true;
    request.folder = dir.path();
    EXPECT_EQ((Names{"A.mp3", "b.mp3"}), search(request));
    TagIndex index(dir.file("tags.db"));
    for (int round = 0; round < 2; ++round) {
        std::vector<std::string> found;
        for (const std::string& path : runSearch(request, v1, v2, noProgress(), &index).results)
            found.push_back(path.substr(dir.path().size()));
        EXPECT_EQ((Names{"A.mp3", "b.mp3"}), found);
    }
    EXPECT_EQ(3u, index.filesRead()); // once each, the second round from the index alone
    request.ignoreAccents = false;
    EXPECT_EQ(Names{"A.mp3"}, search(request));
}
