// Tests of varnoli-cli rename --pattern, action and run: names with folders, actions over
// many files, and recipes applied alike by the feature code and the command.
#include "support/id3v2_builder.h"
#include "support/scripted_dialogs.h"

#include "features/actions/recipes.h"
#include "tags/id3v1/id3.h"
#include "tags/id3v2/id3v2.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

using namespace testsupport;

namespace {

Bytes text(const std::string& value)
{
    return concat({Bytes(1, 0), bytesOf(value)});
}

Bytes song(const std::string& artist, const std::string& album, const std::string& title, const std::string& track)
{
    return concat({Id3v2Bytes(3).frame("TPE1", text(artist)).frame("TALB", text(album)).frame("TIT2", text(title))
                       .frame("TRCK", text(track)).padding(64).bytes(),
                   audioPattern(300, static_cast<uint32_t>(title.size()))});
}

// Every regular file below the folder, by its path below it, with its bytes.
std::map<std::string, Bytes> tree(const std::string& folder)
{
    std::map<std::string, Bytes> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
        if (entry.is_regular_file())
            files[entry.path().string().substr(folder.size())] = readFile(entry.path().string());
    return files;
}

} // namespace

TEST(CliPattern, RenamesAThreeAlbumTreeIntoFoldersAndUndoesItExactly)
{
    TempDir dir, state;
    const ScopedEnv stateHome("XDG_STATE_HOME", state.path());
    std::vector<std::string> files;
    for (int album = 1; album <= 3; ++album)
        for (int track = 1; track <= 3; ++track)
            files.push_back(dir.write("a" + std::to_string(album) + "t" + std::to_string(track) + ".mp3",
                                      song("AC/DC", "Album " + std::to_string(album), "Song " + std::to_string(track),
                                           std::to_string(track) + "/3")));
    const auto before = tree(dir.path());
    const auto renamed = runCli(with({"rename", "--v2", "--pattern", "{artist}/{album}/[{disc}-]{track:02} {title}"}, files));
    ASSERT_EQ(0, renamed.exitCode) << renamed.err;
    EXPECT_NE(std::string::npos, renamed.out.find(files[4] + " -> " + dir.file("AC-DC/Album 2/02 Song 2.mp3")));
    EXPECT_EQ(before.at("a3t3.mp3"), readFile(dir.file("AC-DC/Album 3/03 Song 3.mp3")));
    EXPECT_EQ(9u, tree(dir.path()).size());

    ASSERT_EQ(0, runCli({"undo"}).exitCode);
    EXPECT_EQ(before, tree(dir.path()));
    EXPECT_FALSE(std::filesystem::exists(dir.file("AC-DC")));

    // One clash and nothing moves.
    const auto clash = runCli(with({"rename", "--v2", "--pattern", "{artist}/{title}"}, files));
    EXPECT_EQ(1, clash.exitCode);
    EXPECT_NE(std::string::npos, clash.err.find("Nothing was renamed.")) << clash.err;
    EXPECT_EQ(before, tree(dir.path()));
    EXPECT_EQ(2, runCli({"rename", "--pattern", "{nofield}", files[0]}).exitCode);
    EXPECT_EQ(2, runCli({"rename", "--pattern", "[{title}", files[0]}).exitCode);
}

TEST(CliAction, PreviewsSavesAndUndoesOneBatch)
{
    TempDir dir, state;
    const ScopedEnv stateHome("XDG_STATE_HOME", state.path());
    const std::string a = dir.write("a.mp3", song("ac/dc", "x", "back in  black ", "1"));
    const std::string b = dir.write("b.mp3", song("u2", "x", "the sound OF silence", "2"));
    const Bytes aBefore = readFile(a), bBefore = readFile(b);

    const auto dry = runCli({"action", "--case", "title", "--dry-run", a, b});
    EXPECT_EQ(0, dry.exitCode) << dry.err;
    EXPECT_EQ(a + ": title \"back in  black \" -> \"Back in  Black \"\n" + b +
                  ": title \"the sound OF silence\" -> \"The Sound of Silence\"\n",
              dry.out);
    EXPECT_EQ(aBefore, readFile(a));

    EXPECT_EQ(0, runCli({"action", "--fields", "title,artist", "--trim", a, b}).exitCode);
    EXPECT_EQ(0, runCli({"action", "--regex", "^(\\w+) (.*)$", "$2 ($1)", a}).exitCode);
    EXPECT_EQ("in black (back)", v2TextOf(a, "TIT2"));
    EXPECT_EQ(0, runCli({"action", "--fields", "artist", "--replace", "/", " and ", a}).exitCode);
    EXPECT_EQ("ac and dc", v2TextOf(a, "TPE1"));

    // A regular expression that does not compile, or a value its field refuses: nothing touched.
    const Bytes saved = readFile(a);
    const auto bad = runCli({"action", "--regex", "(", "x", a});
    EXPECT_EQ(2, bad.exitCode);
    EXPECT_NE(std::string::npos, bad.err.find("does not compile")) << bad.err;
    EXPECT_EQ(1, runCli({"action", "--fields", "disc", "--set-from", "{title}", a}).exitCode);
    EXPECT_EQ(2, runCli({"action", "--case", "title", "--trim", a}).exitCode);
    EXPECT_EQ(saved, readFile(a));

    for (int undo = 0; undo < 3; ++undo)
        ASSERT_EQ(0, runCli({"undo"}).exitCode);
    EXPECT_EQ(aBefore, readFile(a));
    EXPECT_EQ(bBefore, readFile(b));
}

