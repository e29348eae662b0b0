// Tests of saves and undos stopped part way: by a kill at any write, a size limit or a full
// journal. What they leave is undone, finished by the next undo, or named and repaired.
#include "undo_fixture.h"

#include "features/common/interrupted_saves.h"
#include "platform/file_system.h"
#include "tags/file/move_record.h"

using namespace undotest;

TEST_F(UndoTest, ABatchKilledPartWayIsUndoneForEveryFileItSaved)
{
    std::mt19937 rng(8);
    for (uint64_t killAt : {1, 2, 3, 5, 8, 13, 21, 34, 55}) {
        std::vector<std::string> files;
        std::vector<Bytes> before;
        for (int i = 0; i < 10; ++i) {
            before.push_back(randomSong(rng));
            files.push_back(dir.write(std::to_string(killAt) + "-" + std::to_string(i) + ".mp3", before.back()));
        }
        const std::string title(killAt % 2 ? 6000 : 3, 'T');
        ASSERT_EQ(-1, inChild([&] {
            platform::faults::killAtWrite(killAt);
            save(files, title);
            return 0;
        })) << "kill at " << killAt;
        const std::optional<JournalEntry> last = lastEntry(store());
        ASSERT_TRUE(last && !last->finished) << "kill at " << killAt;
        const UndoReport report = undoEntry(store(), last->id);
        ASSERT_TRUE(report.undone) << report.refusal << (report.leftAlone.empty() ? "" : report.leftAlone[0]);
        EXPECT_TRUE(report.leftAlone.empty()) << report.leftAlone[0];
        for (std::size_t i = 0; i < files.size(); ++i)
            ASSERT_EQ(before[i], readFile(files[i])) << "kill at " << killAt << ", file " << i;
    }
}

TEST_F(UndoTest, AJournalFullPartWayStopsTheBatchAndKeepsWhatItHadSaved)
{
    const Bytes song = concat({Id3v2Bytes(3).frame("TIT2", concat({{0}, Bytes(60000, 'a')})).bytes(), audioPattern(4000)});
    std::vector<std::string> files;
    for (int i = 0; i < 5; ++i)
        files.push_back(dir.write(std::to_string(i) + ".mp3", song));
    EXPECT_EQ(0, inChild([&] {
        const BatchSaveOutcome outcome = save(files, "New", false, true);
        const std::vector<std::string> errors = dialogs.texts("error");
        return outcome.stopped && errors.size() == 1 && errors[0].find("the save stopped before") != std::string::npos ? 0 : 1;
    }, 150000));
    int saved = 0;
    for (const std::string& f : files)
        saved += readFile(f) != song;
    EXPECT_EQ(2, saved);
    const UndoReport report = undoLast();
    EXPECT_TRUE(report.undone);
    EXPECT_EQ(2u, report.restored);
    for (const std::string& f : files)
        EXPECT_EQ(song, readFile(f));
}

