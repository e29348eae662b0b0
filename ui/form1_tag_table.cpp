// The "Tag Table" tab: the files of a folder as rows, fields as columns, edited in place and
// saved as one batch.
#include "form1.h"

#include "features/common/mp3_folder.h"
#include "features/tagedit/batch_save.h"
#include "qt_text.h"
#include "tag_table_model.h"
#include "tag_table_view.h"
#include "widget_helpers.h"

#include <QComboBox>
#include <QFileSystemWatcher>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QSettings>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <set>

namespace {

const char* const kDefaultColumns = "artist, title, album, year, genre, comment, track";

QString columnList(const std::vector<TableColumn>& columns)
{
    QStringList names;
    for (const TableColumn& column : columns)
        names << toQString(column.name);
    return names.join(QStringLiteral(", "));
}

bool savedWhole(const FileSaveOutcome& file)
{
    const auto failedStep = [](const TagSaveStep& step) { return step.result && failed(*step.result); };
    return !failedStep(file.v1) && !failedStep(file.v2);
}

} // namespace

void TForm1::buildTagTableTab()
{
    TabSheetTable = named(new QWidget(PageControl1), "TabSheetTable");
    PageControl1->insertTab(PageControl1->indexOf(TabSheet2) + 1, TabSheetTable, QStringLiteral("Tag Table"));
    QWidget* tab = TabSheetTable;
    QToolBar* bar = makeToolBar(tab);
    ToolButtonTableSave = addToolButton(bar, "ToolButtonTableSave", 0, "Save every changed cell");
    auto* undo = addTextButton(bar, "UndoLastSaveTable", QStringLiteral("Undo last save"),
                               QStringLiteral("Put back the tags the last save replaced"));
    wire(undo, &QToolButton::clicked, [this] { UndoLastSaveClick(); });
    auto* fill = addTextButton(bar, "FillTableSelection", QStringLiteral("Fill selection..."),
                               QStringLiteral("Give every selected cell one value"));
    wire(fill, &QToolButton::clicked, [this] { FillTableSelectionClick(); });
    addTableColumnsMenu(bar);

    auto* page = new QVBoxLayout(tab);
    page->setContentsMargins(0, 0, 0, 0);
    page->addWidget(bar);
    page->addWidget(buildTableControls(tab));
    m_tableModel = new TagTableModel(std::make_shared<IndexRecordSource>(), this);
    TableViewTags = named(new TagTableView(tab), "TableViewTags");
    TableViewTags->setModel(m_tableModel);
    page->addWidget(TableViewTags, 1);
    LabelTableCount = named(new QLabel(tab), "LabelTableCount");
    page->addWidget(LabelTableCount);
}

void TForm1::addTableColumnsMenu(QToolBar* bar)
{
    TableColumnsButton = addTextButton(bar, "TableColumnsButton", QStringLiteral("Columns"),
                                    QStringLiteral("Add or take away a field's column"));
    TableColumnsButton->setPopupMode(QToolButton::InstantPopup);
    auto* menu = new QMenu(TableColumnsButton);
    for (const NamedField& field : namedFields()) {
        QAction* action = menu->addAction(QString::fromUtf8(field.caption));
        action->setData(QString::fromUtf8(field.name));
    }
    TableColumnsButton->setMenu(menu);
    connect(menu, &QMenu::triggered, this, [this](QAction* action) {
        guarded([this, action] {
            QStringList names = EditTableColumns->text().split(QLatin1Char(','), Qt::SkipEmptyParts);
            for (QString& name : names)
                name = name.trimmed();
            const QString name = action->data().toString();
            if (!names.removeAll(name))
                names << name;
            EditTableColumns->setText(names.join(QStringLiteral(", ")));
            EditTableColumnsExit();
        });
    });
}

QWidget* TForm1::buildTableControls(QWidget* tab)
{
    ComboBoxMusicFoldersTable = makeFolderBox(tab, "ComboBoxMusicFoldersTable");
    CheckBoxTreeTable = checkBox("CheckBoxTreeTable", "Include subfolders", false, tab);
    CheckBoxTreeTable->setToolTip(QStringLiteral("List the MP3 files of every folder below this one too"));
    EditTableColumns = named(new QLineEdit(QString::fromLatin1(kDefaultColumns), tab), "EditTableColumns");
    EditTableColumns->setToolTip(QStringLiteral("Field names or frame keys (TXXX:MOOD), separated by commas"));
    EditTableFilter = named(new QLineEdit(tab), "EditTableFilter");
    EditTableFilter->setPlaceholderText(QStringLiteral("Filter"));
    EditTableFilter->setClearButtonEnabled(true);
    auto* controls = paneLayout<QHBoxLayout>(tab);
    controls->addWidget(ComboBoxMusicFoldersTable, 2);
    controls->addWidget(CheckBoxTreeTable);
    controls->addWidget(new QLabel(QStringLiteral("Columns:"), tab));
    controls->addWidget(EditTableColumns, 3);
    controls->addWidget(EditTableFilter, 1);
    return controls->parentWidget();
}

