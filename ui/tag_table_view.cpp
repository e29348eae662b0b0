// Fill down, fill, copy and paste over the tag table's cells.
#include "tag_table_view.h"

#include "features/table/table_tsv.h"
#include "qt_text.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>

#include <algorithm>
#include <map>

namespace {

// The most refused cells one message names.
constexpr std::size_t kRefusalsNamed = 10;

} // namespace

TagTableView::TagTableView(QWidget* parent) : QTableView(parent)
{
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed);
    horizontalHeader()->setSectionsMovable(false);
    horizontalHeader()->setSortIndicatorShown(true);
    // The rows come in the file lists' order until a heading is clicked.
    horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    setWordWrap(false);
}

TagTableModel* TagTableView::tableModel() const { return static_cast<TagTableModel*>(model()); }

QModelIndexList TagTableView::selectedCells() const
{
    QModelIndexList cells = selectionModel()->selectedIndexes();
    std::sort(cells.begin(), cells.end(), [](const QModelIndex& a, const QModelIndex& b) {
        return a.row() != b.row() ? a.row() < b.row() : a.column() < b.column();
    });
    return cells;
}

void TagTableView::apply(const std::vector<TagTableModel::CellChange>& changes)
{
    const std::vector<std::string> refused = tableModel()->changeCells(changes);
    if (refused.empty() || !onRefused)
        return;
    QString text = QStringLiteral("Nothing was changed; these cells cannot take their values:");
    for (std::size_t i = 0; i < refused.size() && i < kRefusalsNamed; ++i)
        text += QStringLiteral("\n") + toQString(refused[i]);
    if (refused.size() > kRefusalsNamed)
        text += QStringLiteral("\n... and %1 more").arg(refused.size() - kRefusalsNamed);
    onRefused(text);
}

void TagTableView::fillDown()
{
    std::map<int, QString> firstOfColumn;
    std::vector<TagTableModel::CellChange> changes;
    for (const QModelIndex& cell : selectedCells()) {
        const auto [first, added] = firstOfColumn.emplace(cell.column(), cell.data(Qt::EditRole).toString());
        if (!added)
            changes.push_back({cell.row(), cell.column(), first->second});
    }
    apply(changes);
}

void TagTableView::fillSelection(const QString& text)
{
    std::vector<TagTableModel::CellChange> changes;
    for (const QModelIndex& cell : selectedCells())
        changes.push_back({cell.row(), cell.column(), text});
    apply(changes);
}

void TagTableView::copyBlock()
{
    const QModelIndexList cells = selectedCells();
    if (cells.isEmpty())
        return;
    int top = cells.front().row(), bottom = cells.back().row(), left = cells.front().column(), right = left;
    for (const QModelIndex& cell : cells) {
        left = std::min(left, cell.column());
        right = std::max(right, cell.column());
    }
    TextBlock block;
    for (int row = top; row <= bottom; ++row) {
        block.emplace_back();
        for (int column = left; column <= right; ++column)
            block.back().push_back(toUtf8(model()->index(row, column).data(Qt::EditRole).toString()));
    }
    QGuiApplication::clipboard()->setText(toQString(formatTsv(block)));
}

void TagTableView::pasteBlock()
{
    const TextBlock block = parseTsv(toUtf8(QGuiApplication::clipboard()->text()));
    if (block.empty())
        return;
    if (block.size() == 1 && block.front().size() == 1 && selectedCells().size() > 1) {
        fillSelection(toQString(block.front().front()));
        return;
    }
    const QModelIndex start = currentIndex();
    if (!start.isValid())
        return;
    std::vector<TagTableModel::CellChange> changes;
    for (std::size_t r = 0; r < block.size(); ++r)
        for (std::size_t c = 0; c < block[r].size(); ++c)
            changes.push_back({start.row() + static_cast<int>(r), start.column() + static_cast<int>(c),
                               toQString(block[r][c])});
    apply(changes);
}

void TagTableView::keyPressEvent(QKeyEvent* event)
{
    if (state() != QAbstractItemView::EditingState) {
        if (event->matches(QKeySequence::Copy))
            return copyBlock();
        if (event->matches(QKeySequence::Paste))
            return pasteBlock();
        if (event->key() == Qt::Key_D && event->modifiers() == Qt::ControlModifier)
            return fillDown();
    }
    QTableView::keyPressEvent(event);
}
