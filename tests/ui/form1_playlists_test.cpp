// The "Playlists" tab: building, reordering, saving, closing and reopening a playlist.
#include "window_fixture.h"

#include "platform/file_system.h"
#include "ui/file_list_box.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

using namespace testsupport;

namespace {

void selectOnly(QTreeWidget* list, std::initializer_list<int> selected)
{
    list->clearSelection();
    for (int row : selected)
        list->topLevelItem(row)->setSelected(true);
}

} // namespace

class PlaylistsTab : public WindowFixture {
protected:
    // Three tagged files in "Music/" and a started window.
    void SetUp() override
    {
        music = makeFolder("Music");
        dir.write("Music/a.mp3", concat({audioPattern(300), id3v1Record("One", "A", "", "", "", 0)}));
        dir.write("Music/b.mp3", concat({audioPattern(300), id3v1Record("Two", "B", "", "", "", 0)}));
        dir.write("Music/c.mp3", concat({audioPattern(300), id3v1Record("Thr\xE9" "e", "C", "", "", "", 0)}));
        writeSetup("");
        ASSERT_TRUE(start());
        list = window->ListViewPlaylist;
        a = qs(music + "a.mp3"), b = qs(music + "b.mp3"), c = qs(music + "c.mp3");
    }

    std::string music;
    QTreeWidget* list = nullptr;
    QString a, b, c;
};

TEST_F(PlaylistsTab, RowsAreAddedDeletedAndMovedInOrder)
{
    dialogs.paths.push_back(qs(music));
    window->ToolButton14->click();
    window->FileListBoxMP3Playlist->selectAll();
    window->BitBtnToPlaylist->click();
    window->BitBtnToPlaylist->click();
    ASSERT_EQ(QStringList({a, b, c, a, b, c}), rows(list));
    // The Delete key removes the selected rows, the others keep their order.
    selectOnly(list, {0, 4, 5});
    QTest::keyClick(list, Qt::Key_Delete);
    EXPECT_EQ(QStringList({b, c, a}), rows(list));

    selectOnly(list, {1});
    window->BitBtnMoveUp->click();
    EXPECT_EQ(QStringList({"*" + c, b, a}), rows(list));
    EXPECT_EQ(0, list->currentIndex().row());
}

TEST_F(PlaylistsTab, PlaylistIsSavedClosedAndReopenedAndFailuresChangeNothing)
{
    window->AppendPlaylistEntries({music + "c.mp3", music + "b.mp3", music + "a.mp3"});
    // The first save asks for a name and adds the extension.
    dialogs.paths.push_back(qs(dir.file("mix")));
    window->ToolButton6->click();
    EXPECT_EQ(QStringList({window->SaveDialogPlaylist.filter}), dialogs.texts("save"));
    const std::string saved = dir.file("mix.m3u");
    EXPECT_EQ(qs(saved), window->EditCurrentPlaylist->text());
    const Bytes text = readFile(saved);
    EXPECT_EQ("#EXTM3U\r\n#EXTINF:-1,C - Thr\xC3\xA9" "e\r\n" + music + "c.mp3\r\n#EXTINF:-1,B - Two\r\n" + music +
                  "b.mp3\r\n#EXTINF:-1,A - One\r\n" + music + "a.mp3\r\n",
              std::string(text.begin(), text.end()));

    window->ToolButton7->click();
    EXPECT_EQ(0, list->topLevelItemCount());
    EXPECT_TRUE(window->EditCurrentPlaylist->text().isEmpty());

    dialogs.paths.push_back(qs(saved));
    window->ToolButton5->click();
    EXPECT_EQ(QStringList({c, b, a}), rows(list));
    EXPECT_EQ(qs(saved), window->EditCurrentPlaylist->text());

    // A file that cannot be read or written reaches the error box; nothing else changes.
    dialogs.paths.push_back(qs(dir.file("gone.m3u")));
    window->ToolButton5->click();
    platform::faults::failWriteAt(1);
    window->ToolButton6->click();
    platform::faults::failWriteAt(0);
    ASSERT_EQ(2, dialogs.texts("error").size());
    EXPECT_TRUE(dialogs.texts("error")[0].contains(qs(dir.file("gone.m3u"))));
    EXPECT_EQ(QStringList({c, b, a}), rows(list));
    EXPECT_EQ(qs(saved), window->EditCurrentPlaylist->text());
    EXPECT_EQ(text, readFile(saved));

    // The dialog asked about "mix"; replacing the existing "mix.m3u" is asked about, and No keeps it.
    dialogs.answers.push_back(Dialogs::No);
    dialogs.paths.push_back(qs(dir.file("mix")));
    window->ToolButton7->click();
    window->SaveAsNewPlaylist();
    EXPECT_EQ(1, dialogs.texts("confirm").size());
    EXPECT_EQ(text, readFile(saved));
    EXPECT_TRUE(window->EditCurrentPlaylist->text().isEmpty());
}
