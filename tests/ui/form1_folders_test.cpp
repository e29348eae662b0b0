// Adding, opening and dropping music folders through the three folder boxes.
#include "window_fixture.h"

#include "app/music_folders.h"
#include "ui/file_list_box.h"

#include <QComboBox>
#include <QFocusEvent>
#include <QTest>
#include <QToolButton>

using testsupport::writeFile;

class FolderBoxes : public WindowFixture {
protected:
    QStringList items(QComboBox* box) const
    {
        QStringList out;
        for (int i = 0; i < box->count(); ++i)
            out << box->itemText(i);
        return out;
    }
    QList<QComboBox*> boxes() const
    {
        return {window->ComboBoxMusicFolders, window->ComboBoxMusicFoldersFileEdit,
                window->ComboBoxMusicFoldersPlaylist};
    }
};

TEST_F(FolderBoxes, AddedFolderIsListedEverywhereAndOpened)
{
    const std::string music = makeFolder("Music");
    writeFile(music + "song.mp3", {});
    writeSetup("<folder>/zeta/</folder>");
    ASSERT_TRUE(start());
    dialogs.paths.push_back(qs(music));
    window->ToolButton14->click();

    EXPECT_EQ(QStringList({"folder"}), [&] { QStringList k; for (auto& s : dialogs.shown) k << s.kind; return k; }());
    for (QComboBox* box : boxes())
        EXPECT_EQ(QStringList({qs(music), "/zeta/"}), items(box));
    EXPECT_EQ(qs(music), window->ComboBoxMusicFoldersPlaylist->currentText());
    EXPECT_EQ(QStringLiteral("--Music Folders--"), window->ComboBoxMusicFolders->currentText());
    ASSERT_EQ(1, window->FileListBoxMP3Playlist->count());
    EXPECT_EQ(QStringLiteral("song.mp3"), window->FileListBoxMP3Playlist->item(0)->text());
    EXPECT_NE(std::string::npos, musicDirsText().find("<folder>" + music + "</folder>"));
}

TEST_F(FolderBoxes, AlreadyListedFolderOnlyShowsAMessage)
{
    const std::string music = makeFolder("Music");
    writeSetup("<folder>" + music + "</folder>");
    ASSERT_TRUE(start());
    const std::string before = musicDirsText();
    dialogs.paths.push_back(qs(music));
    window->ToolButton3->click();

    EXPECT_EQ(QStringList({"'" + qs(music) + "' has already been added."}), dialogs.texts("info"));
    EXPECT_EQ(before, musicDirsText());
    EXPECT_EQ(QStringLiteral("--Music Folders--"), window->ComboBoxMusicFolders->currentText());
    EXPECT_EQ(0, window->FileListBoxMP3Files->count());
}

TEST_F(FolderBoxes, CancelledPickerChangesNothing)
{
    writeSetup("<folder>/a/</folder>");
    ASSERT_TRUE(start());
    const std::string before = musicDirsText();
    window->ToolButton1->click();
    EXPECT_EQ(1u, dialogs.shown.size()); // only the picker itself
    EXPECT_EQ(before, musicDirsText());
}

TEST_F(FolderBoxes, OtherLetterCaseIsANewFolder)
{
    const std::string music = makeFolder("Music");
    const std::string upper = makeFolder("MUSIC");
    writeSetup("<folder>" + music + "</folder>");
    ASSERT_TRUE(start());
    dialogs.paths.push_back(qs(upper));
    window->ToolButton3->click();
    EXPECT_TRUE(dialogs.texts("info").isEmpty());
    EXPECT_EQ(2, window->ComboBoxMusicFolders->count());
}

