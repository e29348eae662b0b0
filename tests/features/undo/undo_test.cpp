// Tests of the undo journal: batch saves and renames taken back byte for byte.
#include "features/tagedit/batch_save.h"
#include "features/undo/undo.h"
#include "support/id3v2_builder.h"
#include "support/scripted_dialogs.h"
#include "tags/id3.h"
#include "tags/id3v2.h"
#include "platform/file_system.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <random>

using namespace testsupport;

namespace {

// Points the state folder at a fresh temporary one for the test's lifetime.
class UndoTest : public ::testing::Test {
protected:
    BatchSaveOutcome save(const std::vector<std::string>& files, const std::string& title, bool v1 = true,
                          bool v2 = true)
    {
        BatchSaveRequest request;
        request.files = files;
        request.saveV1 = v1;
        request.saveV2 = v2;
        request.recordForUndo = true;
        request.v1[TagField::Title] = request.v2[TagField::Title] = {true, title};
        request.v2[TagField::Album] = {true, title.substr(0, title.size() / 2)};
        return runBatchSave(request, tag1, tag2, dialogs);
    }
    JournalStore store() const { return JournalStore(undoJournalFolder()); }
    UndoReport undoLast()
    {
        const std::optional<JournalEntry> last = lastEntry(store());
        return last ? undoEntry(store(), last->id) : UndoReport{};
    }

    TempDir state, dir;
    Tid3tag tag1;
    Tid3v2tag tag2;
    ScriptedDialogs dialogs;

private:
    const ScopedEnv m_stateHome{"XDG_STATE_HOME", state.path()};
};

// A file of one random kind: no tag, ID3v2.3 or 2.4 (with or without footer), with or
// without an ID3v1 record, with padding and audio of random sizes.
Bytes randomSong(std::mt19937& rng)
{
    auto pick = [&rng](uint32_t n) { return static_cast<uint32_t>(rng() % n); };
    Bytes song;
    const uint32_t kind = pick(4);
    if (kind > 0) {
        Id3v2Bytes tag(kind == 1 ? 3 : 4);
        if (kind == 3)
            tag.flags(0x10);
        tag.frame("TIT2", concat({{0}, Bytes(1 + pick(3000), 'a')})).frame("TPE1", {0, 'M', 'e'}).padding(pick(3000));
        song = tag.bytes();
        if (kind == 3) {
            Bytes footer(song.begin(), song.begin() + 10);
            footer[0] = '3', footer[1] = 'D', footer[2] = 'I';
            song = concat({song, footer});
        }
    }
    song = concat({song, audioPattern(pick(40000), rng())});
    if (pick(2))
        song = concat({song, id3v1Record("Old", "Band", "Album", "1999", "c", 17, 3)});
    return song;
}

} // namespace

TEST_F(UndoTest, RandomFilesOfEveryKindComeBackByteIdentical)
{
    std::mt19937 rng(16);
    for (int round = 0; round < 12; ++round) {
        std::vector<std::string> files;
        std::vector<Bytes> before;
        for (int i = 0; i < 8; ++i) {
            before.push_back(randomSong(rng));
            files.push_back(dir.write(std::to_string(round) + "-" + std::to_string(i) + ".mp3", before.back()));
        }
        // Long titles grow the tags, short ones let them shrink; some saves write only one tag.
        const bool v1 = round % 3 != 1, v2 = round % 3 != 2;
        save(files, std::string(rng() % 2 ? 6000 : 3, 'T'), v1, v2);
        ASSERT_TRUE(dialogs.shown.empty()) << dialogs.shown.front().text;
        int changed = 0;
        for (std::size_t i = 0; i < files.size(); ++i)
            changed += readFile(files[i]) != before[i];
        EXPECT_EQ(8, changed) << "round " << round;

        const UndoReport report = undoLast();
        ASSERT_TRUE(report.undone) << report.refusal;
        EXPECT_EQ(8u, report.restored);
        EXPECT_TRUE(report.leftAlone.empty());
        for (std::size_t i = 0; i < files.size(); ++i)
            ASSERT_EQ(before[i], readFile(files[i])) << "round " << round << " file " << i;
    }
}

