// The "ID3 Tags" tab driven like a person would: selecting files, the Enable Save boxes, saving.
#include "window_fixture.h"

#include "features/common/tag_fields.h"
#include "platform/file_system.h"
#include "support/id3v2_builder.h"
#include "tags/id3v1/id3.h"
#include "tags/id3v2/id3v2.h"
#include "ui/file_list_box.h"
#include "ui/picture_box.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include <algorithm>

using namespace testsupport;

namespace {

Bytes text(const std::string& s) { return concat({{0}, bytesOf(s)}); }
const Bytes kComment = {0, 'e', 'n', 'g', 0, 'N', 'i', 'c', 'e'};
const QStringList kEmpty(7, QString());

bool contains(const Bytes& haystack, const Bytes& needle)
{
    return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end()) != haystack.end();
}

} // namespace

class TagsTab : public WindowFixture {
protected:
    void SetUp() override
    {
        // a: both tags, the ID3v2 one without TALB; b: only ID3v2; c: only ID3v1, with a track.
        const Bytes v2 = Id3v2Bytes(3).frame("TIT2", text("V2 Title")).frame("TPE1", text("V2 Artist"))
                             .frame("TYER", text("1999")).frame("TCON", text("(17)")).frame("TRCK", text("3/12"))
                             .frame("COMM", kComment).padding(64).bytes();
        const std::string music = makeFolder("Music");
        const Bytes v1 = id3v1Record("Title", "Artist", "Album", "1998", "Remark", 17);
        a = dir.write("Music/a.mp3", concat({v2, audioPattern(3000), v1}));
        b = dir.write("Music/b.mp3",
                      concat({Id3v2Bytes(4).frame("TIT2", text("Only V2")).bytes(), audioPattern(3000)}));
        c = dir.write("Music/c.mp3", concat({audioPattern(3000), id3v1Record("C", "", "", "", "", 255, 7)}));
        writeSetup("<folder>" + music + "</folder>");
        ASSERT_TRUE(start());
        window->show();
        window->PageControl1->setCurrentWidget(window->TabSheet2);
        window->ComboBoxMusicFolders->setCurrentIndex(0);
        ASSERT_EQ(3, window->FileListBoxMP3Files->count());
    }
    void click(int row, Qt::KeyboardModifiers modifiers = {})
    {
        FileListBox* list = window->FileListBoxMP3Files;
        QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers, list->visualItemRect(list->item(row)).center());
    }
    void selectAll() { QTest::keyClick(window->FileListBoxMP3Files, Qt::Key_A, Qt::ControlModifier); }
    QStringList shown(bool v2) const
    {
        QStringList out;
        for (int i = 0; i < 7; ++i)
            out << (v2       ? window->FieldsV2[i]->text()
                    : i == 4 ? window->ComboBoxGenre->currentText()
                             : qobject_cast<QLineEdit*>(window->FieldsV1[i])->text());
        return out;
    }
    // How many of the fourteen per-field boxes are checked and of the fourteen fields enabled.
    std::pair<int, int> checkedAndEnabled() const
    {
        int checked = 0, enabled = 0;
        for (int i = 0; i < 7; ++i) {
            checked += window->CheckBoxV1[i]->isChecked() + window->CheckBoxV2[i]->isChecked();
            enabled += window->FieldsV1[i]->isEnabled() + window->FieldsV2[i]->isEnabled();
        }
        return {checked, enabled};
    }
    void type(QLineEdit* edit, const QString& s)
    {
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
        // The test library types only ASCII keys; other characters arrive as an input method's would.
        if (std::all_of(s.begin(), s.end(), [](QChar ch) { return ch.unicode() < 0x80; }))
            QTest::keyClicks(edit, s);
        else
            edit->insert(s);
    }
    void save()
    {
        dialogs.answers.push_back(Dialogs::Yes);
        window->ToolButton4->click();
    }

    std::string a, b, c;
};

