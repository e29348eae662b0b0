// Tests of varnoli-cli's report of interrupted saves at start, and of repair.
#include "support/id3v2_builder.h"
#include "platform/file_system.h"
#include "tags/id3v2/id3v2.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <tuple>

using namespace testsupport;

TEST(CliRepair, ASaveKilledDuringTheMoveIsReportedAtStartAndPutBack)
{
    TempDir dir;
    const ScopedEnv stateHome("XDG_STATE_HOME", dir.path() + "state");
    const Bytes tag = Id3v2Bytes(3).frame("TALB", {0, 'L'}).bytes();
    // Audio of many chunks, so that the kill lands inside the move.
    const std::string path = dir.write("a.mp3", concat({tag, audioPattern(3000000)}));
    const Bytes before = readFile(path);
    ASSERT_TRUE(WIFSIGNALED(killedTitleSave(path, 40000, 12)));

    const auto dump = runCli({"dump", path});
    EXPECT_EQ(0, dump.exitCode);
    EXPECT_NE(std::string::npos, dump.err.find("The save of '" + path + "' was interrupted")) << dump.err;
    EXPECT_NE(std::string::npos, dump.err.find("varnoli-cli repair '" + path + "'")) << dump.err;

    const auto repair = runCli({"repair", path});
    EXPECT_EQ(0, repair.exitCode) << repair.err;
    EXPECT_EQ(before, readFile(path));
    const auto again = runCli({"repair", path});
    EXPECT_EQ(1, again.exitCode);
    EXPECT_NE(std::string::npos, again.err.find("no interrupted save of this file is recorded")) << again.err;
    EXPECT_EQ("", runCli({"dump", path}).err);
}

// Under a size limit, with the signal it raises left at its default, a save fails with the
// reason and leaves neither the file changed nor a half-written journal file behind.
TEST(CliRepair, ASizeLimitFailsASaveWithItsReasonInsteadOfEndingTheProgram)
{
    TempDir dir;
    const std::string state = dir.path() + "state";
    const ScopedEnv stateHome("XDG_STATE_HOME", state);
    const Bytes tag = Id3v2Bytes(3).frame("TALB", concat({{0}, Bytes(40000, 'a')})).bytes();
    const std::string path = dir.write("a.mp3", concat({tag, audioPattern(300000)}));
    const Bytes before = readFile(path);
    // Below the journal's copy of the old tag, then below the file's new size only.
    for (const rlim_t limit : {rlim_t(20000), rlim_t(330000)}) {
        SCOPED_TRACE(limit);
        const pid_t pid = fork();
        if (pid == 0) {
            std::signal(SIGXFSZ, SIG_DFL);
            const rlimit r{limit, limit};
            setrlimit(RLIMIT_FSIZE, &r);
            const CommandResult set = runCli({"set", "--title", std::string(5000, 't'), path});
            _exit(set.exitCode == 1 && set.err.find("File too large") != std::string::npos ? 0 : 1);
        }
        int status = 0;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        EXPECT_EQ(before, readFile(path));
        for (const auto& entry : std::filesystem::recursive_directory_iterator(state))
            EXPECT_EQ(std::string::npos, entry.path().string().find(".partial")) << entry.path();
    }
}

// What a killed run left in the state folder goes at the next start, and the folder and its
// subfolders become private.
TEST(CliRepair, LeftoversOfAKilledRunGoAtTheNextStart)
{
    TempDir dir;
    const std::string state = dir.path() + "state/varnoli/";
    const ScopedEnv stateHome("XDG_STATE_HOME", dir.path() + "state");
    std::filesystem::create_directories(state + "journal");
    std::filesystem::create_directories(state + "moves");
    std::filesystem::permissions(state, std::filesystem::perms::all);
    writeFile(state + "journal/0000000007.partial", bytesOf("half an entry"));
    writeFile(state + "moves/1-2.move.new", Bytes(100, 0));
    // A record under its own name is whole when it is named: zeroed, it is damage, and said.
    writeFile(state + "moves/3-4.move", Bytes(100, 0));
    const std::string path = dir.write("a.mp3", audioPattern(1000));
    const CommandResult dump = runCli({"dump", path});
    EXPECT_EQ(0, dump.exitCode);
    EXPECT_NE(std::string::npos, dump.err.find("moves/3-4.move of a save that was interrupted")) << dump.err;
    EXPECT_FALSE(std::filesystem::exists(state + "journal/0000000007.partial"));
    EXPECT_FALSE(std::filesystem::exists(state + "moves/1-2.move.new"));
    EXPECT_TRUE(std::filesystem::exists(state + "moves/3-4.move"));
    for (const std::string& folder : {state, state + "journal", state + "moves"})
        EXPECT_EQ(std::filesystem::perms::owner_all,
                  std::filesystem::status(folder).permissions() & std::filesystem::perms::all)
            << folder;
}