void TForm1::wireTagTableTab()
{
    wire(ToolButtonTableSave, &QToolButton::clicked, [this] { ToolButtonTableSaveClick(); });
    wire(ComboBoxMusicFoldersTable, &QComboBox::editTextChanged, [this] { ComboBoxMusicFoldersTableChange(); });
    wire(CheckBoxTreeTable, &QCheckBox::toggled, [this] { CheckBoxTreeTableClick(); });
    wire(EditTableColumns, &QLineEdit::editingFinished, [this] { EditTableColumnsExit(); });
    wire(EditTableFilter, &QLineEdit::textChanged, [this] {
        m_tableModel->setFilterText(EditTableFilter->text());
        showTableCount();
    });
    connect(TableViewTags->horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int column) { guarded([this, column] { TableHeaderClick(column); }); });
    wire(PageControl1, &QTabWidget::currentChanged, [this] { showTableFolder(); });
    m_tableWatcher = new QFileSystemWatcher(this);
    auto* settle = new QTimer(this);
    settle->setSingleShot(true);
    settle->setInterval(300); // a burst of changes is one re-read
    connect(m_tableWatcher, &QFileSystemWatcher::directoryChanged, settle, qOverload<>(&QTimer::start));
    wire(settle, &QTimer::timeout, [this] { tableFolderChanged(); });
    // A refusal is shown once the editor has closed, not from inside its commit.
    connect(m_tableModel, &TagTableModel::cellsRefused, this,
            [this](const QString& text) { m_dialogs.error(text); }, Qt::QueuedConnection);
    TableViewTags->onRefused = [this](const QString& text) { m_dialogs.error(text); };
    connect(m_tableModel, &TagTableModel::listed, this, [this](const UnreadableFolders& unreadable) {
        showTableCount();
        if (!unreadable.empty())
            m_dialogs.error(unreadableFoldersText(unreadable));
    });
    for (auto signal : {&TagTableModel::loadFinished, &TagTableModel::editsChanged})
        connect(m_tableModel, signal, this, [this] { showTableCount(); });
    std::vector<std::string> unknown;
    m_tableModel->setColumns(tableColumns(kDefaultColumns, unknown));
}

void TForm1::showTableFolder(bool again)
{
    if (PageControl1->currentWidget() != TabSheetTable)
        return;
    if (m_tableShown && !again) {
        // Shown again: files saved on another tab or by another program show as they are now.
        if (!m_tableModel->loading())
            m_tableModel->reread();
        return;
    }
    m_tableShown = true;
    const QStringList watched = m_tableWatcher->directories();
    if (!watched.isEmpty())
        m_tableWatcher->removePaths(watched);
    if (isExistingDirectory(m_tableFolder)) {
        m_tableModel->showFolder(withSeparator(pathBytes(m_tableFolder)), m_tableTree);
        m_tableWatcher->addPath(m_tableFolder);
    } else {
        m_tableModel->showFiles({}, {});
    }
    showTableCount();
}

void TForm1::tableFolderChanged()
{
    // Files came or went: listed again, unless cells wait to be saved (F5 then asks); behind
    // another tab, when the tab is shown.
    if (m_tableModel->hasEdits())
        return;
    m_tableShown = false;
    showTableFolder();
}

void TForm1::RereadTable()
{
    if (TableMayBeDropped())
        showTableFolder(true);
}

void TForm1::showTableCount()
{
    QString text = QStringLiteral("%1 files").arg(m_tableModel->fileCount());
    if (m_tableModel->rowCount() != static_cast<int>(m_tableModel->fileCount()))
        text += QStringLiteral(", %1 shown").arg(m_tableModel->rowCount());
    if (m_tableModel->loading())
        text += QStringLiteral(", reading their tags");
    if (m_tableModel->hasEdits())
        text += QStringLiteral(", %1 changed cells not saved").arg(m_tableModel->editCount());
    LabelTableCount->setText(text);
}

void TForm1::ComboBoxMusicFoldersTableChange()
{
    const QString folder = ComboBoxMusicFoldersTable->currentText();
    if (!isExistingDirectory(folder) || folder == m_tableFolder)
        return;
    if (!TableMayBeDropped()) {
        setBoxText(ComboBoxMusicFoldersTable, m_tableFolder);
        return;
    }
    m_tableFolder = folder;
    m_tableShown = false;
    showTableFolder();
}

