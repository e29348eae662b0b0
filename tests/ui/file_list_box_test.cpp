// Which names a file list shows, and in what order.
#include "ui/file_list_box.h"

#include "features/common/mp3_folder.h"
#include "support/test_support.h"

#include <QFile>

#include <gtest/gtest.h>

#include <filesystem>

using namespace testsupport;

TEST(FileListBox, ShowsVisibleMp3FilesOfAnyCaseSortedIgnoringCase)
{
    TempDir dir;
    for (const char* name : {"b.mp3", "A.MP3", "c.Mp3", ".hidden.mp3", "notes.txt", "mp3", "d.mp3.bak"})
        dir.write(name, {});
    std::filesystem::create_directory(dir.file("folder.mp3"));
    dir.write("B.mp3", {});

    const std::vector<std::string> expected = {"A.MP3", "B.mp3", "b.mp3", "c.Mp3"};
    UnreadableFolders unreadable;
    EXPECT_EQ(expected, listMp3Files(dir.path(), unreadable));
    EXPECT_TRUE(unreadable.empty());

    FileListBox list;
    list.setDirectory(QFile::decodeName(dir.path().c_str()));
    ASSERT_EQ(4, list.count());
    EXPECT_EQ("c.Mp3", list.fileNameAt(3));
}

TEST(FileListBox, KeepsTheFileSystemsBytesBehindTheShownName)
{
    TempDir dir;
    const std::string latin1Name = "caf\xe9.mp3"; // not valid UTF-8
    dir.write(latin1Name, {});
    FileListBox list;
    list.setDirectory(QFile::decodeName(dir.path().c_str()));
    ASSERT_EQ(1, list.count());
    EXPECT_EQ(latin1Name, list.fileNameAt(0));
}

TEST(FileListBox, MissingFolderShowsNothing)
{
    TempDir dir;
    FileListBox list;
    list.setDirectory(QFile::decodeName(dir.file("missing/").c_str()));
    EXPECT_EQ(0, list.count());
}
