// Tests of TagFile: the save of both tags or neither, what it tells, and the restore of an undo.
#include "support/id3v2_builder.h"
#include "support/test_support.h"
#include "platform/file_system.h"
#include "tags/core/crc.h"
#include "tags/file/move_record.h"
#include "tags/file/tag_file.h"
#include "tags/id3v1/id3.h"
#include "tags/id3v2/id3v2.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <tuple>

using namespace testsupport;

namespace {

TagResult restoreTagBytes(const std::string& path, const Bytes& oldHead, const Bytes& oldTail, TagExtents current)
{
    SaveRefusal refusal;
    std::optional<TagFile> file = TagFile::openForSaving(path, refusal);
    return file ? file->restore(oldHead, oldTail, current) : refusal.result;
}

} // namespace

// Each case: the file now (new head, middle, new tail), and what goes back in place of the ends.
TEST(TagRestore, PutsBothEndsBackAroundTheMovedMiddle)
{
    struct Case {
        std::size_t newHead, middle, newTail, oldHead, oldTail;
    };
    const Case cases[] = {
        {4096, 50000, 128, 700, 0},    // the tag had grown and a record was appended
        {300, 50000, 128, 20000, 128}, // the tag had shrunk; the record was overwritten
        {0, 40000, 128, 5000, 128},    // the save removed nothing and added nothing at the head
        {2000, 0, 0, 9000, 0},         // no audio at all
        {9000, 0, 128, 100, 0},
        {100, 17000, 0, 100, 0},
    };
    TempDir dir;
    for (const Case& c : cases) {
        const Bytes middle = audioPattern(c.middle, 7);
        const Bytes oldHead = audioPattern(c.oldHead, 3), oldTail = audioPattern(c.oldTail, 5);
        const std::string path =
            dir.write("f.mp3", concat({audioPattern(c.newHead, 11), middle, audioPattern(c.newTail, 13)}));
        ASSERT_EQ(kOk, restoreTagBytes(path, oldHead, oldTail, TagExtents{c.newHead, c.newTail}));
        EXPECT_EQ(concat({oldHead, middle, oldTail}), readFile(path)) << c.newHead << "/" << c.oldHead;
    }
}

TEST(TagRestore, RefusesWithoutTouchingAFileTooShortOrProtected)
{
    TempDir dir;
    const Bytes bytes = audioPattern(1000);
    const std::string path = dir.write("f.mp3", bytes);
    EXPECT_EQ(kErrFileTooShort, restoreTagBytes(path, Bytes(10), {}, TagExtents{900, 128}));
    makeReadOnly(path);
    EXPECT_EQ(kErrReadOnly, restoreTagBytes(path, Bytes(10), {}, TagExtents{100, 0}));
    EXPECT_EQ(bytes, readFile(path));
    EXPECT_EQ(kErrOpen, restoreTagBytes(dir.file("none.mp3"), {}, {}, TagExtents{}));
}

namespace {

// Keeps what it is told, and refuses when asked to.
struct Keeper : SaveObserver {
    bool refuse = false;
    std::vector<HeadChange> told;
    std::vector<Bytes> oldBytes;
    bool beforeHeadChange(const HeadChange& change, std::string& why) override
    {
        told.push_back(change);
        oldBytes.emplace_back(change.oldBytes, change.oldBytes + change.size);
        why = "kept nowhere";
        return !refuse;
    }
};

class TagFileSave : public ::testing::Test {
protected:
    // A tag with a title and a little padding, the audio and, when asked, an ID3v1 record.
    std::string song(const std::string& name, std::size_t audio, bool withV1, std::size_t titleSize = 16)
    {
        const Bytes title = concat({{0}, bytesOf(std::string(titleSize, 'o'))});
        const Bytes tag = Id3v2Bytes(3).frame("TIT2", title).padding(64).bytes();
        const std::string path = dir.write(
            name, concat({tag, audioPattern(audio, 5), withV1 ? id3v1Record("old", "", "", "", "", 255) : Bytes()}));
        // Saved once, so that its padding takes a small change in place.
        Tid3v2tag v2;
        EXPECT_EQ(kOk, v2.LoadFromFile(path, 0));
        EXPECT_EQ(kOk, v2.SaveToFile());
        return path;
    }

