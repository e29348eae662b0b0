// Tests of saves that meet another process, a full disk or a size limit, or the end of
// their own process half way through a move of the audio.
#include "support/id3v2_builder.h"
#include "tags/id3v1/id3.h"
#include "tags/id3v2/id3v2.h"
#include "tags/file/move_record.h"
#include "tags/file/move_record_layout.h"
#include "tags/file/tag_file.h"
#include "platform/file_system.h"

#include <gtest/gtest.h>

#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <tuple>

using namespace testsupport;

namespace {

// Runs fn in a child process and returns its wait status; the child's exit code is fn's.
int inChild(const std::function<int()>& fn)
{
    const pid_t pid = fork();
    if (pid == 0)
        _exit(fn());
    int status = 0;
    waitpid(pid, &status, 0);
    return status;
}

class SaveSafety : public ::testing::Test {
protected:
    // Chunks of 16 KiB, so that a kill lands inside the move of a small file in many places.
    SaveSafety() { AudioMover::useChunkSizeForTests(16384); }
    ~SaveSafety() override { AudioMover::useChunkSizeForTests(0); }

    // A tag with a title and a little padding, the audio, and an ID3v1 record.
    std::string song(const std::string& name, const Bytes& audio, std::size_t titleSize = 16)
    {
        const Bytes title = concat({{0}, bytesOf(std::string(titleSize, 'o'))});
        const Bytes tag = Id3v2Bytes(3).frame("TIT2", title).padding(64).bytes();
        return dir.write(name, concat({tag, audio, id3v1Record("old", "", "", "", "", 255)}));
    }

