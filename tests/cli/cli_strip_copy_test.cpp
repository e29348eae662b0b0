// Tests of varnoli-cli strip and copy: what goes, what stays, and undo byte for byte.
#include "support/id3v2_builder.h"

#include <gtest/gtest.h>

using namespace testsupport;

namespace {

class CliStripCopy : public ::testing::Test {
protected:
    static Bytes text(const std::string& s)
    {
        Bytes b{0};
        b.insert(b.end(), s.begin(), s.end());
        return b;
    }
    static Bytes picture()
    {
        Bytes b = text("image/png");
        b.insert(b.end(), {0, 3, 0, 0x89, 'P', 'N', 'G'});
        return b;
    }
    static Bytes slice(const Bytes& b, std::size_t from, std::size_t to) { return Bytes(b.begin() + from, b.begin() + to); }

    TempDir state, dir;
    const Bytes audio = audioPattern(6000);

private:
    const ScopedEnv m_stateHome{"XDG_STATE_HOME", state.path()};
};

} // namespace

TEST_F(CliStripCopy, StripBothTagsOfTheCorpusKeepsTheAudioAndUndoesByteForByte)
{
    VARNOLI_NEED_CORPUS();
    std::vector<std::string> files;
    std::vector<Bytes> before;
    for (const char* name : {"ape-id3v1.mp3", "itunes10.mp3", "lame_cbr.mp3", "rare_frames.mp3", "xing.mp3",
                             "duplicate_id3v2.mp3"}) {
        files.push_back(copyCorpusFile(dir, name));
        before.push_back(readFile(files.back()));
    }
    const CommandResult stripped = runCli(with({"strip", "--v2", "--v1"}, files));
    // The file with a second tag behind the first is refused and left whole.
    EXPECT_EQ(1, stripped.exitCode);
    EXPECT_NE(std::string::npos, stripped.err.find("a second ID3v2 tag follows the first")) << stripped.err;
    EXPECT_EQ(before[5], readFile(files[5]));
    EXPECT_NE(std::string::npos, stripped.out.find(files[0] + ": removed the ID3v1 tag\n")) << stripped.out;
    EXPECT_NE(std::string::npos, stripped.out.find(files[2] + ": removed the ID3v2 tag\n")) << stripped.out;
    EXPECT_NE(std::string::npos, stripped.out.find(files[4] + ": nothing to remove\n")) << stripped.out;
    // What remains of a file is its audio as it was: no tag at the start, no record at the end.
    const Bytes lame = readFile(files[2]);
    ASSERT_GT(before[2].size(), lame.size());
    EXPECT_EQ(slice(before[2], before[2].size() - lame.size(), before[2].size()), lame);
    EXPECT_NE(0, std::string(lame.begin(), lame.begin() + 3).compare("ID3"));

    const CommandResult undone = runCli({"undo"});
    EXPECT_EQ(0, undone.exitCode) << undone.err;
    for (std::size_t i = 0; i < files.size(); ++i)
        EXPECT_EQ(before[i], readFile(files[i])) << files[i];
}

TEST_F(CliStripCopy, PicturesAndFramesGoAndATagLeftWithoutFramesGoesWhole)
{
    const Bytes record = id3v1Record("Old", "", "", "", "", 3);
    const std::string kept = dir.write(
        "kept.mp3", concat({Id3v2Bytes(3).frame("TIT2", text("Song")).frame("APIC", picture())
                                .frame("TXXX", concat({text("foo"), Bytes{0, 'x'}})).padding(20).bytes(), audio, record}));
    const std::string emptied = dir.write(
        "emptied.mp3", concat({Id3v2Bytes(4).frame("APIC", picture()).padding(8).bytes(), audio}));
    const Bytes keptBefore = readFile(kept), emptiedBefore = readFile(emptied);

    const CommandResult r = runCli({"strip", "--pictures", "--frame", "TXXX:foo", kept, emptied});
    ASSERT_EQ(0, r.exitCode) << r.err;
    EXPECT_EQ(kept + ": removed 1 picture, 1 frame TXXX:foo\n" + emptied +
                  ": removed the ID3v2 tag, left without frames by removing 1 picture\n",
              r.out);
    EXPECT_EQ("Song", v2TextOf(kept, "TIT2"));
    EXPECT_EQ(concat({audio, record}), slice(readFile(kept), readFile(kept).size() - audio.size() - 128,
                                             readFile(kept).size()));
    EXPECT_EQ(audio, readFile(emptied));

    ASSERT_EQ(0, runCli({"undo"}).exitCode);
    EXPECT_EQ(keptBefore, readFile(kept));
    EXPECT_EQ(emptiedBefore, readFile(emptied));
}

