// The "ID3 Tags" tab's "All frames": every frame of the one selected file, with adding,
// editing and deleting frames; the changes go with the tab's save.
#include "form1.h"

#include "features/tagedit/frame_names.h"
#include "qt_text.h"
#include "widget_helpers.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

#include <algorithm>

namespace {

enum Column { kKey, kName, kKind, kValue, kColumns };

// Wide enough for most keys and names; a longer one is elided, whole in its hint.
constexpr int kMaxColumnWidth = 150;

void setCell(QTableWidget* table, int row, int column, const QString& text, bool editable)
{
    auto* item = new QTableWidgetItem(text);
    item->setFlags(editable ? item->flags() | Qt::ItemIsEditable : item->flags() & ~Qt::ItemIsEditable);
    table->setItem(row, column, item);
}

void addRow(QTableWidget* table, const FrameRow& frame)
{
    const int row = table->rowCount();
    table->insertRow(row);
    setCell(table, row, kKey, toQString(frame.key), false);
    setCell(table, row, kName, toQString(frame.name), false);
    setCell(table, row, kKind, toQString(frame.kind), false);
    // A cell edits one line: lyrics of several are edited under "More fields".
    const QString value = toQString(frame.value);
    const bool lines = value.contains(QLatin1Char('\n'));
    setCell(table, row, kValue, lines ? value.section(QLatin1Char('\n'), 0, 0) + QStringLiteral(" \u2026") : value,
            frame.editable && !lines);
    for (int column = 0; column < kColumns; ++column)
        table->item(row, column)->setToolTip(column == kValue ? value : table->item(row, column)->text());
    table->item(row, kValue)->setData(Qt::UserRole, value);
}

// A value the save will write stands out, and a refused edit goes back to it.
void markChanged(QTableWidgetItem* item)
{
    QFont font = item->font();
    font.setBold(true);
    item->setFont(font);
    item->setData(Qt::UserRole, item->text());
    item->setToolTip(item->text());
}

// The row of the first frame `key` names; -1 when there is none.
int rowOfKey(const QTableWidget* table, const QString& key)
{
    for (int row = 0; row < table->rowCount(); ++row)
        if (table->item(row, kKey)->text() == key)
            return row;
    return -1;
}

} // namespace

QWidget* TForm1::buildFramesPage(QWidget* parent)
{
    auto* page = paneLayout<QVBoxLayout>(parent);
    page->setContentsMargins(2, 2, 2, 2);
    TableAllFrames = named(new QTableWidget(0, kColumns, page->parentWidget()), "TableAllFrames");
    TableAllFrames->setHorizontalHeaderLabels({QStringLiteral("Key"), QStringLiteral("Name"), QStringLiteral("Kind"),
                                               QStringLiteral("Value")});
    // The value takes what the other columns leave; a long one is elided, whole in its hint.
    TableAllFrames->horizontalHeader()->setSectionResizeMode(kValue, QHeaderView::Stretch);
    TableAllFrames->verticalHeader()->hide();
    TableAllFrames->setSelectionBehavior(QAbstractItemView::SelectRows);
    TableAllFrames->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                                    QAbstractItemView::AnyKeyPressed);
    TableAllFrames->setWordWrap(false);
    TableAllFrames->verticalHeader()->setDefaultSectionSize(TableAllFrames->fontMetrics().height() + 6);
    EditFrameKey = named(new QLineEdit(page->parentWidget()), "EditFrameKey");
    EditFrameKey->setPlaceholderText(QStringLiteral("New key: TXXX:MOOD"));
    EditFrameKey->setToolTip(QStringLiteral("A frame ID such as TPE2, TXXX:description, COMM:description:eng"));
    EditFrameValue = named(new QLineEdit(page->parentWidget()), "EditFrameValue");
    EditFrameValue->setPlaceholderText(QStringLiteral("Value"));
    ButtonAddFrame = named(new QPushButton(QStringLiteral("Add"), page->parentWidget()), "ButtonAddFrame");
    ButtonDeleteFrame = named(new QPushButton(QStringLiteral("Delete"), page->parentWidget()), "ButtonDeleteFrame");
    ButtonDeleteFrame->setToolTip(QStringLiteral("Delete the selected frames"));
    auto* addBar = new QHBoxLayout;
    addBar->addWidget(EditFrameKey, 1);
    addBar->addWidget(EditFrameValue, 1);
    addBar->addWidget(ButtonAddFrame);
    addBar->addWidget(ButtonDeleteFrame);
    page->addWidget(TableAllFrames, 1);
    page->addLayout(addBar);
    auto* note = new QLabel(QStringLiteral("Changes here are written by the tab's save, with the fields."),
                            page->parentWidget());
    note->setWordWrap(true);
    page->addWidget(note);

    connect(TableAllFrames, &QTableWidget::cellChanged, this,
            [this](int row, int column) { guarded([=] { TableAllFramesCellChanged(row, column); }); });
    wire(ButtonAddFrame, &QPushButton::clicked, [this] { ButtonAddFrameClick(); });
    wire(EditFrameValue, &QLineEdit::returnPressed, [this] { ButtonAddFrameClick(); });
    wire(ButtonDeleteFrame, &QPushButton::clicked, [this] { ButtonDeleteFrameClick(); });
    return page->parentWidget();
}

