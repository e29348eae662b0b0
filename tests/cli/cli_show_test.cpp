// Tests of varnoli-cli show, the program's help and usage errors, and the progress line.
#include "cli/status_line.h"
#include "support/id3v2_builder.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

using namespace testsupport;

namespace {

// One tag's member of a JSON line; texts in the order title, artist, album, year, genre,
// comment, track.
std::string tagJson(int result, const std::vector<std::string>& texts)
{
    const char* keys[] = {"title", "artist", "album", "year", "genre", "comment", "track"};
    std::string out = "{\"result\": " + std::to_string(result);
    for (std::size_t i = 0; i < 7; ++i)
        out += std::string(", \"") + keys[i] + "\": \"" + texts[i] + "\"";
    return out + "}";
}

// The ID3v2 member lists no pictures; "null": no MPEG audio was found.
std::string jsonLine(const std::string& path, const std::string& v1, const std::string& v2,
                     const std::string& audio = "null")
{
    return "{\"file\": \"" + path + "\", \"v1\": " + v1 + ", \"v2\": " + v2.substr(0, v2.size() - 1) +
           ", \"pictures\": []}, \"audio\": " + audio + "}\n";
}

const std::string kEmptyV1 = tagJson(4096, {"", "", "", "", "", "", "0"});
const std::string kEmptyV2 = tagJson(4096, {"", "", "", "", "", "", ""});
// audioPattern(500): frames of 128 kbit/s, no header to give the length.
const std::string kShortAudio = "{\"duration\": 0.03, \"bitrate\": 128, \"sample_rate\": 44100, \"channels\": 2, "
                                "\"vbr\": false, \"estimated\": true}";
const std::string kShortAudioLine = "  audio:  0:00, 128 kbit/s, 44100 Hz, stereo (estimated)\n";

std::string untaggedLine(const std::string& path, const std::string& audio = "null")
{
    return jsonLine(path, kEmptyV1, kEmptyV2, audio);
}

Bytes textFrame(const std::string& text) { return concat({{0}, bytesOf(text)}); }

} // namespace

TEST(CliShow, ListsBothTagsOfAFileOneWithoutAndOneUnreadable)
{
    TempDir dir;
    const std::string both = dir.write(
        "both.mp3", concat({Id3v2Bytes(4)
                                .frame("TIT2", textFrame("Song"))
                                .frame("TCON", textFrame("(17)"))
                                .frame("COMM", concat({{0, 'e', 'n', 'g', 0}, bytesOf("Note")}))
                                .bytes(),
                            audioPattern(500), id3v1Record("T1", "A1", "", "1999", "c", 17, 3)}));
    const std::string none = dir.write("none.mp3", audioPattern(500));
    const std::string truncated = dir.write("cut.mp3", Id3v2Bytes(3).frame("TIT2", textFrame("x")).sizeField(4000).bytes());
    const std::string missing = dir.file("missing.mp3");

    auto r = runCli({"show", "--json", both, none, truncated, missing});
    EXPECT_EQ(1, r.exitCode);
    EXPECT_EQ(jsonLine(both, tagJson(0, {"T1", "A1", "", "1999", "Rock", "c", "3"}),
                       tagJson(0, {"Song", "", "", "", "Rock", "Note", ""}), kShortAudio) +
                  untaggedLine(none, kShortAudio) + jsonLine(truncated, kEmptyV1, tagJson(8192, {"", "", "", "", "", "", ""})) +
                  jsonLine(missing, tagJson(256, {"", "", "", "", "", "", "0"}), tagJson(256, {"", "", "", "", "", "", ""})),
              r.out);
    const std::string missingLine =
        missing + ": Error #256! Could not read Tag! (the file does not exist or cannot be opened)\n";
    EXPECT_EQ(truncated + ": Error #8192! Could not read Tag! (the tag claims 4,010 bytes but the file ends after 22)\n" +
                  missingLine,
              r.err);

    // For people: the present fields of each tag under its name; an empty file has no tag.
    const std::string empty = dir.write("empty.mp3", {});
    r = runCli({"show", both, none, empty});
    EXPECT_EQ(0, r.exitCode) << r.err;
    EXPECT_EQ(both + "\n" + kShortAudioLine + "  ID3v1:\n    Artist:  A1\n    Title:   T1\n    Year:    1999\n    Genre:   Rock\n"
                     "    Comment: c\n    Track:   3\n  ID3v2.4:\n    Title:   Song\n    Genre:   Rock\n"
                     "    Comment: Note\n\n" +
                  none + "\n" + kShortAudioLine + "  no ID3v1 tag\n  no ID3v2 tag\n\n" + empty + "\n  no ID3v1 tag\n  no ID3v2 tag\n",
              r.out);
    // An unreadable tag is described in words, with the numbers the engine found.
    r = runCli({"show", truncated});
    EXPECT_EQ(truncated + "\n  no ID3v1 tag\n  ID3v2: could not be read (Error #8192: the tag claims 4,010 bytes but "
                          "the file ends after 22)\n",
              r.out);
}

