// varnoli-cli check: its lines and JSON, the exit code, and --fix taken back by one undo.
#include "support/two_tag_song.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace testsupport;

namespace {

class CliCheck : public ::testing::Test {
protected:
    TempDir dir;
    // The folder the files go into, made before they are written.
    const bool made = std::filesystem::create_directories(dir.file("Music"));
    const std::string clean = dir.write("Music/1.mp3", twoTagSong("One", "One"));
    const std::string differs = dir.write("Music/2.mp3", twoTagSong("Two", "Old"));
    TempDir state;

private:
    const ScopedEnv m_stateHome{"XDG_STATE_HOME", state.path()};
};

} // namespace

TEST_F(CliCheck, PrintsALinePerProblemAndExitsOneOnlyForAnError)
{
    const CommandResult warned = runCli({"check", dir.path() + "Music"});
    EXPECT_EQ(0, warned.exitCode) << warned.err;
    EXPECT_EQ(differs + ": warning: tags_disagree_title: the Title is \"Old\" in the ID3v1 tag and \"Two\" in the "
                        "ID3v2 tag; players and devices that read only one of the tags show another value\n",
              warned.out);

    const std::string picture = dir.write("cover.mp3", Bytes(4000, 0xAB));
    const CommandResult failedOne = runCli({"check", "--json", clean, picture});
    EXPECT_EQ(1, failedOne.exitCode);
    EXPECT_EQ(0u, failedOne.out.find("{\"file\": \"" + clean + "\", \"problems\": []}\n")) << failedOne.out;
    EXPECT_NE(std::string::npos, failedOne.out.find("\"check\": \"not_mp3\", \"severity\": \"error\""));
    EXPECT_NE(std::string::npos, failedOne.out.find("\"fixable\": false}]}\n"));
}

TEST_F(CliCheck, ALibraryBelowAFolderWithSubfoldersIsChecked)
{
    const CommandResult flat = runCli({"check", dir.path()});
    EXPECT_EQ("", flat.out);
    const CommandResult deep = runCli({"check", "-r", dir.path()});
    EXPECT_NE(std::string::npos, deep.out.find("Music/2.mp3: warning: tags_disagree_title"));
}

TEST_F(CliCheck, FixIsOneBatchThatOneUndoTakesBack)
{
    const Bytes before = readFile(differs);
    const CommandResult fixed = runCli({"check", "--fix", "--json", differs, clean});
    EXPECT_EQ(0, fixed.exitCode) << fixed.err;
    EXPECT_NE(std::string::npos, fixed.out.find("\"fixable\": true}], \"fixed\": [\"copied the field into the tag "
                                                 "that differed\"]}"))
        << fixed.out;
    EXPECT_EQ("", runCli({"check", differs}).out);

    const CommandResult undo = runCli({"undo"});
    EXPECT_EQ(0, undo.exitCode) << undo.err;
    EXPECT_EQ(before, readFile(differs));
}

TEST_F(CliCheck, EncodingRunsOnlyTheTextEncodingChecks)
{
    ASSERT_NE("", runCli({"check", differs}).out);
    const CommandResult r = runCli({"check", "--encoding", differs, clean});
    EXPECT_EQ(0, r.exitCode) << r.err;
    EXPECT_EQ("", r.out);
}
