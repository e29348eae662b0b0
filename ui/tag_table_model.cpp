// The tag table's model: records loaded in chunks on a worker thread, sorting, the filter and
// the changed cells.
#include "tag_table_model.h"

#include "features/common/mp3_folder.h"
#include "qt_text.h"

#include <QBrush>
#include <QCollator>
#include <QColor>
#include <QFont>
#include <QThread>

#include <algorithm>
#include <numeric>

namespace {

// Small enough that the first rows show at once, large enough that posting them costs little.
constexpr std::size_t kChunk = 256;
const QColor kChangedCell(255, 236, 150);

// An error escaping the source would end the program on the loader's thread; its files show
// as unreadable instead.
std::vector<TableRecord> loadChunk(TableRecordSource& source, std::vector<std::string> paths,
                                   const std::vector<TableColumn>& columns)
{
    try {
        return source.load(paths, columns);
    } catch (...) {
        std::vector<TableRecord> records;
        for (std::string& path : paths)
            records.push_back({std::move(path), {}, true});
        return records;
    }
}

// The loader's cancel flag, for the folder walk.
class CancelFlag : public Progress {
public:
    explicit CancelFlag(const std::atomic<bool>& flag) : m_flag(flag) {}
    bool cancelled() const override { return m_flag; }

private:
    const std::atomic<bool>& m_flag;
};

} // namespace

TagTableModel::TagTableModel(std::shared_ptr<TableRecordSource> source, QObject* parent)
    : QAbstractTableModel(parent), m_source(std::move(source))
{
}

TagTableModel::~TagTableModel() { stopLoading(); }

void TagTableModel::showFiles(const std::string& folder, const std::vector<std::string>& names)
{
    stopLoading();
    resetRows(rowsOf(folder, names));
    startLoading();
}

void TagTableModel::showFolder(const std::string& folder, bool subfolders)
{
    stopLoading();
    resetRows({});
    m_listing = true;
    startLoader(nullptr, std::make_pair(folder, subfolders));
}

std::vector<TagTableModel::Row> TagTableModel::rowsOf(const std::string& folder, const std::vector<std::string>& names)
{
    std::vector<Row> rows;
    rows.reserve(names.size());
    for (const std::string& name : names)
        rows.push_back({folder + name, pathText(fileNameOf(name)), pathText(subfolderOf(name)), false, false, {}});
    return rows;
}

std::shared_ptr<const TagTableModel::Paths> TagTableModel::pathsOf(const std::vector<Row>& rows)
{
    auto paths = std::make_shared<Paths>();
    paths->reserve(rows.size());
    for (const Row& row : rows)
        paths->push_back(row.path);
    return paths;
}

void TagTableModel::resetRows(std::vector<Row> rows, std::shared_ptr<const Paths> paths)
{
    if (!paths)
        paths = pathsOf(rows);
    beginResetModel();
    m_rows = std::move(rows);
    m_paths = std::move(paths);
    m_shown.resize(m_rows.size());
    std::iota(m_shown.begin(), m_shown.end(), std::size_t(0));
    endResetModel();
}

void TagTableModel::takeListing(unsigned generation, std::vector<Row> rows, std::shared_ptr<const Paths> paths,
                                const UnreadableFolders& unreadable)
{
    if (generation != m_generation)
        return;
    resetRows(std::move(rows), std::move(paths));
    m_listing = false;
    m_loaded = 0;
    emit listed(unreadable);
    if (m_rows.empty())
        emit loadFinished();
}

void TagTableModel::setColumns(std::vector<TableColumn> columns)
{
    beginResetModel();
    m_columns = std::move(columns);
    if (m_sortColumn >= columnCount())
        m_sortColumn = -1;
    endResetModel();
    reread();
}

void TagTableModel::reread()
{
    stopLoading();
    for (Row& row : m_rows)
        row.loaded = false;
    startLoading();
}

const std::string& TagTableModel::pathAt(int row) const { return m_rows[m_shown[static_cast<std::size_t>(row)]].path; }

void TagTableModel::stopLoading()
{
    if (m_cancel)
        *m_cancel = true;
    if (m_loader)
        m_loader->wait();
    m_loader.reset();
    m_cancel.reset();
    m_listing = false;
    ++m_generation; // records still queued from the old load are dropped
}

void TagTableModel::startLoading()
{
    m_loaded = 0;
    if (m_rows.empty()) {
        emit loadFinished();
        return;
    }
    startLoader(m_paths, std::nullopt);
}