TEST_F(TagsTab, SelectionFillsOrEmptiesTheFields)
{
    click(0);
    EXPECT_EQ(QStringList({"Artist", "Title", "Album", "1998", "Rock", "Remark", "0"}), shown(false));
    EXPECT_EQ(QStringList({"V2 Artist", "V2 Title", "", "1999", "Rock", "Nice", "3/12"}), shown(true));
    EXPECT_EQ(QStringLiteral("0:00, 128 kbit/s, 44100 Hz, stereo (estimated)"), window->LabelAudio->text());

    QTest::keyClick(window->FileListBoxMP3Files, Qt::Key_Down); // b: no ID3v1 tag
    EXPECT_EQ(kEmpty, shown(false));
    EXPECT_EQ(QStringList({"", "Only V2", "", "", "", "", ""}), shown(true));
    click(2); // c: ID3v1 only, track 7, no genre
    EXPECT_EQ(QStringList({"", "C", "", "", "", "", "7"}), shown(false));
    EXPECT_EQ(kEmpty, shown(true));

    // a and c: nothing shared but the empty ID3v2 album, and no box checked until typed into.
    click(0, Qt::ControlModifier);
    EXPECT_EQ(kEmpty, shown(false));
    EXPECT_EQ(kEmpty, shown(true));
    EXPECT_EQ(std::make_pair(0, 14), checkedAndEnabled());
    EXPECT_EQ(QString(), window->LabelAudio->text());
    EXPECT_EQ(QStringLiteral("(different values)"), window->EditTitleV2->placeholderText());
    EXPECT_EQ(QString(), window->EditAlbumV2->placeholderText());
    QTest::keyClicks(window->EditTitle, "x");
    EXPECT_TRUE(window->CheckBoxV1[fieldIndex(TagField::Title)]->isChecked());
    click(0);
    EXPECT_EQ(std::make_pair(14, 14), checkedAndEnabled());
    EXPECT_EQ(QStringLiteral("V2 Title"), window->EditTitleV2->text());

    // Showing another folder drops the selection but not what the fields show.
    window->ComboBoxMusicFolders->setEditText(qs(makeFolder("Other")));
    EXPECT_EQ(0, window->FileListBoxMP3Files->count());
    EXPECT_EQ(QStringLiteral("V2 Title"), window->EditTitleV2->text());
    EXPECT_TRUE(dialogs.shown.empty());
}

// A click on a file opens it once, for both tags and the picture.
TEST_F(TagsTab, AClickOnAFileOpensItOnce)
{
    platform::faults::countOpens(a);
    click(0);
    EXPECT_EQ(1u, platform::faults::openCount());
    platform::faults::countOpens(std::string());
    EXPECT_EQ(QStringLiteral("V2 Title"), window->EditTitleV2->text());
}

TEST_F(TagsTab, MasterBoxesRuleTheGroupsAndTheSaveButton)
{
    click(0);
    window->CheckBoxEnableV1->click();
    EXPECT_TRUE(window->ToolButton4->isEnabled());
    EXPECT_FALSE(window->CheckBoxV1[1]->isEnabled() || window->EditTitle->isEnabled());
    EXPECT_TRUE(window->CheckBoxV1[1]->isChecked());
    window->CheckBoxEnableV2->click();
    EXPECT_FALSE(window->ToolButton4->isEnabled());
    window->CheckBoxEnableV2->click();
    EXPECT_TRUE(window->ToolButton4->isEnabled() && window->EditTitleV2->isEnabled());

    selectAll();
    window->CheckBoxEnableV1->click(); // several files: fields enabled, no box checked
    EXPECT_EQ(std::make_pair(0, 14), checkedAndEnabled());
    EXPECT_TRUE(window->ComboBoxGenre->isEnabled());

    window->FileListBoxMP3Files->clearSelection();
    save();
    EXPECT_TRUE(dialogs.shown.empty()); // nothing selected: not even the question
}

