// The undo buttons of the "ID3 Tags" and "Filename Edit" tabs.
#include "window_fixture.h"

#include "features/tagedit/batch_save.h"
#include "features/undo/undo.h"
#include "support/id3v2_builder.h"
#include "ui/file_list_box.h"
#include "tags/id3v1/id3.h"
#include "tags/id3v2/id3v2.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>

#include <filesystem>

#include <cstdlib>

using namespace testsupport;
namespace fs = std::filesystem;

class Form1Undo : public WindowFixture {
protected:
    void SetUp() override
    {
        writeSetup("");
        ASSERT_TRUE(start());
    }
    TempDir state;

private:
    const ScopedEnv m_stateHome{"XDG_STATE_HOME", state.path()};
};

TEST_F(Form1Undo, UndoLastSaveAsksWithTheNumberOfFilesAndRestoresThem)
{
    window->UndoLastSave->click();
    ASSERT_EQ(1, dialogs.texts("info").size());
    EXPECT_EQ(QStringLiteral("There is no save to undo."), dialogs.texts("info")[0]);

    const Bytes song = concat({Id3v2Bytes(3).frame("TIT2", {0, 'a'}).bytes(), audioPattern(3000)});
    const std::string a = dir.write("a.mp3", song), b = dir.write("b.mp3", song);
    BatchSaveRequest request;
    request.files = {a, b};
    request.recordForUndo = true;
    request.v2[TagField::Title] = request.v1[TagField::Title] = {true, "New"};
    Tid3tag v1;
    Tid3v2tag v2;
    ASSERT_FALSE(runBatchSave(request, v1, v2, dialogs).failures);

    dialogs.shown.clear();
    dialogs.answers = {Dialogs::No};
    window->UndoLastSave->click();
    ASSERT_EQ(1, dialogs.texts("confirm").size());
    EXPECT_TRUE(dialogs.texts("confirm")[0].startsWith(QStringLiteral("Undo the save of 2 file(s) made ")));
    EXPECT_NE(song, readFile(a));

    dialogs.answers = {Dialogs::Yes};
    window->UndoLastSave->click();
    EXPECT_EQ(song, readFile(a));
    EXPECT_EQ(song, readFile(b));
    EXPECT_EQ(QStringLiteral("2 file(s) restored."), dialogs.texts("info").back());
}

TEST_F(Form1Undo, UndoLastRenameGivesTheOldNameBack)
{
    const std::string from = dir.write("old.mp3", {7}), to = dir.file("new.mp3");
    std::string why;
    ASSERT_TRUE(journalRename(from, to, why)) << why;
    std::filesystem::rename(from, to);
    dialogs.answers = {Dialogs::Yes};
    window->UndoLastRename->click();
    ASSERT_EQ(1, dialogs.texts("confirm").size());
    EXPECT_TRUE(dialogs.texts("confirm")[0].startsWith(QStringLiteral("Undo the rename of 1 file(s)")));
    EXPECT_EQ(Bytes{7}, readFile(from));
    EXPECT_FALSE(std::filesystem::exists(to));
}

// Renames and fills of many files from the window, each taken back by one undo.
class NameBatches : public WindowFixture {
protected:
    void SetUp() override
    {
        music = makeFolder("Music");
        writeSetup("<folder>" + music + "</folder>");
        ASSERT_TRUE(start());
    }
    QStringList listed(const FileListBox* list) const
    {
        QStringList names;
        for (int i = 0; i < list->count(); ++i)
            names << list->item(i)->text();
        return names;
    }
    std::string music;
    TempDir state;

private:
    const ScopedEnv m_stateHome{"XDG_STATE_HOME", state.path()};
};

