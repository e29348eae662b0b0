// The "ID3 Tags" tab beyond the seven fields: values the selected files share, "More fields"
// and the "All frames" table, driven like a person would.
#include "window_fixture.h"

#include "support/id3v2_builder.h"
#include "tags/id3v2/id3v2.h"
#include "ui/file_list_box.h"

#include <QCheckBox>
#include <QComboBox>
#include <QTabWidget>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QToolButton>

#include <tuple>

using namespace testsupport;

namespace {

Bytes text(const std::string& s) { return concat({{0}, bytesOf(s)}); }

std::string fieldOf(const std::string& path, const char* name)
{
    Tid3v2tag tag;
    if (failed(tag.LoadFromFile(path, 0)))
        return "(no tag)";
    return joinedValues(readField(tag, *namedField(name)));
}

} // namespace

class MoreFields : public WindowFixture {
protected:
    void SetUp() override
    {
        music = makeFolder("Music");
        for (int i = 1; i <= 12; ++i) {
            const std::string title = "Song " + std::to_string(i);
            const Bytes tag = Id3v2Bytes(i % 2 ? 3 : 4).frame("TIT2", text(title)).frame("TPE1", text("Band"))
                                  .frame("TALB", text("Album")).padding(64).bytes();
            songs.push_back(dir.write("Music/" + std::string(i < 10 ? "0" : "") + std::to_string(i) + ".mp3",
                                      concat({tag, audioPattern(2000, static_cast<uint32_t>(i))})));
        }
        writeSetup("<folder>" + music + "</folder>");
        ASSERT_TRUE(start());
        window->show();
        window->PageControl1->setCurrentWidget(window->TabSheet2);
        window->ComboBoxMusicFolders->setCurrentIndex(0);
        ASSERT_EQ(12, window->FileListBoxMP3Files->count());
    }
    template <typename W>
    W* find(const char* name) const
    {
        W* widget = window->findChild<W*>(QString::fromLatin1(name));
        EXPECT_NE(nullptr, widget) << name;
        return widget;
    }
    void selectRow(int row)
    {
        FileListBox* list = window->FileListBoxMP3Files;
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
    }
    void save()
    {
        dialogs.answers.push_back(Dialogs::Yes);
        window->ToolButton4->click();
    }

    std::string music;
    std::vector<std::string> songs;
    TempDir state;

private:
    const ScopedEnv m_stateHome{"XDG_STATE_HOME", state.path()};
};