    // Loads both tags through `file`, sets a title of `titleSize` into each and saves both.
    static SaveReport saveTitles(TagFile& file, std::size_t titleSize, SaveObserver* observer = nullptr)
    {
        Tid3tag v1;
        Tid3v2tag v2;
        std::ignore = file.loadV1(v1);
        std::ignore = file.loadV2(v2);
        v1.SetTitle("new");
        std::ignore = v2.SetTextFrame("TIT2", std::string(titleSize, 'n'));
        return file.save(&v1, &v2, observer);
    }

    static SaveReport saveTitles(const std::string& path, std::size_t titleSize, SaveObserver* observer = nullptr)
    {
        SaveRefusal refusal;
        std::optional<TagFile> file = TagFile::openForSaving(path, refusal);
        return file ? saveTitles(*file, titleSize, observer) : SaveReport{};
    }

    // Saves of both titles into a song with and without an ID3v1 record, in place and moving
    // the audio: `check` has the report, with the observer and the file's bytes before.
    template <class Check>
    void eachSave(bool refuse, Check check)
    {
        for (const bool withV1 : {true, false}) {
            for (const std::size_t titleSize : {20, 5000}) {
                SCOPED_TRACE(std::to_string(withV1) + " " + std::to_string(titleSize));
                const std::string path = song("song.mp3", 40000, withV1);
                const Bytes before = readFile(path);
                Keeper keeper;
                keeper.refuse = refuse;
                check(path, titleSize, saveTitles(path, titleSize, &keeper), keeper, before);
            }
        }
    }

    TempDir dir;
    const std::string state = dir.path() + "state";

private:
    const ScopedEnv m_stateHome{"XDG_STATE_HOME", state};
};

} // namespace

// In place and with the audio moved, with an ID3v1 record to replace and one to append: both
// tags land, the report says what each end holds now, and the observer had the old tag.
TEST_F(TagFileSave, SavesBothTagsAndReportsWhatEachEndHolds)
{
    eachSave(false, [&](const std::string& path, std::size_t titleSize, const SaveReport& report,
                        const Keeper& keeper, const Bytes& before) {
        ASSERT_EQ(kOk, report.v1);
        ASSERT_EQ(kOk, report.v2);
        EXPECT_EQ(titleSize > 1000, report.movedAudio);
        const Bytes after = readFile(path);
        Tid3tag v1;
        Tid3v2tag v2;
        ASSERT_EQ(kOk, v1.LoadFromFile(path));
        ASSERT_EQ(kOk, v2.LoadFromFile(path, 0));
        EXPECT_EQ("new", v1.Title());
        std::string title;
        EXPECT_EQ(0, v2.GetTextFrame("TIT2", title));
        EXPECT_EQ(std::string(titleSize, 'n'), title);
        // The head's CRC-32 is known where the save wrote all of it, or knew the old one.
        ASSERT_TRUE(report.tail.known);
        ASSERT_TRUE(report.head.known || !report.movedAudio);
        if (report.head.known) {
            EXPECT_EQ(crcOf(after.data(), report.head.extent), report.head.crc);
        }
        EXPECT_EQ(crcOf(after.data() + after.size() - 128, 128), report.tail.crc);
        ASSERT_FALSE(keeper.told.empty());
        if (keeper.told[0].whole) {
            EXPECT_EQ(Bytes(before.begin(), before.begin() + keeper.oldBytes[0].size()), keeper.oldBytes[0]);
        }
        EXPECT_TRUE(interruptedMoves().empty());
    });
}