TEST(CliAction, NumbersTracksPerFolderWithTheDiscFromTheFolderName)
{
    TempDir dir, state;
    const ScopedEnv stateHome("XDG_STATE_HOME", state.path());
    std::filesystem::create_directories(dir.file("Album/CD2"));
    std::filesystem::create_directories(dir.file("Other"));
    const std::vector<std::string> files{dir.write("Album/CD2/x.mp3", song("a", "b", "x", "")),
                                         dir.write("Album/CD2/y.mp3", song("a", "b", "y", "")),
                                         dir.write("Other/z.mp3", song("a", "b", "z", "9"))};
    const auto numbered = runCli(with({"action", "--number", "--per-folder"}, files));
    ASSERT_EQ(0, numbered.exitCode) << numbered.err;
    EXPECT_EQ("2/2", v2TextOf(files[1], "TRCK"));
    EXPECT_EQ("2", v2TextOf(files[1], "TPOS"));
    EXPECT_EQ("1/1", v2TextOf(files[2], "TRCK"));
    EXPECT_EQ("", v2TextOf(files[2], "TPOS"));
}

TEST(CliRun, TheSameRecipeThroughTheWindowsCodeAndTheCliGivesTheSameBytes)
{
    TempDir one, two, config, state;
    const ScopedEnv configHome("XDG_CONFIG_HOME", config.path());
    const ScopedEnv stateHome("XDG_STATE_HOME", state.path());
    std::filesystem::create_directories(config.file("varnoli/recipes"));
    writeFile(config.file("varnoli/recipes/tidy.txt"),
              bytesOf("# tidy titles\n--fields title,artist --trim\n--fields title,artist --case title\n--replace \"&\" and\n"
                      "--regex \" \\(Live\\)$\" \" [Live]\"\n--number\n--fields album --set-from \"{artist} - {left:3:title}\"\n"));
    std::vector<std::string> first, second;
    for (int i = 0; i < 50; ++i) {
        const Bytes bytes = song("  the  band " + std::to_string(i % 7), "", "rock & roll OF iPhone II (live)", "");
        first.push_back(one.write("f" + std::to_string(i) + ".mp3", bytes));
        second.push_back(two.write("f" + std::to_string(i) + ".mp3", bytes));
    }
    std::string problem;
    const auto actions = loadRecipe("tidy", problem);
    ASSERT_TRUE(actions) << problem;
    Tid3tag v1;
    Tid3v2tag v2;
    ScriptedDialogs dialogs;
    const ActionPlan plan = planActions(*actions, first, v2);
    ASSERT_TRUE(plan.problems.empty());
    EXPECT_FALSE(runBatchSave(actionRequest(plan), v1, v2, dialogs).failures);

    const auto run = runCli(with({"run", "tidy"}, second));
    ASSERT_EQ(0, run.exitCode) << run.err;
    for (std::size_t i = 0; i < first.size(); ++i)
        ASSERT_EQ(readFile(first[i]), readFile(second[i])) << i;
    EXPECT_EQ("Rock and Roll of iPhone II [Live]", v2TextOf(second[3], "TIT2"));
    EXPECT_EQ("The Band 3", v2TextOf(second[3], "TPE1"));
    EXPECT_EQ("4/50", v2TextOf(second[3], "TRCK"));
    EXPECT_EQ("The Band 3 - Roc", v2TextOf(second[3], "TALB"));
    EXPECT_EQ(2, runCli({"run", "missing", second[0]}).exitCode);
}