TEST(CliShow, AFolderStandsForItsMp3FilesAndWithRItsWholeTree)
{
    TempDir dir;
    const std::string root = dir.path() + "lib";
    for (const char* sub : {"", "/sub", "/sub/deeper", "/.hidden", "/b"})
        std::filesystem::create_directories(root + sub);
    for (const char* name : {"/B.mp3", "/a.MP3", "/.secret.mp3", "/notes.txt", "/sub/c.mp3", "/sub/deeper/d.mp3",
                             "/.hidden/e.mp3", "/b/f.mp3"})
        writeFile(root + name, audioPattern(300));
    std::filesystem::create_directory_symlink("..", root + "/sub/up"); // a link back up the tree

    auto r = runCli({"show", "--json", root});
    EXPECT_EQ(0, r.exitCode) << r.err;
    EXPECT_EQ(untaggedLine(root + "/a.MP3") + untaggedLine(root + "/B.mp3"), r.out);

    // Files before subfolders; the link leads to a folder already walked.
    r = runCli({"show", "--json", "-r", root + "/", root + "/sub/c.mp3"});
    EXPECT_EQ(0, r.exitCode) << r.err;
    std::string expected;
    for (const char* name : {"a.MP3", "B.mp3"})
        expected += untaggedLine(root + "/" + name);
    std::vector<std::string> tree;
    for (const char* name : {"b/f.mp3", "sub/c.mp3", "sub/deeper/d.mp3"})
        tree.push_back(untaggedLine(root + "/" + name));
    const std::string out = r.out;
    EXPECT_EQ(0u, out.find(expected)) << out;
    for (const std::string& line : tree)
        EXPECT_NE(std::string::npos, out.find(line)) << line << out;
    EXPECT_EQ(6u, std::count(out.begin(), out.end(), '\n')) << out;
    EXPECT_NE(std::string::npos, out.find(untaggedLine(root + "/sub/c.mp3") + untaggedLine(root + "/sub/deeper/d.mp3")))
        << out;
    EXPECT_EQ(out.size() - untaggedLine(root + "/sub/c.mp3").size(), out.rfind(untaggedLine(root + "/sub/c.mp3")));
}

// U+0085 and its neighbours split records in some line-based tools, so JSON output never
// holds them unescaped, in tag texts or in file names.
TEST(CliShow, JsonEscapesTheCodePointsFrom7FTo9F)
{
    TempDir dir;
    const std::string path = dir.write("a\xC2\x85z\x7F.mp3", id3v1Record("x\x85y\x7F\x9F\xA0", "", "", "", "", 255));
    for (const char* command : {"show", "dump"}) {
        const auto r = runCli(command == std::string("show") ? std::vector<std::string>{"show", "--json", path}
                                                              : std::vector<std::string>{"dump", path});
        ASSERT_EQ(0, r.exitCode) << r.err;
        EXPECT_NE(std::string::npos, r.out.find("\"title\": \"x\\u0085y\\u007f\\u009f\xC2\xA0\"")) << r.out;
        EXPECT_NE(std::string::npos, r.out.find("a\\u0085z\\u007f.mp3\"")) << r.out;
        EXPECT_EQ(std::string::npos, r.out.find("\xC2\x85")) << command;
    }
    // For people, control characters in a tag cannot reach the terminal as such.
    const auto r = runCli({"show", path});
    EXPECT_NE(std::string::npos, r.out.find("Title:   x\\x85y\\x7f\\x9f\xC2\xA0\n")) << r.out;
}

