// Export of a tag table: the files' values, column by column, as text.
#include "features/table/table_export.h"

#include "features/show/show_files.h"
#include "tags/id3v1/id3.h"
#include "tags/id3v2/id3v2.h"

#include <algorithm>
#include <tuple>

namespace {

// The named fields beyond the seven that any of the files holds, in table order. Each file's
// fields are kept by index in the field table, so the files are read once.
std::vector<TableColumn> presentColumns(const std::vector<std::vector<PresentField>>& present)
{
    std::vector<bool> held(namedFields().size(), false);
    for (const std::vector<PresentField>& fields : present)
        for (const PresentField& field : fields)
            held[static_cast<std::size_t>(field.field - namedFields().data())] = true;
    std::vector<TableColumn> columns;
    for (std::size_t i = 0; i < held.size(); ++i)
        if (held[i])
            columns.push_back(fieldColumn(namedFields()[i]));
    return columns;
}

Utf8Text presentValue(const std::vector<PresentField>& fields, const NamedField* field)
{
    const auto found =
        std::find_if(fields.begin(), fields.end(), [&](const PresentField& p) { return p.field == field; });
    return found == fields.end() ? Utf8Text() : joinedValues(found->values);
}

// Loads the file, leaving its ID3v2 tag in `v2`, and adds its row; false when its tags could not be read.
bool addRow(ExportTable& table, const std::string& path, Tid3tag& v1, Tid3v2tag& v2)
{
    const LoadedFile file = loadFile(path, v1, v2);
    ExportRow row{path, {}, file.shown.v1.result, file.shown.v2.result};
    if (unreadable(row.v1Result) || unreadable(row.v2Result)) {
        table.unreadable.push_back(std::move(row));
        return false;
    }
    for (const TableColumn& column : table.columns)
        row.cells.push_back(cellValue(column, file));
    table.rows.push_back(std::move(row));
    return true;
}

// With no columns asked: the seven as read, the other fields from what each file held.
ExportTable defaultTable(const std::vector<std::string>& files, Tid3tag& v1, Tid3v2tag& v2)
{
    ExportTable table{sevenColumns(), {}, {}};
    std::vector<std::vector<PresentField>> present;
    for (const std::string& path : files)
        if (addRow(table, path, v1, v2))
            present.push_back(failed(v2.LoadResult) ? std::vector<PresentField>{} : presentFields(v2));
    const std::vector<TableColumn> more = presentColumns(present);
    for (std::size_t r = 0; r < table.rows.size(); ++r)
        for (const TableColumn& column : more)
            table.rows[r].cells.push_back(presentValue(present[r], column.field));
    table.columns.insert(table.columns.end(), more.begin(), more.end());
    return table;
}

std::string line(const std::vector<std::string>& cells, TableFormat format)
{
    return format == TableFormat::Tsv ? tsvLine(cells) : csvLine(cells);
}

} // namespace

ExportTable exportTable(const std::vector<std::string>& files, const std::vector<TableColumn>& asked, Tid3tag& v1,
                        Tid3v2tag& v2)
{
    if (asked.empty())
        return defaultTable(files, v1, v2);
    ExportTable table{asked, {}, {}};
    for (const std::string& path : files)
        std::ignore = addRow(table, path, v1, v2);
    return table;
}

std::string headerLine(const ExportTable& table, TableFormat format)
{
    std::vector<std::string> names{"file"};
    for (const TableColumn& column : table.columns)
        names.push_back(column.name);
    return line(names, format);
}

std::string rowLine(const ExportRow& row, TableFormat format)
{
    std::vector<std::string> cells{row.file};
    cells.insert(cells.end(), row.cells.begin(), row.cells.end());
    return line(cells, format);
}

std::string tableText(const ExportTable& table, TableFormat format)
{
    std::string text = headerLine(table, format);
    for (const ExportRow& row : table.rows)
        text += rowLine(row, format);
    return text;
}
