// The window as it first appears: every named control present and in its starting state.
#include "window_fixture.h"

#include "ui/file_list_box.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>

class Form1 : public WindowFixture {
protected:
    void SetUp() override
    {
        writeSetup("<folder>/a/</folder>");
        ASSERT_TRUE(start());
    }
    template <typename W>
    QList<W*> controls(const char* pattern) const
    {
        return window->findChildren<W*>(QRegularExpression(QString::fromLatin1(pattern)));
    }
};

TEST_F(Form1, EveryNamedControlExists)
{
    const char* const names[] = {
        "PageControl1", "ToolButton14", "ToolButton5", "ToolButton7", "ToolButton6",
        "ComboBoxMusicFoldersPlaylist", "FileListBoxMP3Playlist", "BitBtnToPlaylist",
        "BitBtnMoveUp", "BitBtnMoveDown", "BitBtnRemoveFromPlaylist", "EditCurrentPlaylist",
        "ListViewPlaylist", "ToolButton3", "ToolButton4", "ComboBoxMusicFolders",
        "FileListBoxMP3Files", "GroupBoxV1", "GroupBoxV2", "ComboBoxGenre", "EditGenreV2",
        "CheckBoxV1Track", "CheckBoxV2Artist", "ToolButton1", "ToolButton2",
        "ComboBoxMusicFoldersFileEdit", "FileListBoxMP3FilesFileEdit", "LabelCurrFile",
        "EditPreview", "PageControl2", "EditDelimiter", "EditDelimiterV2", "ComboBoxFile7",
        "ComboBoxFile1V2", "LabelTrack", "LabelCommentV2", "ToolButton8", "ToolButton13",
        "EditSearchFolder", "CheckBoxSubfolders", "ButtonBrowseSearch", "EditFilename",
        "EditSearchTrack", "CheckBoxExGenre", "ProgressBarSearch", "ButtonSearch",
        "ListViewSearchResults", "ComboBoxSearchField", "EditSearchField", "TreeView1", "WebBrowserHelp"};
    for (const char* name : names)
        EXPECT_NE(nullptr, window->findChild<QWidget*>(QString::fromLatin1(name))) << name;
}

TEST_F(Form1, StartsWithTheDocumentedStates)
{
    QStringList tabs;
    for (int i = 0; i < window->PageControl1->count(); ++i)
        tabs << window->PageControl1->tabText(i);
    EXPECT_EQ(QStringList({"Playlists", "ID3 Tags", "Tag Table", "Filename Edit", "Search", "Help"}), tabs);
    EXPECT_EQ(QSize(808, 570), window->size());

    for (QComboBox* box : controls<QComboBox>("^ComboBoxMusicFolders"))
        EXPECT_EQ(QStringLiteral("--Music Folders--"), box->currentText());
    const auto enable = controls<QCheckBox>("^CheckBox(Enable|V1|V2)");
    EXPECT_EQ(16 + static_cast<int>(moreFields().size()), enable.size()); // the seven's and "More fields"
    for (QCheckBox* box : enable)
        EXPECT_TRUE(box->isChecked()) << box->objectName().toStdString();
    const auto exact = controls<QCheckBox>("^CheckBox(Ex|Subfolders)");
    EXPECT_EQ(10, exact.size()); // the filename, the seven, the named field, the subfolders
    for (QCheckBox* box : exact)
        EXPECT_FALSE(box->isChecked()) << box->objectName().toStdString();
    const auto positions = controls<QComboBox>("^ComboBoxFile\\d");
    EXPECT_EQ(14, positions.size());
    for (QComboBox* box : positions)
        EXPECT_TRUE(box->currentText().isEmpty()) << box->objectName().toStdString();
    EXPECT_TRUE(window->EditDelimiter->text().isEmpty());
    EXPECT_TRUE(window->EditDelimiterV2->text().isEmpty());
    EXPECT_EQ(0, window->PageControl2->currentIndex());
    EXPECT_TRUE(window->EditCurrentPlaylist->isReadOnly());
}

TEST_F(Form1, EveryToolButtonHasAHintAndAnImage)
{
    const auto buttons = controls<QToolButton>("^ToolButton");
    EXPECT_EQ(14, buttons.size());
    for (QToolButton* button : buttons) {
        EXPECT_FALSE(button->toolTip().isEmpty()) << button->objectName().toStdString();
        EXPECT_FALSE(button->icon().isNull()) << button->objectName().toStdString();
    }
    EXPECT_EQ(QStringLiteral("Add/Open Folder (Ctrl+O)"), window->ToolButton14->toolTip());
}

TEST_F(Form1, EnlargingStretchesListsAndGroups)
{
    window->show();
    const QSize list = window->FileListBoxMP3Files->size();
    const QSize group = window->GroupBoxV2->size();
    window->resize(1008, 770);
    QApplication::processEvents();
    window->PageControl1->setCurrentWidget(window->TabSheet2);
    QApplication::processEvents();
    EXPECT_GT(window->FileListBoxMP3Files->height(), list.height());
    EXPECT_GT(window->GroupBoxV2->width(), group.width());
}

TEST_F(Form1, ErrorEscapingAHandlerIsShownAndTheWindowGoesOn)
{
    // A folder where the list file was: the next write of the list must fail.
    std::filesystem::remove(musicDirsPath());
    std::filesystem::create_directory(musicDirsPath());
    const std::string music = makeFolder("Music");
    dialogs.paths.push_back(qs(music));
    window->ToolButton3->click();

    ASSERT_EQ(1, dialogs.texts("error").size());
    EXPECT_TRUE(dialogs.texts("error")[0].contains(QStringLiteral("musicdirs.xml")));
    EXPECT_TRUE(window->IsMusicFolderListed(qs(music))); // the change stays in memory
    EXPECT_EQ(1, window->ComboBoxMusicFolders->count()); // but the boxes were not refilled
}