void TForm1::ShowFrameTable(const std::vector<FrameRow>& rows, bool one)
{
    m_fillingFrames = true;
    TableAllFrames->setRowCount(0);
    for (const FrameRow& row : rows)
        addRow(TableAllFrames, row);
    TableAllFrames->resizeColumnsToContents();
    for (int column = kKey; column < kValue; ++column)
        TableAllFrames->setColumnWidth(column, std::min(TableAllFrames->columnWidth(column), kMaxColumnWidth));
    m_fillingFrames = false;
    TableAllFrames->setToolTip(one ? QString() : QStringLiteral("Select one file to see all its frames"));
    enableFrameTable();
}

void TForm1::enableFrameTable()
{
    const bool on = m_shownTags.paths.size() == 1 && CheckBoxEnableV2->isChecked();
    for (QWidget* w : std::initializer_list<QWidget*>{TableAllFrames, EditFrameKey, EditFrameValue, ButtonAddFrame,
                                                      ButtonDeleteFrame})
        w->setEnabled(on);
}

void TForm1::noteFrameEdit(FieldEdit edit)
{
    addFrameEdit(m_frameEdits, std::move(edit));
}

void TForm1::TableAllFramesCellChanged(int row, int column)
{
    if (m_fillingFrames || column != kValue)
        return;
    QTableWidgetItem* item = TableAllFrames->item(row, kValue);
    const std::string key = toUtf8(TableAllFrames->item(row, kKey)->text());
    FieldEdit edit;
    if (const std::optional<std::string> refusal = frameEditOf(key, toUtf8(item->text()), edit)) {
        m_fillingFrames = true;
        item->setText(item->data(Qt::UserRole).toString());
        m_fillingFrames = false;
        m_dialogs.error(*refusal);
        return;
    }
    m_fillingFrames = true;
    markChanged(item);
    m_fillingFrames = false;
    noteFrameEdit(std::move(edit));
}

void TForm1::ButtonAddFrameClick()
{
    FieldEdit edit;
    const Utf8Text value = toUtf8(EditFrameValue->text());
    if (const std::optional<std::string> refusal = frameEditOf(toUtf8(EditFrameKey->text().trimmed()), value, edit)) {
        m_dialogs.error(*refusal);
        return;
    }
    if (value.empty()) {
        m_dialogs.error(std::string("A new frame needs a value; Delete removes frames."));
        return;
    }
    const QString key = toQString(formatFrameKey(edit.key));
    int row = rowOfKey(TableAllFrames, key);
    m_fillingFrames = true;
    if (row < 0) {
        const FrameKind kind = frameKindOf(edit.key.id);
        addRow(TableAllFrames, {toUtf8(key), std::string(frameIdName(edit.key.id)), frameKindName(kind), value, true});
        row = TableAllFrames->rowCount() - 1;
    }
    TableAllFrames->item(row, kValue)->setText(toQString(value));
    markChanged(TableAllFrames->item(row, kValue));
    m_fillingFrames = false;
    TableAllFrames->scrollToItem(TableAllFrames->item(row, kKey));
    noteFrameEdit(std::move(edit));
    EditFrameKey->clear();
    EditFrameValue->clear();
}

void TForm1::ButtonDeleteFrameClick()
{
    std::vector<QString> keys;
    for (const QModelIndex& index : TableAllFrames->selectionModel()->selectedRows())
        keys.push_back(TableAllFrames->item(index.row(), kKey)->text());
    // A key names every frame of it alike: all of them go, and the table shows it.
    for (const QString& key : keys) {
        for (int row = rowOfKey(TableAllFrames, key); row >= 0; row = rowOfKey(TableAllFrames, key))
            TableAllFrames->removeRow(row);
        noteFrameEdit(frameRemoval(toUtf8(key)));
    }
}
