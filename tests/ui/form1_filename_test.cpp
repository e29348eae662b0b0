// The Filename Edit tab: a file picked, its name built from tag fields, and renamed on disk.
#include "window_fixture.h"

#include "support/id3v2_builder.h"
#include "ui/file_list_box.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include <filesystem>

using namespace testsupport;
namespace fs = std::filesystem;

class FilenameTab : public WindowFixture {
protected:
    void SetUp() override
    {
        music = makeFolder("Music");
        other = makeFolder("Other");
        writeSetup("<folder>" + music + "</folder><folder>" + other + "</folder>");
        ASSERT_TRUE(start());
    }
    void openFolder(const std::string& folder)
    {
        QComboBox* box = window->ComboBoxMusicFoldersFileEdit;
        box->setCurrentIndex(box->findText(qs(folder)));
    }
    void pick(const QString& name)
    {
        FileListBox* list = window->FileListBoxMP3FilesFileEdit;
        const auto found = list->findItems(name, Qt::MatchExactly);
        ASSERT_EQ(1, found.size()) << name.toStdString();
        list->setCurrentItem(found.front());
    }
    QStringList labelTexts() const
    {
        QStringList texts;
        for (QLabel* label : window->LabelsV1)
            texts << label->text();
        for (QLabel* label : window->LabelsV2)
            texts << label->text();
        return texts;
    }

    std::string music, other;
    const Bytes kSong = concat({Id3v2Bytes(3).frame("TPE1", {0, 'V', '2'}).bytes(), audioPattern(300),
                                id3v1Record("Caf\xE9", "Band", "", "", "", 255, 4)});
};

TEST_F(FilenameTab, PicksAFileBuildsItsNameAndRenamesIt)
{
    writeFile(music + "song.mp3", kSong);
    writeFile(music + "zed.mp3", audioPattern(100));
    openFolder(music);
    pick("song.mp3");
    EXPECT_EQ(QStringLiteral("song.mp3"), window->LabelCurrFile->text());
    EXPECT_EQ(QStringLiteral(".mp3"), window->EditPreview->text());
    EXPECT_EQ(QStringLiteral("Caf\u00E9"), window->LabelsV1[1]->text());
    EXPECT_EQ(QStringLiteral("4"), window->LabelsV1[6]->text());

    QTest::keyClicks(window->ComboBoxFile[0], "Title");
    QTest::keyClicks(window->ComboBoxFile[1], "Track");
    QTest::keyClicks(window->ComboBoxFile[2], "Album");
    QTest::keyClicks(window->EditDelimiter, " ");
    EXPECT_EQ(QStringLiteral("Caf\u00E9 4.mp3"), window->EditPreview->text());

    dialogs.answers = {Dialogs::Yes};
    window->ToolButton2->click();
    EXPECT_EQ(QStringList({QStringLiteral("Do you wish to rename the file 'song.mp3' to 'Caf\u00E9 4.mp3'?")}),
              dialogs.texts("confirm"));
    EXPECT_EQ(kSong, readFile(music + "Caf\xC3\xA9 4.mp3"));
    EXPECT_FALSE(fs::exists(music + "song.mp3"));
    FileListBox* list = window->FileListBoxMP3FilesFileEdit;
    ASSERT_EQ(2, list->count());
    EXPECT_EQ(QStringLiteral("Caf\u00E9 4.mp3"), list->item(0)->text());
    EXPECT_TRUE(list->selectedItems().isEmpty());
    EXPECT_EQ(QStringList(14, QString()), labelTexts());
    EXPECT_EQ(QStringLiteral("Caf\u00E9 4.mp3"), window->LabelCurrFile->text());

    // The version 2 sub-tab loads its own tag; the existing zed.mp3 is never replaced.
    pick("zed.mp3");
    window->PageControl2->setCurrentIndex(1);
    pick("Caf\u00E9 4.mp3");
    EXPECT_EQ(QStringLiteral("V2"), window->LabelsV2[0]->text());
    window->EditPreview->setText(QStringLiteral("zed.mp3"));
    dialogs.answers = {Dialogs::Yes};
    window->ToolButton2->click();
    EXPECT_EQ(QStringList({"A file named 'zed.mp3' already exists. The file 'Caf\u00E9 4.mp3' was not renamed."}),
              dialogs.texts("error"));
    EXPECT_EQ(audioPattern(100), readFile(music + "zed.mp3"));
    EXPECT_EQ(QStringLiteral("Caf\u00E9 4.mp3"), window->LabelCurrFile->text());
}