    TempDir dir;
    const std::string state = dir.path() + "state";

private:
    const ScopedEnv m_stateHome{"XDG_STATE_HOME", state};
};

TEST_F(SaveSafety, Id3v1AndId3v2SavesOfOneFileInOtherProcessesNeverMixAndLoadsSeeWholeFiles)
{
    const Bytes audio = audioPattern(2 << 20);
    const std::string path = song("song.mp3", audio);
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);
    const pid_t writer = fork();
    if (writer == 0) {
        // Every round moves the audio one way or the other.
        for (int round = 0; std::chrono::steady_clock::now() < until; ++round) {
            if (failed(saveTitle(path, round % 2 ? 20000 : 100)))
                _exit(1);
            usleep(1000); // lets the other process in between rounds
        }
        _exit(0);
    }
    int rounds = 0, failures = 0;
    while (std::chrono::steady_clock::now() < until) {
        Tid3tag v1;
        Tid3v2tag v2;
        const TagResult a = v1.LoadFromFile(path), b = v2.LoadFromFile(path, 0);
        failures += failed(a) + failed(b);
        v1.SetTitle("round " + std::to_string(++rounds));
        failures += failed(v1.SaveToFile(path));
    }
    int status = 0;
    waitpid(writer, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(0, failures);
    EXPECT_GT(rounds, 100);

    const Bytes bytes = readFile(path);
    Tid3v2tag v2;
    ASSERT_FALSE(failed(v2.LoadFromFile(path, 0)));
    const std::size_t audioAt = v2.TagSize + 10;
    ASSERT_EQ(audioAt + audio.size() + 128, bytes.size());
    EXPECT_TRUE(std::equal(audio.begin(), audio.end(), bytes.begin() + static_cast<std::ptrdiff_t>(audioAt)));
    Tid3tag v1;
    ASSERT_EQ(kOk, v1.LoadFromFile(path));
    EXPECT_EQ("round " + std::to_string(rounds), v1.Title());
}

TEST_F(SaveSafety, ASizeLimitFailsTheSaveWithItsReasonAndLeavesTheFileByteForByte)
{
    const std::string grown = song("grown.mp3", audioPattern(300000));
    const std::string appended = dir.write("appended.mp3", audioPattern(5000));
    const Bytes grownBefore = readFile(grown), appendedBefore = readFile(appended);
    const int status = inChild([&] {
        const rlimit limit{grownBefore.size() + 100, grownBefore.size() + 100};
        setrlimit(RLIMIT_FSIZE, &limit);
        Tid3v2tag v2;
        std::ignore = v2.LoadFromFile(grown, 0);
        std::ignore = v2.SetTextFrame("TIT2", std::string(9000, 'n'));
        const bool v2Refused = v2.SaveToFile(grown, 255, -1, 255) == kErrWrite && !v2.FailureReason().empty();
        const rlimit tight{appendedBefore.size(), appendedBefore.size()};
        setrlimit(RLIMIT_FSIZE, &tight);
        Tid3tag v1;
        v1.SetTitle("new");
        const bool v1Refused = v1.SaveToFile(appended) == kErrWrite;
        return v2Refused && v1Refused ? 0 : 1;
    });
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(0, WEXITSTATUS(status));
    EXPECT_EQ(grownBefore, readFile(grown));
    EXPECT_EQ(appendedBefore, readFile(appended));
    EXPECT_TRUE(interruptedMoves().empty());
}

TEST_F(SaveSafety, AFullFileSystemFailsTheSaveAndLeavesTheFileByteForByte)
{
    const std::string mount = dir.path() + "small";
    std::filesystem::create_directory(mount);
    if (::mount("tmpfs", mount.c_str(), "tmpfs", 0, "size=512k") != 0)
        GTEST_SKIP() << "no tmpfs can be mounted here; the size limit test covers the same path";
    // Unmounted on every way out, before the folder goes.
    const std::unique_ptr<const std::string, void (*)(const std::string*)> unmount(
        &mount, [](const std::string* m) { umount2(m->c_str(), MNT_DETACH); });
    const std::string path = mount + "/song.mp3";
    writeFile(path, readFile(song("song.mp3", audioPattern(200000))));
    const Bytes before = readFile(path);
    // Fill what is left, so that the file cannot grow by a single block.
    if (FILE* filler = std::fopen((mount + "/filler").c_str(), "wb")) {
        const Bytes block(4096, 0);
        while (std::fwrite(block.data(), 1, block.size(), filler) == block.size() && std::fflush(filler) == 0) {
        }
        std::fclose(filler);
    }
    Tid3v2tag v2;
    ASSERT_FALSE(failed(v2.LoadFromFile(path, 0)));
    std::ignore = v2.SetTextFrame("TIT2", std::string(9000, 'n'));
    EXPECT_EQ(kErrWrite, v2.SaveToFile(path, 255, -1, 255));
    EXPECT_NE(std::string::npos, v2.FailureReason().find("No space left"));
    EXPECT_EQ(before, readFile(path));
    EXPECT_TRUE(interruptedMoves().empty());
}

// The process ends at the n-th write of a save that moves the audio (the record's writes
// counted too); the move is then reported, and a repair gives back the file as it was.
TEST_F(SaveSafety, AMoveCutShortIsReportedAndRepairedByteForByte)
{
    // Title sizes before and after: growing and shrinking, by less and by more than a chunk.
    const std::pair<std::size_t, std::size_t> saves[] = {{16, 3000}, {16, 60000}, {3000, 16}, {60000, 16}};
    int killed = 0;
    for (const auto& [from, to] : saves) {
        for (const uint64_t killAt : {1, 2, 4, 5, 6, 9, 17, 40, 70}) {
            SCOPED_TRACE(std::to_string(from) + " to " + std::to_string(to) + ", write " + std::to_string(killAt));
            const std::string path = song("song.mp3", audioPattern(500000, static_cast<uint32_t>(killAt)), from);
            const Bytes before = readFile(path);
            const int status = killedTitleSave(path, to, killAt);
            const std::vector<InterruptedMove> moves = interruptedMoves();
            if (WIFEXITED(status)) {
                EXPECT_EQ(0, WEXITSTATUS(status));
                EXPECT_TRUE(moves.empty());
                continue;
            }
            ASSERT_EQ(SIGKILL, WTERMSIG(status));
            // Ended before its record was whole: nothing had been changed yet, and what there
            // is of the record goes at the next start.
            if (moves.empty()) {
                EXPECT_EQ(before, readFile(path));
                removeMoveLeftovers();
                const std::string folder = state + "/varnoli/moves";
                EXPECT_TRUE(!std::filesystem::exists(folder) || std::filesystem::is_empty(folder));
                continue;
            }
            ++killed;
            ASSERT_EQ(1u, moves.size());
            EXPECT_EQ(path, moves[0].path);
            EXPECT_NE(std::string::npos, interruptedMoveText(moves[0]).find("varnoli-cli repair"));
            const MoveRepair repair = repairInterruptedMove(path);
            EXPECT_TRUE(repair.repaired) << repair.message;
            EXPECT_EQ(before, readFile(path));
            EXPECT_TRUE(interruptedMoves().empty());
            EXPECT_FALSE(repairInterruptedMove(path).repaired);
        }
    }
    EXPECT_GT(killed, 12);
}

// Until it is repaired, a file with an interrupted save takes no other save, which would
// spoil the repair; a repair refuses a file that has changed since, or was never interrupted.
TEST_F(SaveSafety, AFileWithAnInterruptedSaveIsLeftAloneUntilRepaired)
{
    const std::string path = song("song.mp3", audioPattern(100000));
    EXPECT_FALSE(repairInterruptedMove(path).repaired);
    const int status = killedTitleSave(path, 30000, 10);
    ASSERT_TRUE(WIFSIGNALED(status));
    const Bytes damaged = readFile(path);
    Tid3tag v1;
    EXPECT_EQ(kErrIo, v1.SaveToFile(path));
    EXPECT_NE(std::string::npos, v1.FailureReason().find("varnoli-cli repair"));
    EXPECT_EQ(kErrIo, saveTitle(path, 10));
    SaveRefusal refusal;
    EXPECT_FALSE(TagFile::openForSaving(path, refusal));
    EXPECT_EQ(kErrIo, refusal.result);
    EXPECT_TRUE(refusal.moveInterrupted);
    EXPECT_EQ(damaged, readFile(path));

    writeFile(path, concat({damaged, Bytes(10, 0)}));
    const MoveRepair repair = repairInterruptedMove(path);
    EXPECT_FALSE(repair.repaired);
    EXPECT_NE(std::string::npos, repair.message.find("changed")) << repair.message;
    EXPECT_EQ(concat({damaged, Bytes(10, 0)}), readFile(path));
    // The record no longer applies: it goes aside, and the file may be saved again.
    EXPECT_TRUE(interruptedMoves().empty());
    EXPECT_FALSE(failed(saveTitle(path, 10)));
}

// Title sizes before and after a save: growing and shrinking, by less and by more than a chunk.
const std::pair<std::size_t, std::size_t> kMoves[] = {{16, 3000}, {16, 60000}, {3000, 16}, {60000, 16}};

class Repair : public SaveSafety {
protected:
    // A song whose save of a title of `to` bytes was killed half way through its move.
    std::string interruptedSong(std::size_t from, std::size_t to, Bytes& before, uint64_t killAt = 30)
    {
        const std::string path = song("song.mp3", audioPattern(300000, static_cast<uint32_t>(from + to)), from);
        before = readFile(path);
        EXPECT_TRUE(WIFSIGNALED(killedTitleSave(path, to, killAt)));
        EXPECT_EQ(1u, interruptedMoves().size());
        return path;
    }
    std::string movesFolder() const { return state + "/varnoli/moves/"; }
    std::size_t entriesIn(const std::string& folder) const
    {
        return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder), {}));
    }
};

