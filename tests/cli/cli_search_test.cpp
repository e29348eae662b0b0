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

namespace {

// `count` frames of MPEG 1 layer III at 44.1 kHz, the bitrate by its index (9: 128, 14: 320 kbit/s).
Bytes cbrFrames(int bitrateIndex, int count)
{
    static constexpr int kKbps[] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
    Bytes f(std::size_t(144 * kKbps[bitrateIndex] * 1000 / 44100), 0x55);
    f[0] = 0xFF, f[1] = 0xFB, f[2] = uint8_t(bitrateIndex << 4), f[3] = 0x64;
    Bytes all;
    for (int i = 0; i < count; ++i)
        all.insert(all.end(), f.begin(), f.end());
    return all;
}

} // namespace

TEST(CliSearch, DurationAndBitrateRangesNarrowTheResults)
{
    TempDir dir;
    const Bytes artist = Id3v2Bytes(3).frame("TPE1", {0, 'B', 'a', 'n', 'd'}).bytes();
    const std::string shortLow = dir.write("a.mp3", concat({artist, cbrFrames(9, 100)}));   // 2.6 s at 128
    const std::string longHigh = dir.write("b.mp3", concat({artist, cbrFrames(14, 400)})); // 10.4 s at 320
    dir.write("c.mp3", bytesOf("no audio here"));
    const auto found = [&](std::vector<std::string> args) {
        const CommandResult r = runCli(with({"search", dir.path()}, args));
        EXPECT_EQ(0, r.exitCode) << r.err;
        return r.out;
    };
    EXPECT_EQ(longHigh + "\n", found({"--min-duration", "5"}));
    EXPECT_EQ(shortLow + "\n", found({"--max-bitrate", "200"}));
    EXPECT_EQ(shortLow + "\n" + longHigh + "\n", found({"--min-bitrate", "128", "--max-duration", "10.5"}));
    EXPECT_EQ("", found({"--min-bitrate", "129", "--max-duration", "10"}));
    // With a text criterion both must hold; a name that matches alone is not enough.
    EXPECT_EQ(longHigh + "\n", found({"--artist", "band", "--min-duration", "5"}));
    EXPECT_EQ("", found({"--filename", "a", "--min-duration", "5"}));
    for (const char* bad : {"abc", "-1", "", "1e3", "nan"})
        EXPECT_EQ(2, runCli({"search", dir.path(), "--max-duration", bad}).exitCode) << bad;
}
