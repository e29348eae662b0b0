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
    EXPECT_EQ(path + " -> " + dir.file("4 - Caf\xC3\xA9 - Rock.mp3") + "\n", dry.out);
    EXPECT_EQ(kSong, readFile(path));

    const auto v2 = runCli({"rename", "--v2", "--fields", "title,ALBUM", path});
    EXPECT_EQ(0, v2.exitCode) << v2.err;
    EXPECT_EQ(path + " -> " + dir.file("V2.mp3") + "\n", v2.out);
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
    EXPECT_EQ("'" + path + "': '.mp3' is an Invalid Filename.\nNothing was renamed.\n", invalid.err);
    const auto taken = runCli({"rename", "--fields", "Artist", path});
    EXPECT_EQ(1, taken.exitCode);
    EXPECT_EQ("A file named 'Band.mp3' already exists. The file '" + path + "' would not be renamed.\nNothing was renamed.\n",
              taken.err);
    EXPECT_EQ(audioPattern(64), readFile(dir.file("Band.mp3")));
    EXPECT_EQ(1, runCli({"rename", "--fields", "Title", dir.write("notes.txt", kSong)}).exitCode);

    for (const char* fields : {"artists", "Title,Title,Title,Title,Title,Title,Title,Title"})
        EXPECT_EQ(2, runCli({"rename", "--fields", fields, path}).exitCode) << fields;
    EXPECT_EQ(2, runCli({"rename", path}).exitCode);
    EXPECT_EQ(2, runCli({"rename", "--fields", "Title", "--track-digits", "x", path}).exitCode);
    EXPECT_EQ(kSong, readFile(path));

    // The refused rename left no entry, so an undo cannot give its old name to the file
    // that had the new one.
    std::filesystem::remove(path);
    EXPECT_EQ(1, runCli({"undo"}).exitCode);
    EXPECT_EQ(audioPattern(64), readFile(dir.file("Band.mp3")));
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(CliRename, ABatchIsOneUndoAndAClashRenamesNothing)
{
    TempDir dir, state;
    const ScopedEnv stateHome("XDG_STATE_HOME", state.path());
    std::vector<std::string> files;
    for (int track = 1; track <= 40; ++track)
        files.push_back(dir.write("f" + std::to_string(track) + ".mp3",
                                  concat({audioPattern(200), id3v1Record("Song " + std::to_string(track), "Band", "",
                                                                         "", "", 255, static_cast<uint8_t>(track))})));
    std::vector<std::string> args{"rename", "--fields", "Track,Title", "--delimiter", " ", "--track-digits", "2"};
    args.insert(args.end(), files.begin(), files.end());
    const auto renamed = runCli(args);
    ASSERT_EQ(0, renamed.exitCode) << renamed.err;
    EXPECT_NE(std::string::npos, renamed.out.find(files[6] + " -> " + dir.file("07 Song 7.mp3") + "\n"));
    EXPECT_TRUE(std::filesystem::exists(dir.file("40 Song 40.mp3")));
    EXPECT_FALSE(std::filesystem::exists(files[0]));

    const auto undone = runCli({"undo"});
    EXPECT_EQ(0, undone.exitCode) << undone.err;
    for (const std::string& f : files)
        EXPECT_TRUE(std::filesystem::exists(f)) << f;
    EXPECT_FALSE(std::filesystem::exists(dir.file("07 Song 7.mp3")));

    // Two files to one name: nothing renamed, both named.
    const auto clash = runCli({"rename", "--fields", "Artist", files[0], files[1], files[2]});
    EXPECT_EQ(1, clash.exitCode);
    EXPECT_NE(std::string::npos, clash.err.find("would both be named 'Band.mp3'")) << clash.err;
    EXPECT_EQ("", clash.out);
    for (const std::string& f : files)
        EXPECT_TRUE(std::filesystem::exists(f)) << f;
}

