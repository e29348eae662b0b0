// The new name built from tag fields, and the rename that never replaces another file.
#include "features/common/progress.h"
#include "features/filename/batch_rename.h"
#include "features/filename/file_rename.h"
#include "features/filename/filename_builder.h"
#include "platform/file_system.h"
#include "support/id3v2_builder.h"
#include "support/scripted_dialogs.h"
#include "tags/id3v1/id3.h"
#include "tags/id3v2/id3v2.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace testsupport;
namespace fs = std::filesystem;

namespace {

FilenameLayout layout(std::initializer_list<const char*> positions, const char* delimiter = "-")
{
    FilenameLayout l;
    std::copy(positions.begin(), positions.end(), l.positions.begin());
    l.delimiter = delimiter;
    return l;
}

} // namespace

TEST(FilenameBuilder, EmptyPositionsInEachVersion)
{
    const FieldTexts f{"Art", "", "", "", "", "", "0"}; // Artist ... Track, as an ID3v1 tag reads
    EXPECT_EQ("-Art.mp3", BuildPreviewV1(f, layout({"Title", "Artist"})));
    EXPECT_EQ("Art--0.mp3", BuildPreviewV1(f, layout({"Artist", "Genre", "Track"})));
    EXPECT_EQ("ArtArt.mp3", BuildPreviewV1(f, layout({"Artist", "Artist"}, "")));
    // Only the exact caption names a field; an empty box brings no delimiter of its own.
    EXPECT_EQ(".mp3", BuildPreviewV1(f, layout({"artist", ""})));
    EXPECT_EQ("-Art.mp3", BuildPreviewV1(f, layout({"", "", "Artist"})));
    // In version 2 every named position brings its delimiter.
    EXPECT_EQ("Art--0.mp3", BuildPreviewV2(f, layout({"Artist", "Title", "Track"})));
}

TEST(FilenameBuilder, TrackDigitsPadOnlyANumber)
{
    FilenameLayout l = layout({"Track", "Title"});
    l.trackDigits = 2;
    EXPECT_EQ("03-T.mp3", BuildPreviewV2({"", "T", "", "", "", "", "3/12"}, l));
    EXPECT_EQ("112-T.mp3", BuildPreviewV2({"", "T", "", "", "", "", "112"}, l));
    EXPECT_EQ("A1-T.mp3", BuildPreviewV2({"", "T", "", "", "", "", "A1"}, l));
    EXPECT_EQ("-T.mp3", BuildPreviewV2({"", "T", "", "", "", "", ""}, l));
}

TEST(FilenameBuilder, NamedFieldsByCaptionInVersion2Only)
{
    const FieldTexts f{"Art", "T", "", "", "", "", "3/12"};
    const NamedTexts more{{namedField("albumartist"), "AC/DC"}, {namedField("disc"), "1/2"}};
    FilenameLayout l = layout({"Disc", "Track", "Album artist", "Composer"});
    EXPECT_EQ("1-3-AC-DC-.mp3", BuildPreviewV2(f, l, more));
    // A disc is padded as a track is.
    l.trackDigits = 2;
    EXPECT_EQ("01-03-AC-DC-.mp3", BuildPreviewV2(f, l, more));
    EXPECT_EQ("-03--.mp3", BuildPreviewV2(f, l));
    // An ID3v1 tag has none of them; the caption must be exact.
    EXPECT_EQ("-03.mp3", BuildPreviewV1(f, l));
    EXPECT_EQ("-T.mp3", BuildPreviewV2(f, layout({"album artist", "Title"}), more));
}

TEST(FilenameBuilder, ExtensionAndTheNameAsUtf8)
{
    const FieldTexts f{"AC/DC", "Caf\xC3\xA9 \xCE\xA3\xCE\xBF\xCF\x86\xCE\xAF\xCE\xB1", "x.Mp3", "abc", "Rock", "song.mp3 ", "3/12"};
    EXPECT_EQ("x.Mp3", BuildPreviewV1(f, layout({"Album"})));
    EXPECT_EQ("abc.mp3", BuildPreviewV1(f, layout({"Year"})));
    EXPECT_EQ("song.mp3 .mp3", BuildPreviewV1(f, layout({"Comment"})));
    // Any script goes into the name; a "/" in a value would make a folder, a track keeps its position.
    EXPECT_EQ("3 - Caf\xC3\xA9 \xCE\xA3\xCE\xBF\xCF\x86\xCE\xAF\xCE\xB1 - AC-DC.mp3",
              BuildPreviewV2(f, layout({"Track", "Title", "Artist"}, " - ")));
}

