// The "ID3 Tags" tab driven like a person would: selecting files, the Enable Save boxes, saving.
#include "window_fixture.h"

#include "features/common/tag_fields.h"
#include "support/id3v2_builder.h"
#include "tags/id3.h"
#include "tags/id3v2.h"
#include "ui/file_list_box.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include <algorithm>

using namespace testsupport;

namespace {

Bytes text(const std::string& s)
{
    return concat({{0}, bytesOf(s)});
}

const Bytes kComment = {0, 'e', 'n', 'g', 0, 'N', 'i', 'c', 'e'};

bool contains(const Bytes& haystack, const Bytes& needle)
{
    return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end()) != haystack.end();
}

} // namespace

class TagsTab : public WindowFixture {
protected:
    void SetUp() override
    {
        music = makeFolder("Music");
        // a: both tags, the ID3v2 one without TALB; b: only ID3v2; c: only ID3v1, with a track.
        a = dir.write("Music/a.mp3", concat({Id3v2Bytes(3)
                                                 .frame("TIT2", text("V2 Title"))
                                                 .frame("TPE1", text("V2 Artist"))
                                                 .frame("TYER", text("1999"))
                                                 .frame("TCON", text("(17)"))
                                                 .frame("TRCK", text("3/12"))
                                                 .frame("COMM", kComment)
                                                 .padding(64)
                                                 .bytes(),
                                             audioPattern(3000),
                                             id3v1Record("Title", "Artist", "Album", "1998", "Remark", 17)}));
        b = dir.write("Music/b.mp3", concat({Id3v2Bytes(4).frame("TIT2", text("Only V2")).bytes(),
                                             audioPattern(3000)}));
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
            out << (v2 ? window->FieldsV2[i]->text()
                   : i == 4 ? window->ComboBoxGenre->currentText()
                            : static_cast<QLineEdit*>(window->FieldsV1[i])->text());
        return out;
    }
    // Checked state of the fourteen per-field boxes and enabled state of the fourteen fields.
    int checkedBoxes() const
    {
        int n = 0;
        for (int i = 0; i < 7; ++i)
            n += window->CheckBoxV1[i]->isChecked() + window->CheckBoxV2[i]->isChecked();
        return n;
    }
    int enabledFields() const
    {
        int n = 0;
        for (int i = 0; i < 7; ++i)
            n += window->FieldsV1[i]->isEnabled() + window->FieldsV2[i]->isEnabled();
        return n;
    }
    void type(QLineEdit* edit, const QString& s)
    {
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
        // The test library types only ASCII keys; other characters arrive as an input would.
        if (std::all_of(s.begin(), s.end(), [](QChar ch) { return ch.unicode() < 0x80; }))
            QTest::keyClicks(edit, s);
        else
            edit->insert(s);
    }
    void save(Dialogs::Answer answer = Dialogs::Yes)
    {
        dialogs.answers.push_back(answer);
        window->ToolButton4->click();
    }
    FileFields onDisk(const std::string& path)
    {
        Tid3tag v1;
        Tid3v2tag v2;
        return readFileFields(path, v1, v2);
    }

    std::string music, a, b, c;
};

TEST_F(TagsTab, SelectionFillsOrEmptiesTheFields)
{
    click(0);
    EXPECT_EQ(QStringList({"Artist", "Title", "Album", "1998", "Rock", "Remark", "0"}), shown(false));
    EXPECT_EQ(QStringList({"V2 Artist", "V2 Title", "", "1999", "(17)", "Nice", "3/12"}), shown(true));
    EXPECT_EQ(14, checkedBoxes());

    QTest::keyClick(window->FileListBoxMP3Files, Qt::Key_Down); // b: no ID3v1 tag
    EXPECT_EQ(QStringList({"", "", "", "", "", "", ""}), shown(false));
    EXPECT_EQ(QStringList({"", "Only V2", "", "", "", "", ""}), shown(true));
    EXPECT_EQ(0, window->ComboBoxGenre->currentIndex());

    click(2); // c: ID3v1 only, track 7, no genre
    EXPECT_EQ(QStringList({"", "C", "", "", "", "", "7"}), shown(false));
    EXPECT_EQ(QStringList({"", "", "", "", "", "", ""}), shown(true));

    click(0, Qt::ControlModifier);
    EXPECT_EQ(QStringList({"", "", "", "", "", "", ""}), shown(false));
    EXPECT_EQ(QStringList({"", "", "", "", "", "", ""}), shown(true));
    EXPECT_EQ(0, checkedBoxes());
    EXPECT_EQ(0, enabledFields());
    EXPECT_TRUE(window->ToolButton4->isEnabled());

    click(0);
    EXPECT_EQ(14, checkedBoxes());
    EXPECT_EQ(QStringLiteral("V2 Title"), window->EditTitleV2->text());
    EXPECT_TRUE(dialogs.shown.empty());
    window->ComboBoxMusicFolders->setEditText(qs(makeFolder("Other")));
    EXPECT_EQ(0, window->FileListBoxMP3Files->count());
    EXPECT_EQ(QStringLiteral("V2 Title"), window->EditTitleV2->text());
    EXPECT_EQ(14, checkedBoxes());
}

