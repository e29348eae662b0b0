// The new name built from tag fields, and the rename that never replaces another file.
#include "features/filename/file_rename.h"
#include "features/filename/filename_builder.h"
#include "platform/file_system.h"
#include "support/id3v2_builder.h"
#include "support/scripted_dialogs.h"
#include "tags/id3.h"
#include "tags/id3v2.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace testsupport;
namespace fs = std::filesystem;

namespace {

FilenameLayout layout(std::initializer_list<const char*> positions, const char* delimiter = "-")
{
    FilenameLayout l;
    std::size_t i = 0;
    for (const char* p : positions)
        l.positions[i++] = p;
    l.delimiter = delimiter;
    return l;
}

// Artist, Title, Album, Year, Genre, Comment, Track
const FieldTexts kOnlyArtistV1{"Art", "", "", "", "", "", "0"};

} // namespace

TEST(FilenameBuilder, Version1DropsEmptyTextsButNeverGenreOrTrack)
{
    EXPECT_EQ("-Art.mp3", BuildPreviewV1(kOnlyArtistV1, layout({"Title", "Artist"})));
    EXPECT_EQ("Art-.mp3", BuildPreviewV1(kOnlyArtistV1, layout({"Artist", "Genre"})));
    EXPECT_EQ("Art-0.mp3", BuildPreviewV1(kOnlyArtistV1, layout({"Artist", "Track"})));
    EXPECT_EQ("Art-Art.mp3", BuildPreviewV1(kOnlyArtistV1, layout({"Artist", "Artist"})));
    EXPECT_EQ("ArtArt.mp3", BuildPreviewV1(kOnlyArtistV1, layout({"Artist", "Artist"}, "")));
    // Only the exact caption names a field, and an empty box brings no delimiter of its own.
    EXPECT_EQ(".mp3", BuildPreviewV1(kOnlyArtistV1, layout({"artist", " Artist", ""})));
    EXPECT_EQ("-Art.mp3", BuildPreviewV1(kOnlyArtistV1, layout({"", "", "Artist"})));
    EXPECT_EQ(".mp3", BuildPreviewV1(kOnlyArtistV1, layout({})));
}

TEST(FilenameBuilder, Version2KeepsTheDelimiterOfEveryNamedPosition)
{
    const FieldTexts v2{"A", "", "B", "", "", "", ""};
    EXPECT_EQ("A--B.mp3", BuildPreviewV2(v2, layout({"Artist", "Title", "Album"})));
    EXPECT_EQ("-A.mp3", BuildPreviewV2(v2, layout({"Track", "Artist"})));
    EXPECT_EQ("", FilenamePartV2(v2, "-", "Title", 0));
    EXPECT_EQ("-", FilenamePartV2(v2, "-", "Title", 3));
    EXPECT_EQ("", FilenamePartV1(v2, "-", "Title", 3));
}

TEST(FilenameBuilder, ExtensionAndTheNameAsUtf8)
{
    const FieldTexts f{"AC/DC", "Caf\xE9", "x.Mp3", "abc", "Rock", "song.mp3 ", "7"};
    EXPECT_EQ("x.Mp3", BuildPreviewV1(f, layout({"Album"})));
    EXPECT_EQ("abc.mp3", BuildPreviewV1(f, layout({"Year"})));
    EXPECT_EQ("song.mp3 .mp3", BuildPreviewV1(f, layout({"Comment"})));
    // Tag text is Latin-1; the name is its UTF-8 form. Separators stay for the rename to refuse.
    EXPECT_EQ("Caf\xC3\xA9 \xE2\x80\x93 AC/DC.mp3",
              BuildPreviewV1(f, layout({"Title", "Artist"}, " \xE2\x80\x93 ")));
}

TEST(FilenameBuilder, FieldsOfAFileAndAFailedLoadAfterAGoodOne)
{
    TempDir dir;
    const Bytes v2 = Id3v2Bytes(3).frame("TPE1", {0, 'V', '2'}).frame("TCON", {0, '(', '9', ')'}).bytes();
    const std::string good =
        dir.write("good.mp3", concat({v2, audioPattern(400), id3v1Record("T", "A", "", "", "", 17)}));
    const std::string bare = dir.write("bare.mp3", audioPattern(400));
    Tid3tag t1;
    Tid3v2tag t2;
    EXPECT_EQ("A-Rock-0.mp3",
              BuildPreviewV1(readFilenameFieldsV1(good, t1).fields, layout({"Artist", "Genre", "Track"})));
    EXPECT_EQ("V2-(9).mp3", BuildPreviewV2(readFilenameFieldsV2(good, t2).fields, layout({"Artist", "Genre"})));

    // The same tag objects now hold the good file's tags; the bare file must not show them.
    const TagRead r1 = readFilenameFieldsV1(bare, t1);
    const TagRead r2 = readFilenameFieldsV2(bare, t2);
    EXPECT_TRUE(failed(r1.result) && failed(r2.result));
    EXPECT_EQ("--0.mp3", BuildPreviewV1(r1.fields, layout({"Artist", "Genre", "Track"})));
    EXPECT_EQ("-.mp3", BuildPreviewV2(r2.fields, layout({"Artist", "Genre"})));
}

