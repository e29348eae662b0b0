// The tag table's records read from the files, and its changed cells as one batch save.
#include "features/table/table_records.h"

#include "features/show/show_files.h"
#include "features/tagedit/frame_table.h"
#include "tags/file/tag_file.h"
#include "tags/id3v1/id3.h"
#include "tags/id3v2/id3v2.h"

#include <algorithm>
#include <tuple>
#include <map>

namespace {

std::string trimmed(const std::string& text)
{
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return std::string();
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

Utf8Text cellText(Tid3v2tag& v2, bool hasV2, const TagRead& v1, const TableColumn& column)
{
    if (column.field && column.field->seven) {
        const Utf8Text v2Text = hasV2 ? joinedValues(readField(v2, *column.field)) : Utf8Text();
        return v2Text.empty() ? v1.fields[fieldIndex(*column.field->seven)] : v2Text;
    }
    if (!hasV2)
        return Utf8Text();
    if (column.field)
        return joinedValues(readField(v2, *column.field));
    FrameValue value;
    return v2.GetFrame(column.key, value) == 0 ? frameText(value) : Utf8Text();
}

TableRecord readRecord(const std::string& path, const std::vector<TableColumn>& columns, Tid3tag& v1, Tid3v2tag& v2)
{
    TableRecord record{path, {}, false};
    TagFile file = TagFile::openForReading(path);
    TagRead readV1;
    readV1.result = file.loadV1(v1);
    const bool hasV1 = !failed(readV1.result);
    for (TagField f : kAllFields)
        readV1.fields[fieldIndex(f)] = hasV1 ? v1FieldText(v1, f) : Utf8Text();
    // The "0" the tab shows for a tag without a track would read as a value here.
    if (hasV1 && !v1.HasTrack())
        readV1.fields[fieldIndex(TagField::Track)].clear();
    const TagResult v2Result = file.loadV2(v2);
    const bool hasV2 = !failed(v2Result);
    record.unreadable = unreadable(readV1.result) && unreadable(v2Result);
    for (const TableColumn& column : columns) {
        Utf8Text text = cellText(v2, hasV2, readV1, column);
        if (!text.empty())
            record.values.emplace(column.name, std::move(text));
    }
    return record;
}

} // namespace

std::optional<TableColumn> tableColumn(const std::string& name)
{
    TableColumn column;
    column.name = trimmed(name);
    column.field = namedField(column.name);
    if (column.field || parseFrameKey(column.name, column.key))
        return column;
    return std::nullopt;
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

std::optional<std::string> refusedCell(const TableColumn& column, const Utf8Text& text)
{
    if (!column.field) {
        FieldEdit edit;
        return frameEditOf(column.name, text, edit);
    }
    if (std::optional<std::string> refusal = refusedFieldText(*column.field, text))
        return refusal;
    if (!column.field->seven)
        return std::nullopt;
    BatchSaveRequest request;
    if (*column.field->seven != TagField::Genre)
        request.v1[*column.field->seven] = request.v2[*column.field->seven] = {true, text};
    return refusedValue(request);
}

namespace {

void addCell(FileSaveFields& fields, const TableCellEdit& cell)
{
    const NamedField* field = cell.column.field;
    if (field && field->seven) {
        const TagField f = *field->seven;
        fields.v2[f] = {true, cell.text};
        if (f != TagField::Genre) {
            fields.v1[f] = {true, cell.text};
            return;
        }
        // A genre the ID3v1 list lacks leaves that tag's genre as it was; an empty one removes it.
        const int index = genreListIndex(cell.text, true);
        fields.v1.genreEnabled = index > 0 || cell.text.empty();
        fields.v1.genreIndex = index > 0 ? index : -1;
        return;
    }
    FieldEdit edit;
    if (field) {
        edit.field = field;
        edit.text = cell.text;
    } else {
        std::ignore = frameEditOf(cell.column.name, cell.text, edit);
    }
    fields.v2.edits.push_back(std::move(edit));
}

} // namespace

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
        addCell(request.perFile[at->second], cell);
    }
    return request;
}
