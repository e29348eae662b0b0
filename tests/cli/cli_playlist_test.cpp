// Tests of varnoli-cli playlist: the tab's writer over the files named.
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace testsupport;
namespace fs = std::filesystem;

TEST(CliPlaylist, WritesFullPathsInArgumentOrder)
{
    TempDir dir;
    const std::string a = dir.write("a.mp3", concat({audioPattern(400), id3v1Record("S\xE9", "Band", "", "", "", 0)}));
    dir.write("b.mp3", audioPattern(400));
    const fs::path before = fs::current_path();
    fs::current_path(dir.path()); // a relative file becomes the full path below it
    const auto r = runCli({"playlist", "out.m3u", "./b.mp3", a, "gone.mp3"});
    fs::current_path(before);
    ASSERT_EQ(0, r.exitCode) << r.err;
    EXPECT_NE(std::string::npos, r.err.find("gone.mp3"));
    const Bytes text = readFile(dir.file("out.m3u"));
    EXPECT_EQ("#EXTM3U\r\n\r\n" + dir.file("b.mp3") + "\r\n#EXTINF:-1,Band - S\xC3\xA9\r\n" + a + "\r\n\r\n" +
                  dir.file("gone.mp3") + "\r\n",
              std::string(text.begin(), text.end()));

    EXPECT_EQ(2, runCli({"playlist", "only.m3u"}).exitCode);
    const auto failed = runCli({"playlist", dir.file("no/such/out.m3u"), a});
    EXPECT_EQ(1, failed.exitCode);
    EXPECT_NE(std::string::npos, failed.err.find("no/such"));

    // A name with a line break would come back as two entries: nothing is written.
    const std::string broken = dir.write("x\ry.mp3", audioPattern(400));
    writeFile(dir.file("old.m3u"), bytesOf("#EXTM3U\r\n"));
    for (const char* out : {"old.m3u", "new.m3u"}) {
        const auto refused = runCli({"playlist", dir.file(out), a, broken});
        EXPECT_EQ(1, refused.exitCode);
        EXPECT_EQ("varnoli-cli playlist: The playlist was not saved: the name '" + dir.file("x\\x0dy.mp3") +
                      "' holds a line break, which an M3U playlist cannot hold.\n",
                  refused.err);
    }
    EXPECT_EQ(bytesOf("#EXTM3U\r\n"), readFile(dir.file("old.m3u")));
    EXPECT_FALSE(fs::exists(dir.file("new.m3u")));
}
