// The "Tag Table" tab: a folder's files as rows, cells edited, filled down, pasted, saved as
// one batch and undone; unsaved cells never dropped without asking.
#include "window_fixture.h"

#include "support/two_tag_song.h"
#include "ui/tag_table_model.h"
#include "ui/tag_table_view.h"

#include <QClipboard>
#include <QComboBox>
#include <QFont>
#include <QGuiApplication>
#include <QLineEdit>
#include <QTabWidget>
#include <QTest>

#include <cstdio>

using namespace testsupport;

class TagTable : public WindowFixture {
protected:
    void SetUp() override
    {
        writeSetup("");
        ASSERT_TRUE(start());
        window->PageControl1->setCurrentWidget(window->TabSheetTable);
    }
    // `count` songs "song01.mp3"... in a new folder, titled "Song 01"...
    std::vector<std::string> makeSongs(const std::string& folderName, int count)
    {
        const std::string folder = makeFolder(folderName);
        std::vector<std::string> paths;
        for (int i = 1; i <= count; ++i) {
            char name[16];
            std::snprintf(name, sizeof name, "%02d", i);
            paths.push_back(folder + "song" + name + ".mp3");
            writeFile(paths.back(), twoTagSong(std::string("Song ") + name, "Song"));
        }
        return paths;
    }
    void showFolder(const std::string& folder)
    {
        window->ComboBoxMusicFoldersTable->setEditText(qs(folder));
        waitLoaded();
    }
    void waitLoaded() { ASSERT_TRUE(QTest::qWaitFor([this] { return !model()->loading(); }, 20000)); }
    void setColumns(const QString& columns)
    {
        window->EditTableColumns->setText(columns);
        window->EditTableColumnsExit();
        waitLoaded();
    }
    TagTableModel* model() const { return window->TableViewTags->tableModel(); }
    QString cell(int row, int column) const { return model()->index(row, column).data().toString(); }
    void select(int top, int left, int bottom, int right)
    {
        window->TableViewTags->setCurrentIndex(model()->index(top, left));
        window->TableViewTags->selectionModel()->select(
            QItemSelection(model()->index(top, left), model()->index(bottom, right)), QItemSelectionModel::ClearAndSelect);
    }
    void key(int k) { QTest::keyClick(window->TableViewTags, static_cast<Qt::Key>(k), Qt::ControlModifier); }

    TempDir state;

private:
    const ScopedEnv m_stateHome{"XDG_STATE_HOME", state.path()};
};

