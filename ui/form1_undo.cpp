// The "Undo last save" and "Undo last rename" buttons of the "ID3 Tags" and "Filename Edit" tabs.
#include "form1.h"

#include "features/common/mp3_folder.h"
#include "features/undo/undo.h"
#include "file_list_box.h"
#include "platform/file_system.h"
#include "platform/journal_files.h"
#include "tag_table_model.h"
#include "widget_helpers.h"
#include "window_task.h"

#include <QLabel>
#include <QToolBar>
#include <QToolButton>

namespace {

// Asks, undoes and tells; the report when files were touched, so that the tab can show them afresh.
std::optional<UndoReport> undoLast(QWidget* owner, WindowDialogs& dialogs, JournalKind kind)
{
    const JournalStore store(undoJournalFolder());
    const std::optional<JournalEntry> last = lastEntry(store, kind);
    if (!last) {
        dialogs.info(nothingToUndoText(kind));
        return std::nullopt;
    }
    if (dialogs.confirm(undoConfirmationText(*last)) != Dialogs::Yes)
        return std::nullopt;
    UndoReport report;
    GatheredMessages messages;
    // The entry's files are known only once it is read: the undo holds every file.
    if (!runWindowTask(owner, dialogs, QStringLiteral("Undoing"), {"/"}, messages,
                       [&](Progress& progress) { report = undoEntry(store, last->id, progress); }))
        return std::nullopt;
    if (!report.undone && !report.kept) {
        dialogs.error(report.refusal);
        return std::nullopt;
    }
    std::string text = undoSummaryText(report);
    for (const std::string& line : report.leftAlone)
        text += "\n" + line;
    if (report.leftAlone.empty())
        dialogs.info(text);
    else
        dialogs.error(text);
    return report;
}

} // namespace

QToolButton* TForm1::addUndoButton(QToolBar* bar, bool renames)
{
    QToolButton* button =
        renames ? addTextButton(bar, "UndoLastRename", QStringLiteral("Undo last rename"),
                                QStringLiteral("Give the files of the last rename their old names again"))
                : addTextButton(bar, "UndoLastSave", QStringLiteral("Undo last save"),
                                QStringLiteral("Put back the tags the last save replaced"));
    if (renames)
        wire(button, &QToolButton::clicked, [this] { UndoLastRenameClick(); });
    else
        wire(button, &QToolButton::clicked, [this] { UndoLastSaveClick(); });
    return button;
}

void TForm1::UndoLastSaveClick()
{
    // The fields and the table shown came from the files before the undo: read them again.
    if (!undoLast(this, dialogs(), JournalKind::Save).has_value())
        return;
    if (!FileListBoxMP3Files->selectedItems().isEmpty())
        FileListBoxMP3FilesClick();
    m_tableModel->reread();
}

void TForm1::UndoLastRenameClick()
{
    const std::optional<UndoReport> report = undoLast(this, dialogs(), JournalKind::Rename);
    if (!report || FileListBoxMP3FilesFileEdit->directory().isEmpty())
        return;
    // The current file follows its name back; one that is gone is current no more.
    if (filenameCurrentFileShown()) {
        const std::string folder = FileListBoxMP3FilesFileEdit->folderBytes();
        const std::string current = platform::absolutePath(folder + m_fileEditName);
        for (const RenameRecord& r : report->renamedBack)
            if (r.to == current) // a rename never leaves its folder
                setCurrentFileName(fileNameOf(r.from));
        if (!platform::fileExists(folder + m_fileEditName)) {
            m_fileEditName.clear();
            LabelCurrFile->clear();
        }
    }
    FileListBoxMP3FilesFileEdit->reread();
    ClearFileTagLabels();
}
