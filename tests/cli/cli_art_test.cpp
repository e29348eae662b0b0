// Tests of varnoli-cli art and the pictures show lists.
#include "support/id3v2_builder.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace testsupport;

namespace {

class CliArt : public ::testing::Test {
protected:
    std::vector<std::string> songs()
    {
        std::vector<std::string> files;
        for (const char* name : {"a.mp3", "b.mp3", "c.mp3"})
            files.push_back(dir.write(name, concat({Id3v2Bytes(4).frame("TIT2", {0, 'T'}).padding(10).bytes(),
                                                    audioPattern(5000), id3v1Record("Old", "", "", "", "", 3)})));
        return files;
    }
    static std::vector<Bytes> contents(const std::vector<std::string>& files)
    {
        std::vector<Bytes> out;
        for (const std::string& f : files)
            out.push_back(readFile(f));
        return out;
    }

    TempDir state, dir;

private:
    const ScopedEnv m_stateHome{"XDG_STATE_HOME", state.path()};
};

} // namespace

TEST_F(CliArt, SetOnThreeFilesShownReadByMutagenExportedAndUndone)
{
    const std::string python = mutagenPython();
    VARNOLI_NEED_MUTAGEN(python);
    const std::vector<std::string> files = songs();
    const std::vector<Bytes> before = contents(files);
    const Bytes png = pngImage(12, 9);
    const std::string image = dir.write("cover.png", png);

    const CommandResult set = runCli(with({"art", "--set", image}, files));
    ASSERT_EQ(0, set.exitCode) << set.err;
    for (const std::string& f : files)
        EXPECT_EQ(frontCoverLine("image/png", png), mutagenPictures(python, f)) << f;

    const CommandResult shown = runCli({"show", "--json", files[0]});
    EXPECT_NE(std::string::npos, shown.out.find("\"pictures\": [{\"type\": 3, \"mime\": \"image/png\", \"description\": "
                                                "\"\", \"bytes\": " +
                                                std::to_string(png.size()) + ", \"width\": 12, \"height\": 9}]}, \"audio\": "))
        << shown.out;
    const CommandResult listed = runCli({"art", files[1]});
    EXPECT_EQ(files[1] + "\n    Picture: type 3, image/png, 12 x 9 pixels, " + std::to_string(png.size()) +
                  " bytes\n",
              listed.out);

    const std::string out = dir.file("out.png");
    ASSERT_EQ(0, runCli({"art", files[2], "--export", out}).exitCode);
    EXPECT_EQ(png, readFile(out));

    ASSERT_EQ(0, runCli({"undo"}).exitCode);
    EXPECT_EQ(before, contents(files));

    // Remove takes them out; undo puts them back.
    runCli(with({"art", "--set", image}, files));
    const std::vector<Bytes> covered = contents(files);
    ASSERT_EQ(0, runCli(with({"art", "--remove"}, files)).exitCode);
    EXPECT_EQ("", mutagenPictures(python, files[0]));
    EXPECT_EQ(files[0] + "\n    (no picture)\n", runCli({"art", files[0]}).out);
    ASSERT_EQ(0, runCli({"undo"}).exitCode);
    EXPECT_EQ(covered, contents(files));
}

TEST_F(CliArt, BadImageOrArgumentsLeaveEveryFileUntouched)
{
    const std::vector<std::string> files = songs();
    const std::vector<Bytes> before = contents(files);
    const std::string gif = dir.write("cover.gif", bytesOf("GIF89a\x01\x00\x01\x00;"));
    const std::string big = dir.write("big.jpg", {0xFF, 0xD8, 0xFF, 0xE0});
    std::filesystem::resize_file(big, (16 << 20) + 1);

    const CommandResult notImage = runCli(with({"art", "--set", gif}, files));
    EXPECT_EQ(2, notImage.exitCode);
    EXPECT_NE(std::string::npos, notImage.err.find("'" + gif + "' is not a JPEG or PNG image")) << notImage.err;
    const CommandResult tooBig = runCli(with({"art", "--set", big}, files));
    EXPECT_EQ(2, tooBig.exitCode);
    EXPECT_NE(std::string::npos, tooBig.err.find("'" + big + "' is larger than 16 MiB")) << tooBig.err;
    EXPECT_EQ(2, runCli(with({"art", "--set", gif, "--remove"}, files)).exitCode);
    EXPECT_EQ(2, runCli(with({"art", "--export", dir.file("x.png")}, files)).exitCode);
    EXPECT_EQ(before, contents(files));
    const CommandResult undo = runCli({"undo"});
    EXPECT_NE(std::string::npos, (undo.out + undo.err).find("There is nothing to undo.")); // no save was begun
}

// kid3-cli writes a front cover without its image when its image path does not exist.
TEST_F(CliArt, AFrontCoverWithoutItsImageIsShownAsSuchAndReplaced)
{
    const Bytes empty = concat({{0}, bytesOf("image/jpeg"), {0, 3, 0}});
    const std::string file = dir.write("k.mp3", concat({Id3v2Bytes(3).frame("APIC", empty).padding(10).bytes(),
                                                        audioPattern(3000)}));
    const CommandResult json = runCli({"show", "--json", file});
    EXPECT_NE(std::string::npos, json.out.find("\"pictures\": [{\"type\": 3, \"mime\": \"image/jpeg\", "
                                               "\"description\": \"\", \"bytes\": 0, \"width\": 0, \"height\": 0, "
                                               "\"empty\": true}]"))
        << json.out;
    EXPECT_NE(std::string::npos, runCli({"show", file}).out.find("    Picture: type 3, image/jpeg, no image\n"));

    const std::string image = dir.write("cover.png", pngImage(4, 4));
    ASSERT_EQ(0, runCli({"art", "--set", image, file}).exitCode);
    const CommandResult listed = runCli({"art", file});
    EXPECT_EQ(file + "\n    Picture: type 3, image/png, 4 x 4 pixels, " + std::to_string(pngImage(4, 4).size()) +
                  " bytes\n",
              listed.out);
}