void TagTableModel::startLoader(std::shared_ptr<const Paths> paths, std::optional<std::pair<std::string, bool>> listing)
{
    auto cancel = std::make_shared<std::atomic<bool>>(false);
    m_cancel = cancel;
    const unsigned generation = m_generation;
    m_loader.reset(QThread::create([this, cancel, generation, paths = std::move(paths), listing,
                                    columns = m_columns, source = m_source]() mutable {
        if (listing) {
            UnreadableFolders unreadable;
            const std::vector<std::string> names =
                listMp3Files(listing->first, listing->second, unreadable, CancelFlag(*cancel));
            if (*cancel)
                return;
            // The rows' texts are made here, not on the window's thread.
            std::vector<Row> rows = rowsOf(listing->first, names);
            std::shared_ptr<const Paths> listed = pathsOf(rows);
            paths = listed;
            QMetaObject::invokeMethod(
                this, [this, generation, rows = std::move(rows), listed, unreadable]() mutable {
                    takeListing(generation, std::move(rows), listed, unreadable);
                }, Qt::QueuedConnection);
        }
        for (std::size_t first = 0; paths && first < paths->size() && !*cancel; first += kChunk) {
            const auto begin = paths->begin() + static_cast<std::ptrdiff_t>(first);
            const auto end = paths->begin() + static_cast<std::ptrdiff_t>(std::min(first + kChunk, paths->size()));
            std::vector<TableRecord> records = loadChunk(*source, {begin, end}, columns);
            QMetaObject::invokeMethod(
                this, [this, generation, first, records = std::move(records)]() mutable {
                    takeRecords(generation, first, std::move(records));
                }, Qt::QueuedConnection);
        }
    }));
    m_loader->start();
}

void TagTableModel::takeRecords(unsigned generation, std::size_t first, std::vector<TableRecord> records)
{
    if (generation != m_generation)
        return;
    for (std::size_t i = 0; i < records.size() && first + i < m_rows.size(); ++i) {
        Row& row = m_rows[first + i];
        row.values = std::move(records[i].values);
        row.unreadable = records[i].unreadable;
        row.loaded = true;
    }
    m_loaded += records.size();
    if (!loading() && (m_sortColumn >= 0 || !m_filter.isEmpty()))
        arrangeRows();
    else if (rowCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
    if (!loading())
        emit loadFinished();
}

int TagTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_shown.size());
}

int TagTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kFixedColumns + static_cast<int>(m_columns.size());
}

const Utf8Text* TagTableModel::editOf(const Row& row, const std::string& column) const
{
    if (m_edits.empty())
        return nullptr;
    const auto found = m_edits.find({row.path, column});
    return found == m_edits.end() ? nullptr : &found->second;
}

QString TagTableModel::cellText(const Row& row, int column) const
{
    if (column == 0)
        return row.name;
    if (column == 1)
        return row.folder;
    const std::string& name = m_columns[static_cast<std::size_t>(column - kFixedColumns)].name;
    if (const Utf8Text* edit = editOf(row, name))
        return toQString(*edit);
    const auto found = row.values.find(name);
    return found == row.values.end() ? QString() : toQString(found->second);
}

QVariant TagTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return QVariant();
    const Row& row = m_rows[m_shown[static_cast<std::size_t>(index.row())]];
    const bool changed = index.column() >= kFixedColumns &&
        editOf(row, m_columns[static_cast<std::size_t>(index.column() - kFixedColumns)].name);
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole: return cellText(row, index.column());
    case Qt::ToolTipRole:
        if (index.column() != 0)
            return QVariant();
        return row.unreadable ? pathText(row.path) + QStringLiteral(" (its tags could not be read)") : pathText(row.path);
    case Qt::BackgroundRole: return changed ? QBrush(kChangedCell) : QVariant();
    case Qt::FontRole: {
        if (!changed)
            return QVariant();
        QFont font;
        font.setBold(true);
        return font;
    }
    default: return QVariant();
    }
}

QVariant TagTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (section == 0)
        return QStringLiteral("File name");
    if (section == 1)
        return QStringLiteral("Folder");
    const TableColumn& column = m_columns[static_cast<std::size_t>(section - kFixedColumns)];
    return column.field ? QString::fromUtf8(column.field->caption) : toQString(column.name);
}

Qt::ItemFlags TagTableModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    if (index.isValid() && index.column() >= kFixedColumns && m_rows[m_shown[static_cast<std::size_t>(index.row())]].loaded)
        flags |= Qt::ItemIsEditable;
    return flags;
}

