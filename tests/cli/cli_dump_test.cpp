// Tests of varnoli-cli dump: one JSON line per file, bytes as code points.
#include "support/id3v2_builder.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace testsupport;

namespace {

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        out.push_back(line);
    return out;
}

} // namespace

// The shared samples have no write bits, so read_only is left out of the comparison.
TEST(CliDump, PrintsTheV1MemberOfSampleFiles)
{
    VARNOLI_NEED_CORPUS();
    const auto r = runCli({"dump", corpusDir() + "/ape-id3v1.mp3", corpusDir() + "/rare_frames.mp3"});
    ASSERT_EQ(0, r.exitCode) << r.err;
    const auto out = lines(r.out);
    ASSERT_EQ(2u, out.size());
    EXPECT_NE(std::string::npos,
              out[0].find("\"v1\": {\"result\": 0, \"title\": \"Title\", \"artist\": \"\", \"album\": \"\", "
                          "\"year\": \"\", \"comment\": \"\", \"genre\": 255, \"track\": 0, "
                          "\"has_track\": false, \"read_only\": "))
        << out[0];
    EXPECT_NE(std::string::npos, out[1].find("\"comment\": \" 00000000 00000000 00000000\", \"genre\": 13")) << out[1];
}

TEST(CliDump, MapsEachByteToOneCodePoint)
{
    TempDir dir;
    Bytes rec(128, 0);
    const std::string title = "Caf\xE9\x01\"";
    std::copy_n("TAG", 3, rec.begin());
    std::copy(title.begin(), title.end(), rec.begin() + 3);
    const auto path = dir.write("x.mp3", rec);
    const auto r = runCli({"dump", path});
    ASSERT_EQ(0, r.exitCode);
    EXPECT_NE(std::string::npos, r.out.find("\"title\": \"Caf\xC3\xA9\\u0001\\\"\"")) << r.out;
}

TEST(CliDump, PathsThatAreNotUtf8AreWrittenByteForByteAndSaySo)
{
    TempDir dir;
    const std::string bytes = dir.write("caf\xE9\x85.mp3", {}), utf8 = dir.write("caf\xC3\xA9\xC2\x85.mp3", {});
    const auto r = runCli({"dump", bytes, utf8});
    const std::vector<std::string> out = lines(r.out);
    ASSERT_EQ(2u, out.size());
    const std::string marked = "{\"file\": \"" + dir.path() + "caf\xC3\xA9\\u0085.mp3\", \"file_encoding\": \"bytes\", ";
    EXPECT_EQ(0u, out[0].find(marked)) << out[0];
    EXPECT_EQ(0u, out[1].find("{\"file\": \"" + dir.path() + "caf\xC3\xA9\\u0085.mp3\", \"v1\": ")) << out[1];
    const auto show = runCli({"show", "--json", bytes});
    EXPECT_EQ(0u, show.out.find(marked)) << show.out;
}

TEST(CliDump, MissingFilesAreReportedInTheirResultNotAsUsageErrors)
{
    TempDir dir;
    const auto r = runCli({"dump", dir.file("none.mp3")});
    EXPECT_EQ(0, r.exitCode);
    EXPECT_NE(std::string::npos, r.out.find("\"v1\": {\"result\": 256,")) << r.out;
}

TEST(CliDump, UsageErrorsExitWithTwo)
{
    EXPECT_EQ(2, runCli({}).exitCode);
    EXPECT_EQ(2, runCli({"frobnicate"}).exitCode);
    const auto r = runCli({"dump"});
    EXPECT_EQ(2, r.exitCode);
    EXPECT_FALSE(r.err.empty());
}

TEST(CliDump, PrintsTheV2MemberWithFramesAsLoadedAndFields)
{
    VARNOLI_NEED_CORPUS();
    const auto r = runCli({"dump", corpusDir() + "/unsynch24.id3"});
    ASSERT_EQ(0, r.exitCode) << r.err;
    EXPECT_NE(std::string::npos,
              r.out.find("\"v2\": {\"result\": 0, \"version\": 4, \"revision\": 0, \"flags\": 0, \"ext_flags\": 0, "
                         "\"tag_size\": 18, \"padding_size\": 0, \"ext_header_size\": 0, \"crc32\": 0, "
                         "\"restrictions\": 0, \"frames\": [{\"id\": \"TIT2\", \"status_flags\": 0, "
                         "\"format_flags\": 2, \"stored_format_flags\": 2, \"data_length\": 0, \"group_id\": 0, "
                         "\"encryption_method\": 0, \"data_hex\": \"01ff00fe48006900\"}], "
                         "\"fields\": {\"artist\": \"\", \"title\": \"Hi\", \"album\": \"\", \"year\": \"\", "
                         "\"genre\": \"\", \"comment\": \"\", \"track\": \"\"}}}"))
        << r.out;

    TempDir dir;
    const Bytes tag = Id3v2Bytes(3)
                          .frame("TPE1", {0, 'A', 0})
                          .frame("COMM", {0, 'e', 'n', 'g', 0, 0xE9})
                          .frame("TRCK", {0, '3', '/', '9'})
                          .padding(16)
                          .bytes();
    const auto mine = runCli({"dump", dir.write("x.mp3", concat({tag, audioPattern(300)}))});
    EXPECT_NE(std::string::npos,
              mine.out.find("\"fields\": {\"artist\": \"A\", \"title\": \"\", \"album\": \"\", \"year\": \"\", "
                            "\"genre\": \"\", \"comment\": \"\xC3\xA9\", \"track\": \"3/9\"}"))
        << mine.out;
    EXPECT_NE(std::string::npos, mine.out.find("\"padding_size\": 16,")) << mine.out;
}
