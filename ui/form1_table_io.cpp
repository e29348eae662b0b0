// "Export table…" and "Import table…" in the "ID3 Tags" tab's tag tools: the files' fields
// written as a CSV or TSV table, and a table's changes previewed and saved as one batch.
#include "form1.h"

#include "features/common/mp3_folder.h"
#include "features/common/text.h"
#include "features/table/table_export.h"
#include "features/table/table_import.h"
#include "file_list_box.h"
#include "platform/file_system.h"
#include "qt_text.h"
#include "tags/id3v1/id3.h"
#include "tags/id3v2/id3v2.h"
#include "widget_helpers.h"

#include <QAction>
#include <QFile>
#include <QMenu>

namespace {

const QString kExportFilter = QStringLiteral("CSV table (*.csv)|*.csv|TSV table (*.tsv)|*.tsv");
const QString kImportFilter = QStringLiteral("Tag tables (*.csv *.tsv *.tab *.json *.jsonl)|*.csv;*.tsv;*.tab;*.json;*.jsonl");

// A few lines of a long list, and how many more there are.
std::string firstLines(const std::vector<std::string>& lines)
{
    constexpr std::size_t kShown = 20;
    std::string text;
    for (std::size_t i = 0; i < lines.size() && i < kShown; ++i)
        text += "\n" + lines[i];
    if (lines.size() > kShown)
        text += "\n(and " + std::to_string(lines.size() - kShown) + " more)";
    return text;
}

TableQuestion importQuestion(const ImportPlan& plan)
{
    TableQuestion question;
    question.text = QStringLiteral("Save these %1 changes into %2 file(s)?")
                        .arg(plan.changes.size())
                        .arg(changedFiles(plan).size());
    question.headers = {QStringLiteral("File"), QStringLiteral("Field"), QStringLiteral("Now"), QStringLiteral("After")};
    for (const CellChange& change : plan.changes) {
        question.rows.push_back({pathText(change.path), toQString(change.column.name), toQString(change.before),
                                 toQString(change.after)});
        question.marked.push_back(false);
    }
    for (const std::string& line : plan.unmatched) {
        question.rows.push_back({toQString(line), QString(), QString(), QStringLiteral("matches no file")});
        question.marked.push_back(true);
    }
    return question;
}

} // namespace

void TForm1::addTableEntries(QMenu* menu)
{
    menu->addSeparator();
    QAction* exportTable = menu->addAction(QStringLiteral("Export table…"));
    exportTable->setObjectName(QStringLiteral("ActionExportTable"));
    wire(exportTable, &QAction::triggered, [this] { ExportTableClick(); });
    QAction* importTable = menu->addAction(QStringLiteral("Import table…"));
    importTable->setObjectName(QStringLiteral("ActionImportTable"));
    wire(importTable, &QAction::triggered, [this] { ImportTableClick(); });
}

void TForm1::ExportTableClick()
{
    std::vector<std::string> files = FileListBoxMP3Files->selectedPaths();
    const bool all = files.empty();
    for (int row = 0; all && row < FileListBoxMP3Files->count(); ++row)
        files.push_back(FileListBoxMP3Files->folderBytes() + FileListBoxMP3Files->fileNameAt(row));
    if (files.empty()) {
        m_dialogs.info(QStringLiteral("The list holds no files to export."));
        return;
    }
    const QString chosen = m_dialogs.saveFile({kExportFilter, QStringLiteral("csv"), true,
                                               FileListBoxMP3Files->directory()}, QStringLiteral("tags.csv"));
    if (chosen.isEmpty())
        return;
    const std::string path = QFile::encodeName(chosen).toStdString();
    const std::optional<TableFormat> format = tableFormatOf(path);
    if (format != TableFormat::Csv && format != TableFormat::Tsv) {
        m_dialogs.error("'" + path + "': the window writes tables as .csv or .tsv files; nothing was written.");
        return;
    }
    ExportTable table;
    if (!readInBackground(QStringLiteral("Reading"), files, [&](Progress&, Tid3tag& v1, Tid3v2tag& v2) {
            table = exportTable(files, {}, v1, v2);
        }))
        return;
    try {
        platform::replaceFileAtomically(path, tableText(table, *format));
    } catch (const platform::IoError& e) {
        m_dialogs.error("Cannot write '" + path + "': " + e.what());
        return;
    }
    std::vector<std::string> left;
    for (const ExportRow& row : table.unreadable)
        left.push_back(readableName(row.file));
    if (!left.empty())
        m_dialogs.error("The table leaves out the files whose tags could not be read:" + firstLines(left));
}

void TForm1::ImportTableClick()
{
    const QString chosen = m_dialogs.openFile({kImportFilter, QStringLiteral("csv"), false,
                                               FileListBoxMP3Files->directory()});
    if (chosen.isEmpty())
        return;
    const std::string path = QFile::encodeName(chosen).toStdString();
    TextTable table;
    std::optional<std::string> problem = tableFormatOf(path) ? std::nullopt
                                         : std::optional<std::string>("its name does not end in .csv, .tsv or .json");
    try {
        if (!problem)
            problem = readTable(platform::readWholeFile(path), *tableFormatOf(path), table);
    } catch (const platform::IoError& e) {
        problem = e.what();
    }
    if (problem) {
        m_dialogs.error("Cannot import '" + path + "': " + *problem);
        return;
    }
    // A relative file name is taken below the table's own folder.
    ImportPlan plan;
    if (!readInBackground(QStringLiteral("Reading"), {}, [&](Progress&, Tid3tag& v1, Tid3v2tag& v2) {
            plan = planImport(table, subfolderOf(path), v1, v2);
        }))
        return;
    if (!plan.refused.empty()) {
        m_dialogs.error("The table cannot be imported; no file was changed:" + firstLines(plan.refused));
        return;
    }
    if (plan.changes.empty()) {
        m_dialogs.info("The table changes nothing in the files it names." + firstLines(plan.unmatched));
        return;
    }
    if (m_dialogs.confirmTable(importQuestion(plan)) == Dialogs::Yes)
        saveOnTagsTab(importRequest(plan));
}
