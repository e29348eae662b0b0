// The "Filename Edit" tab's "Rename selected": every selected file renamed from its own tags.
#include "form1.h"

#include "file_list_box.h"
#include "qt_text.h"
#include "shared_tags.h"
#include "window_task.h"

#include "platform/file_system.h"

#include <QLabel>

namespace {

// The table's last column: why a file keeps its name.
QString clashWords(const PlannedRename& r)
{
    switch (r.problem) {
    case RenameProblem::None: return QString();
    case RenameProblem::Unchanged: return QStringLiteral("already so named");
    case RenameProblem::NotMp3: return QStringLiteral("not an .mp3 file");
    case RenameProblem::Invalid: return QStringLiteral("Invalid Filename.");
    case RenameProblem::SameName: return QStringLiteral("also the new name of ") + pathText(r.reason);
    case RenameProblem::Taken: return QStringLiteral("another file has this name");
    case RenameProblem::Missing: return QStringLiteral("cannot be renamed: ") + toQString(r.reason);
    }
    return QString();
}

TableQuestion renameTable(const RenamePlan& plan)
{
    TableQuestion question;
    question.headers = {QStringLiteral("Old name"), QStringLiteral("New name"), QStringLiteral("Clash")};
    for (const PlannedRename& r : plan.files) {
        question.rows.push_back({pathText(r.oldName), pathText(r.newName), clashWords(r)});
        question.marked.push_back(r.clashes());
    }
    question.text = QStringLiteral("Do you wish to rename %1 file(s)?").arg(plan.toRename());
    if (plan.clashes() > 0)
        question.text += QStringLiteral(" The %1 file(s) marked keep their names.").arg(plan.clashes());
    return question;
}

std::string noneRenamedText(const RenamePlan& plan)
{
    std::string text = "None of the selected files can be renamed.";
    for (const PlannedRename& r : plan.files)
        if (r.clashes())
            text += "\n" + clashText(r);
    return text;
}

std::string failuresText(const BatchRenameOutcome& outcome)
{
    std::string text = std::to_string(outcome.renamed) + " file(s) renamed.";
    for (const std::string& line : outcome.failures)
        text += "\n" + line;
    return text;
}

// A rename holds both names of each file it renames.
std::vector<std::string> renameClaims(const RenamePlan& plan)
{
    std::vector<std::string> claims;
    for (const PlannedRename& r : plan.files)
        if (r.problem == RenameProblem::None) {
            claims.push_back(r.oldPath());
            claims.push_back(r.newPath());
        }
    return claims;
}

} // namespace

void TForm1::RenameSelectedClick()
{
    const std::vector<std::string> files = FileListBoxMP3FilesFileEdit->selectedPaths();
    if (files.empty()) {
        m_dialogs.info(QStringLiteral("Please select the files to rename in the list first."));
        return;
    }
    const std::optional<NameSource> source = renameSource();
    if (!source)
        return;
    const RenamePlan plan = planRenames(files, *source, FileEditTagV1, FileEditTagV2);
    if (plan.toRename() == 0) {
        m_dialogs.error(noneRenamedText(plan));
        return;
    }
    if (m_dialogs.confirmTable(renameTable(plan)) != Dialogs::Yes)
        return;
    BatchRenameOutcome outcome;
    GatheredMessages messages;
    if (!runWindowTask(this, m_dialogs, QStringLiteral("Renaming"), renameClaims(plan), messages,
                       [&](Progress& progress) { outcome = renamePlanned(plan, progress); }))
        return;
    followCurrentFile(plan);
    FileListBoxMP3FilesFileEdit->reread();
    ClearFileTagLabels();
    if (!outcome.failures.empty())
        m_dialogs.error(failuresText(outcome));
}

void TForm1::followCurrentFile(const RenamePlan& plan)
{
    if (!filenameCurrentFileShown())
        return;
    const std::string current = FileListBoxMP3FilesFileEdit->folderBytes() + m_fileEditName;
    for (const PlannedRename& r : plan.files)
        if (r.problem == RenameProblem::None && r.oldPath() == current && !platform::fileExists(r.oldPath())) {
            setCurrentFileName(r.newName);
            return;
        }
}