// A line feed, an escape, DEL or a C1 control from a tag would split a listing's line or
// talk to the terminal; each becomes one space, and the characters around it stay.
TEST(FilenameBuilder, ControlCharactersInTagTextBecomeSpaces)
{
    const FieldTexts f{"A\nB", "x\x1B[2Jy", "\x7F\xC2\x85\xC2\x9F\xC2\xA0", "", "", "", "1\t/2"};
    EXPECT_EQ("A B-x [2Jy.mp3", BuildPreviewV2(f, layout({"Artist", "Title"})));
    EXPECT_EQ("   \xC2\xA0-1 .mp3", BuildPreviewV1(f, layout({"Album", "Track"})));
}

TEST(FilenameBuilder, AFailedLoadAfterAGoodOneGivesEmptyFields)
{
    TempDir dir;
    const Bytes v2 = Id3v2Bytes(3).frame("TPE1", {0, 'V', '2'}).bytes();
    const std::string good = dir.write("good.mp3", concat({v2, audioPattern(400), id3v1Record("T", "A", "", "", "", 17)}));
    const std::string bare = dir.write("bare.mp3", audioPattern(400));
    Tid3tag t1;
    Tid3v2tag t2;
    const FilenameLayout l = layout({"Artist", "Genre", "Track"});
    EXPECT_EQ("A-Rock-0.mp3", BuildPreviewV1(readFilenameFieldsV1(good, t1).fields, l));
    EXPECT_EQ("V2--.mp3", BuildPreviewV2(readFilenameFieldsV2(good, t2).fields, l));
    // The tag objects still hold the good file's tags; the bare file must not show them.
    EXPECT_EQ("--0.mp3", BuildPreviewV1(readFilenameFieldsV1(bare, t1).fields, l));
    EXPECT_EQ("--.mp3", BuildPreviewV2(readFilenameFieldsV2(bare, t2).fields, l));
}

TEST(FileRename, NamesRefusedAndNamesCompleted)
{
    const std::vector<std::string> refused = {"", ".mp3", "abc", ".hidden.mp3", "a/b.mp3",
                                              std::string("a\0b.mp3", 7), "\xC3\xA9\xC3\xA9\xC3\xA9"};
    for (const std::string& bad : refused)
        EXPECT_FALSE(renameTargetName(bad)) << bad;
    EXPECT_EQ("song.mp3", renameTargetName("song").value_or(""));
    EXPECT_EQ("x.MP3", renameTargetName("x.MP3").value_or(""));
}

class FileRenameOnDisk : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override { platform::faults::renameFallback(GetParam()); }
    void TearDown() override { platform::faults::renameFallback(0); }
    TempDir dir;
};

TEST_P(FileRenameOnDisk, RenamesButNeverReplacesAnotherFile)
{
    const Bytes a = audioPattern(300, 1), b = audioPattern(300, 2);
    dir.write("a.mp3", a);
    dir.write("b.mp3", b);
    EXPECT_EQ(RenameStatus::Exists, renameFile(dir.path(), "a.mp3", "b.mp3").status);
    // A second hard link is another name for the file, still not one to rename over.
    fs::create_hard_link(dir.file("b.mp3"), dir.file("link.mp3"));
    EXPECT_EQ(RenameStatus::Exists, renameFile(dir.path(), "b.mp3", "link.mp3").status);
    EXPECT_EQ(b, readFile(dir.file("b.mp3")));

    EXPECT_EQ(RenameStatus::Unchanged, renameFile(dir.path(), "a.mp3", "a.mp3").status);
    EXPECT_EQ(RenameStatus::Renamed, renameFile(dir.path(), "a.mp3", "c.mp3").status);
    EXPECT_EQ(a, readFile(dir.file("c.mp3")));
    EXPECT_FALSE(fs::exists(dir.file("a.mp3")));
    EXPECT_EQ("No such file or directory", renameFile(dir.path(), "gone.mp3", "d.mp3").reason);
    fs::create_directory(dir.file("folder.mp3"));
    EXPECT_EQ("Is a directory", renameFile(dir.path(), "folder.mp3", "e.mp3").reason);
}

