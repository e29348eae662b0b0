// Tests of varnoli-cli rename: the Filename Edit tab's name and rename from the command line.
#include "support/id3v2_builder.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace testsupport;

namespace {

const Bytes kSong = concat({Id3v2Bytes(3).frame("TIT2", {0, 'V', '2'}).bytes(), audioPattern(500),
                            id3v1Record("Caf\xE9", "Band", "", "1999", "", 17, 4)});

} // namespace

TEST(CliRename, BuildsTheNameFromEitherTagAndRenames)
{
    TempDir dir;
    const std::string path = dir.write("a.MP3", kSong);
    const auto dry = runCli({"rename", "--fields", "Track,Title,,Genre", "--delimiter", " - ", "--dry-run", path});
    EXPECT_EQ(0, dry.exitCode) << dry.err;
    EXPECT_EQ("4 - Caf\xC3\xA9 - Rock.mp3\n", dry.out);
    EXPECT_EQ(kSong, readFile(path));

    const auto v2 = runCli({"rename", "--v2", "--fields", "Title,Album", path});
    EXPECT_EQ(0, v2.exitCode) << v2.err;
    EXPECT_EQ("V2.mp3\n", v2.out);
    EXPECT_EQ(kSong, readFile(dir.file("V2.mp3")));
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(CliRename, RefusalsExitOneAndUsageErrorsTwo)
{
    TempDir dir, state;
    const ScopedEnv stateHome("XDG_STATE_HOME", state.path());
    const std::string path = dir.write("a.mp3", kSong);
    dir.write("Band.mp3", audioPattern(64));
    const auto invalid = runCli({"rename", "--fields", "Album", path});
    EXPECT_EQ(1, invalid.exitCode);
    EXPECT_EQ("Invalid Filename.\n", invalid.err);
    const auto taken = runCli({"rename", "--fields", "Artist", path});
    EXPECT_EQ(1, taken.exitCode);
    EXPECT_EQ("A file named 'Band.mp3' already exists. The file 'a.mp3' was not renamed.\n", taken.err);
    EXPECT_EQ(audioPattern(64), readFile(dir.file("Band.mp3")));
    EXPECT_EQ(1, runCli({"rename", "--fields", "Title", dir.write("notes.txt", kSong)}).exitCode);

    for (const char* fields : {"artist", "Title,Title,Title,Title,Title,Title,Title,Title"})
        EXPECT_EQ(2, runCli({"rename", "--fields", fields, path}).exitCode) << fields;
    EXPECT_EQ(2, runCli({"rename", path}).exitCode);
    EXPECT_EQ(kSong, readFile(path));

    // The refused rename left no entry, so an undo cannot give its old name to the file
    // that had the new one.
    std::filesystem::remove(path);
    EXPECT_EQ(1, runCli({"undo"}).exitCode);
    EXPECT_EQ(audioPattern(64), readFile(dir.file("Band.mp3")));
    EXPECT_FALSE(std::filesystem::exists(path));
}