// A repair may itself be killed at any write, and killed again when run again: the next one
// still gives back every byte.
TEST_F(Repair, ARepairCutShortAnywhereIsFinishedByTheNext)
{
    int cut = 0;
    for (const auto& [from, to] : kMoves) {
        for (const uint64_t killAt : {1, 2, 3, 5, 8, 13, 21, 34, 55}) {
            SCOPED_TRACE(std::to_string(from) + " to " + std::to_string(to) + ", write " + std::to_string(killAt));
            Bytes before;
            const std::string path = interruptedSong(from, to, before);
            for (const uint64_t again : {killAt, uint64_t(3)}) {
                if (interruptedMoves().empty())
                    break;
                const int status = inChild([&] {
                    platform::faults::killAtWrite(again);
                    return repairInterruptedMove(path).repaired ? 0 : 1;
                });
                cut += WIFSIGNALED(status);
                ASSERT_TRUE(WIFSIGNALED(status) || WEXITSTATUS(status) == 0);
            }
            if (!interruptedMoves().empty()) {
                const MoveRepair repair = repairInterruptedMove(path);
                EXPECT_TRUE(repair.repaired) << repair.message;
            }
            EXPECT_EQ(before, readFile(path));
            EXPECT_TRUE(interruptedMoves().empty());
        }
    }
    EXPECT_GT(cut, 40);
}

