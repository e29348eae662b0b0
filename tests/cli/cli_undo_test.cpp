// Tests of varnoli-cli undo: saves taken back by a later run of the program.
#include "support/id3v2_builder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

using namespace testsupport;

namespace {

// Each test keeps its journal apart; the runs of varnoli-cli inherit the folder.
class CliUndo : public ::testing::Test {
protected:
    TempDir state, dir;

private:
    const ScopedEnv m_stateHome{"XDG_STATE_HOME", state.path()};
};

const Bytes kSong = concat({Id3v2Bytes(4).frame("TALB", {0, 'L', 'P'}).padding(20).bytes(), audioPattern(9000),
                            id3v1Record("Old", "", "", "", "", 3)});

} // namespace

TEST_F(CliUndo, EachRunTakesBackTheNewestSaveUntilNoneIsLeft)
{
    const std::string a = dir.write("a.mp3", kSong), b = dir.write("b.mp3", audioPattern(4000));
    const Bytes bBefore = readFile(b);
    ASSERT_EQ(0, runCli({"set", "--title", "First", a, b}).exitCode);
    const Bytes aFirst = readFile(a), bFirst = readFile(b);
    ASSERT_EQ(0, runCli({"set", "--v2", "--comment", std::string(9000, 'c'), a, b}).exitCode);

    const CommandResult list = runCli({"undo", "--list"});
    EXPECT_EQ(0, list.exitCode);
    ASSERT_EQ(2, std::count(list.out.begin(), list.out.end(), '\n')) << list.out;
    EXPECT_EQ(0u, list.out.find("2  "));
    EXPECT_NE(std::string::npos, list.out.find("  save  2 files\n1  "));

    EXPECT_EQ(0, runCli({"undo"}).exitCode);
    EXPECT_EQ(aFirst, readFile(a));
    EXPECT_EQ(bFirst, readFile(b));
    const CommandResult undone = runCli({"undo", "1"});
    EXPECT_EQ(0, undone.exitCode) << undone.err;
    EXPECT_EQ(kSong, readFile(a));
    EXPECT_EQ(bBefore, readFile(b));

    const CommandResult twice = runCli({"undo", "1"});
    EXPECT_EQ(1, twice.exitCode);
    EXPECT_NE(std::string::npos, twice.err.find("already undone"));
    EXPECT_EQ(1, runCli({"undo"}).exitCode);
    EXPECT_EQ("", runCli({"undo", "--list"}).out);
    EXPECT_EQ(kSong, readFile(a));
}

TEST_F(CliUndo, AChangedFileIsNamedAndLeftWhileTheOthersAreRestored)
{
    const std::string a = dir.write("a.mp3", kSong), b = dir.write("b.mp3", kSong);
    ASSERT_EQ(0, runCli({"set", "--artist", "New", a, b}).exitCode);
    ASSERT_EQ(0, runCli({"set", "--title", "Later", b}).exitCode);
    const Bytes bLater = readFile(b);
    const CommandResult r = runCli({"undo", "1"});
    EXPECT_EQ(1, r.exitCode);
    EXPECT_EQ("'" + b + "' has changed since that save; it is left as it is.\n", r.err);
    EXPECT_EQ(kSong, readFile(a));
    EXPECT_EQ(bLater, readFile(b));
}

TEST_F(CliUndo, BadArgumentsAreUsageErrors)
{
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"undo", "x1"}, {"undo", "1", "2"}, {"undo", "--lost"}})
        EXPECT_EQ(2, runCli(args).exitCode) << args[1];
    EXPECT_NE(std::string::npos, runCli({"undo", "7"}).err.find("no entry 7"));
}