TEST_F(TagsTab, OneFileSavesWhatThePersonEdited)
{
    // "Tokyo " and two CJK characters in UTF-16 with a BOM.
    const Bytes title = {1, 0xFF, 0xFE, 'T', 0, 'o', 0, 'k', 0, 'y', 0, 'o', 0, ' ', 0, 0x71, 0x67, 0xAC, 0x4E};
    const Bytes titleFrame = concat({bytesOf("TIT2"), Id3v2Bytes::be32(uint32_t(title.size())), {0, 0}, title});
    writeFile(a, concat({Id3v2Bytes(3).raw(titleFrame).frame("TYER", text("1999")).frame("COMM", kComment).bytes(),
                         audioPattern(3000), id3v1Record("Title", "Artist", "Album", "1998", "Remark", 17)}));
    click(0);
    ASSERT_EQ(QStringLiteral("Tokyo \u6771\u4eac"), window->EditTitleV2->text());

    type(window->EditYearV2, "2001");
    type(window->EditTitle, "New title");
    window->ComboBoxGenre->setCurrentIndex(window->ComboBoxGenre->findText("Jazz"));
    save();
    EXPECT_EQ(QStringList({"Do you wish to modify the selected 1 file(s)?"}), dialogs.texts("confirm"));
    EXPECT_TRUE(contains(readFile(a), titleFrame)); // untouched, encoding and all
    EXPECT_TRUE(contains(readFile(a), kComment));   // its language too
    EXPECT_EQ("2001", v2TextOf(a, "TYER"));
    Tid3tag v1;
    ASSERT_FALSE(failed(v1.LoadFromFile(a)));
    EXPECT_EQ("New title", v1.Title());
    EXPECT_EQ("Artist", v1.Artist());
    EXPECT_EQ(8, v1.Genre);

    // Back to the old year: a change again, since the file now holds 2001.
    type(window->EditYearV2, "1999");
    save();
    EXPECT_EQ("1999", v2TextOf(a, "TYER"));
    type(window->EditTitleV2, QStringLiteral("Caf\u00e9"));
    save();
    EXPECT_EQ("Caf\xe9", v2TextOf(a, "TIT2"));
    EXPECT_EQ(3u, dialogs.shown.size()); // the three questions only
}

TEST_F(TagsTab, ThreeFilesTakeOnlyTheCheckedField)
{
    Tid3tag v1;
    Tid3v2tag v2;
    const std::string paths[] = {a, b, c};
    std::vector<FileFields> before;
    for (const std::string& path : paths)
        before.push_back(readFileFields(path, v1, v2));
    selectAll();
    window->CheckBoxV1[fieldIndex(TagField::Genre)]->click();
    window->ComboBoxGenre->setCurrentIndex(window->ComboBoxGenre->findText("Rock"));
    save();
    EXPECT_EQ(QStringList({"Do you wish to modify the selected 3 file(s)?"}), dialogs.texts("confirm"));
    // c has no ID3v2; the one box names it.
    EXPECT_EQ(QStringList({"'" + qs(c) + "': Error #64768! Could not save Tag! (the tag has no frame to write)"}),
              dialogs.texts("error"));

    for (int i = 0; i < 3; ++i) {
        FieldTexts expected = before[i].v1.fields;
        expected[fieldIndex(TagField::Genre)] = "Rock";
        if (failed(before[i].v1.result))
            expected[fieldIndex(TagField::Track)] = "0"; // b gets an empty record
        const FileFields now = readFileFields(paths[i], v1, v2);
        EXPECT_EQ(expected, now.v1.fields) << paths[i];
        EXPECT_EQ(before[i].v2.fields, now.v2.fields) << paths[i];
    }
}

TEST_F(TagsTab, SavesThatMustNotWrite)
{
    const Bytes original[] = {readFile(a), readFile(b), readFile(c)};
    const auto unchanged = [&] {
        return readFile(a) == original[0] && readFile(b) == original[1] && readFile(c) == original[2];
    };

    // Letters in the ID3v1 track box stop the save at the first file, before it is written.
    selectAll();
    window->CheckBoxV1[fieldIndex(TagField::Track)]->click();
    window->CheckBoxV2[fieldIndex(TagField::Album)]->click();
    type(window->EditTrack, "12a");
    type(window->EditAlbumV2, "Album");
    save();
    EXPECT_EQ(QStringList({"'12a' is not a valid integer value"}), dialogs.texts("error"));
    EXPECT_TRUE(unchanged());

    // A year the ID3v1 tag cannot hold is refused before any file, as varnoli-cli refuses it.
    dialogs.shown.clear();
    type(window->EditTrack, "12/14");
    window->CheckBoxV1[fieldIndex(TagField::Year)]->click();
    type(window->EditYear, "20245");
    save();
    EXPECT_EQ(QStringList({"The year '20245' has more than 4 characters, which the ID3v1 tag cannot hold: no file "
                           "was saved."}),
              dialogs.texts("error"));
    EXPECT_TRUE(unchanged());

    // A read-only file: each tag's write is reported.
    dialogs.shown.clear();
    makeReadOnly(a);
    click(0);
    type(window->EditTitleV2, "Changed");
    save();
    const QString refused = "'" + qs(a) + "': Error #512! Could not save Tag! (the file is marked read-only, hidden or system)";
    EXPECT_EQ(QStringList({"2 problems:\n" + refused + "\n" + refused}), dialogs.texts("error"));
    EXPECT_TRUE(unchanged());
}

