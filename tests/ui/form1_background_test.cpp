// The window's work on workers: it keeps answering while it lists, searches, saves and undoes
// a few thousand files; Cancel, closing mid-listing, one summary, a folder gone, watching.
#include "window_fixture.h"

#include "features/common/text.h"
#include "support/id3v2_builder.h"
#include "tags/id3v2/id3v2.h"
#include "ui/background_task.h"
#include "ui/file_list_box.h"

#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <atomic>
#include <thread>
#include <filesystem>

using namespace testsupport;

namespace {

constexpr int kFolders = 40, kFilesEach = 75; // 3,000 files
constexpr qint64 kLongestBlockMs = 250;

Bytes text(const std::string& s) { return concat({{0}, bytesOf(s)}); }

Bytes songBytes(int n)
{
    return concat({Id3v2Bytes(3).frame("TIT2", text("Song " + std::to_string(n))).frame("TPE1", text(n % 10 ? "Band" : "Beat"))
                       .padding(64).bytes(),
                   audioPattern(400)});
}

// The longest time the window's thread went without handling its events, from a timer that
// ticks every 10 ms.
class BlockMeter {
public:
    BlockMeter()
    {
        m_clock.start();
        m_tick.setInterval(10);
        QObject::connect(&m_tick, &QTimer::timeout, [this] {
            m_longest = std::max(m_longest, m_clock.restart());
        });
        m_tick.start();
    }
    void restart() { m_clock.restart(), m_longest = 0; }
    qint64 longest() const { return std::max(m_longest, m_clock.elapsed()); }

private:
    QTimer m_tick;
    QElapsedTimer m_clock;
    qint64 m_longest = 0;
};

} // namespace

class WindowWork : public WindowFixture {
protected:
    void SetUp() override { BackgroundTask::setQuietMs(50); }
    void TearDown() override
    {
        window.reset();
        BackgroundTask::setQuietMs(60000);
    }
    // A tree of kFolders folders of kFilesEach songs; one in ten by "Beat".
    std::string makeTree()
    {
        const std::string music = makeFolder("Music");
        for (int f = 0; f < kFolders; ++f) {
            const std::string folder = makeFolder("Music/Disc " + std::to_string(f));
            for (int i = 0; i < kFilesEach; ++i)
                writeFile(folder + std::to_string(i) + ".mp3", songBytes(i));
        }
        return music;
    }
    void startOn(const std::string& music)
    {
        writeSetup("<folder>" + music + "</folder>");
        ASSERT_TRUE(start());
        window->PageControl1->setCurrentWidget(window->TabSheet2);
    }
    void listTree()
    {
        window->CheckBoxTree->setChecked(true);
        window->ComboBoxMusicFolders->setCurrentIndex(0);
    }
    bool searchEnded() { return !window->LabelSearchCount->text().isEmpty(); }

    TempDir state;
    const ScopedEnv m_stateHome{"XDG_STATE_HOME", state.path()};
};

