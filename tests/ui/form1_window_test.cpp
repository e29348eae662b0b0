// The window in everyday use: its size with long names and on a small screen, its keys, the
// question about an unsaved playlist, and folders of albums.
#include "window_fixture.h"

#include "support/id3v2_builder.h"
#include "tags/id3v1/id3.h"
#include "ui/file_list_box.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

using namespace testsupport;

class Window : public WindowFixture {
protected:
    void SetUp() override
    {
        music = makeFolder("Music");
        makeFolder("Music/Album/.hidden");
        dir.write("Music/Album/.hidden/h.mp3", audioPattern(1000));
        dir.write("Music/Album/01.mp3", concat({audioPattern(3000), id3v1Record("One", "", "", "", "", 255)}));
        dir.write("Music/" + longName, audioPattern(3000));
        writeSetup("<folder>" + music + "</folder>");
        ASSERT_TRUE(start());
        window->show();
    }
    void openIn(QComboBox* box) { box->setCurrentIndex(0); }
    void select(FileListBox* list, const QString& text)
    {
        const QList<QListWidgetItem*> found = list->findItems(text, Qt::MatchExactly);
        ASSERT_EQ(1, found.size()) << text.toStdString();
        list->setCurrentItem(found[0]);
    }
    void press(int key, Qt::KeyboardModifiers modifiers = Qt::ControlModifier)
    {
        // Window shortcuts go to the active window only.
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        QTest::keyClick(window.get(), static_cast<Qt::Key>(key), modifiers);
    }

    const std::string longName = std::string(185, 'n') + ".mp3"; // 189 characters
    std::string music;

private:
    TempDir m_state;
    const ScopedEnv m_stateHome{"XDG_STATE_HOME", m_state.path()}; // an undo journal of its own
};

TEST_F(Window, LongNamesAndSmallScreensLeaveEveryTabWhole)
{
    window->PageControl1->setCurrentWidget(window->TabSheet3);
    openIn(window->ComboBoxMusicFoldersFileEdit);
    select(window->FileListBoxMP3FilesFileEdit, qs(longName));
    QApplication::processEvents();
    EXPECT_EQ(qs(longName), window->LabelCurrFile->text());
    EXPECT_LE(window->width(), 1280);
    EXPECT_LE(window->minimumSizeHint().width(), 800);

    window->resize(800, 600);
    for (QWidget* tab : {window->TabSheet1, window->TabSheet2, window->TabSheet3, window->TabSheet4,
                         window->TabSheet5}) {
        window->PageControl1->setCurrentWidget(tab);
        QApplication::processEvents();
        EXPECT_EQ(QSize(800, 600), window->size()) << tab->objectName().toStdString();
    }
    window->PageControl1->setCurrentWidget(window->TabSheet2);
    QApplication::processEvents();
    QCheckBox* comment = window->CheckBoxV1[5];
    ASSERT_EQ(QStringLiteral("Enable Save (Comment)"), comment->text());
    EXPECT_GE(comment->width(), comment->sizeHint().width());
    EXPECT_LE(window->GroupBoxV2->mapTo(window.get(), QPoint(0, window->GroupBoxV2->height())).y(), 600);
}

TEST_F(Window, KeysDoWhatTheTabsButtonsDo)
{
    window->PageControl1->setCurrentWidget(window->TabSheet2);
    openIn(window->ComboBoxMusicFolders);
    select(window->FileListBoxMP3Files, qs(longName));
    press(Qt::Key_S);
    EXPECT_EQ(QStringList{QStringLiteral("Do you wish to modify the selected 1 file(s)?")}, dialogs.texts("confirm"));
    EXPECT_TRUE(window->ToolButton4->toolTip().endsWith(QStringLiteral("(Ctrl+S)")));

    press(Qt::Key_Z);
    EXPECT_EQ(1, dialogs.texts("info").size()); // nothing to undo yet: the tab's undo says so

    press(Qt::Key_O);
    ASSERT_EQ(1, dialogs.starts.size());
    EXPECT_EQ(qs(music), dialogs.starts[0]); // the folder shown, not "/"

    press(Qt::Key_F);
    EXPECT_EQ(window->TabSheet4, window->PageControl1->currentWidget());

    // The ID3v1 group top to bottom, then the ID3v2 group.
    EXPECT_EQ(window->CheckBoxV1[0], window->FieldsV1[0]->nextInFocusChain());
    EXPECT_EQ(window->FieldsV1[1], window->CheckBoxV1[0]->nextInFocusChain());
    EXPECT_EQ(window->CheckBoxEnableV2, window->CheckBoxV1[6]->nextInFocusChain());
}