// b holds a v2.4 tag and no ID3v1 tag; only ID3v2 fields are checked.
TEST_F(TagsTab, AVersion24YearGoesIntoItsFrameAndNoID3v1RecordIsAddedUnasked)
{
    click(1);
    for (QCheckBox* box : window->CheckBoxV1)
        box->setChecked(false);
    type(window->EditYearV2, "2024");
    save();
    EXPECT_TRUE(dialogs.texts("message").isEmpty());
    Tid3tag v1;
    EXPECT_EQ(kErrNoTag, v1.LoadFromFile(b));
    EXPECT_EQ("2024", v2TextOf(b, "TDRC"));
    EXPECT_EQ("", v2TextOf(b, "TYER"));
    click(0);
    click(1);
    EXPECT_EQ("2024", window->EditYearV2->text());
}

TEST_F(TagsTab, AGreekTitleShowsIsSavedFoundInLowerCaseAndNamesTheFile)
{
    // "Σοφία" in UTF-16 with a byte order mark, in a file without an ID3v1 tag.
    const Bytes title = {1, 0xFF, 0xFE, 0xA3, 0x03, 0xBF, 0x03, 0xC6, 0x03, 0xAF, 0x03, 0xB1, 0x03};
    writeFile(b, concat({Id3v2Bytes(3).frame("TIT2", title).bytes(), audioPattern(3000)}));
    click(1);
    ASSERT_EQ(QStringLiteral("\u03a3\u03bf\u03c6\u03af\u03b1"), window->EditTitleV2->text());

    const QString edited = QStringLiteral("\u03a3\u03bf\u03c6\u03af\u03b1 \u2013 \u039a\u03b1\u03bb\u03b7\u03bc\u03ad\u03c1\u03b1");
    type(window->EditTitleV2, edited);
    type(window->EditTitle, edited);
    save();
    Tid3v2tag v2;
    Utf8Text saved;
    ASSERT_FALSE(failed(v2.LoadFromFile(b, 0)));
    EXPECT_EQ(0, v2.GetTextFrameUtf8("TIT2", saved));
    EXPECT_EQ(edited.toStdString(), saved);
    // ID3v1 cannot hold Greek: saved with "?", and the person is told once, after the batch.
    const QStringList told = dialogs.texts("info");
    ASSERT_EQ(1, told.size());
    EXPECT_TRUE(told[0].contains(qs(b)) && told[0].contains(QStringLiteral("ID3v1 Title field"))) << told[0].toStdString();
    Tid3tag v1;
    ASSERT_EQ(0, v1.LoadFromFile(b));
    EXPECT_EQ("????? ? ????????", v1.Title());

    // Found by its title in lower case, at its start and anywhere in it.
    window->EditSearchFolder->setText(qs(dir.file("Music/")));
    window->EditSearch[fieldIndex(TagField::Title)]->setText(QStringLiteral("\u03c3\u03bf\u03c6\u03af\u03b1"));
    window->ButtonSearch->click();
    EXPECT_EQ(QStringList({qs(b)}), rows(window->ListViewSearchResults));
    window->EditSearch[fieldIndex(TagField::Title)]->setText(QStringLiteral("\u03ba\u03b1\u03bb\u03b7\u03bc\u03ad\u03c1\u03b1"));
    window->ButtonSearch->click();
    EXPECT_EQ(QStringList(), rows(window->ListViewSearchResults));
    window->CheckBoxContains[fieldIndex(TagField::Title)]->setChecked(true);
    window->ButtonSearch->click();
    EXPECT_EQ(QStringList({qs(b)}), rows(window->ListViewSearchResults));

    // Renamed from the ID3v2 title.
    window->PageControl1->setCurrentWidget(window->TabSheet3);
    window->ComboBoxMusicFoldersFileEdit->setCurrentIndex(0);
    window->PageControl2->setCurrentIndex(1);
    FileListBox* list = window->FileListBoxMP3FilesFileEdit;
    list->setCurrentItem(list->findItems(QStringLiteral("b.mp3"), Qt::MatchExactly).front());
    QTest::keyClicks(window->ComboBoxFileV2[0], "Title");
    EXPECT_EQ(edited + QStringLiteral(".mp3"), window->EditPreview->text());
    dialogs.answers = {Dialogs::Yes};
    window->ToolButton2->click();
    EXPECT_TRUE(std::filesystem::exists(dir.file("Music/") + edited.toStdString() + ".mp3"));
}

