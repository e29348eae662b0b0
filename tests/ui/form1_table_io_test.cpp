// "Export table…" and "Import table…" of the "ID3 Tags" tab: a table written from the list,
// edited, previewed, saved as one batch and taken back by "Undo last save".
#include "window_fixture.h"

#include "support/id3v2_builder.h"
#include "ui/file_list_box.h"

#include <QAction>
#include <QComboBox>
#include <QToolButton>

using namespace testsupport;

namespace {

Bytes song(const std::string& title)
{
    return concat({Id3v2Bytes(3).frame("TIT2", concat({{0}, bytesOf(title)})).padding(32).bytes(), audioPattern(2000)});
}

std::string textOf(const std::string& path)
{
    const Bytes bytes = readFile(path);
    return std::string(bytes.begin(), bytes.end());
}

} // namespace

class TableIo : public WindowFixture {
protected:
    void SetUp() override
    {
        const std::string music = makeFolder("Music");
        a = dir.write("Music/a.mp3", song("A"));
        b = dir.write("Music/b.mp3", song("B"));
        writeSetup("<folder>" + music + "</folder>");
        ASSERT_TRUE(start());
        window->ComboBoxMusicFolders->setCurrentIndex(0);
        ASSERT_EQ(2, window->FileListBoxMP3Files->count());
    }
    void trigger(const char* action, const std::string& path, std::deque<Dialogs::Answer> answers = {})
    {
        dialogs.shown.clear();
        dialogs.paths = {qs(path)};
        dialogs.answers = std::move(answers);
        window->findChild<QAction*>(QString::fromLatin1(action))->trigger();
    }

    TempDir state;
    const ScopedEnv stateHome{"XDG_STATE_HOME", state.path()};
    std::string a, b;
};

TEST_F(TableIo, ExportsTheListImportsAfterAPreviewAndOneUndoTakesItBack)
{
    const std::string table = dir.file("Music/tags.csv");
    window->FileListBoxMP3Files->item(0)->setSelected(true);
    trigger("ActionExportTable", table);
    EXPECT_EQ("file,artist,title,album,year,genre,comment,track\r\n" + a + ",,A,,,,,\r\n", textOf(table));
    window->FileListBoxMP3Files->clearSelection();
    trigger("ActionExportTable", table);
    EXPECT_EQ("file,artist,title,album,year,genre,comment,track\r\n" + a + ",,A,,,,,\r\n" + b + ",,B,,,,,\r\n",
              textOf(table));

    const Bytes aBefore = readFile(a), bBefore = readFile(b);
    writeFile(table, bytesOf("file,title,disc\r\na.mp3,A,2\r\nb.mp3,\"B, again\",\r\nc.mp3,C,\r\n"));
    trigger("ActionImportTable", table, {Dialogs::No});
    ASSERT_EQ(1u, dialogs.tables.size());
    const TableQuestion& preview = dialogs.tables[0];
    ASSERT_EQ(3u, preview.rows.size());
    EXPECT_EQ((QStringList{qs(a), "disc", "", "2"}), preview.rows[0]);
    EXPECT_EQ((QStringList{qs(b), "title", "B", "B, again"}), preview.rows[1]);
    EXPECT_EQ((std::vector<bool>{false, false, true}), preview.marked);
    EXPECT_EQ(aBefore, readFile(a));

    trigger("ActionImportTable", table, {Dialogs::Yes});
    EXPECT_EQ("2", v2TextOf(a, "TPOS"));
    EXPECT_EQ("B, again", v2TextOf(b, "TIT2"));
    dialogs.answers = {Dialogs::Yes};
    window->UndoLastSave->click();
    EXPECT_EQ(aBefore, readFile(a));
    EXPECT_EQ(bBefore, readFile(b));

    writeFile(table, bytesOf("file,disc\r\na.mp3,two\r\n"));
    trigger("ActionImportTable", table, {Dialogs::Yes});
    EXPECT_EQ(1, dialogs.texts("error").size());
    EXPECT_EQ(aBefore, readFile(a));
}
