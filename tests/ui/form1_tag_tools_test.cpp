// The "ID3 Tags" tab's tag tools on the selection, and a damaged tag shown, refused and repaired.
#include "window_fixture.h"

#include "support/id3v2_builder.h"
#include "tags/id3v1/id3.h"
#include "tags/id3v2/id3v2.h"
#include "ui/file_list_box.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

using namespace testsupport;

namespace {

Bytes text(const std::string& s) { return concat({{0}, bytesOf(s)}); }

} // namespace

class TagTools : public WindowFixture {
protected:
    void SetUp() override
    {
        const std::string music = makeFolder("Music");
        const Bytes audio = audioPattern(3000);
        a = dir.write("Music/a.mp3", concat({Id3v2Bytes(4).frame("TIT2", text("A")).frame("TDRC", text("2001-05")).bytes(),
                                             audio, id3v1Record("A1", "", "", "", "", 255)}));
        const Bytes picture = concat({text("image/png"), {0, 3, 0}, pngImage(4, 4)});
        b = dir.write("Music/b.mp3", concat({Id3v2Bytes(3).frame("TIT2", text("B")).frame("APIC", picture)
                                                 .frame("TXXX", concat({text("mood"), {0}, bytesOf("calm")})).bytes(),
                                             audio}));
        damaged = concat({Id3v2Bytes(3).frame("TIT2", text("Hurt")).frame("TPE1", text("Band"))
                              .frameWithSize("TALB", 7000, text("x")).padding(40).bytes(),
                          audio});
        d = dir.write("Music/d.mp3", damaged);
        writeSetup("<folder>" + music + "</folder>");
        ASSERT_TRUE(start());
        window->ComboBoxMusicFolders->setCurrentIndex(0);
        ASSERT_EQ(3, window->FileListBoxMP3Files->count());
    }
    void select(std::initializer_list<int> rows)
    {
        FileListBox* list = window->FileListBoxMP3Files;
        list->clearSelection();
        for (int row : rows)
            list->item(row)->setSelected(true);
    }
    // Runs a tool of the menu, answering Yes; the summary box it shows.
    QString use(const char* action)
    {
        dialogs.shown.clear();
        dialogs.answers = {Dialogs::Yes};
        window->findChild<QAction*>(QString::fromLatin1(action))->trigger();
        const QStringList infos = dialogs.texts("info");
        return infos.isEmpty() ? QString() : infos.back();
    }
    void undo()
    {
        dialogs.answers = {Dialogs::Yes};
        window->UndoLastSave->click();
    }
    bool damagedLineShown() const { return !window->LabelDamagedTag->parentWidget()->isHidden(); }

    TempDir state;
    const ScopedEnv stateHome{"XDG_STATE_HOME", state.path()};
    std::string a, b, d;
    Bytes damaged;
};

TEST_F(TagTools, ConvertCopyAndRemoveActOnTheSelectionAndOneUndoTakesEachBack)
{
    const Bytes aBefore = readFile(a), bBefore = readFile(b);
    select({0, 1});
    const QString converted = use("ActionConvertTo23");
    EXPECT_TRUE(converted.startsWith("Converted to ID3v2.3:\n'" + qs(a) + "': ")) << converted.toStdString();
    EXPECT_TRUE(converted.contains("'" + qs(b) + "': nothing to change")) << converted.toStdString();
    EXPECT_EQ(3, readFile(a)[3]);
    EXPECT_EQ("2001", v2TextOf(a, "TYER"));
    undo();
    EXPECT_EQ(aBefore, readFile(a));

    EXPECT_EQ("Copied the ID3v2 fields into the ID3v1 tag:\n'" + qs(a) + "': copied\n'" + qs(b) + "': copied",
              use("ActionCopyV2ToV1"));
    Tid3tag v1;
    ASSERT_EQ(0, v1.LoadFromFile(b));
    EXPECT_EQ("B", v1.Title());

    select({1});
    EXPECT_EQ("Removed:\n'" + qs(b) + "': 1 picture", use("ActionRemovePictures"));
    dialogs.typed = {QStringLiteral("TXXX:mood")};
    EXPECT_TRUE(use("ActionRemoveFrames").startsWith("Removed:\n'" + qs(b) + "': "));
    Tid3v2tag v2;
    ASSERT_EQ(0, v2.LoadFromFile(b, 0));
    EXPECT_EQ(1u, v2.FrameIndex().Count());
    dialogs.typed = {QStringLiteral("not-a-key")};
    use("ActionRemoveFrames");
    EXPECT_EQ(QStringList{"'not-a-key' names no frame: nothing was removed."}, dialogs.texts("error"));
    for (int i = 0; i < 3; ++i)
        undo();
    EXPECT_EQ(bBefore, readFile(b));
}

TEST_F(TagTools, ADamagedTagIsShownRefusedAndRepairedWithTheAudioKept)
{
    window->show();
    window->resize(800, 600);
    window->PageControl1->setCurrentWidget(window->TabSheet2);
    select({2});
    QApplication::processEvents();
    EXPECT_TRUE(damagedLineShown());
    EXPECT_EQ(QSize(800, 600), window->size()) << "the line fits an 800x600 screen";
    EXPECT_TRUE(window->LabelDamagedTag->text().startsWith("Damaged tag: showing the 2 frames that could be read."));
    EXPECT_EQ(QStringLiteral("Hurt"), window->EditTitleV2->text());

    dialogs.answers = {Dialogs::Yes};
    window->ToolButton4->click();
    EXPECT_EQ(QStringList{"'" + qs(d) + "': Error #65024! Could not save Tag! (the tag is damaged)"}, dialogs.texts("error"));
    EXPECT_EQ(damaged, readFile(d));

    dialogs.shown.clear();
    dialogs.answers = {Dialogs::Yes};
    window->RepairTagButton->click();
    EXPECT_EQ("Repaired damaged tags:\n'" + qs(d) + "': wrote the 2 frames that could be read as a new ID3v2 tag",
              dialogs.texts("info").value(0));
    EXPECT_FALSE(damagedLineShown());
    const Bytes repaired = readFile(d);
    EXPECT_EQ(audioPattern(3000), Bytes(repaired.end() - 3000, repaired.end()));
    EXPECT_EQ("Band", v2TextOf(d, "TPE1"));
    undo();
    EXPECT_EQ(damaged, readFile(d));
    EXPECT_TRUE(damagedLineShown());
}
