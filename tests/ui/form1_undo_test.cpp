// The undo buttons of the "ID3 Tags" and "Filename Edit" tabs.
#include "window_fixture.h"

#include "features/tagedit/batch_save.h"
#include "features/undo/undo.h"
#include "support/id3v2_builder.h"
#include "tags/id3.h"
#include "tags/id3v2.h"

#include <QToolButton>

#include <cstdlib>

using namespace testsupport;

class Form1Undo : public WindowFixture {
protected:
    void SetUp() override
    {
        writeSetup("");
        ASSERT_TRUE(start());
    }
    TempDir state;

private:
    const ScopedEnv m_stateHome{"XDG_STATE_HOME", state.path()};
};

TEST_F(Form1Undo, UndoLastSaveAsksWithTheNumberOfFilesAndRestoresThem)
{
    window->UndoLastSave->click();
    ASSERT_EQ(1, dialogs.texts("info").size());
    EXPECT_EQ(QStringLiteral("There is no save to undo."), dialogs.texts("info")[0]);

    const Bytes song = concat({Id3v2Bytes(3).frame("TIT2", {0, 'a'}).bytes(), audioPattern(3000)});
    const std::string a = dir.write("a.mp3", song), b = dir.write("b.mp3", song);
    BatchSaveRequest request;
    request.files = {a, b};
    request.recordForUndo = true;
    request.v2[TagField::Title] = request.v1[TagField::Title] = {true, "New"};
    Tid3tag v1;
    Tid3v2tag v2;
    ASSERT_FALSE(runBatchSave(request, v1, v2, dialogs).failures);

    dialogs.shown.clear();
    dialogs.answers = {Dialogs::No};
    window->UndoLastSave->click();
    ASSERT_EQ(1, dialogs.texts("confirm").size());
    EXPECT_TRUE(dialogs.texts("confirm")[0].startsWith(QStringLiteral("Undo the save of 2 file(s) made ")));
    EXPECT_NE(song, readFile(a));

    dialogs.answers = {Dialogs::Yes};
    window->UndoLastSave->click();
    EXPECT_EQ(song, readFile(a));
    EXPECT_EQ(song, readFile(b));
    EXPECT_EQ(QStringLiteral("2 file(s) restored."), dialogs.texts("info").back());
}

TEST_F(Form1Undo, UndoLastRenameGivesTheOldNameBack)
{
    const std::string from = dir.write("old.mp3", {7}), to = dir.file("new.mp3");
    std::string why;
    ASSERT_TRUE(journalRename(from, to, why)) << why;
    std::filesystem::rename(from, to);
    dialogs.answers = {Dialogs::Yes};
    window->UndoLastRename->click();
    ASSERT_EQ(1, dialogs.texts("confirm").size());
    EXPECT_TRUE(dialogs.texts("confirm")[0].startsWith(QStringLiteral("Undo the rename of 1 file(s)")));
    EXPECT_EQ(Bytes{7}, readFile(from));
    EXPECT_FALSE(std::filesystem::exists(to));
}
