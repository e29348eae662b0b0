// "Fix text encoding…" on the "ID3 Tags" tab, its undo, and the 8-bit code page setting.
#include "window_fixture.h"

#include "features/encoding/eight_bit_text.h"
#include "platform/code_pages.h"
#include "support/id3v2_builder.h"
#include "tags/id3v2/id3v2.h"
#include "ui/file_list_box.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>

using namespace testsupport;

namespace {

Bytes cp1251Frame(const std::string& utf8)
{
    std::string bytes;
    EXPECT_TRUE(platform::encodeCodePage(utf8, "CP1251", bytes));
    return concat({{0}, bytesOf(bytes)});
}

} // namespace

class EncodingFix : public WindowFixture {
protected:
    void SetUp() override
    {
        const std::string music = makeFolder("Music");
        const char* titles[] = {"Кукушка", "Пачка сигарет", "Спокойная ночь"};
        for (int i = 0; i < 3; ++i) {
            const Bytes tag = Id3v2Bytes(3).frame("TIT2", cp1251Frame(titles[i])).frame("TPE1", cp1251Frame("Кино"))
                                  .frame("TALB", cp1251Frame("Группа крови")).padding(32).bytes();
            files.push_back(dir.write("Music/" + std::to_string(i) + ".mp3", concat({tag, audioPattern(3000)})));
            before.push_back(readFile(files.back()));
        }
        writeSetup("<folder>" + music + "</folder>");
        ASSERT_TRUE(start());
        window->PageControl1->setCurrentWidget(window->TabSheet2);
        window->ComboBoxMusicFolders->setCurrentIndex(0);
        ASSERT_EQ(3, window->FileListBoxMP3Files->count());
        QTest::keyClick(window->FileListBoxMP3Files, Qt::Key_A, Qt::ControlModifier);
    }
    void TearDown() override { setEightBitCodePage({}); }

    TempDir state;
    std::vector<std::string> files;
    std::vector<Bytes> before;

private:
    const ScopedEnv m_stateHome{"XDG_STATE_HOME", state.path()};
};

TEST_F(EncodingFix, PreviewSavesTheGuessAndOneUndoPutsEveryFileBack)
{
    dialogs.answers = {Dialogs::No};
    dialogs.codePages = {QStringLiteral("cp1253")};
    window->FixTextEncoding->click();
    ASSERT_EQ(1u, dialogs.fixRows.size());
    EXPECT_EQ(QStringLiteral("cp1253"), dialogs.fixRows[0].at(0).at(4)) << "the box overrides the guess";
    EXPECT_EQ(before[0], readFile(files[0])) << "a declined preview saves nothing";

    dialogs.answers = {Dialogs::Yes};
    window->FixTextEncoding->click();
    const std::vector<QStringList>& rows = dialogs.fixRows.back();
    ASSERT_EQ(9u, rows.size());
    EXPECT_EQ((QStringList{QStringLiteral("Title"), QStringLiteral("Кукушка"), QStringLiteral("cp1251")}),
              (QStringList{rows[1].at(1), rows[1].at(3), rows[1].at(4)}));
    Tid3v2tag tag;
    EXPECT_EQ("Группа крови", readV2Fields(files[2], tag).fields[fieldIndex(TagField::Album)]);
    EXPECT_EQ("Кукушка", readV2Fields(files[0], tag).fields[fieldIndex(TagField::Title)]);

    dialogs.answers = {Dialogs::Yes};
    window->UndoLastSave->click();
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(before[i], readFile(files[i])) << files[i];
}

TEST_F(EncodingFix, TheEightBitCodePageIsKeptAcrossRestarts)
{
    window->ComboBoxEightBitCodePage->setCurrentText(QStringLiteral("cp1251"));
    window.reset();
    setEightBitCodePage({});
    window = startWindow(dialogs, qs(musicDirsPath()));
    ASSERT_TRUE(window);
    EXPECT_EQ(QStringLiteral("cp1251"), window->ComboBoxEightBitCodePage->currentText());
    EXPECT_EQ("cp1251", eightBitCodePage());
}
