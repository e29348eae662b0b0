// The shared feature core: field reading, file names, and the walk over a folder tree.
#include "features/common/mp3_folder.h"
#include "features/common/tag_fields.h"
#include "features/common/text.h"
#include "support/id3v2_builder.h"
#include "tags/id3v1/id3.h"
#include "tags/id3v2/id3v2.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace testsupport;
namespace fs = std::filesystem;

TEST(TagFields, ReadsBothTagsAsTheFormsShowThem)
{
    TempDir dir;
    const Bytes v2 = Id3v2Bytes(3)
                         .frame("TIT2", {0, 'T', 'w', 'o'})
                         .frame("COMM", {0, 'e', 'n', 'g', 0, 'H', 'i'})
                         .padding(16)
                         .bytes();
    const std::string path =
        dir.write("a.mp3", concat({v2, audioPattern(500), id3v1Record("One", "Art", "", "1999", "", 17)}));
    Tid3tag t1;
    Tid3v2tag t2;
    platform::faults::countOpens(path);
    const FileFields f = readFileFields(path, t1, t2);
    EXPECT_EQ(1u, platform::faults::openCount()); // one open serves both tags
    platform::faults::countOpens({});
    EXPECT_EQ(0, f.v1.result);
    EXPECT_EQ((FieldTexts{"Art", "One", "", "1999", "Rock", "", "0"}), f.v1.fields);
    EXPECT_EQ((FieldTexts{"", "Two", "", "", "", "Hi", ""}), f.v2.fields);

    // A failed load never shows what the objects held before.
    const std::string bare = dir.write("b.mp3", audioPattern(300));
    const FileFields none = readFileFields(bare, t1, t2);
    EXPECT_TRUE(failed(none.v1.result) && failed(none.v2.result));
    EXPECT_EQ(FieldTexts{}, none.v1.fields);
    EXPECT_EQ(FieldTexts{}, none.v2.fields);

    // A file that cannot be opened fails both loads with the system's reason.
    const FileFields missing = readFileFields(dir.path() + "gone.mp3", t1, t2);
    EXPECT_EQ(kErrOpen, missing.v1.result);
    EXPECT_EQ(kErrOpen, missing.v2.result);
    EXPECT_EQ("No such file or directory", t1.FailureReason());
    EXPECT_EQ(t1.FailureReason(), t2.FailureReason());
}

TEST(Text, NamesAndEncodings)
{
    EXPECT_TRUE(isMp3Name("a.Mp3") && isMp3Name(".mp3") && !isMp3Name("mp3") && !isMp3Name("a.mp3 "));
    EXPECT_EQ("Caf\xC3\xA9", latin1ToUtf8("Caf\xE9"));
    std::string back;
    EXPECT_TRUE(latin1FromUtf8("Caf\xC3\xA9", back) && back == "Caf\xE9");
    // Above U+00FF, and bytes that are not UTF-8, become "?" each.
    EXPECT_FALSE(latin1FromUtf8("5\xE2\x82\xAC \xF0\x9F\x8E\xB8\xC3", back));
    EXPECT_EQ("5? ??", back);
    // Letter case is ignored, for accented letters too; ties fall back to the bytes.
    EXPECT_TRUE(lessIgnoringCase("apple", "Banana"));
    EXPECT_TRUE(lessIgnoringCase("\xC3\x89ta", "\xC3\xA9tz"));
    EXPECT_TRUE(lessIgnoringCase("B", "b") && !lessIgnoringCase("b", "B"));
    EXPECT_TRUE(lessIgnoringCase("z", "\xFF")); // bytes that are not UTF-8 sort last
}

TEST(Text, ReadableFormEscapesEveryControlCharacter)
{
    // C0, DEL, C1 characters and bytes outside UTF-8 are escaped; letters of any script are kept.
    EXPECT_EQ("a\\x1b[31m\\x0a\\x7f\\x9b\\xe9 \xC3\xA9\xE2\x82\xAC.mp3",
              readableName("a\x1B[31m\n\x7F\xC2\x9B\xE9 \xC3\xA9\xE2\x82\xAC.mp3"));
    EXPECT_EQ("\\xe2\\x82", readableName("\xE2\x82")); // a sequence cut short
}

TEST(FolderListing, ListedNamesSplitAtTheLastSlash)
{
    const struct {
        const char *name, *subfolder, *file;
    } cases[] = {
        {"01.mp3", "", "01.mp3"},
        {"Album/01.mp3", "Album/", "01.mp3"},
        {"A/B/01 - x.mp3", "A/B/", "01 - x.mp3"},
        {"/music/A/", "/music/A/", ""},
        {"", "", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.subfolder, subfolderOf(c.name)) << c.name;
        EXPECT_EQ(c.file, fileNameOf(c.name)) << c.name;
        EXPECT_EQ(c.name, subfolderOf(c.name) + fileNameOf(c.name));
    }
}

TEST(FolderWalk, AFolderThatCannotBeReadIsReturnedNotPassedOver)
{
    TempDir dir;
    for (const char* sub : {"a", "b/deeper", "c"})
        fs::create_directories(dir.file(sub));
    const UnlistableFolder locked(dir.file("b"));
    if (!locked.available())
        GTEST_SKIP() << "a folder cannot be made unreadable here";

    std::vector<std::string> visited;
    const UnreadableFolders unreadable =
        walkFolders(dir.path(), true, [&](const std::string& folder, const std::vector<platform::DirEntry>&) {
            visited.push_back(folder.substr(dir.path().size()));
        });
    std::sort(visited.begin(), visited.end());
    EXPECT_EQ((std::vector<std::string>{"", "a/", "c/"}), visited);
    ASSERT_EQ(1u, unreadable.size());
    EXPECT_EQ(dir.file("b/"), unreadable[0].path);
    EXPECT_FALSE(unreadable[0].problem.empty());

    UnreadableFolders listed;
    EXPECT_TRUE(listMp3Files(dir.file("b"), listed).empty());
    ASSERT_EQ(1u, listed.size());
    EXPECT_EQ(dir.file("b"), listed[0].path);
}

TEST(FolderWalk, FilesBeforeSubfoldersHiddenSkippedLoopsWalkedOnce)
{
    TempDir dir;
    for (const char* sub : {"a/x", "b", ".hidden"})
        fs::create_directories(dir.file(sub));
    fs::create_directory_symlink(dir.path(), dir.file("a/x/up")); // back up the tree

    std::vector<std::string> visited;
    walkFolders(dir.path(), true, [&](const std::string& folder, const std::vector<platform::DirEntry>&) {
        visited.push_back(folder.substr(dir.path().size()));
    });
    std::sort(visited.begin() + 1, visited.end()); // siblings come in the folder's own order
    EXPECT_EQ((std::vector<std::string>{"", "a/", "a/x/", "b/"}), visited);

    visited.clear();
    walkFolders(dir.file("a"), false, [&](const std::string& folder, const std::vector<platform::DirEntry>&) {
        visited.push_back(folder);
    });
    EXPECT_EQ((std::vector<std::string>{dir.file("a/")}), visited);
}

TEST(FolderWalk, DeepTreeDoesNotRecurse)
{
    TempDir dir;
    std::string deep = dir.path();
    for (int i = 0; i < 200; ++i)
        deep += "d/";
    fs::create_directories(deep);
    int count = 0;
    walkFolders(dir.path(), true, [&](const std::string&, const std::vector<platform::DirEntry>&) { ++count; });
    EXPECT_EQ(201, count);
}