TEST_F(FolderBoxes, DeletedFolderIsDroppedFromAllBoxesAndTheFile)
{
    const std::string gone = dir.file("gone/");
    writeSetup("<folder>" + gone + "</folder><folder>/other/</folder><folder>" + gone + "</folder>");
    ASSERT_TRUE(start());
    ASSERT_EQ(3, window->ComboBoxMusicFolders->count()); // identical entries are both shown

    window->ComboBoxMusicFolders->setCurrentIndex(window->ComboBoxMusicFolders->findText(qs(gone)));

    EXPECT_EQ(QStringList{"The folder '" + qs(gone) + "' no longer exists; it was taken off the music folder list."},
              dialogs.texts("error"));
    EXPECT_EQ(0, window->FileListBoxMP3Files->count());
    for (QComboBox* box : boxes())
        EXPECT_EQ(QStringList({"/other/"}), items(box));
    EXPECT_EQ(qs(gone), window->ComboBoxMusicFolders->currentText());
    const std::string saved = musicDirsText();
    EXPECT_EQ(std::string::npos, saved.find(gone));
    EXPECT_EQ(2, QString::fromStdString(saved).count(QStringLiteral("<folder/>")));
}

TEST_F(FolderBoxes, EntryOfAnotherNameAfterTheFirstFolderIsShown)
{
    writeSetup("<disk>/before/</disk><folder>/a/</folder><disk>/after/</disk>");
    ASSERT_TRUE(start());
    EXPECT_EQ(QStringList({"/a/", "/after/"}), items(window->ComboBoxMusicFoldersFileEdit));
}

TEST_F(FolderBoxes, LeavingTheFilenameBoxClearsATextThatIsNoFolder)
{
    const std::string music = makeFolder("Music");
    writeFile(music + "song.mp3", {});
    writeSetup("<folder>" + music + "</folder>");
    ASSERT_TRUE(start());
    QComboBox* box = window->ComboBoxMusicFoldersFileEdit;
    box->setCurrentIndex(0);
    ASSERT_EQ(1, window->FileListBoxMP3FilesFileEdit->count());

    QFocusEvent leave(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(box, &leave);
    EXPECT_EQ(qs(music), box->currentText()); // an existing folder stays

    box->setEditText(qs(music) + "nowhere");
    QApplication::sendEvent(box, &leave);
    EXPECT_EQ(QString(), box->currentText());
    EXPECT_EQ(0, window->FileListBoxMP3FilesFileEdit->count());
}

// A list declared as ISO-8859-1 is written in that encoding, so its folders read back.
TEST_F(FolderBoxes, Latin1DeclaredListKeepsItsFoldersAcrossAWrite)
{
    const std::string music = makeFolder("Music");
    writeSettings("[General]\ninstalldir=" + dir.path() + "/\n");
    writeMusicDirs("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n"
                   "<musicdirs><folder>/M\xfasica/</folder></musicdirs>\n");
    ASSERT_TRUE(start());
    ASSERT_EQ(QString::fromLatin1("/M\xfasica/"), window->ComboBoxMusicFolders->itemText(0));
    dialogs.paths.push_back(qs(music));
    window->ToolButton3->click();

    MusicFolderDocument reread;
    reread.load(qs(musicDirsPath()));
    EXPECT_TRUE(reread.isListed(QString::fromLatin1("/M\xfasica/"))) << musicDirsText();
    EXPECT_TRUE(reread.isListed(qs(music)));
}

// A folder name XML cannot hold is refused with a message; the list stays readable and
// later folders are still written.
TEST_F(FolderBoxes, FolderNameTheListCannotHoldIsRefused)
{
    const std::string odd = makeFolder("a\x01" "b");
    const std::string music = makeFolder("Music");
    writeSetup("");
    ASSERT_TRUE(start());
    dialogs.paths.push_back(qs(odd));
    window->ToolButton3->click();
    EXPECT_EQ(1, dialogs.texts("error").size());
    MusicFolderDocument reread;
    EXPECT_NO_THROW(reread.load(qs(musicDirsPath()))) << musicDirsText();

    dialogs.paths.push_back(qs(music));
    window->ToolButton3->click();
    EXPECT_EQ(1, dialogs.texts("error").size());
    reread.load(qs(musicDirsPath()));
    EXPECT_TRUE(reread.isListed(qs(music)));
    EXPECT_FALSE(reread.isListed(qs(odd)));
}