// Saves a title of `titleSize` bytes into the file's ID3v2 tag in a child process whose writes
// stop at `limit` bytes; the child's exit code is what `verdict` makes of the save.
int titleSaveUnderLimit(const std::string& path, std::size_t titleSize, rlim_t limit,
                        const std::function<int(TagResult, Tid3v2tag&)>& verdict)
{
    return inChild([&] {
        const rlimit r{limit, limit};
        setrlimit(RLIMIT_FSIZE, &r);
        Tid3v2tag v2;
        std::ignore = v2.LoadFromFile(path, 0);
        std::ignore = v2.SetTextFrame("TIT2", std::string(titleSize, 'n'));
        return verdict(v2.SaveToFile(path, 255, -1, 255), v2);
    });
}

// A size limit below the file's size fails the move part way and then its rollback: the
// record stays usable, and a repair without the limit finishes the job. The files are large
// enough for the record's slots to fit under the limit.
TEST_F(Repair, AMoveAndRollbackFailedByASizeLimitLeaveARecordARepairCanUse)
{
    int leftForRepair = 0;
    for (const auto& [from, to] : kMoves) {
        for (const uint64_t share : {3, 5, 7}) {
            SCOPED_TRACE(std::to_string(from) + " to " + std::to_string(to) + ", limit " + std::to_string(share));
            const std::string path = song("song.mp3", audioPattern(4000000), from);
            const Bytes before = readFile(path);
            const int status = titleSaveUnderLimit(path, to, before.size() * share / 8, [](TagResult r, Tid3v2tag& v2) {
                const bool refused = r == kErrWrite;
                return refused && v2.FailureReason().find("File too large") != std::string::npos ? 0 : 1;
            });
            ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
            EXPECT_EQ(0, WEXITSTATUS(status));
            if (!interruptedMoves().empty()) {
                ++leftForRepair;
                const MoveRepair repair = repairInterruptedMove(path);
                EXPECT_TRUE(repair.repaired) << repair.message;
            }
            EXPECT_EQ(before, readFile(path));
        }
    }
    EXPECT_GT(leftForRepair, 0);
}

// A save whose move could not be put back says so, and what to run, not only the disk's words.
TEST_F(Repair, ASaveLeftForRepairSaysHowToRepairIt)
{
    int told = 0;
    for (const auto& [from, to] : kMoves) {
        for (const uint64_t share : {3, 5, 7}) {
            const std::string path = song("song.mp3", audioPattern(4000000), from);
            const Bytes before = readFile(path);
            const int status = titleSaveUnderLimit(path, to, before.size() * share / 8, [](TagResult, Tid3v2tag& v2) {
                const bool hint = v2.FailureReason().find("run varnoli-cli repair") != std::string::npos;
                return hint == !interruptedMoves().empty() ? 0 : 1;
            });
            ASSERT_TRUE(WIFEXITED(status));
            EXPECT_EQ(0, WEXITSTATUS(status)) << from << " to " << to << ", limit " << share;
            if (!interruptedMoves().empty()) {
                ++told;
                EXPECT_TRUE(repairInterruptedMove(path).repaired);
            }
            EXPECT_EQ(before, readFile(path));
        }
    }
    EXPECT_GT(told, 0);
}

// A file the record does not describe is never written: the killed file restored from a
// backup (the same file, its content new), or other bytes of either size in its place.
TEST_F(Repair, AFileTheRecordDoesNotDescribeIsLeftAloneAndTheRecordSetAside)
{
    for (const auto& [from, to] : kMoves) {
        Bytes before;
        const std::string path = interruptedSong(from, to, before);
        const Bytes damaged = readFile(path);
        const Bytes other = audioPattern(damaged.size(), 99);
        for (const Bytes& replacement : {before, other, audioPattern(before.size(), 98)}) {
            writeFile(path, replacement);
            const MoveRepair repair = repairInterruptedMove(path);
            EXPECT_FALSE(repair.repaired);
            EXPECT_NE(std::string::npos, repair.message.find("safe to use")) << repair.message;
            EXPECT_EQ(replacement, readFile(path));
            EXPECT_TRUE(interruptedMoves().empty());
            // Set aside, not lost; the next round puts it back for the next replacement.
            const std::string record = movesFolder() + std::filesystem::directory_iterator(movesFolder())->path().filename().string();
            ASSERT_NE(std::string::npos, record.find(".retired")) << record;
            std::filesystem::rename(record, record.substr(0, record.find(".retired")));
            EXPECT_EQ(1u, interruptedMoves().size());
        }
        std::filesystem::remove_all(movesFolder());
    }
}

