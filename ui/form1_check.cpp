// The "ID3 Tags" tab's "Check": what is wrong with the files listed, the fixes offered, and
// the file list narrowed to the files one check names.
#include "form1.h"

#include "features/check/check_run.h"
#include "file_list_box.h"
#include "qt_text.h"
#include "tags/id3v1/id3.h"
#include "tags/id3v2/id3v2.h"
#include "widget_helpers.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>

#include <map>
#include <set>

namespace {

enum Column { kFile, kSeverity, kCheck, kText, kColumns };

void setCell(QTableWidget* table, int row, int column, const QString& text)
{
    auto* item = new QTableWidgetItem(text);
    item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    item->setToolTip(text);
    table->setItem(row, column, item);
}

// The file's name as the list shows it: its path below the folder.
QString listedName(const std::string& path, const std::string& folder)
{
    return pathText(path.compare(0, folder.size(), folder) == 0 ? path.substr(folder.size()) : path);
}

} // namespace

QWidget* TForm1::buildCheckPage(QWidget* parent)
{
    auto* page = paneLayout<QVBoxLayout>(parent);
    page->setContentsMargins(2, 2, 2, 2);
    QWidget* owner = page->parentWidget();
    auto* bar = new QHBoxLayout;
    ButtonCheckRun = named(new QPushButton(QStringLiteral("Check files"), owner), "ButtonCheckRun");
    ButtonCheckRun->setToolTip(QStringLiteral("Checks every file listed, and the albums they make"));
    ButtonCheckFix = named(new QPushButton(QStringLiteral("Fix"), owner), "ButtonCheckFix");
    ButtonCheckFix->setToolTip(QStringLiteral("Applies the fixes offered for the problems shown; one undo takes them back"));
    ButtonCheckFix->setEnabled(false);
    ComboBoxCheckFilter = named(new QComboBox(owner), "ComboBoxCheckFilter");
    ComboBoxCheckFilter->setToolTip(QStringLiteral("Lists only the files one check names"));
    bar->addWidget(ButtonCheckRun);
    bar->addWidget(ButtonCheckFix);
    bar->addWidget(ComboBoxCheckFilter, 1);
    page->addLayout(bar);
    TableCheck = named(new QTableWidget(0, kColumns, owner), "TableCheck");
    TableCheck->setHorizontalHeaderLabels(
        {QStringLiteral("File"), QStringLiteral("Severity"), QStringLiteral("Check"), QStringLiteral("Problem")});
    TableCheck->horizontalHeader()->setSectionResizeMode(kText, QHeaderView::Stretch);
    TableCheck->verticalHeader()->hide();
    TableCheck->setSelectionBehavior(QAbstractItemView::SelectRows);
    page->addWidget(TableCheck, 1);
    wire(ButtonCheckRun, &QPushButton::clicked, [this] { ButtonCheckRunClick(); });
    wire(ButtonCheckFix, &QPushButton::clicked, [this] { ButtonCheckFixClick(); });
    wire(ComboBoxCheckFilter, &QComboBox::currentIndexChanged, [this] { ComboBoxCheckFilterChange(); });
    return owner;
}

void TForm1::ButtonCheckRunClick()
{
    std::vector<std::string> files;
    const std::string folder = FileListBoxMP3Files->folderBytes();
    for (int row = 0; row < FileListBoxMP3Files->count(); ++row)
        files.push_back(folder + FileListBoxMP3Files->fileNameAt(row));
    std::vector<FileReport> reports;
    // A cancelled check shows what it found in the files it reached.
    readInBackground(QStringLiteral("Checking"), files, [&](Progress& progress, Tid3tag& v1, Tid3v2tag& v2) {
        reports = checkFiles(files, v1, v2, progress);
    });
    m_checkReports = std::move(reports);
    showCheckReports();
}

void TForm1::showCheckReports()
{
    const QString chosen = ComboBoxCheckFilter->currentData().toString();
    std::map<std::string, int> counts;
    for (const FileReport& report : m_checkReports)
        for (const Problem& p : report.problems)
            ++counts[p.kind->name];
    const QSignalBlocker quiet(ComboBoxCheckFilter);
    ComboBoxCheckFilter->clear();
    ComboBoxCheckFilter->addItem(QStringLiteral("All files"), QString());
    for (const auto& [name, count] : counts)
        ComboBoxCheckFilter->addItem(QStringLiteral("%1 (%2)").arg(QString::fromLatin1(name.c_str())).arg(count),
                                     QString::fromLatin1(name.c_str()));
    ComboBoxCheckFilter->setCurrentIndex(std::max(0, ComboBoxCheckFilter->findData(chosen)));
    ComboBoxCheckFilterChange();
}

void TForm1::ComboBoxCheckFilterChange()
{
    const std::string chosen = ComboBoxCheckFilter->currentData().toString().toStdString();
    const std::string folder = FileListBoxMP3Files->folderBytes();
    const auto shown = [&](const Problem& p) { return chosen.empty() || chosen == p.kind->name; };
    std::set<std::string> named;
    std::size_t fixable = 0;
    TableCheck->setRowCount(0);
    for (const FileReport& report : m_checkReports)
        for (const Problem& p : report.problems) {
            if (!shown(p))
                continue;
            named.insert(report.path);
            fixable += p.fixable();
            const int row = TableCheck->rowCount();
            TableCheck->insertRow(row);
            setCell(TableCheck, row, kFile, listedName(report.path, folder));
            setCell(TableCheck, row, kSeverity, QString::fromLatin1(severityName(p.kind->severity)));
            setCell(TableCheck, row, kCheck, QString::fromLatin1(p.kind->name));
            setCell(TableCheck, row, kText, toQString(p.text));
        }
    for (int row = 0; row < FileListBoxMP3Files->count(); ++row)
        FileListBoxMP3Files->item(row)->setHidden(!chosen.empty() &&
                                                  !named.count(folder + FileListBoxMP3Files->fileNameAt(row)));
    ButtonCheckFix->setEnabled(fixable > 0);
}

void TForm1::ButtonCheckFixClick()
{
    const std::string chosen = ComboBoxCheckFilter->currentData().toString().toStdString();
    BatchSaveRequest request =
        fixRequest(m_checkReports, [&](const Problem& p) { return chosen.empty() || chosen == p.kind->name; });
    if (request.files.empty())
        return;
    const QString question = QStringLiteral("Apply the fixes to %1 file(s)? \"Undo last save\" takes them back.")
                                 .arg(request.files.size());
    if (m_dialogs.confirm(question) != Dialogs::Yes)
        return;
    saveInBackground(request, QStringLiteral("Fixing"));
    ButtonCheckRunClick();
    showTagSelection(FileListBoxMP3Files->selectedPaths());
}