TEST_F(WindowWork, TheWindowKeepsAnsweringThroughLongWork)
{
    const std::string music = makeTree();
    startOn(music);
    BlockMeter meter;
    QElapsedTimer clock;
    clock.start();
    listTree();
    FileListBox* list = window->FileListBoxMP3Files;
    ASSERT_TRUE(QTest::qWaitFor([&] { return !list->listing() && list->count() == kFolders * kFilesEach; }, 20000));
    const qint64 listing = meter.longest(), listed = clock.elapsed();

    meter.restart();
    window->EditSearchFolder->setText(qs(music));
    window->CheckBoxSubfolders->setChecked(true);
    window->EditSearch[0]->setText(QStringLiteral("beat"));
    window->ButtonSearch->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return searchEnded(); }, 20000));
    EXPECT_EQ(kFolders * (kFilesEach / 10 + 1), window->ListViewSearchResults->topLevelItemCount());
    const qint64 searching = meter.longest();

    meter.restart();
    list->selectAll();
    const qint64 selecting = meter.longest();
    window->EditTitleV2->clear();
    QTest::keyClicks(window->EditTitleV2, QStringLiteral("Same"));
    meter.restart();
    dialogs.answers = {Dialogs::Yes};
    window->ToolButton4->click();
    const qint64 saving = meter.longest();
    Tid3v2tag v2;
    Utf8Text title;
    ASSERT_EQ(0, v2.LoadFromFile(music + "Disc 7/3.mp3", 0));
    EXPECT_EQ(0, v2.GetTextFrameUtf8("TIT2", title));
    EXPECT_EQ("Same", title);

    meter.restart();
    dialogs.answers = {Dialogs::Yes};
    window->UndoLastSave->click();
    const qint64 undoing = meter.longest();
    EXPECT_EQ(songBytes(3), readFile(music + "Disc 7/3.mp3"));

    std::printf("[ measured ] listing %d files took %lld ms; longest block: listing %lld ms, search %lld ms, "
                "selecting %lld ms, save %lld ms, undo %lld ms\n", kFolders * kFilesEach,
                static_cast<long long>(listed), static_cast<long long>(listing), static_cast<long long>(searching),
                static_cast<long long>(selecting), static_cast<long long>(saving), static_cast<long long>(undoing));
    EXPECT_LT(listing, kLongestBlockMs);
    EXPECT_LT(selecting, kLongestBlockMs);
    EXPECT_LT(searching, kLongestBlockMs);
    EXPECT_LT(saving, kLongestBlockMs);
    EXPECT_LT(undoing, kLongestBlockMs);
}

TEST_F(WindowWork, ALongListingComesInOrderAndACancelledSelectionReadSelectsNothing)
{
    startOn(makeTree());
    // A listing that outlasts the wait: its rows come in slices, each where it sorts.
    BackgroundTask::setQuietMs(0);
    listTree();
    FileListBox* list = window->FileListBoxMP3Files;
    ASSERT_TRUE(QTest::qWaitFor([&] { return !list->listing() && list->count() == kFolders * kFilesEach; }, 20000));
    for (int row = 1; row < list->count(); ++row)
        ASSERT_FALSE(lessIgnoringCase(list->fileNameAt(row), list->fileNameAt(row - 1))) << row;
    bool boxShown = false;
    QTimer::singleShot(0, [&] {
        if (auto* box = window->findChild<QProgressDialog*>(QStringLiteral("WindowProgress"))) {
            boxShown = true;
            box->findChild<QPushButton*>()->click();
        }
    });
    list->selectAll();
    ASSERT_TRUE(boxShown) << dialogs.texts("error").join("|").toStdString();
    EXPECT_TRUE(list->selectedItems().isEmpty());
    EXPECT_TRUE(window->EditTitleV2->text().isEmpty());
    // Saving then writes nothing: no file is selected.
    window->EditTitleV2->setText(QStringLiteral("Lost"));
    window->ToolButton4->click();
    EXPECT_TRUE(dialogs.texts("confirm").isEmpty());
}

TEST_F(WindowWork, ASearchIsCancelledAndTheWindowClosedWhileItLists)
{
    const std::string music = makeTree();
    startOn(music);
    BackgroundTask::setQuietMs(0);
    window->EditSearchFolder->setText(qs(music));
    window->CheckBoxSubfolders->setChecked(true);
    window->ButtonSearch->click();
    EXPECT_EQ(QStringLiteral("Cancel"), window->ButtonSearch->text()) << dialogs.texts("error").join("|").toStdString()
        << window->LabelSearchCount->text().toStdString();
    window->ButtonSearch->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return searchEnded(); }, 20000));
    EXPECT_TRUE(window->LabelSearchCount->text().endsWith("before the search was cancelled"));
    EXPECT_LT(window->ListViewSearchResults->topLevelItemCount(), kFolders * kFilesEach);
    EXPECT_EQ(QStringLiteral("Search"), window->ButtonSearch->text());

    listTree();
    // On a loaded machine the walk of 40 folders may end before it is looked at: listed again
    // until a listing is caught running.
    bool caught = window->FileListBoxMP3Files->listing();
    for (int i = 0; i < 20 && !caught; ++i) {
        window->FileListBoxMP3Files->reread();
        caught = window->FileListBoxMP3Files->listing();
    }
    EXPECT_TRUE(caught);
    window->close();
    window.reset(); // the listing stops with it
}

