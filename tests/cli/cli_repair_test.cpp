// Tests of varnoli-cli's report of interrupted saves at start, and of repair.
#include "support/id3v2_builder.h"
#include "platform/file_system.h"
#include "tags/id3v2.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <tuple>

using namespace testsupport;

TEST(CliRepair, ASaveKilledDuringTheMoveIsReportedAtStartAndPutBack)
{
    TempDir dir;
    const ScopedEnv stateHome("XDG_STATE_HOME", dir.path() + "state");
    const Bytes tag = Id3v2Bytes(3).frame("TALB", {0, 'L'}).bytes();
    const std::string path = dir.write("a.mp3", concat({tag, audioPattern(300000)}));
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
