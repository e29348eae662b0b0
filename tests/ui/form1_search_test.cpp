// The "Search" tab: browsing, searching with the progress bar, and the export to the playlist.
#include "window_fixture.h"

#include "support/id3v2_builder.h"

#include <QLabel>

#include "ui/file_list_box.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

using testsupport::concat;
using testsupport::id3v1Record;

class SearchTab : public WindowFixture {};

TEST_F(SearchTab, AFolderThatCannotBeReadIsNamedAfterTheResultsOrTheListing)
{
    const std::string music = makeFolder("Music");
    makeFolder("Music/locked");
    for (const char* name : {"a.mp3", "locked/b.mp3"})
        dir.write(std::string("Music/") + name, concat({testsupport::audioPattern(300), id3v1Record("", "Beat", "", "", "", 0)}));
    writeSetup("");
    ASSERT_TRUE(start());
    const testsupport::UnlistableFolder locked(music + "locked");
    if (!locked.available())
        GTEST_SKIP() << "a folder cannot be made unreadable here";

    window->EditSearchFolder->setText(qs(music));
    window->CheckBoxSubfolders->setChecked(true);
    window->EditSearch[0]->setText(QStringLiteral("Beat"));
    window->ButtonSearch->click();
    EXPECT_EQ(QStringList({qs(music + "a.mp3")}), rows(window->ListViewSearchResults));
    const QString refusal = qs("Cannot read the folder '" + music + "locked/': Permission denied; its files are left out.");
    EXPECT_EQ(QStringList({refusal}), dialogs.texts("error"));

    window->ComboBoxMusicFolders->setEditText(qs(music + "locked"));
    EXPECT_EQ(0, window->FileListBoxMP3Files->count());
    EXPECT_EQ(QStringList({refusal, qs("Cannot read the folder '" + music + "locked': Permission denied; its files are left out.")}),
              dialogs.texts("error"));
}

TEST_F(SearchTab, SearchListsMatchesAndExportsThemToThePlaylist)
{
    const std::string music = makeFolder("Music");
    makeFolder("Music/sub");
    for (const char* name : {"sub/a.mp3", "sub/b.mp3", "sub/c.mp3", "other.mp3"})
        dir.write(std::string("Music/") + name,
                  concat({testsupport::audioPattern(300),
                          id3v1Record("", name[0] == 'o' ? "Else" : "Beat", "", "", "", 0)}));
    writeSetup("");
    ASSERT_TRUE(start());

    window->ButtonSearch->click();
    EXPECT_EQ(QStringList({"Please select a folder to search."}), dialogs.texts("error"));

    dialogs.paths.push_back(qs(music));
    window->ButtonBrowseSearch->click();
    EXPECT_EQ(QStringList({"Choose a folder with mp3 files"}), dialogs.texts("folder"));
    EXPECT_EQ(qs(music), window->EditSearchFolder->text());
    window->CheckBoxSubfolders->setChecked(true);
    QTest::keyClicks(window->EditSearch[0], QStringLiteral("beat"));
    window->ToolButton8->click();

    QTreeWidget* results = window->ListViewSearchResults;
    QStringList found = rows(results);
    found.sort();
    EXPECT_EQ(QStringList({qs(music + "sub/a.mp3"), qs(music + "sub/b.mp3"), qs(music + "sub/c.mp3")}), found);
    EXPECT_EQ(QStringLiteral("3 file(s) found"), window->LabelSearchCount->text());
    EXPECT_EQ(4, window->ProgressBarSearch->maximum());
    EXPECT_EQ(4, window->ProgressBarSearch->value());

    results->setCurrentItem(results->topLevelItem(1));
    results->setFocus();
    QTest::keyClick(results, Qt::Key_Delete);
    const QStringList kept = rows(results);
    ASSERT_EQ(2, kept.size());

    // Cancel, then Append twice: no file is added twice.
    dialogs.answers = {Dialogs::Cancel, Dialogs::Yes, Dialogs::Yes};
    window->ToolButton13->click();
    EXPECT_EQ(0, window->ListViewPlaylist->topLevelItemCount());
    window->ToolButton13->click();
    window->ToolButton13->click();
    ASSERT_EQ(3, dialogs.texts("confirm").size());
    EXPECT_TRUE(dialogs.texts("confirm")[0].startsWith("Add these search results to the current playlist?"));
    EXPECT_EQ(kept, rows(window->ListViewPlaylist));
    // Replace: the playlist holds the results alone.
    window->ListViewPlaylist->clear();
    window->AppendPlaylistEntries({music + "other.mp3", music + "sub/a.mp3"});
    dialogs.answers = {Dialogs::No};
    window->ToolButton13->click();
    EXPECT_EQ(kept, rows(window->ListViewPlaylist));
    EXPECT_EQ(kept, rows(results));
    EXPECT_EQ(window->TabSheet1, window->PageControl1->currentWidget());
    // The playlist has no file yet, so its save-as ran; cancelling it keeps the entries.
    EXPECT_EQ(3, dialogs.texts("save").size());
}

TEST_F(SearchTab, TheLastRowSearchesANamedField)
{
    const std::string music = makeFolder("Music");
    dir.write("Music/a.mp3", concat({testsupport::Id3v2Bytes(3).frame("TCOM", concat({{0}, testsupport::bytesOf("Bach")})).bytes(),
                                     testsupport::audioPattern(300)}));
    dir.write("Music/b.mp3", testsupport::audioPattern(300));
    writeSetup("");
    ASSERT_TRUE(start());
    window->EditSearchFolder->setText(qs(music));
    QComboBox* field = window->ComboBoxSearchField;
    field->setCurrentIndex(field->findData(QStringLiteral("composer")));
    window->EditSearchField->setText(QStringLiteral("BACH"));
    window->CheckBoxExField->setChecked(true);
    window->ButtonSearch->click();
    EXPECT_EQ(QStringList({qs(music + "a.mp3")}), rows(window->ListViewSearchResults));
}

TEST_F(SearchTab, AudioBoundsNarrowTheSearchAndAWrongOneIsRefused)
{
    const std::string music = makeFolder("Music");
    // 40 frames of 128 kbit/s (about 1 s), and 400 (about 10.4 s).
    testsupport::Bytes frame(417, 0x55);
    frame[0] = 0xFF, frame[1] = 0xFB, frame[2] = 0x90, frame[3] = 0x64;
    const auto frames = [&](int n) {
        testsupport::Bytes all;
        for (int i = 0; i < n; ++i)
            all.insert(all.end(), frame.begin(), frame.end());
        return all;
    };
    dir.write("Music/short.mp3", frames(40));
    const std::string longer = dir.write("Music/long.mp3", frames(400));
    writeSetup("");
    ASSERT_TRUE(start());
    window->EditSearchFolder->setText(qs(music));
    window->EditMinDuration->setText(QStringLiteral("5"));
    window->EditMaxBitrate->setText(QStringLiteral("128"));
    window->ButtonSearch->click();
    EXPECT_EQ(QStringList({qs(longer)}), rows(window->ListViewSearchResults));

    window->EditMaxDuration->setText(QStringLiteral("ten"));
    window->ButtonSearch->click();
    EXPECT_EQ(QStringList({"'ten' is no number of seconds or kbit/s: nothing was searched."}), dialogs.texts("error"));
    EXPECT_EQ(0, window->ListViewSearchResults->topLevelItemCount());
}
