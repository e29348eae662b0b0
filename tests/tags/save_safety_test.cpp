// Tests of saves that meet another process, a full disk or a size limit, or the end of
// their own process half way through a move of the audio.
#include "support/id3v2_builder.h"
#include "tags/id3.h"
#include "tags/id3v2.h"
#include "tags/move_journal.h"
#include "tags/tag_restore.h"
#include "platform/file_system.h"

#include <gtest/gtest.h>

#include <sys/mount.h>
#include <sys/resource.h>
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
        for (const uint64_t killAt : {1, 2, 3, 4, 9, 17, 40, 70}) {
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
            // Ended before its record was whole: nothing had been changed yet.
            if (moves.empty()) {
                EXPECT_EQ(before, readFile(path));
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
    EXPECT_EQ(kErrIo, restoreTagBytes(path, Bytes(10), {}, TagExtents{100, 0}));
    EXPECT_EQ(damaged, readFile(path));

    writeFile(path, concat({damaged, Bytes(10, 0)}));
    const MoveRepair repair = repairInterruptedMove(path);
    EXPECT_FALSE(repair.repaired);
    EXPECT_NE(std::string::npos, repair.message.find("changed")) << repair.message;
    EXPECT_EQ(1u, interruptedMoves().size());
}

} // namespace