TEST_F(NameBatches, RenameSelectedShowsTheNamesRenamesTheAlbumAndOneUndoTakesItBack)
{
    QStringList before;
    for (int n = 1; n <= 40; ++n) {
        const std::string name = "t" + std::to_string(100 + n) + ".mp3";
        writeFile(music + name, concat({audioPattern(100), id3v1Record("Song " + std::to_string(n), "", "", "", "",
                                                                       255, static_cast<uint8_t>(n))}));
        before << qs(name);
    }
    window->ComboBoxMusicFoldersFileEdit->setCurrentIndex(0);
    FileListBox* list = window->FileListBoxMP3FilesFileEdit;
    list->selectAll();
    QTest::keyClicks(window->ComboBoxFile[0], "Track");
    QTest::keyClicks(window->ComboBoxFile[1], "Title");
    QTest::keyClicks(window->EditDelimiter, " ");
    window->CheckBoxTwoDigitTrack->setChecked(true);
    EXPECT_EQ(QStringLiteral("01 Song 1.mp3"), window->EditPreview->text());

    dialogs.answers = {Dialogs::Yes};
    window->RenameSelected->click();
    ASSERT_EQ(1u, dialogs.tables.size());
    ASSERT_EQ(40u, dialogs.tables[0].rows.size());
    EXPECT_EQ(QStringList({"t101.mp3", "01 Song 1.mp3", ""}), dialogs.tables[0].rows[0]);
    EXPECT_EQ(QStringLiteral("Do you wish to rename 40 file(s)?"), dialogs.tables[0].text);
    EXPECT_TRUE(fs::exists(music + "40 Song 40.mp3"));
    EXPECT_FALSE(fs::exists(music + "t101.mp3"));
    EXPECT_EQ(QStringLiteral("01 Song 1.mp3"), window->LabelCurrFile->text());

    dialogs.answers = {Dialogs::Yes};
    window->UndoLastRename->click();
    EXPECT_EQ(QStringLiteral("40 file(s) renamed back."), dialogs.texts("info").back());
    EXPECT_EQ(before, listed(list));
    EXPECT_EQ(QStringLiteral("t101.mp3"), window->LabelCurrFile->text());

    // Two files bound for one name are marked; declining renames nothing.
    writeFile(music + "t101.mp3", concat({audioPattern(100), id3v1Record("Song 2", "", "", "", "", 255, 2)}));
    list->selectAll();
    dialogs.answers = {Dialogs::No};
    window->RenameSelected->click();
    ASSERT_EQ(2u, dialogs.tables.size());
    EXPECT_TRUE(dialogs.tables[1].marked[0]);
    EXPECT_TRUE(dialogs.tables[1].marked[1]);
    EXPECT_FALSE(dialogs.tables[1].marked[2]);
    EXPECT_EQ(before, listed(list));
}

TEST_F(NameBatches, FillFromFileNamePreviewsTheFieldsSavesThemAndUndoRestoresTheFiles)
{
    const Bytes song = concat({audioPattern(2000), id3v1Record("", "", "", "", "", 255)});
    const std::string a = music + "03 - Bj\xC3\xB6rk - J\xC3\xB3ga.mp3", b = music + "Intro.mp3";
    writeFile(a, song);
    writeFile(b, song);
    window->ComboBoxMusicFolders->setCurrentIndex(0);
    window->FileListBoxMP3Files->selectAll();
    window->CheckBoxEnableV1->setChecked(false);

    dialogs.answers = {Dialogs::Yes};
    window->FillFromFileName->click();
    ASSERT_EQ(1u, dialogs.tables.size());
    const TableQuestion& table = dialogs.tables[0];
    EXPECT_EQ(QStringList({"File", "Track", "Artist", "Title", "Problem"}), table.headers);
    EXPECT_EQ(QStringList({"03 - Bj\u00F6rk - J\u00F3ga.mp3", "3", "Bj\u00F6rk", "J\u00F3ga", ""}), table.rows[0]);
    EXPECT_EQ((std::vector<bool>{false, true}), table.marked);
    EXPECT_TRUE(table.text.startsWith(QStringLiteral("Do you wish to save these fields into the ID3 version 2 tag of 1 file(s)?")));
    EXPECT_EQ("J\xF3ga", v2TextOf(a, "TIT2")); // the 8-bit read
    EXPECT_EQ("3", v2TextOf(a, "TRCK"));
    EXPECT_EQ(song, readFile(b));
    Tid3tag v1;
    ASSERT_LT(v1.LoadFromFile(a), 256);
    EXPECT_EQ("", v1.Title()); // only the checked tag

    dialogs.answers = {Dialogs::Yes};
    window->UndoLastSave->click();
    EXPECT_EQ(song, readFile(a));
}