// A name may hold anything but "/" and NUL: its escape sequences must not reach the terminal
// nor its line breaks split a line; a folder that cannot be read is no silent gap.
TEST(CliShow, NamesAreEscapedAndAFolderThatCannotBeReadFails)
{
    TempDir dir;
    std::filesystem::create_directories(dir.file("lib/locked"));
    const std::string odd = dir.write("lib/\x1B]0;x\x07.mp3", audioPattern(300));
    dir.write("lib/locked/a.mp3", audioPattern(300));
    const std::string escapedOdd = dir.file("lib/\\x1b]0;x\\x07.mp3");

    auto r = runCli({"show", odd, dir.file("gone\n.mp3")});
    EXPECT_EQ(1, r.exitCode);
    EXPECT_EQ(0u, r.out.find(escapedOdd + "\n  no ID3v1 tag\n")) << r.out;
    const std::string goneLine = dir.file("gone\\x0a.mp3") + ": Error #256! Could not read Tag! (the file does not exist or cannot be opened)\n";
    EXPECT_EQ(goneLine, r.err);

    const UnlistableFolder locked(dir.file("lib/locked"));
    if (!locked.available())
        GTEST_SKIP() << "a folder cannot be made unreadable here";
    const std::string refusal =
        "varnoli-cli show: Cannot read the folder '" + dir.file("lib/locked/") + "': Permission denied; its files are left out.\n";
    r = runCli({"show", "-r", dir.file("lib")});
    EXPECT_EQ(1, r.exitCode);
    EXPECT_EQ(escapedOdd + "\n  no ID3v1 tag\n  no ID3v2 tag\n", r.out);
    EXPECT_EQ(refusal, r.err);
    r = runCli({"show", "--json", dir.file("lib/locked")});
    EXPECT_EQ(1, r.exitCode);
    EXPECT_EQ("", r.out);
    EXPECT_EQ(refusal, r.err);
}

TEST(CliShow, HelpVersionAndUsageErrors)
{
    const auto version = runCli({"--version"});
    EXPECT_EQ(0, version.exitCode);
    EXPECT_EQ("varnoli-cli 0.1.0\n", version.out);

    const auto help = runCli({"--help"});
    EXPECT_EQ(0, help.exitCode);
    for (const char* line : {"varnoli-cli dump FILE...", "varnoli-cli set [--v1 | --v2]", "varnoli-cli show [--json] [--all] [-r] [--no-index] [--v1-codepage CP] PATH..."})
        EXPECT_NE(std::string::npos, help.out.find(line)) << line;
    const auto showHelp = runCli({"show", "--help"});
    EXPECT_EQ(0, showHelp.exitCode);
    EXPECT_EQ(0u, showHelp.out.find("usage: varnoli-cli show [--json] [--all] [-r] [--no-index] [--v1-codepage CP] PATH...\n\n")) << showHelp.out;

    const std::string programUsage = "usage: varnoli-cli [--help | --version] COMMAND";
    struct Case {
        std::vector<std::string> args;
        std::string err;
    };
    const Case cases[] = {
        {{}, programUsage},
        {{"frobnicate"}, "varnoli-cli: unknown command 'frobnicate'\n" + programUsage},
        {{"--frobnicate"}, "varnoli-cli: unknown option '--frobnicate'\n" + programUsage},
        {{"show"}, "varnoli-cli show: no file or folder given\nusage: varnoli-cli show [--json] [--all] [-r] [--no-index] [--v1-codepage CP] PATH...\n"},
        {{"show", "-x", "a.mp3"}, "varnoli-cli show: unknown option '-x'\nusage: varnoli-cli show [--json] [--all] [-r] [--no-index] [--v1-codepage CP] PATH...\n"},
        {{"dump", "--json", "a.mp3"}, "varnoli-cli dump: unknown option '--json'\nusage: varnoli-cli dump FILE...\n"},
        {{"set", "--title", "x"}, "varnoli-cli set: no file given\nusage: varnoli-cli set [--v1 | --v2]"},
    };
    for (const Case& c : cases) {
        const auto r = runCli(c.args);
        EXPECT_EQ(2, r.exitCode) << c.err;
        EXPECT_EQ(0u, r.err.find(c.err)) << r.err;
        EXPECT_TRUE(r.out.empty());
    }
}

// On a terminal the count is rewritten in place and cleared before a message; elsewhere
// nothing at all is written.
TEST(CliProgress, CountsFilesOnATerminalOnly)
{
    for (const bool terminal : {true, false}) {
        std::ostringstream err;
        StatusLine line(err, terminal);
        Progress next;
        CountProgress progress(line, "set", next, std::chrono::seconds(0));
        progress.begin(3);
        progress.advance(0, "a.mp3");
        line.clear();
        err << "a.mp3: Error\n";
        progress.advance(1, "b.mp3"); // within a tenth of a second of the last: not shown
        progress.end();
        EXPECT_EQ(terminal ? "\rset: 0 of 3 files\x1b[K\r\x1b[Ka.mp3: Error\n" : "a.mp3: Error\n", err.str());
    }
}
