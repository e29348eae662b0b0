// The tag table's rows: one plain record per file, loaded on a worker thread, and the cells
// people changed until they are saved.
#pragma once

#include "features/common/mp3_folder.h"
#include "features/table/table_records.h"

#include <QAbstractTableModel>
#include <QString>

#include <atomic>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

class QThread;

class TagTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kFixedColumns = 2; // "File name" and "Folder"

    explicit TagTableModel(std::shared_ptr<TableRecordSource> source, QObject* parent = nullptr);
    ~TagTableModel() override;

    // The files (names below `folder`, as the file lists hold them) as rows; their records
    // come in as they are loaded. Changed cells are kept by file and column.
    void showFiles(const std::string& folder, const std::vector<std::string>& names);
    // The same for the MP3 files of `folder` (and below it), listed on the worker first;
    // `listed` tells of the folders that could not be read.
    void showFolder(const std::string& folder, bool subfolders);
    void setColumns(std::vector<TableColumn> columns);
    const std::vector<TableColumn>& columns() const { return m_columns; }
    // Loads every record again, as after a save or an undo.
    void reread();
    bool loading() const { return m_listing || m_loaded < m_rows.size(); }
    std::size_t fileCount() const { return m_rows.size(); }
    // The full path of a row as shown.
    const std::string& pathAt(int row) const;

    // Rows whose cells contain the text, in any letter case; empty shows every row.
    void setFilterText(const QString& text);
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;
    int sortColumn() const { return m_sortColumn; }
    Qt::SortOrder sortOrder() const { return m_sortOrder; }

    struct CellChange {
        int row, column; // as shown
        QString text;
    };
    // Every change, or none when a cell refuses its text: then one line per refused cell.
    // Cells of the fixed columns and of rows not yet loaded are passed over.
    std::vector<std::string> changeCells(const std::vector<CellChange>& changes);
    bool hasEdits() const { return !m_edits.empty(); }
    std::size_t editCount() const { return m_edits.size(); }
    std::vector<TableCellEdit> edits() const;
    // Forgets the changed cells of the files named, or of every file.
    void dropEdits(const std::set<std::string>& paths);
    void dropEdits();

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

signals:
    // A typed cell was refused; the text names it and says why.
    void cellsRefused(const QString& text);
    void listed(const UnreadableFolders& unreadable);
    void loadFinished();
    void editsChanged();

private:
    using Paths = std::vector<std::string>;
    struct Row {
        std::string path;
        QString name, folder;
        bool loaded = false;
        bool unreadable = false;
        std::map<std::string, Utf8Text> values;
    };
    static std::vector<Row> rowsOf(const std::string& folder, const std::vector<std::string>& names);
    static std::shared_ptr<const Paths> pathsOf(const std::vector<Row>& rows);
    // `paths` are the rows' paths, shared with the loader so that a re-read copies none.
    void resetRows(std::vector<Row> rows, std::shared_ptr<const Paths> paths = nullptr);
    void takeListing(unsigned generation, std::vector<Row> rows, std::shared_ptr<const Paths> paths,
                     const UnreadableFolders& unreadable);
    QString cellText(const Row& row, int column) const;
    const Utf8Text* editOf(const Row& row, const std::string& column) const;
    void startLoading();
    // The loader's thread: lists the folder when asked (`paths` empty), then loads every record.
    void startLoader(std::shared_ptr<const Paths> paths, std::optional<std::pair<std::string, bool>> listing);
    void stopLoading();
    void takeRecords(unsigned generation, std::size_t first, std::vector<TableRecord> records);
    // The rows shown: those the filter lets through, in the order of the sort.
    void arrangeRows();
    std::vector<std::size_t> sortedRows(std::vector<std::size_t> rows) const;
    std::optional<std::string> refusal(const Row& row, int column, const Utf8Text& text) const;

    std::shared_ptr<TableRecordSource> m_source;
    std::vector<TableColumn> m_columns;
    std::vector<Row> m_rows;
    std::shared_ptr<const Paths> m_paths;
    std::vector<std::size_t> m_shown; // indexes into m_rows
    std::map<std::pair<std::string, std::string>, Utf8Text> m_edits; // by path and column name
    QString m_filter;
    int m_sortColumn = -1;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    std::size_t m_loaded = 0;
    bool m_listing = false;
    unsigned m_generation = 0;
    std::unique_ptr<QThread> m_loader;
    std::shared_ptr<std::atomic<bool>> m_cancel;
};