// Columns: 0 file name, 1 folder, 2 artist, 3 title, 4 album artist, 5 composer.
TEST_F(TagTable, FillDownAndPasteSaveAsOneBatchThatOneUndoTakesBack)
{
    const std::vector<std::string> songs = makeSongs("forty", 40);
    std::vector<Bytes> before;
    for (const std::string& song : songs)
        before.push_back(readFile(song));
    setColumns("artist, title, albumartist, composer");
    showFolder(dir.file("forty"));
    ASSERT_EQ(40, model()->rowCount());
    EXPECT_EQ("song01.mp3", cell(0, 0));
    EXPECT_EQ("Song 01", cell(0, 3));
    EXPECT_EQ("Band", cell(39, 2));
    EXPECT_EQ("Album artist", model()->headerData(4, Qt::Horizontal).toString());

    ASSERT_TRUE(model()->setData(model()->index(0, 4), "Various Artists"));
    select(0, 4, 11, 4);
    key(Qt::Key_D);
    QGuiApplication::clipboard()->setText("T21\tAA21\tC21\r\nT22\tAA22\tC22\r\n\"T\"\"23\"\tAA23\tC23\r\n");
    select(20, 3, 20, 3);
    key(Qt::Key_V);
    EXPECT_EQ(21u, model()->editCount());
    EXPECT_TRUE(model()->index(11, 4).data(Qt::FontRole).value<QFont>().bold());
    EXPECT_FALSE(model()->index(12, 4).data(Qt::FontRole).value<QFont>().bold());

    // Copy gives the block back as it was pasted, the quote quoted.
    select(21, 3, 22, 5);
    key(Qt::Key_C);
    EXPECT_EQ("T22\tAA22\tC22\n\"T\"\"23\"\tAA23\tC23\n", QGuiApplication::clipboard()->text());

    window->SaveKey();
    waitLoaded();
    EXPECT_TRUE(dialogs.texts("error").isEmpty()) << dialogs.texts("error").join("\n").toStdString();
    EXPECT_FALSE(model()->hasEdits());
    EXPECT_EQ("AA22", cell(21, 4));

    if (const std::string python = mutagenPython(); python.empty()) {
        std::puts("mutagen is not installed: the saved values are not read back by it");
    } else {
        const CommandResult read = runProgram(python, {"-c", R"(import sys, mutagen.id3
for path in sys.argv[1:]:
    t = mutagen.id3.ID3(path)
    print('|'.join(str(t[k].text[0]) if k in t else '-' for k in ('TPE1', 'TIT2', 'TPE2', 'TCOM')))
)", songs[0], songs[11], songs[12], songs[20], songs[22]});
        EXPECT_EQ("Band|Song 01|Various Artists|-\nBand|Song 12|Various Artists|-\nBand|Song 13|-|-\n"
                  "Band|T21|AA21|C21\nBand|T\"23|AA23|C23\n", read.out) << read.err;
    }

    dialogs.answers = {Dialogs::Yes};
    window->UndoKey();
    EXPECT_TRUE(dialogs.texts("confirm").back().startsWith("Undo the save of 15 file(s)"));
    for (std::size_t i = 0; i < songs.size(); ++i)
        EXPECT_EQ(before[i], readFile(songs[i])) << songs[i];
    waitLoaded();
    EXPECT_EQ("", cell(0, 4));
    EXPECT_EQ("Song 21", cell(20, 3));
}

TEST_F(TagTable, UnsavedCellsSurviveSortAndFilterAndAreNeverDroppedWithoutAsking)
{
    makeSongs("a", 3);
    makeSongs("b", 1);
    setColumns("title");
    showFolder(dir.file("a"));
    ASSERT_TRUE(model()->setData(model()->index(0, 2), "Zebra"));

    window->TableHeaderClick(2);
    EXPECT_EQ(QStringList({"Song 02", "Song 03", "Zebra"}),
              QStringList({cell(0, 2), cell(1, 2), cell(2, 2)}));
    window->EditTableFilter->setText("zeb");
    ASSERT_EQ(1, model()->rowCount());
    EXPECT_EQ("song01.mp3", cell(0, 0));
    window->EditTableFilter->clear();
    EXPECT_TRUE(dialogs.texts("unsaved").isEmpty());

    dialogs.answers = {Dialogs::Cancel};
    window->ComboBoxMusicFoldersTable->setEditText(qs(dir.file("b")));
    EXPECT_EQ(1, dialogs.texts("unsaved").size());
    EXPECT_EQ(qs(dir.file("a")), window->ComboBoxMusicFoldersTable->currentText());
    EXPECT_EQ(3, model()->rowCount());
    EXPECT_EQ(1u, model()->editCount());

    dialogs.answers = {Dialogs::Cancel};
    EXPECT_FALSE(window->close());
    EXPECT_EQ(1u, model()->editCount());

    dialogs.answers = {Dialogs::No};
    showFolder(dir.file("b"));
    EXPECT_EQ(1, model()->rowCount());
    EXPECT_FALSE(model()->hasEdits());
    EXPECT_EQ(Bytes(twoTagSong("Song 01", "Song")), readFile(dir.file("a/song01.mp3")));
    EXPECT_TRUE(window->close());
    const QSettings settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Varnoli"));
    EXPECT_EQ("title", settings.value("table/columns").toString());
    EXPECT_EQ(qs(dir.file("b")), settings.value("table/folder").toString());
}

// Files written on another tab or by another program show as they are now when the tab is
// shown again; files added to the folder are listed; F5 asks before it drops unsaved cells.
TEST_F(TagTable, FilesChangedElsewhereShowAsTheyAreNow)
{
    const std::vector<std::string> songs = makeSongs("a", 2);
    setColumns("title");
    showFolder(dir.file("a"));
    ASSERT_EQ("Song 01", cell(0, 2));

    window->PageControl1->setCurrentWidget(window->TabSheet2);
    writeFile(songs[0], twoTagSong("Written elsewhere", "Song"));
    window->PageControl1->setCurrentWidget(window->TabSheetTable);
    waitLoaded();
    EXPECT_EQ("Written elsewhere", cell(0, 2));

    writeFile(dir.file("a/song00.mp3"), twoTagSong("New one", "Song"));
    ASSERT_TRUE(QTest::qWaitFor([this] { return model()->fileCount() == 3 && !model()->loading(); }, 5000));
    EXPECT_EQ("New one", cell(0, 2));

    ASSERT_TRUE(model()->setData(model()->index(1, 2), "Typed"));
    dialogs.answers = {Dialogs::Cancel};
    window->RereadKey(); // F5
    EXPECT_EQ(1, dialogs.texts("unsaved").size());
    EXPECT_EQ(1u, model()->editCount());
}

TEST_F(TagTable, RefusedCellsAreNamedAndChangeNothing)
{
    makeSongs("a", 2);
    setColumns("title, year, bpm, APIC");
    showFolder(dir.file("a"));
    EXPECT_FALSE(model()->setData(model()->index(1, 4), "fast"));
    QTest::qWait(1);
    ASSERT_EQ(1, dialogs.texts("error").size());
    EXPECT_TRUE(dialogs.texts("error")[0].startsWith("'song02.mp3', BPM: ")) << dialogs.texts("error")[0].toStdString();

    QGuiApplication::clipboard()->setText("2001\n20011\n");
    select(0, 3, 0, 3);
    key(Qt::Key_V);
    ASSERT_EQ(2, dialogs.texts("error").size());
    EXPECT_TRUE(dialogs.texts("error")[1].contains("'song02.mp3', Year: "));
    EXPECT_FALSE(dialogs.texts("error")[1].contains("song01"));
    EXPECT_FALSE(model()->hasEdits());

    window->EditTableColumns->setText("title, nosuchfield");
    window->EditTableColumnsExit();
    EXPECT_EQ("title, year, bpm, APIC", window->EditTableColumns->text());
    EXPECT_TRUE(dialogs.texts("error").back().contains("'nosuchfield'"));
}