// 0: RENAME_NOREPLACE; 1: link and unlink; 2: a check just before the rename.
INSTANTIATE_TEST_SUITE_P(EveryFileSystem, FileRenameOnDisk, ::testing::Values(0, 1, 2));

TEST(FileRenameCommand, AsksThenRenamesAndTellsWhyNot)
{
    TempDir dir;
    dir.write("old.mp3", audioPattern(100));
    dir.write("taken.mp3", audioPattern(100, 2));
    ScriptedDialogs dialogs;
    RenameRequest request{dir.path(), "old.mp3", "Caf\xC3\xA9", false};
    EXPECT_EQ(RenameStatus::Declined, renameCurrentFile(request, dialogs).status);
    EXPECT_EQ(std::vector<std::string>{"Do you wish to rename the file 'old.mp3' to 'Caf\xC3\xA9.mp3'?"},
              dialogs.texts("confirm"));

    request.requestedName = "taken.mp3";
    request.dryRun = true;
    EXPECT_EQ(RenameStatus::Exists, renameCurrentFile(request, dialogs).status);
    EXPECT_EQ(std::vector<std::string>{"A file named 'taken.mp3' already exists. The file 'old.mp3' was not renamed."},
              dialogs.texts("error"));
    request.requestedName = "free";
    EXPECT_EQ(RenameStatus::Checked, renameCurrentFile(request, dialogs).status);
    EXPECT_TRUE(fs::exists(dir.file("old.mp3")) && !fs::exists(dir.file("free.mp3")));
    EXPECT_EQ(1u, dialogs.texts("confirm").size());
}

TEST(BatchRename, ClashesAreFoundBeforeAnythingIsRenamed)
{
    TempDir dir;
    const auto song = [&](const char* name, const char* title) {
        return dir.write(name, concat({audioPattern(64), id3v1Record(title, "", "", "", "", 255)}));
    };
    const std::string a = song("a.mp3", "Same"), b = song("b.mp3", "Same"), c = song("c.mp3", "Taken"),
                      d = song("d.mp3", "Free"), e = song("e.mp3", ""), same = song("Keep.mp3", "Keep");
    song("Taken.mp3", "x");
    NameSource source;
    source.layout = layout({"Title"});
    Tid3tag v1;
    Tid3v2tag v2;
    const RenamePlan plan = planRenames({a, b, c, d, e, same}, source, v1, v2);
    std::vector<RenameProblem> problems;
    for (const PlannedRename& r : plan.files)
        problems.push_back(r.problem);
    EXPECT_EQ((std::vector<RenameProblem>{RenameProblem::SameName, RenameProblem::SameName, RenameProblem::Taken,
                                          RenameProblem::None, RenameProblem::Invalid, RenameProblem::Unchanged}),
              problems);
    EXPECT_EQ("'" + a + "' and 'b.mp3' would both be named 'Same.mp3'.", clashText(plan.files[0]));
    EXPECT_EQ(4u, plan.clashes());
    EXPECT_EQ(1u, plan.toRename());
    EXPECT_TRUE(fs::exists(a) && fs::exists(d));

    // Only the clean one is renamed, and the journal's one entry takes it back.
    const ScopedEnv state("XDG_STATE_HOME", dir.file("state"));
    const BatchRenameOutcome outcome = renamePlanned(plan, noProgress());
    EXPECT_EQ(1u, outcome.renamed);
    EXPECT_TRUE(outcome.failures.empty());
    EXPECT_TRUE(fs::exists(dir.file("Free.mp3")));
    EXPECT_TRUE(fs::exists(a) && fs::exists(b) && fs::exists(c));
}
