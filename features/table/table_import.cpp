// Import of a tag table: the changes each row makes, checked, and the batch save of them.
#include "features/table/table_import.h"

#include "features/common/mp3_folder.h"
#include "features/common/text.h"
#include "features/tagedit/frame_table.h"
#include "platform/file_system.h"
#include "tags/core/utf8_text.h"

#include <unordered_map>

namespace {

// The header's columns after "file"; a column that cannot be named is refused.
struct HeaderColumns {
    std::size_t fileIndex = 0;
    std::vector<std::optional<TableColumn>> byIndex; // nothing for "file"
};

HeaderColumns headerColumns(const TextTable& table, std::vector<std::string>& refused)
{
    HeaderColumns header;
    std::vector<std::string> seen;
    bool hasFile = false;
    for (std::size_t i = 0; i < table.header.size(); ++i) {
        const std::string& name = table.header[i];
        std::optional<TableColumn>& column = header.byIndex.emplace_back();
        if (name == "file" && !hasFile) {
            header.fileIndex = i;
            hasFile = true;
            continue;
        }
        TableColumn named;
        if (std::optional<std::string> refusal = columnNamed(name, named)) {
            refused.push_back("column " + *refusal);
            continue;
        }
        const std::string identity = named.field ? std::string(named.field->name) : formatFrameKey(named.key);
        if (std::find(seen.begin(), seen.end(), identity) != seen.end())
            refused.push_back("column '" + name + "' names a field an earlier column names");
        seen.push_back(identity);
        column = named;
    }
    if (!hasFile)
        refused.push_back("the table has no column 'file'");
    return header;
}

struct RowContext {
    const HeaderColumns& header;
    ImportPlan& plan;
    Tid3tag& v1;
    Tid3v2tag& v2;
};

void planRow(const std::vector<std::optional<std::string>>& row, const std::string& path, const std::string& where,
             RowContext& c)
{
    const LoadedFile file = loadFile(path, c.v1, c.v2);
    for (std::size_t i = 0; i < row.size(); ++i) {
        const std::optional<TableColumn>& column = c.header.byIndex[i];
        if (!column || !row[i])
            continue;
        Utf8Text before = cellValue(*column, file);
        if (before == *row[i])
            continue;
        if (std::optional<std::string> refusal = refusedCell(*column, *row[i]))
            c.plan.refused.push_back(where + ": " + *refusal);
        else
            c.plan.changes.push_back({path, *column, std::move(before), *row[i]});
    }
}

} // namespace

std::string rowFile(const std::string& name, const std::string& base)
{
    return base.empty() || name.empty() || name[0] == '/' ? name : withSeparator(base) + name;
}

ImportPlan planImport(const TextTable& table, const std::string& base, Tid3tag& v1, Tid3v2tag& v2)
{
    ImportPlan plan;
    const HeaderColumns header = headerColumns(table, plan.refused);
    if (!plan.refused.empty())
        return plan;
    RowContext context{header, plan, v1, v2};
    std::unordered_map<std::string, std::size_t> lineOfFile;
    for (std::size_t r = 0; r < table.rows.size(); ++r) {
        const std::optional<std::string>& name = table.rows[r][header.fileIndex];
        const std::string line = "line " + std::to_string(table.lines[r]);
        const std::string path = rowFile(name.value_or(std::string()), base);
        if (path.empty() || !platform::fileExists(path)) {
            plan.unmatched.push_back(line + ": '" + readableName(path) + "' matches no file");
            continue;
        }
        const auto [earlier, first] = lineOfFile.emplace(path, table.lines[r]);
        if (!first) {
            plan.refused.push_back(line + ": '" + readableName(path) + "' is named on line " +
                                   std::to_string(earlier->second) + " too");
            continue;
        }
        planRow(table.rows[r], path, line + " (" + readableName(path) + ")", context);
    }
    return plan;
}

std::vector<std::string> changedFiles(const ImportPlan& plan)
{
    std::vector<std::string> files;
    for (const CellChange& change : plan.changes)
        if (files.empty() || files.back() != change.path)
            files.push_back(change.path);
    return files;
}

std::string changeLine(const CellChange& change)
{
    return readableName(change.path) + ": " + change.column.name + ": " + change.before + " -> " + change.after;
}

BatchSaveRequest importRequest(const ImportPlan& plan)
{
    BatchSaveRequest request;
    request.recordForUndo = true;
    for (const CellChange& change : plan.changes) {
        if (request.files.empty() || request.files.back() != change.path) {
            request.files.push_back(change.path);
            request.perFile.emplace_back();
        }
        addCellEdit(request.perFile.back(), change.column, change.after);
    }
    return request;
}