TEST_F(UndoTest, BothTagsOfAFileAreSavedOrNeither)
{
    const Bytes tagged = concat({Id3v2Bytes(3).frame("TIT2", {0, 'o'}).bytes(), audioPattern(5000),
                                 id3v1Record("Old title", "", "", "", "Old comment", 1)});
    const Bytes bare = concat({Id3v2Bytes(3).frame("TIT2", {0, 'o'}).bytes(), audioPattern(5000)});
    // The limit cuts the ID3v1 record in two, or lets the record in but not the grown tag.
    const std::pair<const Bytes*, int64_t> limits[] = {{&tagged, -60}, {&tagged, 0}, {&bare, 50}, {&bare, 200}};
    for (const auto& [song, slack] : limits) {
        const std::string path = dir.write("limited.mp3", *song);
        EXPECT_EQ(0, inChild([&] {
            BatchSaveRequest request;
            request.files = {path};
            request.recordForUndo = true;
            request.v1[TagField::Title] = request.v1[TagField::Comment] = {true, "New"};
            request.v2[TagField::Title] = {true, std::string(9000, 'n')};
            return runBatchSave(request, tag1, tag2, dialogs).failures ? 0 : 1;
        }, static_cast<rlim_t>(static_cast<int64_t>(song->size()) + slack))) << slack;
        EXPECT_EQ(*song, readFile(path)) << slack;
        EXPECT_TRUE(store().entries().empty()) << slack;
    }

    // A tag the loader refuses is not written over: the ID3v1 record goes back too.
    const Bytes badFrame = concat({Id3v2Bytes(3).frame("TIT2", {0, 'o'}).frameWithSize("TPE1", 90000, {0}).bytes(),
                                   Bytes(200, 0), id3v1Record("Old", "", "", "", "", 1)});
    const std::string refused = dir.write("refused.mp3", badFrame);
    const Bytes claims = concat({Id3v2Bytes(3).frame("TIT2", {0, 'x'}).sizeField(5000).bytes(), audioPattern(100)});
    const std::string cut = dir.write("cut.mp3", claims);
    dialogs.shown.clear();
    save({refused, cut}, "New");
    EXPECT_EQ(badFrame, readFile(refused));
    EXPECT_EQ(claims, readFile(cut));
    const std::vector<std::string> said = dialogs.texts("message");
    ASSERT_EQ(3u, said.size());
    EXPECT_NE(std::string::npos, said[1].find("'" + refused + "' keeps both its old tags"));
    EXPECT_NE(std::string::npos, said[2].find("'" + cut + "' was not saved: the tag is damaged. Its ID3v2 tag claims more bytes"));

    // Only the ID3v1 record written (no frames to write): that save is recorded and undone.
    const Bytes noV2 = concat({audioPattern(3000), id3v1Record("Old", "", "", "", "", 1)});
    const std::string v1Only = dir.write("v1only.mp3", noV2);
    BatchSaveRequest request;
    request.files = {v1Only};
    request.recordForUndo = true;
    request.v1[TagField::Title] = {true, "New"};
    runBatchSave(request, tag1, tag2, dialogs);
    ASSERT_NE(noV2, readFile(v1Only));
    EXPECT_EQ(1u, undoLast().restored);
    EXPECT_EQ(noV2, readFile(v1Only));
}

TEST_F(UndoTest, AnUndoKilledAnywhereIsFinishedByTheNext)
{
    const Bytes v1 = id3v1Record("Old", "Band", "", "", "", 1);
    const Bytes songs[] = {concat({Id3v2Bytes(3).frame("TIT2", {0, 'O'}).bytes(), audioPattern(20000), v1}),
                           concat({audioPattern(3000)}),
                           concat({Id3v2Bytes(4).frame("TIT2", concat({{0}, Bytes(9000, 'o')})).bytes(),
                                   audioPattern(10000), v1})};
    int killed = 0, partly = 0;
    for (uint64_t round = 0; round < 60; ++round) {
        const uint64_t killAt = round / 2 + 1;
        std::vector<std::string> files;
        for (std::size_t i = 0; i < std::size(songs); ++i)
            files.push_back(dir.write(std::to_string(round) + "-" + std::to_string(i) + ".mp3", songs[i]));
        save(files, std::string(round % 2 ? 6000 : 3, 'T'));
        const std::vector<Bytes> saved = {readFile(files[0]), readFile(files[1]), readFile(files[2])};
        const uint64_t id = lastEntry(store())->id;
        const int status = inChild([&] {
            platform::faults::killAtWrite(killAt);
            return undoEntry(store(), id).undone ? 0 : 1;
        });
        killed += status == -1;
        for (std::size_t i = 0; i < files.size(); ++i) {
            const Bytes now = readFile(files[i]);
            partly += now != songs[i] && now != saved[i] && interruptedMoves().empty();
        }
        const UndoReport report = undoEntry(store(), id);
        ASSERT_TRUE(status == 0 || report.undone)
            << "kill at " << killAt << ": " << report.refusal << (report.leftAlone.empty() ? "" : report.leftAlone[0]);
        for (std::size_t i = 0; i < files.size(); ++i)
            ASSERT_EQ(songs[i], readFile(files[i])) << "kill at " << killAt << ", file " << i;
    }
    EXPECT_GT(killed, 5);
    // Each undo here moves the audio, the ID3v1 record under its move's record: a file left
    // with one tag back and the other not is always named by that record.
    EXPECT_EQ(0, partly);
}

