// The tag table's view: a spreadsheet's keys over the cells (fill down, copy and paste of
// tab-separated blocks).
#pragma once

#include "tag_table_model.h"

#include <QString>
#include <QTableView>

#include <functional>
#include <vector>

class TagTableView : public QTableView {
    Q_OBJECT
public:
    explicit TagTableView(QWidget* parent = nullptr);
    TagTableModel* tableModel() const;

    // Ctrl+D: each column's first selected cell's value into the column's other selected cells.
    void fillDown();
    // One value into every selected cell.
    void fillSelection(const QString& text);
    // Ctrl+C: the block the selection spans as tab-separated text, to the clipboard.
    void copyBlock();
    // Ctrl+V: a tab-separated block from the current cell on, or one value over the selection.
    void pasteBlock();
    // Told the cells of a change that were refused, one line each.
    std::function<void(const QString&)> onRefused;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void apply(const std::vector<TagTableModel::CellChange>& changes);
    // The selected cells in the order shown: by row, then by column as the header places them.
    QModelIndexList selectedCells() const;
};
