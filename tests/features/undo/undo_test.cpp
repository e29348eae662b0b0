// Tests of the undo journal: batch saves and renames taken back byte for byte.
#include "undo_fixture.h"

#include "features/undo/save_recording.h"
#include "platform/file_system.h"
#include "platform/journal_files.h"

#include <cstdlib>

using namespace undotest;



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

// Both tags' loads and saves, the journal's record and fingerprint share one open of the

// file, and so do an undo's check and restore; the audio moves both ways.

TEST_F(UndoTest, ASaveAndItsUndoOpenTheFileOnceEach)
{
    const Bytes song = concat({Id3v2Bytes(3).frame("TIT2", {0, 'O', 'l', 'd'}).bytes(), audioPattern(30000),
                               id3v1Record("Old", "", "", "", "", 1)});
    const std::string path = dir.write("a.mp3", song);
    platform::faults::countOpens(path);
    save({path}, std::string(5000, 'n'));
    EXPECT_EQ(1u, platform::faults::openCount());
    platform::faults::countOpens(platform::absolutePath(path));
    EXPECT_TRUE(undoLast().undone);
    EXPECT_EQ(1u, platform::faults::openCount());
    platform::faults::countOpens({});
    EXPECT_EQ(song, readFile(path));
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
    // The window's progress box hears of every file, the one left alone included.
    struct Seen : Progress {
        std::size_t total = 0;
        std::vector<std::string> files;
        void begin(std::size_t n) override { total = n; }
        void advance(std::size_t, const std::string& current) override { files.push_back(current); }
    } seen;
    const UndoReport report = undoEntry(store(), saveEntry.id, seen);
    EXPECT_EQ(3u, seen.total);
    EXPECT_EQ((std::vector<std::string>{c, b, a, ""}), seen.files);
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
    std::string damage;
    const std::optional<std::vector<SavedFile>> records = store().readSave(last->id, damage);
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

// One flipped bit anywhere in an entry, old tag bytes and names included, refuses the undo by

// the entry's number with nothing written: a name or a tag may not be trusted blind.

TEST_F(UndoTest, AnEntryWithAFlippedBitIsRefusedAndNothingIsWritten)
{
    std::mt19937 rng(4);
    std::vector<std::string> files;
    for (int i = 0; i < 3; ++i)
        files.push_back(dir.write(std::to_string(i) + ".mp3", randomSong(rng)));
    save(files, "New");
    std::vector<Bytes> saved;
    for (const std::string& f : files)
        saved.push_back(readFile(f));
    const uint64_t id = lastEntry(store())->id;
    const std::string path = entryFile(store(), id);
    const Bytes good = readFile(path);
    int named = 0;
    for (std::size_t bit = 5; bit < good.size() * 8; bit += good.size() * 8 / 400 + 1) {
        Bytes flipped = good;
        flipped[bit / 8] ^= static_cast<uint8_t>(1u << (bit % 8));
        writeFile(path, flipped);
        const UndoReport report = undoEntry(store(), id);
        ASSERT_FALSE(report.undone || report.kept) << "bit " << bit;
        ASSERT_NE(std::string::npos, report.refusal.find("ntry " + std::to_string(id))) << report.refusal;
        for (std::size_t i = 0; i < files.size(); ++i)
            ASSERT_EQ(saved[i], readFile(files[i])) << "bit " << bit;
        named += report.refusal.find("'" + files[1] + "'") != std::string::npos;
    }
    EXPECT_GT(named, 0);
    writeFile(path, good);
    EXPECT_EQ(3u, undoEntry(store(), id).restored);

    std::string why;
    ASSERT_TRUE(journalRename(files[0], files[0] + ".moved.mp3", why));
    const std::string renames = entryFile(store(), lastEntry(store())->id);
    Bytes flipped = readFile(renames);
    flipped[flipped.size() / 2] ^= 0x10;
    writeFile(renames, flipped);
    EXPECT_NE(std::string::npos, undoLast().refusal.find("damaged"));
}

// A size limit below what the undo needs: the entry stays, says why, and a later undo succeeds.

TEST_F(UndoTest, AnUndoThatFailsKeepsItsEntry)
{
    const Bytes song = concat({Id3v2Bytes(3).frame("TIT2", concat({{0}, Bytes(20000, 'a')})).bytes(),
                               audioPattern(9000), id3v1Record("Old", "", "", "", "", 1)});
    const std::string path = dir.write("a.mp3", song);
    save({path}, "Short"); // the tag shrinks, so the undo must grow the file again
    const Bytes saved = readFile(path);
    ASSERT_LT(saved.size() + 4096, song.size());
    const uint64_t id = lastEntry(store())->id;
    EXPECT_EQ(0, inChild([&] {
        const UndoReport report = undoEntry(store(), id);
        const bool said = report.leftAlone.size() == 1 && report.leftAlone[0].find("could not be restored") != std::string::npos;
        return report.kept && !report.undone && said && undoSummaryText(report).find("stays") != std::string::npos ? 0 : 1;
    }, saved.size() + 100));
    EXPECT_EQ(saved, readFile(path));
    ASSERT_TRUE(store().entry(id).has_value());
    const UndoReport again = undoEntry(store(), id);
    EXPECT_TRUE(again.undone);
    EXPECT_EQ(song, readFile(path));
}

// A save's journal folder is not flushed after the entry gets its final name: a power cut may

// leave the entry, flushed whole, under its open name, where it is still a finished save.

TEST_F(UndoTest, AFinishedEntryUnderItsOpenNameIsStillFinishedAndUndone)
{
    const Bytes song = concat({Id3v2Bytes(3).frame("TIT2", {0, 'O', 'l', 'd'}).bytes(), audioPattern(3000)});
    const std::string path = dir.write("a.mp3", song);
    save({path}, "New");
    const std::string finished = entryFile(store(), lastEntry(store())->id);
    std::filesystem::rename(finished, finished.substr(0, finished.size() - 6) + ".open");
    const std::optional<JournalEntry> last = lastEntry(store());
    ASSERT_TRUE(last && last->finished && last->files == 1);
    EXPECT_TRUE(undoEntry(store(), last->id).undone);
    EXPECT_EQ(song, readFile(path));
}

// A batch killed at any of its writes can be undone for every file it had saved, the one it

// was moving included.

// A journal that refuses part way (here a size limit the entry outgrows) stops the batch before

// the file it could not record; the files before it are undone. The limit holds two old tags

// of 60000 bytes in the entry but not three, and leaves room for the record of a move.

// Per file, both tags or neither: under a size limit, when the ID3v2 tag is refused, and for

// a tag that claims more than the file holds. What a save did change is recorded for undo.

// Two saves of one file at once: each keeps what the other left, so the later one's undo

// gives back the earlier one's result, and both together the original.

TEST_F(UndoTest, TwoSavesOfOneFileAtOnceAreUndoneStepByStep)
{
    const Bytes song = concat({Id3v2Bytes(4).frame("TIT2", {0, 'o'}).bytes(), audioPattern(400000)});
    for (int round = 0; round < 4; ++round) {
        const std::string path = dir.write("shared.mp3", song);
        const std::string titles[2] = {std::string(7000, 'a'), "b"};
        pid_t children[2];
        for (int i = 0; i < 2; ++i)
            if ((children[i] = fork()) == 0) {
                save({path}, titles[i]);
                _exit(0);
            }
        for (pid_t child : children)
            waitpid(child, nullptr, 0);
        // The later of the two is the one whose record fits the file now.
        std::vector<uint64_t> ids = store().entryIds();
        ASSERT_EQ(2u, ids.size());
        std::string damage;
        const std::optional<std::vector<SavedFile>> newest = store().readSave(ids[0], damage);
        ASSERT_TRUE(newest && newest->size() == 1 && newest->front().after);
        if (!sameFingerprint(*newest->front().after, fingerprintOf(path, true, true, newest->front().before.whole)))
            std::swap(ids[0], ids[1]);
        ASSERT_EQ(1u, undoEntry(store(), ids[0]).restored);
        const Bytes middle = readFile(path);
        EXPECT_NE(song, middle) << "round " << round;
        ASSERT_EQ(1u, undoEntry(store(), ids[1]).restored) << "round " << round;
        EXPECT_EQ(song, readFile(path)) << "round " << round;
    }
}

// A tag that keeps its size is kept in the journal by the bytes each save replaced, not

// whole: a changed title behind a large frame costs the entry a few bytes. A file named

// twice in the batch is undone through both of its saves.

TEST_F(UndoTest, ATagThatKeepsItsSizeIsJournaledByWhatChanged)
{
    const Bytes song = concat({Id3v2Bytes(3)
                                   .frame("TIT2", {0, 'O', 'l', 'd', '1'})
                                   .frame("TXXX", concat({{0, 'a', 0}, Bytes(60000, 'x')}))
                                   .padding(2000)
                                   .bytes(),
                               audioPattern(20000)});
    const std::string path = dir.write("a.mp3", song);
    save({path}, "Old2", false, true); // sizes the tag's padding to the save's own rule
    const Bytes settled = readFile(path);
    save({path, path}, "New1", false, true);
    ASSERT_TRUE(dialogs.shown.empty()) << dialogs.shown.front().text;
    const Bytes saved = readFile(path);
    ASSERT_EQ(settled.size(), saved.size());
    EXPECT_EQ(Bytes(settled.begin() + 25, settled.end() - 30000), Bytes(saved.begin() + 25, saved.end() - 30000));
    const std::optional<JournalEntry> last = lastEntry(store());
    ASSERT_TRUE(last);
    EXPECT_LT(std::filesystem::file_size(entryFile(store(), last->id)), 1000u);
    for (const Bytes* before : {&settled, &song}) {
        const UndoReport report = undoLast();
        ASSERT_TRUE(report.undone) << report.refusal << (report.leftAlone.empty() ? "" : report.leftAlone[0]);
        EXPECT_EQ(*before, readFile(path));
    }
}

// The journal names each file by its identity too: a file renamed after its save (or between

// the save's lock and its journal) is undone under its new name. A file found nowhere is

// named, and its entry stays as it was, for an undo once the file is back.

TEST_F(UndoTest, AFileRenamedSinceIsUndoneUnderItsNewNameAndOneGoneKeepsTheEntry)
{
    const Bytes song = concat({Id3v2Bytes(3).frame("TIT2", {0, 'O', 'l', 'd'}).bytes(), audioPattern(9000),
                               id3v1Record("Old", "", "", "", "", 1)});
    const std::string a = dir.write("a.mp3", song), b = dir.write("b.mp3", song);
    save({a, b}, std::string(3000, 'n'));
    std::filesystem::rename(a, dir.file("renamed.mp3"));
    std::filesystem::rename(b, state.path() + "/elsewhere.mp3");
    const uint64_t id = lastEntry(store())->id;

    const UndoReport report = undoEntry(store(), id);
    EXPECT_FALSE(report.undone);
    EXPECT_TRUE(report.kept);
    EXPECT_EQ(1u, report.restored);
    EXPECT_EQ(song, readFile(dir.file("renamed.mp3")));
    ASSERT_EQ(1u, report.leftAlone.size());
    EXPECT_NE(std::string::npos, report.leftAlone[0].find("'" + b + "' is no longer there")) << report.leftAlone[0];
    ASSERT_TRUE(store().entry(id).has_value());

    std::filesystem::rename(state.path() + "/elsewhere.mp3", b);
    const UndoReport again = undoEntry(store(), id);
    EXPECT_TRUE(again.undone);
    EXPECT_EQ(song, readFile(b));
    EXPECT_EQ(song, readFile(dir.file("renamed.mp3")));
}

// An undo killed at any of its writes, its move's record and the ID3v1 record's write

// included, leaves a state that the next undo finishes byte for byte.

// An entry of an earlier version of the journal is listed and refused by its number, never

// read in the new layout.

TEST_F(UndoTest, AnEntryOfAnEarlierVersionIsRefusedByName)
{
    std::filesystem::create_directories(undoJournalFolder());
    Bytes old = bytesOf("VNJ2");
    old.push_back(1);
    old.resize(old.size() + 12, 0);
    writeFile(undoJournalFolder() + "0000000007.entry", old);
    const std::optional<JournalEntry> last = lastEntry(store());
    ASSERT_TRUE(last && last->earlierVersion);
    EXPECT_NE(std::string::npos, entryLine(*last).find("earlier version"));
    EXPECT_FALSE(lastEntry(store(), JournalKind::Save));
    const UndoReport report = undoEntry(store(), 7);
    EXPECT_FALSE(report.undone || report.kept);
    EXPECT_NE(std::string::npos, report.refusal.find("Entry 7 of the undo journal was written by an earlier version"));
    EXPECT_EQ(old, readFile(undoJournalFolder() + "0000000007.entry"));
}

// A save of both tags in place killed after its ID3v1 write and before (or during) its ID3v2

// write is named by the check at start, from the killed save's entry, and `repair` puts it

// back byte for byte; a file the kill left as before is named by nothing.

// An undo that moves the audio of a file with an ID3v1 record puts that record back under the

// record of its move: killed at any write, it leaves the file as saved or as before the save,

// or named at start, and `repair` then gives back the file as saved, both tags included.