TEST_F(CliStripCopy, UsageErrorsTouchNothing)
{
    const std::string file = dir.write("a.mp3", concat({Id3v2Bytes(3).frame("TIT2", text("A")).bytes(), audio}));
    const Bytes before = readFile(file);
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"strip", file}, {"strip", "--frame", "no such key", file},
          {"copy", "--to", "v3", file}, {"copy", file}}) {
        const CommandResult r = runCli(args);
        EXPECT_EQ(2, r.exitCode) << args[1];
        EXPECT_EQ(before, readFile(file));
    }
}

TEST_F(CliStripCopy, CopyBetweenTagsMarksWhatID3v1CannotHoldAndUndoes)
{
    const std::string both = dir.write(
        "both.mp3", concat({Id3v2Bytes(4).frame("TIT2", Bytes{3, 'T', 0xC3, 0xBC, 0xE6, 0x9D, 0xB1})
                                .frame("TDRC", text("2001-05-03")).frame("TRCK", text("3/12"))
                                .frame("TCON", text("Rock")).bytes(),
                            audio, id3v1Record("Old", "Artist", "", "", "", 3)}));
    const std::string v1only = dir.write("v1.mp3", concat({audio, id3v1Record("One", "Band", "", "1999", "", 17, 4)}));
    const std::string none = dir.write("none.mp3", audio);
    const Bytes bothBefore = readFile(both);

    const CommandResult toV1 = runCli({"copy", "--to", "v1", both, none});
    EXPECT_EQ(1, toV1.exitCode);
    EXPECT_EQ(both + ": copied the ID3v2 fields into the ID3v1 tag\n", toV1.out);
    EXPECT_NE(std::string::npos, toV1.err.find("none.mp3: no readable ID3v2 tag")) << toV1.err;
    EXPECT_NE(std::string::npos, toV1.err.find("Title field holds ISO-8859-1 only")) << toV1.err;
    const CommandResult shown = runCli({"show", both});
    EXPECT_NE(std::string::npos, shown.out.find("Title:   T\xC3\xBC?\n")) << shown.out;
    EXPECT_NE(std::string::npos, shown.out.find("Year:    2001\n")) << shown.out;
    // The artist was emptied, as the ID3v2 tag has none.
    EXPECT_EQ(std::string::npos, shown.out.find("Artist")) << shown.out;
    EXPECT_EQ(audio, slice(readFile(none), 0, audio.size()));

    const CommandResult toV2 = runCli({"copy", "--to", "v2", v1only});
    ASSERT_EQ(0, toV2.exitCode) << toV2.err;
    EXPECT_EQ("One", v2TextOf(v1only, "TIT2"));
    EXPECT_EQ("Band", v2TextOf(v1only, "TPE1"));
    EXPECT_EQ("4", v2TextOf(v1only, "TRCK"));
    EXPECT_EQ("1999", v2TextOf(v1only, "TYER"));

    ASSERT_EQ(0, runCli({"undo"}).exitCode);
    ASSERT_EQ(0, runCli({"undo"}).exitCode);
    EXPECT_EQ(bothBefore, readFile(both));
    EXPECT_EQ(concat({audio, id3v1Record("One", "Band", "", "1999", "", 17, 4)}), readFile(v1only));
}
