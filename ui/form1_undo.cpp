// The "Undo last save" and "Undo last rename" buttons of the "ID3 Tags" and "Filename Edit" tabs.
#include "form1.h"

#include "features/undo/undo.h"
#include "file_list_box.h"

#include <QToolBar>
#include <QToolButton>

namespace {

// Asks, undoes and tells; true when files were touched, so that the tab can show them afresh.
bool undoLast(WindowDialogs& dialogs, JournalKind kind)
{
    const JournalStore store(undoJournalFolder());
    const std::optional<JournalEntry> last = lastEntry(store, kind);
    if (!last) {
        dialogs.info(nothingToUndoText(kind));
        return false;
    }
    if (dialogs.confirm(undoConfirmationText(*last)) != Dialogs::Yes)
        return false;
    const UndoReport report = undoEntry(store, last->id);
    if (!report.undone && !report.kept) {
        dialogs.error(report.refusal);
        return false;
    }
    std::string text = undoSummaryText(report);
    for (const std::string& line : report.leftAlone)
        text += "\n" + line;
    if (report.leftAlone.empty())
        dialogs.info(text);
    else
        dialogs.error(text);
    return true;
}

} // namespace

QToolButton* TForm1::addUndoButton(QToolBar* bar, bool renames)
{
    auto* button = new QToolButton(bar);
    button->setObjectName(renames ? QStringLiteral("UndoLastRename") : QStringLiteral("UndoLastSave"));
    button->setText(renames ? QStringLiteral("Undo last rename") : QStringLiteral("Undo last save"));
    button->setToolTip(renames ? QStringLiteral("Give the files of the last rename their old names again")
                               : QStringLiteral("Put back the tags the last save replaced"));
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    button->setAutoRaise(true);
    bar->addWidget(button);
    if (renames)
        wire(button, &QToolButton::clicked, [this] { UndoLastRenameClick(); });
    else
        wire(button, &QToolButton::clicked, [this] { UndoLastSaveClick(); });
    return button;
}

void TForm1::UndoLastSaveClick()
{
    // The fields shown came from the files before the undo: read them again.
    if (undoLast(dialogs(), JournalKind::Save) && !FileListBoxMP3Files->selectedItems().isEmpty())
        FileListBoxMP3FilesClick();
}

void TForm1::UndoLastRenameClick()
{
    if (undoLast(dialogs(), JournalKind::Rename) && !FileListBoxMP3FilesFileEdit->directory().isEmpty())
        FileListBoxMP3FilesFileEdit->reread();
}
