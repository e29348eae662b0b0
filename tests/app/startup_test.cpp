// Start-up order and its failures, and reading the one setting.
#include "ui/window_fixture.h"

#include "platform/file_system.h"
#include "support/id3v2_builder.h"
#include "tags/id3v2/id3v2.h"

#include <QComboBox>

#include <unistd.h>

#include <cstdlib>
#include <tuple>

class Startup : public WindowFixture {};

TEST_F(Startup, ReadsTheSettingInEachStoredForm)
{
    struct Case {
        const char* stored;
        QString expected;
    };
    const Case cases[] = {
        {"/opt/varnoli/", QStringLiteral("/opt/varnoli/")},
        {"$HOME/varnoli/", QStringLiteral("$HOME/varnoli/")}, // references stay unexpanded
        {"42", QStringLiteral("42")},
        {"@ByteArray(/\\xe9t\\xe9/)", QString::fromLatin1("/\xe9t\xe9/")},
        // As the run command writes it: quoted, so commas, semicolons and backslashes stay.
        {"\"/opt/a,b;c\\\\d\\\"e/\"", QStringLiteral("/opt/a,b;c\\d\"e/")},
    };
    for (const Case& c : cases) {
        writeSettings(std::string("[General]\ninstalldir=") + c.stored + "\n");
        EXPECT_EQ(c.expected, ReadSetting(QSettings::SystemScope, QStringLiteral("Varnoli"),
                                          QStringLiteral("installdir")))
            << c.stored;
    }
}

TEST_F(Startup, SettingThatCannotBeReadIsAnErrorNeverADefault)
{
    const auto read = [] {
        return ReadSetting(QSettings::SystemScope, QStringLiteral("Varnoli"), QStringLiteral("installdir"));
    };
    writeSettings("[General]\nother=1\n");
    EXPECT_THROW(read(), std::runtime_error);
    writeSettings("[General]\ninstalldir=a, b\n"); // a list is not a single text
    EXPECT_THROW(read(), std::runtime_error);
    std::filesystem::remove(dir.file("settings/Varnoli.conf"));
    EXPECT_THROW(read(), std::runtime_error);
}

TEST_F(Startup, FillsInstallDirAndTheFolderBoxes)
{
    writeSetup("<folder>/b/</folder><folder>/A/</folder>", "/opt/varnoli/");
    ASSERT_TRUE(start());
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(QStringLiteral("/opt/varnoli/"), InstallDir);
    EXPECT_EQ(2, window->ComboBoxMusicFoldersPlaylist->count());
    EXPECT_EQ(QStringLiteral("--Music Folders--"), window->ComboBoxMusicFoldersPlaylist->currentText());
    EXPECT_EQ(window->TabSheet1, window->PageControl1->currentWidget());
}

TEST_F(Startup, EmptyFolderListStartsWithEmptyBoxes)
{
    writeSetup("");
    ASSERT_TRUE(start());
    for (QComboBox* box : {window->ComboBoxMusicFolders, window->ComboBoxMusicFoldersFileEdit,
                           window->ComboBoxMusicFoldersPlaylist})
        EXPECT_EQ(0, box->count());
}

TEST_F(Startup, FailuresShowTheirOwnTextAndNoWindow)
{
    struct Case {
        const char* what;
        std::function<void()> arrange;
        const char* expectedText;
    };
    const Case cases[] = {
        {"missing folder list", [&] { std::filesystem::remove(musicDirsPath()); }, "musicdirs.xml"},
        {"malformed folder list", [&] { writeMusicDirs("<musicdirs><folder>/a/</musicdirs>"); },
         "not a valid XML document"},
        {"missing setting", [&] { writeSettings("[General]\n"); }, "installdir"},
        {"missing settings file",
         [&] { std::filesystem::remove(dir.file("settings/Varnoli.conf")); }, "Varnoli.conf"},
    };
    for (const Case& c : cases) {
        writeSetup("<folder>/a/</folder>");
        c.arrange();
        dialogs.shown.clear();
        EXPECT_FALSE(start()) << c.what;
        ASSERT_EQ(1u, dialogs.shown.size()) << c.what;
        EXPECT_EQ(QStringLiteral("error"), dialogs.shown[0].kind);
        EXPECT_TRUE(dialogs.shown[0].text.contains(QString::fromLatin1(c.expectedText)))
            << c.what << ": " << dialogs.shown[0].text.toStdString();
    }
}

// A save killed while it moved the audio is named once the window is up.
TEST_F(Startup, AnInterruptedSaveIsReportedWithWhatToDo)
{
    const testsupport::ScopedEnv stateHome("XDG_STATE_HOME", dir.file("state"));
    using namespace testsupport;
    const std::string song = dir.write("song.mp3", concat({Id3v2Bytes(3).frame("TALB", {0, 'L'}).bytes(),
                                                            audioPattern(200000)}));
    killedTitleSave(song, 30000, 8);
    writeSetup("");
    ASSERT_TRUE(start());
    ASSERT_EQ(1u, dialogs.shown.size());
    EXPECT_EQ(QStringLiteral("error"), dialogs.shown[0].kind);
    EXPECT_TRUE(dialogs.shown[0].text.contains(qs("'" + song + "' was interrupted")));
    EXPECT_TRUE(dialogs.shown[0].text.contains(QStringLiteral("varnoli-cli repair")));
}
