// Tests of varnoli-cli set: the batch save driven from the command line.
#include "support/id3v2_builder.h"
#include "tags/id3v1/id3.h"
#include "tags/id3v2/id3v2.h"

#include "platform/file_system.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <optional>

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
        {"set", "--track", "x1", path},   {"set", "--genre", "Nope", path}, {"set", "--title", "\xE2\x82", path},
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

TEST(CliSet, FailedFilesExitWithOneAndNameTheTagAndTheReason)
{
    TempDir dir;
    const std::string good = dir.write("a.mp3", kSong), missing = dir.file("none.mp3");
    const std::string folder = dir.file("folder.mp3"), pipe = dir.file("pipe.mp3");
    std::filesystem::create_directory(folder);
    ASSERT_EQ(0, mkfifo(pipe.c_str(), 0600));
    const std::string locked = dir.write("locked.mp3", kSong);
    makeReadOnly(locked);
    const auto r = runCli({"set", "--artist", "X", missing, folder, pipe, locked, good});
    EXPECT_EQ(1, r.exitCode);
    const std::string prefix =
        ": ID3v1 and ID3v2 tags: Error #256! Could not save Tag! (the file does not exist or cannot be opened: ";
    const std::string denied =
        " tag: Error #512! Could not save Tag! (the file is marked read-only, hidden or system: Permission denied)\n";
    EXPECT_EQ(missing + prefix + "No such file or directory)\n" + folder + prefix + "Is a directory)\n" + pipe +
                  prefix + "a named pipe, not a file)\n" + locked + ": ID3v1" + denied + locked + ": ID3v2" + denied,
              r.err);
    EXPECT_EQ("X", v2TextOf(good, "TPE1"));
}

TEST(CliSet, OnlyFilesNamedMp3AreChanged)
{
    TempDir dir;
    const std::string ogg = dir.write("song.ogg", kSong), upper = dir.write("SONG.Mp3", kSong);
    const auto r = runCli({"set", "--title", "T", ogg, "/dev/null", upper});
    EXPECT_EQ(1, r.exitCode);
    EXPECT_NE(std::string::npos, r.err.find("'" + ogg + "' is not an MP3 file")) << r.err;
    EXPECT_NE(std::string::npos, r.err.find("'/dev/null' is not an MP3 file")) << r.err;
    EXPECT_EQ(kSong, readFile(ogg));
    EXPECT_EQ("T", v2TextOf(upper, "TIT2"));
}

TEST(CliSet, AFileWithNoTagThatIsNotMpegAudioIsSavedOnlyWithForce)
{
    TempDir dir;
    const Bytes jpegBytes = concat({Bytes{0xFF, 0xD8, 0xFF, 0xE0}, audioPattern(3000)});
    const std::string jpeg = dir.write("cover.mp3", jpegBytes), text = dir.write("notes.mp3", bytesOf("notes\n"));
    const std::string tagged = dir.write("tagged.mp3", concat({bytesOf("notes\n"), id3v1Record("x", "", "", "", "", 0)}));
    auto r = runCli({"set", "--title", "T", jpeg, text, tagged});
    EXPECT_EQ(1, r.exitCode);
    EXPECT_NE(std::string::npos, r.err.find("'" + jpeg + "' was not saved: the file is a JPEG picture, not MPEG audio"))
        << r.err;
    EXPECT_NE(std::string::npos, r.err.find("'" + text + "' was not saved: the file holds no MPEG audio")) << r.err;
    EXPECT_NE(std::string::npos, r.err.find("--force saves it anyway")) << r.err;
    EXPECT_EQ(jpegBytes, readFile(jpeg));
    EXPECT_EQ(bytesOf("notes\n"), readFile(text));
    // A file that has a tag was tagged on purpose.
    EXPECT_EQ("T", v2TextOf(tagged, "TIT2"));

    r = runCli({"set", "--force", "--title", "T", jpeg});
    EXPECT_EQ(0, r.exitCode) << r.err;
    EXPECT_EQ("T", v2TextOf(jpeg, "TIT2"));
}

// Another program's save holds the file's lock: after a short wait both tags are refused.
TEST(CliSet, AFileAnotherProgramIsSavingIsRefusedForBothTags)
{
    TempDir dir;
    const std::string path = dir.write("a.mp3", kSong);
    std::optional<platform::File> other = platform::File::open(path, platform::File::Mode::ReadWrite);
    ASSERT_TRUE(other && other->lockForWriting());
    const auto r = runCli({"set", "--title", "T", path});
    EXPECT_EQ(1, r.exitCode);
    EXPECT_EQ(path + ": '" + path + "' is being written by another program; neither of its tags was saved.\n", r.err);
    EXPECT_EQ(kSong, readFile(path));
}