// A claimed tag size beyond the end of the file swallows the record the ID3v1 save appends.
TEST_F(UndoTest, ATagClaimingMoreThanTheFileHoldsIsKeptWhole)
{
    const Bytes cut = Id3v2Bytes(3).frame("TIT2", {0, 'x'}).sizeField(5000).bytes();
    const Bytes withAudio = concat({Id3v2Bytes(4).frame("TIT2", {0, 'y'}).sizeField(300).bytes(), audioPattern(200)});
    const std::vector<std::string> files = {dir.write("cut.mp3", cut), dir.write("short.mp3", withAudio)};
    save(files, "New");
    const UndoReport report = undoLast();
    EXPECT_EQ(report.leftAlone, std::vector<std::string>{});
    EXPECT_EQ(cut, readFile(files[0]));
    EXPECT_EQ(withAudio, readFile(files[1]));
}

TEST_F(UndoTest, AFileChangedSinceIsLeftAloneAndNamedWhileTheRestAreRestored)
{
    const Bytes song = concat({Id3v2Bytes(3).frame("TIT2", {0, 'a'}).bytes(), audioPattern(5000)});
    const std::string a = dir.write("a.mp3", song), b = dir.write("b.mp3", song), c = dir.write("c.mp3", song);
    save({a, b, c}, "Saved");
    // b's tag is saved again outside the batch; c loses its last audio byte.
    ASSERT_EQ(0, runBatchSave([&] {
        BatchSaveRequest r;
        r.files = {b};
        r.v2[TagField::Artist] = {true, "Someone"};
        return r;
    }(), tag1, tag2, dialogs).failures);
    Bytes cBytes = readFile(c);
    cBytes.erase(cBytes.end() - 129);
    writeFile(c, cBytes);
    const Bytes bNow = readFile(b);

    const JournalEntry saveEntry = store().entries().front();
    const UndoReport report = undoEntry(store(), saveEntry.id);
    ASSERT_TRUE(report.undone);
    EXPECT_EQ(1u, report.restored);
    ASSERT_EQ(2u, report.leftAlone.size());
    EXPECT_NE(std::string::npos, report.leftAlone[0].find("'" + c + "' has changed since that save"));
    EXPECT_NE(std::string::npos, report.leftAlone[1].find("'" + b + "'"));
    EXPECT_EQ(song, readFile(a));
    EXPECT_EQ(bNow, readFile(b));
    EXPECT_EQ(cBytes, readFile(c));

    // The entry has left the list; a second undo is refused and changes nothing.
    EXPECT_FALSE(store().entry(saveEntry.id));
    const UndoReport again = undoEntry(store(), saveEntry.id);
    EXPECT_FALSE(again.undone);
    EXPECT_NE(std::string::npos, again.refusal.find("already undone"));
    EXPECT_EQ(bNow, readFile(b));
    EXPECT_NE(std::string::npos, undoEntry(store(), 999).refusal.find("no entry 999"));
}

TEST_F(UndoTest, AFailedSaveRecordsNothingForThatFile)
{
    const Bytes song = concat({audioPattern(3000), id3v1Record("t", "", "", "", "", 1)});
    const std::string good = dir.write("good.mp3", song), locked = dir.write("locked.mp3", song);
    makeReadOnly(locked);
    const std::string broken = dir.write("broken.mp3", song);
    save({good, dir.file("missing.mp3"), locked}, "New");
    EXPECT_FALSE(dialogs.shown.empty());
    // A write failing part way leaves the file as far as the save had come: not restorable,
    // and a batch that changed nothing restorable leaves no entry.
    platform::faults::failWriteAt(2);
    save({broken}, std::string(5000, 'x'), false, true);
    platform::faults::failWriteAt(0);
    const Bytes brokenNow = readFile(broken);
    ASSERT_EQ(1u, store().entries().size());
    EXPECT_EQ(1u, store().entries()[0].files); // the one file that was saved

    const UndoReport report = undoLast();
    EXPECT_EQ(1u, report.restored);
    EXPECT_TRUE(report.leftAlone.empty());
    EXPECT_EQ(song, readFile(good));
    EXPECT_EQ(brokenNow, readFile(broken));
}

TEST_F(UndoTest, NamesTheSaveRefusesAreNotRecordedAndTheOthersKeepTheirPlace)
{
    const Bytes song = concat({audioPattern(3000), id3v1Record("t", "", "", "", "", 1)});
    const std::string notes = dir.write("notes.txt", song), good = dir.write("good.mp3", song);
    save({notes, good, notes}, "New");
    const std::optional<JournalEntry> last = lastEntry(store());
    ASSERT_TRUE(last.has_value());
    const std::optional<std::vector<SavedFileRecord>> records = store().readSave(last->id);
    ASSERT_TRUE(records.has_value());
    ASSERT_EQ(1u, records->size());
    EXPECT_EQ(1u, last->files);

    EXPECT_EQ(1u, undoLast().restored);
    EXPECT_EQ(song, readFile(good));
    EXPECT_EQ(song, readFile(notes));
}