TEST_F(TagsTab, AFrameThatCannotBeDecodedIsMarkedAndKept)
{
    const Bytes album = {3, 'a', 0xC3}; // a UTF-8 sequence cut off
    writeFile(b, concat({Id3v2Bytes(4).frame("TALB", album).frame("TIT2", text("Old")).bytes(), audioPattern(3000)}));
    click(1);
    EXPECT_EQ(QString(), window->EditAlbumV2->text());
    EXPECT_EQ(QStringLiteral("(unreadable text)"), window->EditAlbumV2->placeholderText());
    EXPECT_FALSE(window->EditAlbumV2->toolTip().isEmpty());
    EXPECT_TRUE(window->EditTitleV2->placeholderText().isEmpty());
    type(window->EditTitleV2, "New");
    save();
    EXPECT_TRUE(contains(readFile(b), concat({bytesOf("TALB"), {0, 0, 0, 3, 0, 0}, album})));
    click(0);
    EXPECT_TRUE(window->EditAlbumV2->placeholderText().isEmpty());
}

TEST_F(TagsTab, ACoverSetOnThreeFilesShowsItsSizeExportsAndComesOutAgain)
{
    const Bytes png = pngImage(12, 9);
    const std::string image = dir.write("cover.png", png), gif = dir.write("cover.gif", bytesOf("GIF89a"));
    selectAll();
    EXPECT_EQ("(no picture)", window->ImagePicture->text());

    // A dropped file that is no image is refused before anything is asked or written.
    const Bytes before = readFile(a);
    window->ImagePicture->onFileDropped(qs(gif));
    EXPECT_EQ(QStringList({qs("'" + gif + "' is not a JPEG or PNG image; no file was changed.")}),
              dialogs.texts("error"));
    EXPECT_TRUE(dialogs.texts("confirm").isEmpty());
    EXPECT_EQ(before, readFile(a));

    dialogs.paths.push_back(qs(image));
    dialogs.answers.push_back(Dialogs::Yes);
    window->ToolButtonSetPicture->click();
    EXPECT_EQ(QStringList({"Do you wish to make 'cover.png' the front cover of the selected 3 file(s)?"}),
              dialogs.texts("confirm"));
    EXPECT_EQ(QString::fromStdString("12 x 9 pixels, " + std::to_string(png.size()) + " bytes"),
              window->LabelPictureSize->text());
    EXPECT_FALSE(window->ImagePicture->pixmap().isNull());
    for (const std::string& path : {a, b, c}) {
        Tid3v2tag tag;
        ASSERT_FALSE(failed(tag.LoadFromFile(path, 0))) << path;
        ASSERT_EQ(1u, tag.Pictures().size()) << path;
        EXPECT_EQ(png, tag.Pictures()[0].Picture.Data) << path;
    }

    click(1);
    dialogs.paths.push_back(qs(dir.file("out.png")));
    window->ToolButtonExportPicture->click();
    EXPECT_EQ(png, readFile(dir.file("out.png")));

    dialogs.answers.push_back(Dialogs::Yes);
    window->ToolButtonRemovePictures->click();
    EXPECT_EQ("(no picture)", window->ImagePicture->text());
    EXPECT_FALSE(window->ToolButtonExportPicture->isEnabled());
    selectAll();
    EXPECT_EQ("(different pictures)", window->ImagePicture->text());
}