TEST(CliRename, UndoLeavesAFileThatTookTheNewNameAlone)
{
    TempDir dir, state;
    const ScopedEnv stateHome("XDG_STATE_HOME", state.path());
    const std::string path = dir.write("A.mp3", kSong);
    ASSERT_EQ(0, runCli({"rename", "--v2", "--fields", "Title", path}).exitCode);
    // Another file of the same size in its place (made while the first still is, so it
    // cannot reuse its inode): the undo must not rename it.
    writeFile(dir.file("other"), kSong);
    std::filesystem::remove(dir.file("V2.mp3"));
    std::filesystem::rename(dir.file("other"), dir.file("V2.mp3"));
    const auto undone = runCli({"undo"});
    EXPECT_EQ(1, undone.exitCode);
    EXPECT_NE(std::string::npos, undone.err.find("is not the file that was renamed")) << undone.err;
    EXPECT_TRUE(std::filesystem::exists(dir.file("V2.mp3")));
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(CliRename, HelpGivesTheSynopsesOfRenameAndFromName)
{
    const auto rename = runCli({"rename", "--help"});
    EXPECT_EQ(0u, rename.out.find("usage: varnoli-cli rename [--v2] (--fields F1,F2,... [--delimiter D] "
                                  "[--track-digits N] | --pattern P) [--dry-run] FILE...\n"))
        << rename.out;
    const auto fromName = runCli({"from-name", "--help"});
    EXPECT_EQ(0u, fromName.out.find("usage: varnoli-cli from-name --pattern P [--v1 | --v2] [--dry-run] FILE...\n"))
        << fromName.out;
    EXPECT_NE(std::string::npos, runCli({"--help"}).out.find(" from-name"));
}

TEST(CliRename, NamedFieldsNameFilesAndFillThemFromNames)
{
    TempDir dir, state;
    const ScopedEnv stateHome("XDG_STATE_HOME", state.path());
    const Bytes song = concat({Id3v2Bytes(3)
                                   .frame("TPE2", concat({{0}, bytesOf("AC/DC")}))
                                   .frame("TPOS", concat({{0}, bytesOf("1/2")}))
                                   .frame("TRCK", concat({{0}, bytesOf("7")}))
                                   .padding(64)
                                   .bytes(),
                               audioPattern(300)});
    const std::string path = dir.write("a.mp3", song);
    const auto dry = runCli({"rename", "--v2", "--fields", "disc,Track,ALBUMARTIST", "--track-digits", "2",
                             "--delimiter", " ", "--dry-run", path});
    EXPECT_EQ(0, dry.exitCode) << dry.err;
    EXPECT_EQ(path + " -> " + dir.file("01 07 AC-DC.mp3") + "\n", dry.out);
    // An ID3v1 tag has no album artist.
    EXPECT_EQ(2, runCli({"rename", "--fields", "albumartist", path}).exitCode);

    const std::string a = dir.write("2 - Band - One.mp3", audioPattern(300));
    const std::string b = dir.write("x - Band - Two.mp3", audioPattern(300));
    const char* pattern = "{disc} - {albumartist} - {title}";
    const auto refused = runCli({"from-name", "--pattern", pattern, a, b});
    EXPECT_EQ(2, refused.exitCode);
    EXPECT_NE(std::string::npos, refused.err.find("disc: 'x' is not")) << refused.err;
    EXPECT_EQ(audioPattern(300), readFile(a));
    EXPECT_EQ(audioPattern(300), readFile(b));
    EXPECT_EQ(2, runCli({"from-name", "--pattern", pattern, "--v1", a}).exitCode);
    EXPECT_EQ(audioPattern(300), readFile(a));

    const auto filled = runCli({"from-name", "--pattern", pattern, a});
    EXPECT_EQ(0, filled.exitCode) << filled.err;
    EXPECT_EQ("2", v2TextOf(a, "TPOS"));
    EXPECT_EQ("Band", v2TextOf(a, "TPE2"));
    EXPECT_EQ(0, runCli({"undo"}).exitCode);
    EXPECT_EQ(audioPattern(300), readFile(a));
}