TEST_F(UndoTest, AJournalThatCannotBeWrittenStopsTheSaveBeforeAnyFileIsTouched)
{
    const Bytes song = concat({Id3v2Bytes(4).frame("TIT2", {0, 'a'}).bytes(), audioPattern(3000)});
    const std::string a = dir.write("a.mp3", song), b = dir.write("b.mp3", song);
    // A state folder below a plain file cannot be created, whoever runs the test.
    const std::string blocker = dir.write("blocker", {1});
    {
        const ScopedEnv blocked("XDG_STATE_HOME", blocker + "/state");
        const BatchSaveOutcome outcome = save({a, b}, "New");
        EXPECT_TRUE(outcome.stopped);
        ASSERT_EQ(1u, dialogs.texts("error").size());
        EXPECT_NE(std::string::npos, dialogs.texts("error")[0].find("undo journal cannot be written"));
        EXPECT_NE(std::string::npos, dialogs.texts("error")[0].find("nothing was saved"));
        EXPECT_EQ(song, readFile(a));
        EXPECT_EQ(song, readFile(b));
    }

    const ScopedEnv noState("XDG_STATE_HOME", nullptr), noHome("HOME", nullptr);
    dialogs.shown.clear();
    save({a}, "New");
    ASSERT_EQ(1u, dialogs.texts("error").size());
    EXPECT_NE(std::string::npos, dialogs.texts("error")[0].find("no state folder"));
    EXPECT_EQ(song, readFile(a));
}

TEST_F(UndoTest, RenamesAreTakenBackUnlessTheOldNameIsTaken)
{
    const std::string a = dir.write("a.mp3", {1}), b = dir.write("b.mp3", {2});
    std::string why;
    ASSERT_TRUE(journalRenames({{a, dir.file("a2.mp3")}, {b, dir.file("b2.mp3")}}, why)) << why;
    std::filesystem::rename(a, dir.file("a2.mp3"));
    std::filesystem::rename(b, dir.file("b2.mp3"));
    writeFile(b, {9}); // someone took b's old name meanwhile

    ASSERT_EQ(JournalKind::Rename, lastEntry(store())->kind);
    EXPECT_EQ(2u, lastEntry(store())->files);
    const UndoReport report = undoLast();
    EXPECT_EQ(1u, report.restored);
    ASSERT_EQ(1u, report.leftAlone.size());
    EXPECT_NE(std::string::npos, report.leftAlone[0].find("'" + b + "' is taken"));
    EXPECT_EQ(Bytes{1}, readFile(a));
    EXPECT_EQ(Bytes{9}, readFile(b));
    EXPECT_EQ(Bytes{2}, readFile(dir.file("b2.mp3")));

    // A chain within one batch unwinds backwards.
    ASSERT_TRUE(journalRenames({{a, dir.file("x.mp3")}, {dir.file("x.mp3"), dir.file("y.mp3")}}, why));
    std::filesystem::rename(a, dir.file("y.mp3"));
    EXPECT_EQ(2u, undoLast().restored);
    EXPECT_EQ(Bytes{1}, readFile(a));
}

TEST_F(UndoTest, TheJournalKeepsTheNewestEntriesWithinItsLimits)
{
    const std::string song = dir.write("a.mp3", audioPattern(100));
    std::string why;
    for (int i = 0; i < 55; ++i)
        ASSERT_TRUE(journalRename(song, song + std::to_string(i), why));
    std::vector<JournalEntry> list = store().entries();
    ASSERT_EQ(JournalStore::kMaxEntries, list.size());
    EXPECT_EQ(55u, list.front().id);
    EXPECT_EQ(6u, list.back().id);

    // Ids keep rising after undos, and an undone entry leaves the list.
    ASSERT_TRUE(undoEntry(store(), 55).undone);
    ASSERT_TRUE(journalRename(song, song + "x", why));
    list = store().entries();
    EXPECT_EQ(56u, list.front().id);
    EXPECT_EQ(54u, list[1].id);
}
