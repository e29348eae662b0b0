// Tests of varnoli-cli show and search through the tag index: the same output as reading
// every file, whatever became of the index.
#include "features/index/tag_index.h"
#include "support/id3v2_builder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

using namespace testsupport;
namespace fs = std::filesystem;

namespace {

class CliIndexTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        VARNOLI_NEED_CORPUS();
        fs::create_directories(dir.file("music/b"));
        fs::copy(corpusDir(), dir.file("music/a"), fs::copy_options::recursive);
        fs::copy(corpusDir(), dir.file("music/b/deeper"), fs::copy_options::recursive);
        // The index keeps a file only once it has been still for a moment.
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
    }
    std::string index() const { return cache.file("varnoli/tags.db"); }
    // Each run through the index, filling it and then using it, against one reading every file.
    void expectSameThroughIndex(const std::vector<std::string>& args, const std::string& what)
    {
        const CommandResult read = runCli(with(args, {"--no-index"}));
        for (const char* run : {"filling", "warm"}) {
            const CommandResult indexed = runCli(args);
            EXPECT_EQ(read.out, indexed.out) << what << ", " << run;
            EXPECT_EQ(read.err, indexed.err) << what << ", " << run;
            EXPECT_EQ(read.exitCode, indexed.exitCode) << what << ", " << run;
        }
    }
    void expectShowAndSearchAlike(const std::string& when)
    {
        const std::string music = dir.file("music");
        expectSameThroughIndex({"show", "--json", "-r", music}, when + ": show --json -r");
        expectSameThroughIndex({"show", music + "/a", music + "/b/deeper"}, when + ": show");
        for (const std::vector<std::string>& criteria :
             std::vector<std::vector<std::string>>{{"--artist", "a"}, {"--title", "e", "--contains", "title"},
                                                   {"--field", "albumartist=a"}, {"--min-duration", "1"}})
            expectSameThroughIndex(with({"search", music, "--subfolders"}, criteria), when + ": search " + criteria[0]);
    }

    TempDir dir, cache;
    const ScopedEnv cacheHome{"XDG_CACHE_HOME", cache.path()};
};

} // namespace

TEST_F(CliIndexTest, ShowAndSearchAreTheSameThroughTheIndex)
{
    expectShowAndSearchAlike("a new index");
    EXPECT_TRUE(fs::exists(index()));
    // Our own save, and another program's change, are seen.
    const std::string song = dir.file("music/a/xing.mp3");
    fs::permissions(song, fs::perms::owner_write, fs::perm_options::add);
    ASSERT_EQ(0, runCli({"set", "--title", "Indexed", song}).exitCode);
    EXPECT_NE(std::string::npos, runCli({"show", "--json", "-r", dir.file("music")}).out.find("\"Indexed\""));
    writeFile(song, readFile(corpusDir() + "/xing.mp3"));
    EXPECT_EQ(std::string::npos, runCli({"show", "--json", "-r", dir.file("music")}).out.find("\"Indexed\""));
}

TEST_F(CliIndexTest, ARenamedFileKeepsItsRecord)
{
    runCli({"show", "-r", dir.file("music")});
    const std::string song = dir.file("music/a/lame_cbr.mp3");
    ASSERT_EQ(0, runCli({"rename", "--pattern", "renamed", song}).exitCode);
    TagIndex index(this->index());
    const std::vector<IndexRecord> records = index.lookup({dir.file("music/a/renamed.mp3")});
    EXPECT_EQ(0u, index.filesRead());
    EXPECT_EQ(0, records[0].fields.v2.result);
}

TEST_F(CliIndexTest, DamagedIndexIsSetAsideAndRebuilt)
{
    runCli({"show", "-r", dir.file("music")});
    writeFile(index(), audioPattern(50000));
    fs::remove(index() + "-wal");
    expectShowAndSearchAlike("garbage");
    EXPECT_TRUE(fs::exists(index() + ".broken"));
    Bytes bytes = readFile(index());
    bytes.resize(bytes.size() / 3);
    writeFile(index(), bytes);
    expectShowAndSearchAlike("cut short");
    fs::remove(index());
    expectShowAndSearchAlike("deleted");
}

TEST(CliIndex, SearchIgnoringAccents)
{
    TempDir dir;
    const auto text = [](const std::string& s) { return concat({{1, 0xFF, 0xFE}, s.empty() ? Bytes{} : bytesOf(s)}); };
    // UTF-16LE "ΑΓΆΠΗ"
    const Bytes greek = {0x91, 0x03, 0x93, 0x03, 0x86, 0x03, 0xA0, 0x03, 0x97, 0x03};
    const std::string love = dir.write("love.mp3", concat({Id3v2Bytes(3).frame("TIT2", concat({text(""), greek})).bytes(),
                                                          audioPattern(300)}));
    const std::string cafe = dir.write("cafe.mp3", concat({audioPattern(300), id3v1Record("Caf\xE9", "", "", "", "", 0)}));
    auto r = runCli({"search", dir.path(), "--title", "\xCE\xB1\xCE\xB3\xCE\xB1\xCF\x80\xCE\xB7", "--ignore-accents"});
    EXPECT_EQ(love + "\n", r.out) << r.err;
    r = runCli({"search", dir.path(), "--title", "CAFE", "--ignore-accents"});
    EXPECT_EQ(cafe + "\n", r.out) << r.err;
    EXPECT_EQ("", runCli({"search", dir.path(), "--title", "CAFE"}).out);
}