void TForm1::CheckBoxTreeTableClick()
{
    if (CheckBoxTreeTable->isChecked() == m_tableTree)
        return;
    if (!TableMayBeDropped()) {
        const QSignalBlocker blocker(CheckBoxTreeTable);
        CheckBoxTreeTable->setChecked(m_tableTree);
        return;
    }
    m_tableTree = CheckBoxTreeTable->isChecked();
    m_tableShown = false;
    showTableFolder();
}

void TForm1::EditTableColumnsExit()
{
    std::vector<std::string> unknown;
    std::vector<TableColumn> columns = tableColumns(toUtf8(EditTableColumns->text()), unknown);
    if (!unknown.empty()) {
        QStringList names;
        for (const std::string& name : unknown)
            names << toQString(name);
        m_dialogs.error(QStringLiteral("No field or frame is named '%1'; the columns stay as they were.")
                            .arg(names.join(QStringLiteral("', '"))));
        EditTableColumns->setText(columnList(m_tableModel->columns()));
        return;
    }
    if (columnList(columns) == columnList(m_tableModel->columns()))
        return;
    if (!TableMayBeDropped()) {
        EditTableColumns->setText(columnList(m_tableModel->columns()));
        return;
    }
    m_tableModel->setColumns(std::move(columns));
    EditTableColumns->setText(columnList(m_tableModel->columns()));
    showTableCount();
}

void TForm1::TableHeaderClick(int column)
{
    const Qt::SortOrder order = m_tableModel->sortColumn() == column && m_tableModel->sortOrder() == Qt::AscendingOrder
                                    ? Qt::DescendingOrder
                                    : Qt::AscendingOrder;
    m_tableModel->sort(column, order);
    TableViewTags->horizontalHeader()->setSortIndicator(column, order);
}

void TForm1::FillTableSelectionClick()
{
    if (!TableViewTags->selectionModel()->hasSelection())
        return;
    if (const std::optional<QString> text = m_dialogs.askText(QStringLiteral("The value of every selected cell:")))
        TableViewTags->fillSelection(*text);
}

void TForm1::ToolButtonTableSaveClick()
{
    if (!m_tableModel->hasEdits())
        return;
    const BatchSaveRequest request = tableSaveRequest(m_tableModel->edits());
    if (const std::optional<std::string> refusal = refusedValue(request)) {
        m_dialogs.error(*refusal);
        return;
    }
    const BatchSaveOutcome outcome = saveInBackground(request, QStringLiteral("Saving"));
    // A file that failed keeps its changed cells, so that nothing typed is lost.
    std::set<std::string> saved;
    for (const FileSaveOutcome& file : outcome.files)
        if (savedWhole(file))
            saved.insert(file.path);
    m_tableModel->dropEdits(saved);
    showSaveNotes(outcome);
    m_tableModel->reread();
    showTableCount();
}

bool TForm1::TableMayBeDropped()
{
    if (!m_tableModel->hasEdits())
        return true;
    const QString text = QStringLiteral("The tag table has %1 changed cells that are not saved. Save them?")
                             .arg(m_tableModel->editCount());
    switch (m_dialogs.askSaveChanges(text)) {
    case Dialogs::Yes:
        ToolButtonTableSaveClick();
        return !m_tableModel->hasEdits(); // a file that could not be saved keeps its cells
    case Dialogs::No:
        m_tableModel->dropEdits();
        return true;
    default: return false;
    }
}

void TForm1::saveTableSettings(QSettings& settings) const
{
    settings.setValue(QStringLiteral("table/columns"), columnList(m_tableModel->columns()));
    settings.setValue(QStringLiteral("table/folder"), m_tableFolder);
    settings.setValue(QStringLiteral("table/subfolders"), m_tableTree);
}

void TForm1::restoreTableSettings(const QSettings& settings)
{
    const QString columns = settings.value(QStringLiteral("table/columns")).toString();
    if (!columns.isEmpty()) {
        EditTableColumns->setText(columns);
        EditTableColumnsExit();
    }
    CheckBoxTreeTable->setChecked(settings.value(QStringLiteral("table/subfolders"), false).toBool());
    // Without a folder of its own the table starts at the one the "ID3 Tags" tab lists.
    const QString folder = settings.value(QStringLiteral("table/folder")).toString();
    const QString start = isExistingDirectory(folder) ? folder : ComboBoxMusicFolders->currentText();
    if (isExistingDirectory(start))
        ComboBoxMusicFoldersTable->setEditText(start);
}