TEST_F(UndoTest, ASaveKilledBetweenItsTwoTagsIsReportedAndRepaired)
{
    const Bytes song = concat({Id3v2Bytes(3).frame("TIT2", {0, 'O', 'l', 'd'}).padding(136).bytes(),
                               audioPattern(12000), id3v1Record("Old", "Band", "", "", "", 1)});
    const std::string reference = dir.write("reference.mp3", song);
    save({reference}, "New");
    const Bytes after = readFile(reference);
    ASSERT_EQ(song.size(), after.size()); // saved in place
    int half = 0;
    for (uint64_t killAt = 1; killAt <= 6; ++killAt) {
        std::filesystem::remove_all(state.path() + "/varnoli");
        const std::string f = dir.write("song" + std::to_string(killAt) + ".mp3", song);
        const int status = inChild([&] {
            platform::faults::killAtWrite(killAt);
            return save({f}, "New").failures ? 1 : 0;
        });
        const std::vector<HalfSavedFile> found = halfSavedFiles(store());
        const Bytes now = readFile(f);
        if (status != -1 || now == song) {
            EXPECT_TRUE(found.empty()) << "kill at " << killAt;
            continue;
        }
        // Saved whole but killed before its outcome went to the journal: put back too.
        if (now == after && found.empty())
            continue;
        ++half;
        ASSERT_EQ(1u, found.size()) << "kill at " << killAt;
        EXPECT_EQ(f, found[0].path);
        // A later save of another file leaves it named: every stopped save is looked at.
        save({dir.write("other.mp3", song)}, "Other");
        ASSERT_EQ(1u, halfSavedFiles(store()).size()) << "kill at " << killAt;
        EXPECT_NE(std::string::npos, interruptedSavesMessage().find("varnoli-cli repair '" + f + "'"));
        const RepairOutcome repaired = repairInterruptedSave(f);
        EXPECT_TRUE(repaired.repaired) << repaired.message;
        EXPECT_EQ(song, readFile(f)) << "kill at " << killAt;
        EXPECT_TRUE(halfSavedFiles(store()).empty());
        EXPECT_FALSE(repairInterruptedSave(f).repaired);
    }
    EXPECT_GT(half, 0);
}

TEST_F(UndoTest, AnUndoKilledWhileItMovesTheAudioIsRepairedWithItsId3v1Record)
{
    const Bytes song = concat({Id3v2Bytes(3).frame("TIT2", {0, 'O'}).bytes(), audioPattern(20000),
                               id3v1Record("Old", "Band", "", "", "", 1)});
    int moves = 0;
    for (uint64_t killAt = 1; killAt <= 12; ++killAt) {
        std::filesystem::remove_all(state.path() + "/varnoli");
        const std::string f = dir.write("song" + std::to_string(killAt) + ".mp3", song);
        save({f}, std::string(6000, 'T'));
        const Bytes saved = readFile(f);
        ASSERT_GT(saved.size(), song.size() + 6000);
        const uint64_t id = lastEntry(store())->id;
        inChild([&] {
            platform::faults::killAtWrite(killAt);
            return undoEntry(store(), id).undone ? 0 : 1;
        });
        if (!interruptedMoves().empty()) {
            ++moves;
            const RepairOutcome repaired = repairInterruptedSave(f);
            ASSERT_TRUE(repaired.repaired) << repaired.message;
            ASSERT_EQ(saved, readFile(f)) << "kill at " << killAt;
        } else {
            const Bytes now = readFile(f);
            ASSERT_TRUE(now == saved || now == song) << "kill at " << killAt;
        }
        EXPECT_TRUE(undoEntry(store(), id).undone);
        ASSERT_EQ(song, readFile(f)) << "kill at " << killAt;
    }
    EXPECT_GT(moves, 0);
}