TEST_F(WindowWork, ABatchEndsInOneSummaryNamingEachFile)
{
    makeFolder("Music");
    const std::string kept = dir.write("Music/a.mp3", songBytes(1));
    const std::string locked = dir.write("Music/b.mp3", songBytes(2));
    const std::string gone = dir.write("Music/c.mp3", songBytes(3));
    startOn(dir.file("Music/"));
    window->ComboBoxMusicFolders->setCurrentIndex(0);
    window->FileListBoxMP3Files->selectAll();
    makeReadOnly(locked);
    std::filesystem::remove(gone);
    window->EditTitleV2->setText(QStringLiteral("New"));
    dialogs.answers = {Dialogs::Yes};
    window->ToolButton4->click();

    const QStringList told = dialogs.texts("error");
    ASSERT_EQ(1, told.size()) << told.join("|").toStdString();
    EXPECT_TRUE(told[0].contains(qs(locked)) && told[0].contains(qs(gone))) << told[0].toStdString();
    EXPECT_FALSE(told[0].contains(qs(kept)));
}

TEST_F(WindowWork, AFolderGoneClearsTheListAndAChangedFileIsReadAgain)
{
    makeFolder("Music");
    const std::string song = dir.write("Music/a.mp3", songBytes(1));
    const std::string other = makeFolder("Other");
    dir.write("Other/x.mp3", songBytes(2));
    writeSetup("<folder>" + dir.file("Music/") + "</folder><folder>" + other + "</folder>");
    ASSERT_TRUE(start());
    window->PageControl1->setCurrentWidget(window->TabSheet2);
    QComboBox* box = window->ComboBoxMusicFolders;

    // Another program rewrites the shown file's tag: the field follows.
    box->setCurrentIndex(box->findText(qs(dir.file("Music/"))));
    window->FileListBoxMP3Files->setCurrentRow(0);
    ASSERT_EQ(QStringLiteral("Song 1"), window->EditTitleV2->text());
    writeFile(song, songBytes(9));
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->EditTitleV2->text() == QStringLiteral("Song 9"); }, 5000));
    // ... and adds a file beside it: the list follows.
    dir.write("Music/b.mp3", songBytes(4));
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->FileListBoxMP3Files->count() == 2; }, 5000));

    // The other folder goes: choosing it says so, and the old folder's files are not shown under its name.
    std::filesystem::remove_all(other);
    dialogs.shown.clear();
    box->setCurrentIndex(box->findText(qs(other)));
    EXPECT_EQ(0, window->FileListBoxMP3Files->count());
    EXPECT_EQ(QStringList{"The folder '" + qs(other) + "' no longer exists; it was taken off the music folder list."},
              dialogs.texts("error"));
}

// Reads meet only writes: a search's folder keeps a save out, never a read of the selection.
TEST(TaskClaims, ReadsShareFilesAndWritesHoldThem)
{
    std::atomic<bool> release{false};
    const auto wait = [&release](BackgroundTask&) {
        while (!release)
            std::this_thread::yield();
    };
    BackgroundTask search, read, save, other;
    ASSERT_TRUE(search.start(wait, {"/music/"}, true));
    EXPECT_TRUE(read.start(wait, {"/music/a.mp3"}, true));
    EXPECT_FALSE(save.start(wait, {"/music/a.mp3"}));
    EXPECT_TRUE(BackgroundTask::held({"/music/b.mp3"}));
    release = true;
    ASSERT_TRUE(search.finishWithin(5000) && read.finishWithin(5000));
    release = false;
    ASSERT_TRUE(save.start(wait, {"/music/a.mp3"}));
    EXPECT_FALSE(read.start(wait, {"/music/"}, true));
    EXPECT_TRUE(other.start(wait, {"/other/"}, true));
    release = true;
    EXPECT_TRUE(save.finishWithin(5000) && other.finishWithin(5000));
    EXPECT_FALSE(BackgroundTask::held({"/music/"}));
}