// The ID3v2 tag refused (by its observer, or because it cannot be written): the ID3v1 record is
// put back or never written, and the file is byte for byte as before.
TEST_F(TagFileSave, BothTagsOrNeither)
{
    eachSave(true, [&](const std::string& path, std::size_t, const SaveReport& report, const Keeper&,
                       const Bytes& before) {
        EXPECT_EQ(kErrIo, report.v2);
        EXPECT_TRUE(report.v1 && failed(*report.v1));
        EXPECT_TRUE(report.v1PutBack || report.v1Withheld);
        EXPECT_EQ(before, readFile(path));
    });
    const std::string path = song("v22.mp3", 1000, true);
    const Bytes before = readFile(path);
    SaveRefusal refusal;
    std::optional<TagFile> file = TagFile::openForSaving(path, refusal);
    ASSERT_TRUE(file);
    Tid3tag v1;
    Tid3v2tag v2;
    ASSERT_EQ(kOk, file->loadV2(v2));
    v2.Version = 5;
    v1.SetTitle("x");
    const SaveReport report = file->save(&v1, &v2);
    EXPECT_EQ(kErrVersion, report.v2);
    EXPECT_TRUE(report.v1Withheld);
    EXPECT_EQ(before, readFile(path));
}

// A save of both tags that moves the audio, ended at its n-th write: a repair, alone, gives
// back the file as it was before, ID3v1 record included; a save not interrupted left it whole.
TEST_F(TagFileSave, AKilledSaveOfBothTagsIsRepairedWholeOrWasNeverHalfDone)
{
    int repaired = 0;
    for (const bool withV1 : {true, false}) {
        const std::string path = dir.file("song.mp3");
        const std::string expectedPath = song("expected.mp3", 70000, withV1);
        ASSERT_EQ(kOk, saveTitles(expectedPath, 20000).v2);
        const Bytes expected = readFile(expectedPath);
        for (uint64_t killAt = 1; killAt < 40; killAt += 1) {
            SCOPED_TRACE(std::to_string(withV1) + ", write " + std::to_string(killAt));
            song("song.mp3", 70000, withV1);
            const Bytes before = readFile(path);
            const pid_t pid = fork();
            if (pid == 0) {
                platform::faults::killAtWrite(killAt);
                _exit(saveTitles(path, 20000).v1 == kOk ? 0 : 1);
            }
            int status = 0;
            waitpid(pid, &status, 0);
            if (interruptedMoves().empty()) {
                removeMoveLeftovers();
                const Bytes now = readFile(path);
                EXPECT_TRUE(now == before || now == expected);
                continue;
            }
            const MoveRepair repair = repairInterruptedMove(path);
            EXPECT_TRUE(repair.repaired) << repair.message;
            EXPECT_EQ(before, readFile(path));
            ++repaired;
        }
    }
    EXPECT_GT(repaired, 10);
}

// A write failure at any point of a save of both tags that moves the audio leaves the file as it was.
TEST_F(TagFileSave, AFailedWriteAnywhereLeavesBothTagsAsTheyWere)
{
    for (uint64_t failAt = 1; failAt < 30; ++failAt) {
        SCOPED_TRACE("write " + std::to_string(failAt));
        const std::string path = song("song.mp3", 70000, failAt % 2 == 0);
        const Bytes before = readFile(path);
        platform::faults::failWriteAt(failAt);
        const SaveReport report = saveTitles(path, 20000);
        platform::faults::failWriteAt(0);
        if (report.v2 == kOk)
            continue;
        EXPECT_TRUE(report.v1 && failed(*report.v1));
        EXPECT_EQ(before, readFile(path));
        EXPECT_TRUE(interruptedMoves().empty());
    }
}

// Everything a save of both tags does, loads included, goes through one open of the file.
TEST_F(TagFileSave, OneOpenForTheLoadsAndTheSaveOfBothTags)
{
    const std::string path = song("song.mp3", 40000, true);
    platform::faults::countOpens(path);
    EXPECT_EQ(kOk, saveTitles(path, 5000).v2);
    EXPECT_EQ(1u, platform::faults::openCount());
    platform::faults::countOpens(std::string());
}
