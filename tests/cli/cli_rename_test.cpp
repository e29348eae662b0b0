// Tests of varnoli-cli rename: the Filename Edit tab's name and rename from the command line.
#include "support/id3v2_builder.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace testsupport;
namespace fs = std::filesystem;

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
    EXPECT_TRUE(fs::exists(path));

    const auto v2 = runCli({"rename", "--v2", "--fields", "Title,Album", path});
    EXPECT_EQ(0, v2.exitCode) << v2.err;
    EXPECT_EQ("V2.mp3\n", v2.out);
    EXPECT_EQ(kSong, readFile(dir.file("V2.mp3")));
    EXPECT_FALSE(fs::exists(path));
}

TEST(CliRename, RefusedNamesExitOneWithTheWindowsMessage)
{
    TempDir dir;
    const std::string path = dir.write("a.mp3", kSong);
    const Bytes other = audioPattern(64);
    dir.write("Band.mp3", other);

    const auto invalid = runCli({"rename", "--fields", "Album", path});
    EXPECT_EQ(1, invalid.exitCode);
    EXPECT_EQ("Invalid Filename.\n", invalid.err);
    EXPECT_EQ("", invalid.out);

    for (const bool dryRun : {true, false}) {
        std::vector<std::string> args = {"rename", "--fields", "Artist", path};
        if (dryRun)
            args.insert(args.begin() + 1, "--dry-run");
        const auto taken = runCli(args);
        EXPECT_EQ(1, taken.exitCode);
        EXPECT_EQ("A file named 'Band.mp3' already exists. The file 'a.mp3' was not renamed.\n", taken.err);
        EXPECT_EQ(kSong, readFile(path));
    }
    EXPECT_EQ(other, readFile(dir.file("Band.mp3")));

    const std::string text = dir.write("notes.txt", kSong);
    EXPECT_EQ(1, runCli({"rename", "--fields", "Title", text}).exitCode);
    EXPECT_TRUE(fs::exists(text));
}

TEST(CliRename, UsageErrorsChangeNothing)
{
    TempDir dir;
    const std::string path = dir.write("a.mp3", kSong);
    const std::vector<std::vector<std::string>> bad = {
        {"rename", path},
        {"rename", "--fields", "artist", path},
        {"rename", "--fields", "Title,Title,Title,Title,Title,Title,Title,Title", path},
        {"rename", "--fields", "Title", path, path},
        {"rename", "--colour", "red", "--fields", "Title", path},
        {"rename", "--fields", "Title", path, "--delimiter"},
    };
    for (const auto& args : bad) {
        const auto r = runCli(args);
        EXPECT_EQ(2, r.exitCode) << args[1];
        EXPECT_FALSE(r.err.empty()) << args[1];
    }
    EXPECT_EQ(kSong, readFile(path));
}