bool TagTableModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || role != Qt::EditRole)
        return false;
    const std::vector<std::string> refused = changeCells({{index.row(), index.column(), value.toString()}});
    if (!refused.empty())
        emit cellsRefused(toQString(refused.front()));
    return refused.empty();
}

std::optional<std::string> TagTableModel::refusal(const Row& row, int column, const Utf8Text& text) const
{
    const TableColumn& c = m_columns[static_cast<std::size_t>(column - kFixedColumns)];
    std::optional<std::string> why = refusedCell(c, text);
    if (!why)
        return std::nullopt;
    const std::string caption = c.field ? c.field->caption : c.name;
    return "'" + toUtf8(row.name) + "', " + caption + ": " + *why;
}

std::vector<std::string> TagTableModel::changeCells(const std::vector<CellChange>& changes)
{
    std::vector<std::string> refused;
    std::vector<std::pair<const Row*, std::pair<int, Utf8Text>>> accepted;
    for (const CellChange& change : changes) {
        if (change.row < 0 || change.row >= rowCount() || change.column < kFixedColumns || change.column >= columnCount())
            continue;
        const Row& row = m_rows[m_shown[static_cast<std::size_t>(change.row)]];
        if (!row.loaded)
            continue;
        const Utf8Text text = toUtf8(change.text);
        if (std::optional<std::string> why = refusal(row, change.column, text))
            refused.push_back(std::move(*why));
        else
            accepted.push_back({&row, {change.column, text}});
    }
    if (!refused.empty() || accepted.empty())
        return refused;
    for (const auto& [row, cell] : accepted) {
        const std::string& name = m_columns[static_cast<std::size_t>(cell.first - kFixedColumns)].name;
        const auto found = row->values.find(name);
        const Utf8Text& loaded = found == row->values.end() ? Utf8Text() : found->second;
        // Typing a cell's own value back makes it unchanged again.
        if (cell.second == loaded)
            m_edits.erase({row->path, name});
        else
            m_edits[{row->path, name}] = cell.second;
    }
    emit dataChanged(index(0, kFixedColumns), index(rowCount() - 1, columnCount() - 1));
    emit editsChanged();
    return refused;
}

std::vector<TableCellEdit> TagTableModel::edits() const
{
    std::vector<TableCellEdit> out;
    out.reserve(m_edits.size());
    // In the rows' listing order, so that the save visits the files as the list shows them.
    for (const Row& row : m_rows)
        for (const TableColumn& column : m_columns)
            if (const Utf8Text* edit = editOf(row, column.name))
                out.push_back({row.path, column, *edit});
    return out;
}

void TagTableModel::dropEdits(const std::set<std::string>& paths)
{
    for (auto it = m_edits.begin(); it != m_edits.end();)
        it = paths.count(it->first.first) ? m_edits.erase(it) : std::next(it);
    if (rowCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
    emit editsChanged();
}

void TagTableModel::dropEdits()
{
    m_edits.clear();
    if (rowCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
    emit editsChanged();
}

void TagTableModel::setFilterText(const QString& text)
{
    m_filter = text;
    arrangeRows();
}

void TagTableModel::sort(int column, Qt::SortOrder order)
{
    m_sortColumn = column;
    m_sortOrder = order;
    arrangeRows();
}

void TagTableModel::arrangeRows()
{
    std::vector<std::size_t> rows;
    rows.reserve(m_rows.size());
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        bool match = m_filter.isEmpty();
        for (int c = 0; !match && c < columnCount(); ++c)
            match = cellText(m_rows[i], c).contains(m_filter, Qt::CaseInsensitive);
        if (match)
            rows.push_back(i);
    }
    if (m_sortColumn >= 0 && m_sortColumn < columnCount())
        rows = sortedRows(std::move(rows));
    beginResetModel();
    m_shown = std::move(rows);
    endResetModel();
}

std::vector<std::size_t> TagTableModel::sortedRows(std::vector<std::size_t> rows) const
{
    // A key per row once, so that the sort compares bytes: numbers in their order, letter case aside.
    QCollator collator;
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::vector<QCollatorSortKey> keys;
    keys.reserve(m_rows.size());
    for (const Row& row : m_rows)
        keys.push_back(collator.sortKey(cellText(row, m_sortColumn)));
    const bool ascending = m_sortOrder == Qt::AscendingOrder;
    std::stable_sort(rows.begin(), rows.end(), [&](std::size_t a, std::size_t b) {
        return ascending ? keys[a].compare(keys[b]) < 0 : keys[b].compare(keys[a]) < 0;
    });
    return rows;
}