TEST_F(MoreFields, TwelveFilesShowWhatTheyShareAndTakeOneAlbumArtist)
{
    QTest::keyClick(window->FileListBoxMP3Files, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(QStringLiteral("Band"), window->EditArtistV2->text());
    EXPECT_EQ(QString(), window->EditTitleV2->text());
    EXPECT_EQ(QStringLiteral("(different values)"), window->EditTitleV2->placeholderText());
    EXPECT_TRUE(window->EditTitleV2->isEnabled());
    EXPECT_FALSE(window->CheckBoxV2[fieldIndex(TagField::Title)]->isChecked());
    EXPECT_FALSE(window->TableAllFrames->isEnabled());

    // Checking the titles' box without typing writes no title; typing checks its own box.
    window->CheckBoxV2[fieldIndex(TagField::Title)]->setChecked(true);
    window->PageControlTags->setCurrentIndex(1);
    auto* albumArtist = find<QLineEdit>("EditV2_albumartist");
    QTest::keyClicks(albumArtist, "Various Artists");
    EXPECT_TRUE(find<QCheckBox>("CheckBoxV2_albumartist")->isChecked());
    EXPECT_FALSE(find<QCheckBox>("CheckBoxV2_composer")->isChecked());
    save();
    EXPECT_EQ(QStringList({"Do you wish to modify the selected 12 file(s)?"}), dialogs.texts("confirm"));
    EXPECT_TRUE(dialogs.texts("error").isEmpty() && dialogs.texts("message").isEmpty());
    for (std::size_t i = 0; i < songs.size(); ++i) {
        EXPECT_EQ("Various Artists", fieldOf(songs[i], "albumartist")) << songs[i];
        EXPECT_EQ("Song " + std::to_string(i + 1), v2TextOf(songs[i], "TIT2")) << songs[i];
    }
    const std::string python = mutagenPython();
    if (!python.empty()) {
        const CommandResult read =
            runProgram(python, {"-c", "import sys, mutagen.id3; print(mutagen.id3.ID3(sys.argv[1])['TPE2'].text[0])",
                                songs[7]});
        EXPECT_EQ("Various Artists\n", read.out) << read.err;
    }
    // The bad disc number is refused before anything is asked.
    dialogs.shown.clear();
    QTest::keyClicks(find<QLineEdit>("EditV2_disc"), "one");
    window->ToolButton4->click();
    EXPECT_EQ(QStringList({"disc: 'one' is not \"n\" or \"n/total\""}), dialogs.texts("error"));
    EXPECT_TRUE(dialogs.texts("confirm").isEmpty());
}

TEST_F(MoreFields, AFrameAddedInTheTableIsSavedAndUndone)
{
    const Bytes before = readFile(songs[0]);
    selectRow(0);
    window->PageControlTags->setCurrentIndex(2);
    QTableWidget* table = window->TableAllFrames;
    ASSERT_TRUE(table->isEnabled());
    ASSERT_EQ(3, table->rowCount());
    EXPECT_EQ(QStringLiteral("Title"), table->item(0, 1)->text());

    QTest::keyClicks(window->EditFrameKey, "txxx:MOOD");
    QTest::keyClicks(window->EditFrameValue, "calm");
    window->ButtonAddFrame->click();
    ASSERT_EQ(4, table->rowCount());
    EXPECT_EQ(QStringLiteral("TXXX:MOOD"), table->item(3, 0)->text());
    table->item(1, 3)->setText(QStringLiteral("Other Band")); // as the cell's editor does
    table->selectRow(2);
    window->ButtonDeleteFrame->click();
    QTest::keyClicks(window->EditFrameKey, "APIC");
    window->ButtonAddFrame->click();
    EXPECT_EQ(1, dialogs.texts("error").size()); // a picture is not set from text
    save();
    EXPECT_EQ(1, dialogs.texts("confirm").size());

    Tid3v2tag tag;
    ASSERT_FALSE(failed(tag.LoadFromFile(songs[0], 0)));
    FrameValue mood;
    ASSERT_EQ(textresult::kOk, tag.GetFrame(FrameKey{"TXXX", "MOOD", {}}, mood));
    EXPECT_EQ(std::vector<Utf8Text>{"calm"}, mood.texts);
    EXPECT_EQ("Other Band", v2TextOf(songs[0], "TPE1"));
    EXPECT_EQ("", v2TextOf(songs[0], "TALB"));
    EXPECT_EQ(QStringLiteral("Other Band"), window->EditArtistV2->text()); // shown again from the file
    EXPECT_EQ(3, table->rowCount());

    dialogs.answers = {Dialogs::Yes};
    window->UndoLastSave->click();
    EXPECT_EQ(before, readFile(songs[0]));
}

TEST_F(MoreFields, FieldsOtherProgramsWroteAreShown)
{
    const std::string python = mutagenPython();
    VARNOLI_NEED_MUTAGEN(python);
    const char* script = R"(import sys
from mutagen.id3 import ID3, TPE2, TPOS, TCOM, USLT, POPM, TXXX
tag = ID3(sys.argv[1])
tag.add(TPE2(encoding=3, text='Various'))
tag.add(TPOS(encoding=3, text='1/2'))
tag.add(TCOM(encoding=3, text='Bach'))
tag.add(USLT(encoding=1, lang='eng', desc='', text='First line\nSecond line'))
tag.add(POPM(email='Windows Media Player 9 Series', rating=196, count=3))
tag.add(TXXX(encoding=3, desc='replaygain_track_gain', text='-6.50 dB'))
tag.save(v2_version=3)
)";
    const CommandResult wrote = runProgram(python, {"-c", script, songs[2]});
    ASSERT_EQ(0, wrote.exitCode) << wrote.err;
    selectRow(2);
    const auto shown = [&](const char* name) {
        const QString object = QStringLiteral("EditV2_") + QString::fromLatin1(name);
        if (auto* lines = window->findChild<QPlainTextEdit*>(object))
            return lines->toPlainText();
        return find<QLineEdit>(object.toLatin1().constData())->text();
    };
    EXPECT_EQ(QStringLiteral("Various"), shown("albumartist"));
    EXPECT_EQ(QStringLiteral("1/2"), shown("disc"));
    EXPECT_EQ(QStringLiteral("Bach"), shown("composer"));
    EXPECT_EQ(QStringLiteral("First line\nSecond line"), shown("lyrics"));
    EXPECT_EQ(QStringLiteral("4"), shown("rating"));
    EXPECT_EQ(QStringLiteral("-6.50 dB"), shown("replaygain_track_gain"));

    // Saved unchanged, every frame stays as mutagen wrote it.
    const auto frames = [&] {
        Tid3v2tag tag;
        std::vector<std::pair<std::string, FrameValue>> all;
        EXPECT_FALSE(failed(tag.LoadFromFile(songs[2], 0)));
        for (const TFrameEntry& entry : tag.FrameList()) {
            FrameValue value;
            std::ignore = tag.GetFrame(entry.Index, value);
            all.emplace_back(formatFrameKey(entry.Key), value);
        }
        return all;
    };
    const auto before = frames();
    save();
    EXPECT_EQ(before, frames());
    EXPECT_EQ(9u, before.size());

    // From there to several files: the lyrics are emptied, which is no typing.
    QTest::keyClick(window->FileListBoxMP3Files, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(QString(), shown("lyrics"));
    EXPECT_EQ(QStringLiteral("(different values)"), find<QPlainTextEdit>("EditV2_lyrics")->placeholderText());
    for (QCheckBox* box : window->CheckBoxMore)
        EXPECT_FALSE(box->isChecked()) << box->objectName().toStdString();
}
