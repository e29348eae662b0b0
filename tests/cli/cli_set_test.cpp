// Tests of varnoli-cli set: the batch save driven from the command line.
#include "support/id3v2_builder.h"
#include "tags/id3.h"
#include "tags/id3v2.h"

#include <gtest/gtest.h>

#include <tuple>

using namespace testsupport;

namespace {

const Bytes kSong = concat({Id3v2Bytes(3).frame("TALB", {0, 'L', 'P'}).bytes(), audioPattern(2000)});

} // namespace

TEST(CliSet, WritesTheGivenFieldsIntoEveryFile)
{
    TempDir dir;
    const std::string a = dir.write("a.mp3", kSong), b = dir.write("b.mp3", audioPattern(1000));
    const auto r = runCli({"set", "--title", "H\xC3\xA9llo", "--genre", "Rock", "--track", "5", a, b});
    ASSERT_EQ(0, r.exitCode) << r.err;
    for (const std::string& path : {a, b}) {
        Tid3tag v1;
        ASSERT_EQ(0, v1.LoadFromFile(path));
        EXPECT_EQ("H\xE9llo", v1.Title());
        EXPECT_EQ(17, v1.Genre);
        EXPECT_EQ(5, v1.Track());
        EXPECT_EQ("H\xE9llo", v2TextOf(path, "TIT2"));
        EXPECT_EQ("Rock", v2TextOf(path, "TCON"));
        EXPECT_EQ("5", v2TextOf(path, "TRCK"));
    }
    EXPECT_EQ("LP", v2TextOf(a, "TALB"));

    // Restricted to ID3v2, the genre and track are texts as given, and no ID3v1 record appears.
    const std::string c = dir.write("c.mp3", kSong);
    ASSERT_EQ(0, runCli({"set", "--v2", "--genre", "(17) mine", "--track", "3/9", "--album", "", c}).exitCode);
    EXPECT_EQ("(17) mine", v2TextOf(c, "TCON"));
    EXPECT_EQ("", v2TextOf(c, "TALB"));
    Tid3tag v1;
    EXPECT_EQ(kErrNoTag, v1.LoadFromFile(c));
}

TEST(CliSet, UsageErrorsChangeNothing)
{
    TempDir dir;
    const std::string path = dir.write("a.mp3", kSong);
    const std::vector<std::vector<std::string>> bad = {
        {"set", "--track", "x1", path},   {"set", "--genre", "Nope", path}, {"set", "--title", "\xE2\x82\xAC", path},
        {"set", "--colour", "red", path}, {"set", "--v1", "--v2", path},    {"set", "--title", "t"},
        {"set", path, "--title"},
    };
    for (const auto& args : bad) {
        const auto r = runCli(args);
        EXPECT_EQ(2, r.exitCode) << args[1];
        EXPECT_FALSE(r.err.empty()) << args[1];
        EXPECT_EQ(kSong, readFile(path)) << args[1];
    }
    EXPECT_NE(std::string::npos, runCli({"set", "--track", "x1", path}).err.find("'x1' is not a valid integer value"));
}

TEST(CliSet, FailedFilesExitWithOneAndTheWindowsText)
{
    TempDir dir;
    const std::string good = dir.write("a.mp3", kSong), missing = dir.file("none.mp3");
    const auto r = runCli({"set", "--artist", "X", missing, good});
    EXPECT_EQ(1, r.exitCode);
    EXPECT_EQ(missing + ": Error #256! Could not save Tag!\n" + missing + ": Error #256! Could not save Tag!\n", r.err);
    EXPECT_EQ("X", v2TextOf(good, "TPE1"));
}