// A save killed half way through the file, for the tests below: the file, its bytes before,
// and the stopped entry's id; empty when no kill in the first writes leaves it half saved.
namespace {
struct HalfSave {
    std::string path;
    Bytes before;
    uint64_t entry = 0;
};
} // namespace

class HalfDone : public UndoTest {
protected:
    const Bytes song = concat({Id3v2Bytes(3).frame("TIT2", {0, 'O', 'l', 'd'}).padding(136).bytes(),
                               audioPattern(12000), id3v1Record("Old", "Band", "", "", "", 1)});

    std::optional<HalfSave> halfSave(const std::string& name)
    {
        for (uint64_t killAt = 1; killAt <= 6; ++killAt) {
            std::filesystem::remove_all(state.path() + "/varnoli");
            const std::string f = dir.write(name, song);
            inChild([&] {
                platform::faults::killAtWrite(killAt);
                return save({f}, "New").failures ? 1 : 0;
            });
            if (halfSavedFiles(store()).size() == 1)
                return HalfSave{f, song, lastEntry(store())->id};
        }
        return std::nullopt;
    }
    bool marked(uint64_t id, const char* suffix) const
    {
        char name[32];
        std::snprintf(name, sizeof name, "%010llu%s", static_cast<unsigned long long>(id), suffix);
        return std::filesystem::exists(undoJournalFolder() + name);
    }
};

// A file saved again since is that save's to undo; the stopped entry is then settled and no
// longer read at start.
TEST_F(HalfDone, AFileSavedAgainSinceIsNoLongerNamed)
{
    const std::optional<HalfSave> half = halfSave("song.mp3");
    ASSERT_TRUE(half);
    save({half->path}, "Again");
    EXPECT_TRUE(halfSavedFiles(store()).empty());
    EXPECT_TRUE(marked(half->entry, ".settled"));
    // Both undos, newest first, give back the file as it was.
    EXPECT_TRUE(undoLast().undone);
    EXPECT_TRUE(undoEntry(store(), half->entry).undone);
    EXPECT_EQ(half->before, readFile(half->path));
}

// An undo killed between a file's two ends is named at start, and repair finishes that file.
TEST_F(HalfDone, AnUndoKilledBetweenItsTwoWritesIsNamedAndRepaired)
{
    int half = 0;
    for (uint64_t killAt = 1; killAt <= 4; ++killAt) {
        std::filesystem::remove_all(state.path() + "/varnoli");
        const std::string f = dir.write("undo" + std::to_string(killAt) + ".mp3", song);
        save({f}, "New");
        const Bytes after = readFile(f);
        ASSERT_EQ(song.size(), after.size()); // saved in place
        const uint64_t id = lastEntry(store())->id;
        inChild([&] {
            platform::faults::killAtWrite(killAt);
            return undoEntry(store(), id).undone ? 0 : 1;
        });
        const Bytes now = readFile(f);
        const std::vector<HalfSavedFile> found = halfSavedFiles(store());
        if (now == song || now == after) {
            EXPECT_TRUE(found.empty()) << "kill at " << killAt;
            continue;
        }
        ++half;
        ASSERT_EQ(1u, found.size()) << "kill at " << killAt;
        EXPECT_TRUE(found[0].undoing);
        EXPECT_NE(std::string::npos, halfSavedText(found[0]).find("undo of entry " + std::to_string(id)));
        const RepairOutcome repaired = repairInterruptedSave(f);
        EXPECT_TRUE(repaired.repaired) << repaired.message;
        EXPECT_EQ(song, readFile(f));
        EXPECT_TRUE(halfSavedFiles(store()).empty());
        EXPECT_FALSE(marked(id, ".undoing"));
    }
    EXPECT_GT(half, 0);
}
