// The window started on files, a folder or a playlist, as a file manager starts it.
#include "ui/window_fixture.h"

#include "app/start_request.h"
#include "ui/background_task.h"
#include "ui/file_list_box.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTabWidget>

using namespace testsupport;

namespace {

// The rows of a file list, a selected one marked with a leading "*".
QStringList fileRows(const FileListBox* list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << (list->item(i)->isSelected() ? "*" : "") + list->item(i)->text();
    return out;
}

} // namespace

class StartOpens : public WindowFixture {
protected:
    void SetUp() override
    {
        music = makeFolder("Music");
        other = makeFolder("Other");
        for (const char* name : {"a.mp3", "b.mp3", "c.mp3"})
            dir.write(std::string("Music/") + name, concat({audioPattern(300), id3v1Record(name, "A", "", "", "", 0)}));
        dir.write("Other/d.mp3", audioPattern(300));
        writeSetup("");
        ASSERT_TRUE(start());
    }
    void open(const QStringList& arguments) { openStartRequest(*window, startRequest(arguments), dialogs); }

    std::string music, other;
};

TEST_F(StartOpens, FilesAreSelectedInTheirFolderOnTheTagsTab)
{
    open({qs(music + "a.mp3")});
    EXPECT_EQ(window->TabSheet2, window->PageControl1->currentWidget());
    EXPECT_EQ(qs(music).chopped(1), window->ComboBoxMusicFolders->currentText());
    EXPECT_EQ(QStringList({"*a.mp3", "b.mp3", "c.mp3"}), fileRows(window->FileListBoxMP3Files));
    // The one file's tag is shown, as after a click on it.
    EXPECT_EQ(QStringLiteral("a.mp3"), qobject_cast<QLineEdit*>(window->FieldsV1[1])->text());
    EXPECT_TRUE(dialogs.shown.empty());

    open({qs(music + "c.mp3"), qs(music + "b.mp3")});
    EXPECT_EQ(QStringList({"a.mp3", "*b.mp3", "*c.mp3"}), fileRows(window->FileListBoxMP3Files));
}

// A folder whose listing outlasts the wait: the file is found and selected once it ends.
TEST_F(StartOpens, AFileInALargeFolderIsSelected)
{
    const std::string large = makeFolder("Large");
    for (int i = 0; i < 2000; ++i)
        dir.write("Large/" + std::to_string(i) + ".mp3", audioPattern(300));
    BackgroundTask::setQuietMs(0);
    open({qs(large + "1234.mp3")});
    BackgroundTask::setQuietMs(60000);
    EXPECT_TRUE(dialogs.shown.empty());
    const std::vector<std::string> selected = window->FileListBoxMP3Files->selectedFileNames();
    EXPECT_EQ(std::vector<std::string>{"1234.mp3"}, selected);
}

TEST_F(StartOpens, AFolderIsListedAndAPlaylistOpened)
{
    open({qs(other)});
    EXPECT_EQ(window->TabSheet2, window->PageControl1->currentWidget());
    EXPECT_EQ(QStringList({"d.mp3"}), fileRows(window->FileListBoxMP3Files));

    const std::string list = dir.write("mix.M3U", bytesOf("#EXTM3U\n" + music + "b.mp3\n" + music + "a.mp3\n"));
    open({qs(list)});
    EXPECT_EQ(window->TabSheet1, window->PageControl1->currentWidget());
    EXPECT_EQ(qs(list), window->EditCurrentPlaylist->text());
    EXPECT_EQ(QStringList({qs(music + "b.mp3"), qs(music + "a.mp3")}), rows(window->ListViewPlaylist));
    EXPECT_TRUE(dialogs.shown.empty());
}

// What cannot be opened is said in one box; the rest is opened all the same.
TEST_F(StartOpens, WhatIsLeftAsideIsSaid)
{
    dir.write("Music/notes.txt", bytesOf("x"));
    open({qs(music + "b.mp3"), qs(other + "d.mp3"), qs(dir.file("gone.mp3")), qs(music + "notes.txt")});
    EXPECT_EQ(QStringList({"a.mp3", "*b.mp3", "c.mp3"}), fileRows(window->FileListBoxMP3Files));
    ASSERT_EQ(1u, dialogs.shown.size());
    EXPECT_EQ(QStringLiteral("error"), dialogs.shown[0].kind);
    EXPECT_EQ(QStringLiteral("'%1d.mp3' is not in the folder '%2': one folder is listed at a time.\n"
                             "'%3' does not exist.\n'notes.txt' is not among the MP3 files of '%2'.")
                  .arg(qs(other), qs(music).chopped(1), qs(dir.file("gone.mp3"))),
              dialogs.shown[0].text);

    EXPECT_EQ(QStringLiteral("--bogus"), startRequest({"--bogus", "-", "--", "-x"}).badOption);
    const StartRequest afterEnd = startRequest({"--", qs(music + "a.mp3")});
    EXPECT_TRUE(afterEnd.badOption.isEmpty());
    EXPECT_EQ(std::vector<std::string>{"a.mp3"}, afterEnd.names);
}
