// Tests of varnoli-cli search: the "Search" tab's search from the command line.
#include "support/id3v2_builder.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace testsupport;

TEST(CliSearch, PrintsResultsInWalkOrder)
{
    TempDir dir;
    std::filesystem::create_directories(dir.file("sub"));
    const std::string top = dir.write("Caf\xC3\xA9.mp3", concat({audioPattern(300),
                                                                id3v1Record("", "Beatles", "", "", "", 0)}));
    const std::string deep = dir.write("sub/b.mp3", concat({audioPattern(300), id3v1Record("", "beat", "", "", "", 0)}));
    dir.write("c.mp3", concat({audioPattern(300), id3v1Record("", "The Beat", "", "", "", 0)}));

    auto r = runCli({"search", dir.path(), "--subfolders", "--artist", "BEAT"});
    ASSERT_EQ(0, r.exitCode) << r.err;
    EXPECT_EQ(top + "\n" + deep + "\n", r.out);
    r = runCli({"search", dir.path(), "--subfolders", "--artist", "BEAT", "--exact", "artist"});
    EXPECT_EQ(deep + "\n", r.out);
    // The file name is matched as the file system's bytes.
    r = runCli({"search", dir.path(), "--filename", "caf\xC3\xA9.MP3", "--exact", "Title,FILENAME"});
    EXPECT_EQ(top + "\n", r.out);
}

TEST(CliSearch, ResultsForPeopleEscapedForScriptsRawAndUnreadableFoldersNamed)
{
    TempDir dir;
    std::filesystem::create_directories(dir.file("locked"));
    const Bytes beat = concat({audioPattern(300), id3v1Record("", "Beat", "", "", "", 0)});
    const std::string odd = dir.write("a\x1B[31m\nb.mp3", beat);
    dir.write("locked/c.mp3", beat);
    const std::string oddEnded = odd + std::string(1, '\0');

    auto r = runCli({"search", dir.path(), "--artist", "beat"});
    EXPECT_EQ(0, r.exitCode) << r.err;
    EXPECT_EQ(dir.file("a\\x1b[31m\\x0ab.mp3\n"), r.out);
    r = runCli({"search", dir.path(), "--print0", "--artist", "beat"});
    EXPECT_EQ(oddEnded, r.out);
    EXPECT_NE(std::string::npos, runCli({"search", "--help"}).out.find("--print0"));

    const UnlistableFolder locked(dir.file("locked"));
    if (!locked.available())
        GTEST_SKIP() << "a folder cannot be made unreadable here";
    r = runCli({"search", dir.path(), "--subfolders", "--print0", "--artist", "beat"});
    EXPECT_EQ(1, r.exitCode);
    EXPECT_EQ(oddEnded, r.out);
    EXPECT_EQ("varnoli-cli search: Cannot read the folder '" + dir.file("locked/") +
                  "': Permission denied; its files are left out.\n",
              r.err);
}

TEST(CliSearch, MissingFolderAndUsageErrors)
{
    TempDir dir;
    auto r = runCli({"search", dir.file("absent"), "--artist", "x"});
    EXPECT_EQ(1, r.exitCode);
    EXPECT_EQ("", r.out);
    EXPECT_NE(std::string::npos, r.err.find("absent"));

    const std::vector<std::vector<std::string>> bad = {
        {"search"}, {"search", dir.path(), "--colour", "red"}, {"search", dir.path(), "--artist"},
        {"search", dir.path(), "--exact", "size"}, {"search", dir.path(), dir.path()},
        {"search", dir.path(), "--title", "\xE2\x82"}, {"search", dir.path(), "--contains", "size"},
    };
    for (const auto& args : bad) {
        r = runCli(args);
        EXPECT_EQ(2, r.exitCode) << args.back();
        EXPECT_FALSE(r.err.empty()) << args.back();
    }
}

TEST(CliSearch, AnyNamedFieldIsACriterion)
{
    TempDir dir;
    const auto song = [&](const char* name, const char* albumArtist) {
        return dir.write(name, concat({Id3v2Bytes(3).frame("TPE2", concat({{0}, bytesOf(albumArtist)})).bytes(),
                                       audioPattern(300)}));
    };
    const std::string various = song("a.mp3", "Various Artists");
    const std::string band = song("b.mp3", "Various");
    auto r = runCli({"search", dir.path(), "--field", "AlbumArtist=various", "--exact", "albumartist"});
    EXPECT_EQ(0, r.exitCode) << r.err;
    EXPECT_EQ(band + "\n", r.out);
    r = runCli({"search", dir.path(), "--field", "albumartist=ARTISTS", "--contains", "albumartist"});
    EXPECT_EQ(various + "\n", r.out);
    r = runCli({"search", dir.path(), "--field", "disc=1", "--field", "albumartist=various a"});
    EXPECT_EQ(various + "\n", r.out);
    for (const char* bad : {"albumartist", "colour=red"})
        EXPECT_EQ(2, runCli({"search", dir.path(), "--field", bad}).exitCode) << bad;
}
