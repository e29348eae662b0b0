// What the undo journal's tests share: a state folder of their own, files of every kind, and
// children to kill.
#pragma once

#include "features/tagedit/batch_save.h"
#include "features/undo/undo.h"
#include "support/id3v2_builder.h"
#include "support/scripted_dialogs.h"
#include "tags/file/audio_mover.h"
#include "tags/id3v1/id3.h"
#include "tags/id3v2/id3v2.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <random>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace undotest {

using namespace testsupport;

// Points the state folder at a fresh temporary one for the test's lifetime. Moves go in
// chunks of 16 KiB, so that their records fit under the tests' small size limits.
class UndoTest : public ::testing::Test {
protected:
    UndoTest() { AudioMover::useChunkSizeForTests(16384); }
    ~UndoTest() override { AudioMover::useChunkSizeForTests(0); }

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
inline Bytes randomSong(std::mt19937& rng)
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

// Runs `body` in a child process, with writes past `sizeLimit` refused (SIGXFSZ ignored, as
// the program ignores it) when one is given; the child's exit code, -1 when it was killed.
inline int inChild(const std::function<int()>& body, rlim_t sizeLimit = RLIM_INFINITY)
{
    const pid_t pid = fork();
    if (pid == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{sizeLimit, sizeLimit};
        if (sizeLimit != RLIM_INFINITY)
            setrlimit(RLIMIT_FSIZE, &limit);
        _exit(body());
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

inline std::string entryFile(const JournalStore& store, uint64_t id)
{
    char name[32];
    std::snprintf(name, sizeof name, "%010llu", static_cast<unsigned long long>(id));
    const std::string finished = store.folder() + name + ".entry";
    return std::filesystem::exists(finished) ? finished : store.folder() + name + ".open";
}

} // namespace undotest