TEST_F(FilenameTab, FailedLoadBuildsFromEmptyFieldsAndTheButtonNeedsAFileShown)
{
    writeFile(music + "song.mp3", kSong);
    writeFile(music + "bare.mp3", audioPattern(100));
    writeFile(other + "song.mp3", audioPattern(50));
    window->ToolButton2->click();
    EXPECT_EQ(1, dialogs.texts("info").size());

    openFolder(music);
    QTest::keyClicks(window->ComboBoxFile[0], "Artist");
    pick("song.mp3");
    EXPECT_EQ(QStringLiteral("Band.mp3"), window->EditPreview->text());
    pick("bare.mp3");
    EXPECT_EQ(QStringLiteral("bare.mp3"), window->EditPreview->text());
    QTest::keyClicks(window->ComboBoxFile[1], "Track");
    EXPECT_EQ(QStringLiteral("0.mp3"), window->EditPreview->text()); // never "Band"

    // Another folder holds a song.mp3 too; the label still names the one picked before.
    pick("song.mp3");
    openFolder(other);
    EXPECT_EQ(QString(), window->EditPreview->text());
    window->EditPreview->setText(QStringLiteral("renamed.mp3"));
    window->ToolButton2->click();
    EXPECT_EQ(2, dialogs.texts("info").size());
    EXPECT_TRUE(dialogs.texts("confirm").isEmpty());
    EXPECT_TRUE(fs::exists(other + "song.mp3") && fs::exists(music + "song.mp3"));
}

TEST_F(FilenameTab, FolderTypedWithoutSeparatorReadsAndRenamesItsFiles)
{
    writeFile(music + "song.mp3", kSong);
    std::string typed = music;
    typed.pop_back();
    window->ComboBoxMusicFoldersFileEdit->setEditText(qs(typed));
    pick("song.mp3");
    EXPECT_EQ(QStringLiteral("Band"), window->LabelsV1[0]->text());
    window->EditPreview->setText(QStringLiteral("renamed.mp3"));
    dialogs.answers = {Dialogs::Yes};
    window->ToolButton2->click();
    EXPECT_TRUE(dialogs.texts("error").isEmpty());
    EXPECT_EQ(kSong, readFile(music + "renamed.mp3"));
}

TEST_F(FilenameTab, TheVersion2BoxesOfferTheNamedFields)
{
    writeFile(music + "song.mp3", concat({Id3v2Bytes(3)
                                              .frame("TPE2", concat({{0}, bytesOf("VA")}))
                                              .frame("TPOS", concat({{0}, bytesOf("2/3")}))
                                              .bytes(),
                                          audioPattern(300)}));
    EXPECT_EQ(-1, window->ComboBoxFile[0]->findText(QStringLiteral("Disc")));
    EXPECT_NE(-1, window->ComboBoxFileV2[0]->findText(QStringLiteral("Album artist")));
    openFolder(music);
    window->PageControl2->setCurrentIndex(1);
    pick("song.mp3");
    QTest::keyClicks(window->ComboBoxFileV2[0], "Disc");
    QTest::keyClicks(window->ComboBoxFileV2[1], "Album artist");
    QTest::keyClicks(window->EditDelimiterV2, "-");
    EXPECT_EQ(QStringLiteral("2-VA.mp3"), window->EditPreview->text());
}