TEST_F(TagsTab, MasterBoxesRuleTheGroupsAndTheSaveButton)
{
    click(0);
    window->CheckBoxEnableV1->click();
    EXPECT_TRUE(window->ToolButton4->isEnabled());
    EXPECT_FALSE(window->CheckBoxV1[1]->isEnabled());
    EXPECT_FALSE(window->EditTitle->isEnabled());
    EXPECT_TRUE(window->CheckBoxV1[1]->isChecked());
    window->CheckBoxEnableV2->click();
    EXPECT_FALSE(window->ToolButton4->isEnabled());
    window->CheckBoxEnableV2->click();
    EXPECT_TRUE(window->ToolButton4->isEnabled());
    EXPECT_TRUE(window->EditTitleV2->isEnabled());

    selectAll();
    window->CheckBoxEnableV1->click();
    EXPECT_EQ(0, checkedBoxes());
    for (QWidget* field : window->FieldsV1)
        EXPECT_TRUE(field->isEnabled());
    EXPECT_FALSE(window->EditTitleV2->isEnabled());

    window->FileListBoxMP3Files->clearSelection();
    dialogs.answers.push_back(Dialogs::Yes);
    window->ToolButton4->click();
    EXPECT_TRUE(dialogs.shown.empty()); // nothing selected: not even the question
}

TEST_F(TagsTab, OneFileSavesWhatThePersonEdited)
{
    // Title "Tokyo " then two CJK characters, in UTF-16 with a BOM: the view shows "Tokyo ".
    const Bytes utf16Title = {1, 0xFF, 0xFE, 'T', 0, 'o', 0, 'k', 0, 'y', 0, 'o', 0, ' ', 0, 0x71, 0x67, 0xAC, 0x4E};
    const Bytes titleFrame = concat({bytesOf("TIT2"), Id3v2Bytes::be32(static_cast<uint32_t>(utf16Title.size())),
                                     {0, 0}, utf16Title});
    writeFile(a, concat({Id3v2Bytes(3).raw(titleFrame).frame("TYER", text("1999")).frame("COMM", kComment).bytes(),
                         audioPattern(3000), id3v1Record("Title", "Artist", "Album", "1998", "Remark", 17)}));
    click(0);
    ASSERT_EQ(QStringLiteral("Tokyo "), window->EditTitleV2->text());

    type(window->EditYearV2, "2001");
    type(window->EditTitle, "New title");
    window->ComboBoxGenre->setCurrentIndex(window->ComboBoxGenre->findText("Jazz"));
    save();
    EXPECT_EQ(QStringList({"Do you wish to modify the selected 1 file(s)?"}), dialogs.texts("confirm"));
    EXPECT_EQ(1, dialogs.shown.size());
    const Bytes after = readFile(a);
    EXPECT_TRUE(contains(after, titleFrame)); // untouched, encoding and all
    EXPECT_TRUE(contains(after, kComment));   // its language too
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
    EXPECT_TRUE(contains(readFile(a), titleFrame));

    // An edited title is written as the 8-bit text shown.
    type(window->EditTitleV2, QStringLiteral("Caf\u00e9"));
    save();
    EXPECT_EQ("Caf\xe9", v2TextOf(a, "TIT2"));
    EXPECT_EQ(3, dialogs.texts("confirm").size());
    EXPECT_EQ(3, dialogs.shown.size());
}

TEST_F(TagsTab, ThreeFilesTakeOnlyTheCheckedField)
{
    const FileFields before[] = {onDisk(a), onDisk(b), onDisk(c)};
    selectAll();
    window->CheckBoxV1[fieldIndex(TagField::Genre)]->click();
    window->ComboBoxGenre->setCurrentIndex(window->ComboBoxGenre->findText("Rock"));
    save();
    EXPECT_EQ(QStringList({"Do you wish to modify the selected 3 file(s)?"}), dialogs.texts("confirm"));
    EXPECT_EQ(QStringList({"Error #64768! Could not save Tag!"}), dialogs.texts("message")); // c has no ID3v2

    const std::string paths[] = {a, b, c};
    for (int i = 0; i < 3; ++i) {
        const FileFields now = onDisk(paths[i]);
        FieldTexts expectedV1 = before[i].v1.fields;
        expectedV1[fieldIndex(TagField::Genre)] = "Rock";
        if (failed(before[i].v1.result))
            expectedV1[fieldIndex(TagField::Track)] = "0"; // b gets an empty record
        EXPECT_EQ(expectedV1, now.v1.fields) << paths[i];
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

    // A character no 8-bit tag can hold: refused, naming the field, before the question.
    dialogs.shown.clear();
    type(window->EditTrack, "");
    type(window->EditAlbumV2, QStringLiteral("\u6771\u4eac"));
    save();
    ASSERT_EQ(1, dialogs.shown.size());
    EXPECT_EQ(QStringLiteral("error"), dialogs.shown[0].kind);
    EXPECT_TRUE(dialogs.shown[0].text.contains(QStringLiteral("Album field of ID3 version 2")));
    EXPECT_TRUE(dialogs.shown[0].text.contains(QStringLiteral("\u6771")));
    EXPECT_TRUE(unchanged());

    // A read-only file: each tag's write is reported, and nothing else changes.
    dialogs.shown.clear();
    makeReadOnly(a);
    click(0);
    type(window->EditTitleV2, "Changed");
    save();
    EXPECT_EQ(QStringList({"Error #512! Could not save Tag!", "Error #512! Could not save Tag!"}),
              dialogs.texts("message"));
    EXPECT_TRUE(unchanged());
}
