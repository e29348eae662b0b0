// Tests of the repair of damaged ID3v2 tags: what the window shows of one, the refusal of a
// normal save, the repair's frames read by mutagen, the audio kept, and one undo.
#include "features/tagedit/repair_tag.h"
#include "features/tagedit/tag_view.h"
#include "features/undo/undo.h"
#include "support/id3v2_builder.h"
#include "support/scripted_dialogs.h"
#include "tags/id3v1/id3.h"
#include "tags/id3v2/id3v2.h"

#include <gtest/gtest.h>

using namespace testsupport;

namespace {

Bytes text(const std::string& s)
{
    return concat({{0}, bytesOf(s)});
}

// The seven fields and a front cover, as a version 2.3 tag builder.
Id3v2Bytes sevenAndCover(const Bytes& png)
{
    const Bytes comment = concat({{0, 'e', 'n', 'g', 0}, bytesOf("Fine")});
    const Bytes picture = concat({text("image/png"), {0, 3, 0}, png});
    Id3v2Bytes tag(3);
    tag.frame("TIT2", text("Song")).frame("TPE1", text("Band")).frame("TALB", text("Album"));
    tag.frame("TYER", text("1999")).frame("TCON", text("Rock")).frame("COMM", comment).frame("TRCK", text("7"));
    tag.frame("APIC", picture);
    return tag;
}

std::string mutagenSeven(const std::string& python, const std::string& path)
{
    const char* script = R"(
import sys, mutagen.id3 as m
t = m.ID3(sys.argv[1])
print([str(t[k]) for k in ('TIT2', 'TPE1', 'TALB', 'TDRC', 'TCON', 'TRCK')], t.getall('COMM')[0].text[0])
p = t.getall('APIC')[0]
print(p.mime, int(p.type), len(p.data))
)";
    const CommandResult r = runProgram(python, {"-c", script, path});
    return r.exitCode == 0 ? r.out : "mutagen failed: " + r.err;
}

class RepairTag : public ::testing::Test {
protected:
    std::string write(const Bytes& bytes) { return dir.write("song" + std::to_string(++files) + ".mp3", bytes); }
    void undoLast()
    {
        const JournalStore store(undoJournalFolder());
        const std::optional<JournalEntry> last = lastEntry(store);
        ASSERT_TRUE(last);
        EXPECT_TRUE(undoEntry(store, last->id).undone);
    }

    TempDir state;
    const ScopedEnv stateHome{"XDG_STATE_HOME", state.path()};
    TempDir dir;
    int files = 0;
    Tid3tag v1;
    Tid3v2tag v2;
    ScriptedDialogs dialogs;
    const Bytes png = pngImage(8, 8);
};

} // namespace

TEST_F(RepairTag, CutInsideTheTagShownRefusedRepairedAndUndone)
{
    const Bytes whole = sevenAndCover(png).frame("TXXX", text(std::string(400, 'x'))).padding(100).bytes();
    const Bytes cut(whole.begin(), whole.end() - 100 - 200);
    const std::string path = write(cut);

    const FileView view = readFileView(path, v1, v2);
    EXPECT_TRUE(view.v2.shown);
    EXPECT_EQ(std::optional<uint32_t>(8), view.v2.damagedFrames);
    EXPECT_EQ("Song", view.v2.texts[fieldIndex(TagField::Title)]);
    EXPECT_EQ(8u, view.v2.frames.size());

    BatchSaveRequest save;
    save.saveV1 = false;
    save.files = {path};
    save.v2[TagField::Title] = {true, "Other"};
    runBatchSave(save, v1, v2, dialogs);
    ASSERT_EQ(1u, dialogs.texts("message").size());
    EXPECT_NE(std::string::npos, dialogs.texts("message")[0].find("was not saved: the tag is damaged."));
    EXPECT_EQ(cut, readFile(path));

    EXPECT_EQ("wrote the 8 frames that could be read as a new ID3v2 tag (the file ended inside the tag, so no "
              "audio followed it)",
              repairDamagedTag(path, v1, v2, dialogs));
    ASSERT_EQ(0, v2.LoadFromFile(path, 0));
    EXPECT_EQ(8u, v2.FrameIndex().Count());
    const std::string python = mutagenPython();
    if (!python.empty()) {
        EXPECT_EQ("['Song', 'Band', 'Album', '1999', 'Rock', '7'] Fine\nimage/png 3 " + std::to_string(png.size()) + "\n",
                  mutagenSeven(python, path));
    }
    undoLast();
    EXPECT_EQ(cut, readFile(path));
    VARNOLI_NEED_MUTAGEN(python);
}

TEST_F(RepairTag, LyingFrameSizeKeepsTheAudioAfterTheDeclaredTag)
{
    const Bytes tag = sevenAndCover(png).frameWithSize("TXXX", 9000, text("desc")).padding(30).bytes();
    const Bytes audio = audioPattern(5000);
    const Bytes before = concat({tag, audio});
    const std::string path = write(before);
    const std::string sound = write(concat({Id3v2Bytes(3).frame("TIT2", text("Ok")).bytes(), audio}));
    const Bytes soundBefore = readFile(sound);
    BatchSaveRequest save;
    save.saveV1 = false;
    save.files = {path};
    save.v2[TagField::Title] = {true, "Other"};
    runBatchSave(save, v1, v2, dialogs);
    EXPECT_EQ(std::vector<std::string>{"Error #65024! Could not save Tag! (the tag is damaged)"}, dialogs.texts("message"));
    dialogs.shown.clear();

    const BatchSaveOutcome outcome = repairDamagedTags({path, sound}, v1, v2, dialogs);
    EXPECT_TRUE(dialogs.shown.empty());
    ASSERT_EQ(2u, outcome.files.size());
    EXPECT_EQ(std::vector<std::string>{"wrote the 8 frames that could be read as a new ID3v2 tag"}, outcome.files[0].changes);
    EXPECT_TRUE(outcome.files[1].changes.empty());
    EXPECT_EQ(soundBefore, readFile(sound));

    const Bytes after = readFile(path);
    ASSERT_GE(after.size(), audio.size());
    EXPECT_EQ(audio, Bytes(after.end() - static_cast<std::ptrdiff_t>(audio.size()), after.end()));
    ASSERT_EQ(0, v2.LoadFromFile(path, 0));
    EXPECT_EQ(8u, v2.FrameIndex().Count());
    EXPECT_EQ(after.size() - audio.size(), 10u + v2.TagSize);
    undoLast();
    EXPECT_EQ(before, readFile(path));
}

TEST_F(RepairTag, ATagSizeThatLiesPastTheEndWithAudioBehindItsFramesIsLeftAlone)
{
    // MPEG 1 layer III frames of 128 kbit/s: audio the tag's size claims for itself.
    Bytes frame(417, 0x55);
    frame[0] = 0xFF, frame[1] = 0xFB, frame[2] = 0x90, frame[3] = 0x64;
    Bytes audio;
    for (int i = 0; i < 20; ++i)
        audio = concat({audio, frame});
    const Bytes before = concat({Id3v2Bytes(3).frame("TIT2", text("Song")).sizeField(20000).bytes(), audio});
    const std::string path = write(before);
    const BatchSaveOutcome outcome = repairDamagedTags({path}, v1, v2, dialogs);
    ASSERT_EQ(1u, outcome.files.size());
    EXPECT_TRUE(outcome.files[0].changes.empty());
    EXPECT_EQ(1u, dialogs.texts("message").size());
    EXPECT_EQ(before, readFile(path));
}