// Flipped bits and cuts in a record: each is refused by name with nothing written, or the
// repair still gives back every byte; a record is never passed over as if it were not there.
TEST_F(Repair, ADamagedRecordIsRefusedWithNothingWritten)
{
    int refused = 0, trials = 0;
    for (const auto& [from, to] : {kMoves[0], kMoves[3]}) {
        Bytes before;
        const std::string path = interruptedSong(from, to, before);
        const Bytes damaged = readFile(path);
        const std::string record = interruptedMoves().at(0).recordPath;
        const Bytes intact = readFile(record);
        const auto check = [&](const Bytes& spoiled, const std::string& how) {
            SCOPED_TRACE(how);
            std::filesystem::remove_all(movesFolder());
            std::filesystem::create_directories(movesFolder());
            writeFile(record, spoiled);
            writeFile(path, damaged);
            ++trials;
            ASSERT_EQ(1u, interruptedMoves().size());
            const MoveRepair repair = repairInterruptedMove(path);
            if (repair.repaired) {
                EXPECT_TRUE(before == readFile(path));
                return;
            }
            ++refused;
            EXPECT_NE(std::string::npos, repair.message.find(record)) << repair.message;
            EXPECT_TRUE(damaged == readFile(path));
        };
        for (std::size_t at = 0; at < intact.size(); at += at < 512 ? 5 : 251) {
            Bytes spoiled = intact;
            spoiled[at] ^= static_cast<uint8_t>(1u << (at % 8));
            check(spoiled, "flip at " + std::to_string(at));
        }
        for (std::size_t length = 0; length < intact.size(); length += length < 200 ? 13 : 977)
            check(Bytes(intact.begin(), intact.begin() + static_cast<std::ptrdiff_t>(length)),
                  "cut at " + std::to_string(length));
    }
    EXPECT_GT(refused, trials / 4);
}

// A record emptied (by a crash that kept the file's changes but not the record's) is
// damage like any other: named at start, refused by a repair, and the file kept from saves.
TEST_F(Repair, AnEmptyRecordIsReportedNeverIgnored)
{
    Bytes before;
    const std::string path = interruptedSong(16, 3000, before);
    const Bytes damaged = readFile(path);
    writeFile(interruptedMoves().at(0).recordPath, {});
    const std::vector<InterruptedMove> atStart = removeMoveLeftovers();
    ASSERT_EQ(1u, atStart.size());
    EXPECT_TRUE(atStart[0].damaged);
    EXPECT_NE(std::string::npos, interruptedMoveText(atStart[0]).find("(it is empty)"));
    EXPECT_EQ(kErrIo, saveTitle(path, 10));
    const MoveRepair repair = repairInterruptedMove(path);
    EXPECT_FALSE(repair.repaired);
    EXPECT_NE(std::string::npos, repair.message.find("is damaged (it is empty)")) << repair.message;
    EXPECT_EQ(damaged, readFile(path));
}

// A link planted at a record's name is refused, never followed; the state folders are
// this user's alone.
TEST_F(Repair, ALinkAtARecordsNameIsNeverFollowed)
{
    const std::string path = song("song.mp3", audioPattern(100000));
    const Bytes before = readFile(path);
    const std::string target = dir.write("target", bytesOf("not a record"));
    std::filesystem::create_directories(movesFolder());
    struct stat st;
    ASSERT_EQ(0, ::stat(path.c_str(), &st));
    const std::string name = movesFolder() + std::to_string(st.st_dev) + "-" + std::to_string(st.st_ino) + ".move";
    std::filesystem::create_symlink(target, name);

    EXPECT_TRUE(failed(saveTitle(path, 30000)));
    EXPECT_FALSE(repairInterruptedMove(path).repaired);
    EXPECT_EQ(before, readFile(path));
    EXPECT_EQ(bytesOf("not a record"), readFile(target));

    std::filesystem::remove(name);
    std::filesystem::permissions(movesFolder(), std::filesystem::perms::all);
    EXPECT_FALSE(failed(saveTitle(path, 30000)));
    for (const std::string& folder : {state + "/varnoli", movesFolder()}) {
        ASSERT_EQ(0, ::stat(folder.c_str(), &st));
        EXPECT_EQ(0700u, st.st_mode & 0777) << folder;
    }
}

} // namespace

