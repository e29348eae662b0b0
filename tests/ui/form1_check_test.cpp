// The "ID3 Tags" tab's "Check" page: a run over the files listed, the list narrowed by
// check, and the fixes, taken back by "Undo last save".
#include "window_fixture.h"

#include "support/two_tag_song.h"
#include "ui/file_list_box.h"

#include <QComboBox>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QToolButton>

using namespace testsupport;

class CheckPage : public WindowFixture {
protected:
    void SetUp() override
    {
        music = makeFolder("Music");
        clean = dir.write("Music/1.mp3", twoTagSong("One", "One"));
        differs = dir.write("Music/2.mp3", twoTagSong("Two", "Old"));
        before = readFile(differs);
        writeSetup("<folder>" + music + "</folder>");
        ASSERT_TRUE(start());
        window->show();
        window->PageControl1->setCurrentWidget(window->TabSheet2);
        window->ComboBoxMusicFolders->setCurrentIndex(0);
        ASSERT_EQ(2, window->FileListBoxMP3Files->count());
    }
    template <typename W>
    W* find(const char* name) const
    {
        W* widget = window->findChild<W*>(QString::fromLatin1(name));
        EXPECT_NE(nullptr, widget) << name;
        return widget;
    }
    QPushButton* runButton() const { return find<QPushButton>("ButtonCheckRun"); }
    QPushButton* fixButton() const { return find<QPushButton>("ButtonCheckFix"); }
    QComboBox* filter() const { return find<QComboBox>("ComboBoxCheckFilter"); }
    QTableWidget* table() const { return find<QTableWidget>("TableCheck"); }
    QStringList column(int c) const
    {
        QStringList cells;
        for (int row = 0; row < table()->rowCount(); ++row)
            cells << table()->item(row, c)->text();
        return cells;
    }

    std::string music, clean, differs;
    Bytes before;
    TempDir state;

private:
    const ScopedEnv m_stateHome{"XDG_STATE_HOME", state.path()};
};

TEST_F(CheckPage, ShowsTheProblemsOfTheFilesListedAndNarrowsTheListByCheck)
{
    QTest::mouseClick(runButton(), Qt::LeftButton);
    EXPECT_EQ(QStringList{"2.mp3"}, column(0));
    EXPECT_EQ(QStringList{"warning"}, column(1));
    EXPECT_EQ(QStringList{"tags_disagree_title"}, column(2));
    EXPECT_TRUE(column(3).front().contains(QStringLiteral("\"Old\""))) << column(3).front().toStdString();
    EXPECT_TRUE(fixButton()->isEnabled());

    const int index = filter()->findData(QStringLiteral("tags_disagree_title"));
    ASSERT_GT(index, 0);
    filter()->setCurrentIndex(index);
    EXPECT_TRUE(window->FileListBoxMP3Files->item(0)->isHidden());
    EXPECT_FALSE(window->FileListBoxMP3Files->item(1)->isHidden());
    filter()->setCurrentIndex(0);
    EXPECT_FALSE(window->FileListBoxMP3Files->item(0)->isHidden());
}

TEST_F(CheckPage, FixIsAskedJournaledAndUndoneByTheTabsUndo)
{
    QTest::mouseClick(runButton(), Qt::LeftButton);
    dialogs.answers = {Dialogs::No};
    QTest::mouseClick(fixButton(), Qt::LeftButton);
    EXPECT_EQ(before, readFile(differs));

    dialogs.answers = {Dialogs::Yes};
    QTest::mouseClick(fixButton(), Qt::LeftButton);
    EXPECT_NE(before, readFile(differs));
    EXPECT_EQ(0, table()->rowCount()) << column(2).join(' ').toStdString();
    EXPECT_FALSE(fixButton()->isEnabled());

    dialogs.answers = {Dialogs::Yes};
    window->UndoLastSave->click();
    EXPECT_EQ(before, readFile(differs));
}