TEST_F(Window, UnsavedPlaylistIsNotDroppedWithoutAsking)
{
    window->PageControl1->setCurrentWidget(window->TabSheet1);
    openIn(window->ComboBoxMusicFoldersPlaylist);
    window->FileListBoxMP3Playlist->selectAll();
    window->BitBtnToPlaylist->click();
    ASSERT_EQ(1, window->ListViewPlaylist->topLevelItemCount());

    dialogs.answers = {Dialogs::Cancel, Dialogs::Cancel, Dialogs::Cancel};
    window->ToolButton7->click();  // close the playlist
    window->ToolButton5->click();  // open another
    EXPECT_FALSE(window->close()); // the window
    EXPECT_EQ(3, dialogs.texts("unsaved").size());
    EXPECT_TRUE(dialogs.texts("open").isEmpty());
    EXPECT_EQ(1, window->ListViewPlaylist->topLevelItemCount());

    // Save: a new playlist asks for its name; cancelling that keeps the window open.
    dialogs.answers = {Dialogs::Yes};
    EXPECT_FALSE(window->close());
    dialogs.answers = {Dialogs::Yes};
    dialogs.paths = {qs(dir.file("list.m3u"))};
    EXPECT_TRUE(window->close());
    EXPECT_TRUE(std::filesystem::exists(dir.file("list.m3u")));
    EXPECT_FALSE(window->playlistChanged());

    window->ToolButton7->click(); // nothing unsaved: no question
    EXPECT_EQ(5, dialogs.texts("unsaved").size());
}

TEST_F(Window, IncludeSubfoldersListsTheTreeAndActionsWorkOnIt)
{
    window->PageControl1->setCurrentWidget(window->TabSheet2);
    openIn(window->ComboBoxMusicFolders);
    EXPECT_EQ(1, window->FileListBoxMP3Files->count());
    window->CheckBoxTree->setChecked(true);
    ASSERT_EQ(2, window->FileListBoxMP3Files->count()); // the hidden folder is left out
    select(window->FileListBoxMP3Files, QStringLiteral("Album/01.mp3"));
    EXPECT_EQ(QStringLiteral("One"), window->EditTitle->text());

    window->EditTitle->setText(QStringLiteral("Uno"));
    dialogs.answers = {Dialogs::Yes};
    window->ToolButton4->click();
    Tid3tag saved;
    ASSERT_FALSE(failed(saved.LoadFromFile(dir.file("Music/Album/01.mp3"))));
    EXPECT_EQ("Uno", saved.Title());

    // The Filename Edit tab renames it where it lies, and its last folder comes back next time.
    window->PageControl1->setCurrentWidget(window->TabSheet3);
    openIn(window->ComboBoxMusicFoldersFileEdit);
    window->CheckBoxTreeFileEdit->setChecked(true);
    select(window->FileListBoxMP3FilesFileEdit, QStringLiteral("Album/01.mp3"));
    window->EditPreview->setText(QStringLiteral("Uno.mp3"));
    dialogs.answers = {Dialogs::Yes};
    window->ToolButton2->click();
    EXPECT_TRUE(std::filesystem::exists(dir.file("Music/Album/Uno.mp3")));
    EXPECT_EQ(QStringLiteral("Album/Uno.mp3"), window->LabelCurrFile->text());

    window->resize(900, 650);
    window->close();
    window = startWindow(dialogs, qs(musicDirsPath()));
    ASSERT_TRUE(window);
    EXPECT_EQ(QSize(900, 650), window->size());
    EXPECT_EQ(qs(music), window->FileListBoxMP3FilesFileEdit->directory());
    EXPECT_TRUE(window->CheckBoxTreeFileEdit->isChecked());
    EXPECT_EQ(2, window->FileListBoxMP3FilesFileEdit->count());
}