TEST(FileRename, NamesRefusedAndNamesCompleted)
{
    const std::vector<std::string> refused = {"", ".mp3", "abc", ".hidden.mp3", "a/b.mp3",
                                              std::string("a\0b.mp3", 7), "\xC3\xA9\xC3\xA9\xC3\xA9"};
    for (const std::string& bad : refused)
        EXPECT_FALSE(renameTargetName(bad)) << bad;
    EXPECT_EQ("song.mp3", renameTargetName("song").value_or(""));
    EXPECT_EQ("x.MP3", renameTargetName("x.MP3").value_or(""));
    const std::string fourAccents = "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9"; // four characters, eight bytes
    EXPECT_EQ(fourAccents + ".mp3", renameTargetName(fourAccents).value_or(""));
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
    const RenameResult refused = renameFile(dir.path(), "a.mp3", "b.mp3");
    EXPECT_EQ(RenameStatus::Exists, refused.status);
    EXPECT_EQ(a, readFile(dir.file("a.mp3")));
    EXPECT_EQ(b, readFile(dir.file("b.mp3")));

    // A second hard link is another name for the file, still not one to rename over.
    fs::create_hard_link(dir.file("b.mp3"), dir.file("link.mp3"));
    EXPECT_EQ(RenameStatus::Exists, renameFile(dir.path(), "b.mp3", "link.mp3").status);
    EXPECT_TRUE(fs::exists(dir.file("b.mp3")));

    EXPECT_EQ(RenameStatus::Unchanged, renameFile(dir.path(), "a.mp3", "a.mp3").status);
    EXPECT_EQ(RenameStatus::Renamed, renameFile(dir.path(), "a.mp3", "c.mp3").status);
    EXPECT_FALSE(fs::exists(dir.file("a.mp3")));
    EXPECT_EQ(a, readFile(dir.file("c.mp3")));

    const RenameResult missing = renameFile(dir.path(), "gone.mp3", "d.mp3");
    EXPECT_EQ(RenameStatus::Failed, missing.status);
    EXPECT_EQ("No such file or directory", missing.reason);
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

    EXPECT_EQ(RenameStatus::Declined, renameCurrentFile(request, dialogs).status); // Cancel
    EXPECT_EQ(std::vector<std::string>{"Do you wish to rename the file 'old.mp3' to 'Caf\xC3\xA9.mp3'?"},
              dialogs.texts("confirm"));
    EXPECT_TRUE(fs::exists(dir.file("old.mp3")));

    request.requestedName = "a/b";
    EXPECT_EQ(RenameStatus::InvalidName, renameCurrentFile(request, dialogs).status);
    EXPECT_EQ(std::vector<std::string>{kInvalidFilename}, dialogs.texts("error"));
    EXPECT_EQ(1u, dialogs.texts("confirm").size());

    request.requestedName = "taken.mp3";
    request.dryRun = true;
    EXPECT_EQ(RenameStatus::Exists, renameCurrentFile(request, dialogs).status);
    EXPECT_EQ("A file named 'taken.mp3' already exists. The file 'old.mp3' was not renamed.",
              dialogs.texts("error").back());

    request.requestedName = "free";
    EXPECT_EQ(RenameStatus::Checked, renameCurrentFile(request, dialogs).status);
    EXPECT_TRUE(fs::exists(dir.file("old.mp3")) && !fs::exists(dir.file("free.mp3")));

    request.dryRun = false;
    dialogs.answers = {Dialogs::Yes};
    EXPECT_EQ(RenameStatus::Renamed, renameCurrentFile(request, dialogs).status);
    EXPECT_TRUE(fs::exists(dir.file("free.mp3")) && !fs::exists(dir.file("old.mp3")));
    EXPECT_EQ(2u, dialogs.texts("error").size()); // no new error
}
