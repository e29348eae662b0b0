// The tag table's records read from the files, and its changed cells as one batch save.
#include "features/table/table_records.h"

#include "features/encoding/eight_bit_text.h"
#include "features/index/indexed_files.h"
#include "features/show/show_files.h"
#include "tags/id3v1/id3.h"
#include "tags/id3v2/id3v2.h"

#include <algorithm>
#include <map>

namespace {

std::string trimmed(const std::string& text)
{
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return std::string();
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// The record's cells, from whatever cellValue reads them from; empty cells are left out.
template <class Tags>
void addValues(TableRecord& record, const std::vector<TableColumn>& columns, const Tags& tags)
{
    for (const TableColumn& column : columns) {
        Utf8Text text = cellValue(column, tags);
        if (!text.empty())
            record.values.emplace(column.name, std::move(text));
    }
}

TableRecord readRecord(const std::string& path, const std::vector<TableColumn>& columns, Tid3tag& v1, Tid3v2tag& v2)
{
    const LoadedFile file = loadFile(path, v1, v2);
    TableRecord record{path, {}, unreadable(file.shown.v1.result) && unreadable(file.shown.v2.result)};
    addValues(record, columns, file);
    return record;
}

} // namespace

std::optional<TableColumn> tableColumn(const std::string& name)
{
    TableColumn column;
    if (columnNamed(trimmed(name), column))
        return std::nullopt;
    return column;
}

std::vector<TableColumn> tableColumns(const std::string& list, std::vector<std::string>& unknown)
{
    std::vector<TableColumn> columns;
    std::size_t from = 0;
    while (from <= list.size()) {
        const std::size_t comma = std::min(list.find(',', from), list.size());
        const std::string name = trimmed(list.substr(from, comma - from));
        from = comma + 1;
        if (name.empty())
            continue;
        const std::optional<TableColumn> column = tableColumn(name);
        if (!column)
            unknown.push_back(name);
        else if (std::none_of(columns.begin(), columns.end(), [&](const TableColumn& c) { return c.name == name; }))
            columns.push_back(*column);
    }
    return columns;
}

std::vector<TableRecord> FileRecordSource::load(const std::vector<std::string>& paths,
                                                const std::vector<TableColumn>& columns)
{
    Tid3tag v1;
    Tid3v2tag v2;
    std::vector<TableRecord> records;
    records.reserve(paths.size());
    for (const std::string& path : paths)
        records.push_back(readRecord(path, columns, v1, v2));
    return records;
}

IndexRecordSource::IndexRecordSource() = default;
IndexRecordSource::~IndexRecordSource() = default;

std::vector<TableRecord> IndexRecordSource::load(const std::vector<std::string>& paths,
                                                 const std::vector<TableColumn>& columns)
{
    if (!m_opened) {
        m_index = indexForReading();
        m_opened = true;
    }
    if (!m_index || !eightBitCodePage().empty())
        return m_files.load(paths, columns);
    std::vector<TableRecord> records;
    records.reserve(paths.size());
    for (const IndexRecord& indexed : m_index->lookup(paths)) {
        TableRecord& record = records.emplace_back();
        record.path = indexed.path;
        record.unreadable = unreadable(indexed.fields.v1.result) && unreadable(indexed.fields.v2.result);
        addValues(record, columns, indexed);
    }
    return records;
}

BatchSaveRequest tableSaveRequest(const std::vector<TableCellEdit>& edits)
{
    BatchSaveRequest request;
    request.recordForUndo = true;
    std::map<std::string, std::size_t> fileIndex;
    for (const TableCellEdit& cell : edits) {
        const auto [at, added] = fileIndex.emplace(cell.path, request.files.size());
        if (added) {
            request.files.push_back(cell.path);
            request.perFile.emplace_back();
        }
        addCellEdit(request.perFile[at->second], cell.column, cell.text);
    }
    return request;
}