// Moves in chunks of the real size, through the record's largest slots, cut short anywhere.
TEST_F(SaveSafety, AMoveInFullSizeChunksCutShortIsRepairedByteForByte)
{
    AudioMover::useChunkSizeForTests(0);
    int killed = 0;
    for (const std::size_t to : {std::size_t(3000), std::size_t(700000)}) {
        for (const uint64_t killAt : {5, 6, 7, 9, 12}) {
            SCOPED_TRACE(std::to_string(to) + " bytes, write " + std::to_string(killAt));
            const std::string path = song("big.mp3", audioPattern(1500000, static_cast<uint32_t>(killAt)));
            const Bytes before = readFile(path);
            if (!WIFSIGNALED(killedTitleSave(path, to, killAt)) || interruptedMoves().empty()) {
                removeMoveLeftovers();
                continue;
            }
            ++killed;
            const MoveRepair repair = repairInterruptedMove(path);
            EXPECT_TRUE(repair.repaired) << repair.message;
            EXPECT_EQ(before, readFile(path));
        }
    }
    EXPECT_GT(killed, 6);
}

// A record of the version before, with its 16 KiB slots, still puts its file back.
TEST_F(SaveSafety, ARecordOfTheVersionBeforeIsStillRepaired)
{
    const std::string path = song("song.mp3", audioPattern(300000));
    const Bytes before = readFile(path);
    // Chunks of the earlier size, so that the slots are as that version laid them out.
    AudioMover::useChunkSizeForTests(moverecord::kChunkLimitV2);
    ASSERT_TRUE(WIFSIGNALED(killedTitleSave(path, 3000, 20)));
    const std::vector<InterruptedMove> moves = interruptedMoves();
    ASSERT_EQ(1u, moves.size());

    // The same record in the earlier layout: its magic, a header without the chunk limit,
    // and slots of its size.
    const Bytes now = readFile(moves[0].recordPath);
    const moverecord::Record record = moverecord::readRecord(*platform::File::open(moves[0].recordPath,
                                                                                   platform::File::Mode::Read));
    ASSERT_EQ(moverecord::Record::Whole, record.state);
    ASSERT_EQ(moverecord::kChunkLimitV2, record.chunkLimit());
    const std::size_t rest = record.path.size() + record.oldTag.size();
    Bytes earlier(moverecord::kHeaderSizeV2);
    earlier.insert(earlier.end(), now.begin() + moverecord::kHeaderSize,
                   now.begin() + static_cast<std::ptrdiff_t>(moverecord::kHeaderSize + rest));
    uint64_t fields[moverecord::kFieldCount];
    std::copy(record.field, record.field + moverecord::kFieldCount, fields);
    fields[moverecord::kHeaderCrc] =
        moverecord::headerCrc(earlier.data(), fields, crcOf(earlier.data() + moverecord::kHeaderSizeV2, rest), rest, true);
    records::writeBE(earlier.data() + sizeof moverecord::kMagicV2 + 8 * moverecord::kHeaderCrc,
                     fields[moverecord::kHeaderCrc], 8);
    const uint64_t slotsAt = moverecord::slotsStart(record.path.size(), record.oldTag.size(), moverecord::kHeaderSizeV2);
    earlier.resize(slotsAt, 0);
    earlier.insert(earlier.end(), now.begin() + static_cast<std::ptrdiff_t>(record.slotsAt), now.end());
    writeFile(moves[0].recordPath, earlier);

    const MoveRepair repair = repairInterruptedMove(path);
    EXPECT_TRUE(repair.repaired) << repair.message;
    EXPECT_EQ(before, readFile(path));
}
