// The "Actions…" box on the "ID3 Tags" tab, the rename pattern box, and naming kept across restarts.
#include "window_fixture.h"

#include "support/id3v2_builder.h"
#include "ui/file_list_box.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QToolButton>

#include <filesystem>

using namespace testsupport;

namespace {

Bytes song(const std::string& title, const std::string& track)
{
    return concat({Id3v2Bytes(3).frame("TIT2", concat({{0}, bytesOf(title)})).frame("TRCK", concat({{0}, bytesOf(track)}))
                       .frame("TPE1", concat({{0}, bytesOf("Band")})).padding(64).bytes(),
                   audioPattern(3000)});
}

} // namespace

class Form1Actions : public WindowFixture {
protected:
    void SetUp() override
    {
        music = makeFolder("Music");
        a = dir.write("Music/a.mp3", song("the sound OF silence", "1"));
        b = dir.write("Music/b.mp3", song("rock & roll", "2"));
        writeSetup("<folder>" + music + "</folder>");
        ASSERT_TRUE(start());
        window->show();
    }
    template <typename W>
    W* in(QWidget* parent, const char* name) const
    {
        W* widget = parent->findChild<W*>(QString::fromLatin1(name));
        EXPECT_TRUE(widget) << name;
        return widget;
    }
    TempDir state, config;
    std::string music, a, b;

private:
    const ScopedEnv m_stateHome{"XDG_STATE_HOME", state.path()};
    const ScopedEnv m_configHome{"XDG_CONFIG_HOME", config.path()};
};

TEST_F(Form1Actions, PreviewsAppliesSavesARecipeAndUndoesInOneStep)
{
    const Bytes aBefore = readFile(a), bBefore = readFile(b);
    window->PageControl1->setCurrentWidget(window->TabSheet2);
    window->ComboBoxMusicFolders->setCurrentIndex(0);
    QTest::keyClick(window->FileListBoxMP3Files, Qt::Key_A, Qt::ControlModifier);
    window->ActionsButton->click();
    auto* box = in<QDialog>(window.get(), "ActionsDialog");
    ASSERT_TRUE(box);

    in<QComboBox>(box, "ComboBoxAction")->setCurrentIndex(0); // Title Case
    in<QPushButton>(box, "ButtonAddAction")->click();
    in<QComboBox>(box, "ComboBoxAction")->setCurrentIndex(4); // Replace A by B
    in<QLineEdit>(box, "EditActionFrom")->setText(QStringLiteral("&"));
    in<QLineEdit>(box, "EditActionTo")->setText(QStringLiteral("and"));
    in<QPushButton>(box, "ButtonAddAction")->click();
    EXPECT_EQ(QStringLiteral("--fields title --case title\n--fields title --replace & and"),
              in<QPlainTextEdit>(box, "EditActionLines")->toPlainText());

    in<QPushButton>(box, "ButtonPreviewActions")->click();
    auto* table = in<QTableWidget>(box, "TableActionPreview");
    ASSERT_EQ(2, table->rowCount());
    EXPECT_EQ(QStringLiteral("The Sound of Silence"), table->item(0, 3)->text());
    EXPECT_EQ(QStringLiteral("rock & roll"), table->item(1, 2)->text());
    EXPECT_EQ(QStringLiteral("Rock and Roll"), table->item(1, 3)->text());
    EXPECT_EQ(aBefore, readFile(a));

    in<QLineEdit>(box, "EditRecipeName")->setText(QStringLiteral("tidy"));
    in<QPushButton>(box, "ButtonSaveRecipe")->click();
    EXPECT_TRUE(std::filesystem::exists(config.file("varnoli/recipes/tidy.txt")));

    in<QPushButton>(box, "ButtonApplyActions")->click();
    EXPECT_TRUE(dialogs.texts("error").isEmpty()) << dialogs.texts("error").join('\n').toStdString();
    EXPECT_EQ("Rock and Roll", v2TextOf(b, "TIT2"));

    // One undo takes the whole batch back.
    dialogs.answers = {Dialogs::Yes};
    window->UndoLastSave->click();
    EXPECT_EQ(aBefore, readFile(a));
    EXPECT_EQ(bBefore, readFile(b));

    // The saved recipe comes back in a new box; a regular expression that does not compile touches nothing.
    window->ActionsButton->click();
    box = window->findChildren<QDialog*>(QStringLiteral("ActionsDialog")).last();
    in<QComboBox>(box, "ComboBoxRecipe")->setCurrentText(QStringLiteral("tidy"));
    EXPECT_TRUE(in<QPlainTextEdit>(box, "EditActionLines")->toPlainText().contains(QStringLiteral("--replace & and")));
    in<QPlainTextEdit>(box, "EditActionLines")->setPlainText(QStringLiteral("--regex ( x"));
    in<QPushButton>(box, "ButtonApplyActions")->click();
    ASSERT_FALSE(dialogs.texts("error").isEmpty());
    EXPECT_TRUE(dialogs.texts("error").last().contains(QStringLiteral("does not compile")));
    EXPECT_EQ(aBefore, readFile(a));
}

TEST_F(Form1Actions, RenamesByPatternIntoFoldersAndKeepsTheNamingAcrossARestart)
{
    window->PageControl1->setCurrentWidget(window->TabSheet3);
    window->ComboBoxMusicFoldersFileEdit->setCurrentIndex(0);
    window->PageControl2->setCurrentIndex(1);
    window->ComboBoxFileV2[0]->setEditText(QStringLiteral("Track"));
    window->ComboBoxFileV2[1]->setEditText(QStringLiteral("Title"));
    window->EditDelimiterV2->setText(QStringLiteral(" - "));
    EXPECT_EQ(QStringLiteral("{track} - {title}"), window->EditRenamePattern->placeholderText());

    window->EditRenamePattern->setText(QStringLiteral("{artist}/{track:02} {title}"));
    window->EditNamePattern->setText(QStringLiteral("{track}. {title}"));
    QTest::keyClick(window->FileListBoxMP3FilesFileEdit, Qt::Key_A, Qt::ControlModifier);
    dialogs.answers = {Dialogs::Yes};
    window->RenameSelected->click();
    EXPECT_TRUE(std::filesystem::exists(music + "Band/01 the sound OF silence.mp3"));
    EXPECT_TRUE(std::filesystem::exists(music + "Band/02 rock & roll.mp3"));

    window->close();
    window = startWindow(dialogs, qs(musicDirsPath()));
    ASSERT_TRUE(window);
    EXPECT_EQ(QStringLiteral("{artist}/{track:02} {title}"), window->EditRenamePattern->text());
    EXPECT_EQ(QStringLiteral("{track}. {title}"), window->EditNamePattern->text());
    EXPECT_EQ(1, window->PageControl2->currentIndex());
    EXPECT_EQ(QStringLiteral("Title"), window->ComboBoxFileV2[1]->currentText());
    EXPECT_EQ(QStringLiteral(" - "), window->EditDelimiterV2->text());
}
