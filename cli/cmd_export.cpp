// varnoli-cli export: one row per file of the fields asked, as CSV, TSV or JSON Lines.
#include "command_line.h"
#include "commands.h"
#include "json_lines.h"

#include "features/show/show_files.h"
#include "features/table/table_export.h"
#include "tags/id3v1/id3.h"
#include "tags/id3v2/id3v2.h"

#include <algorithm>
#include <ostream>

namespace {

// The columns --fields names, or none for the default; a usage error gives nothing.
std::optional<std::vector<TableColumn>> askedColumns(const CommandArgs& args, std::ostream& err)
{
    std::vector<TableColumn> columns;
    const std::string* fields = args.value("--fields");
    if (!fields)
        return columns;
    std::size_t from = 0;
    for (std::size_t comma; from <= fields->size(); from = comma + 1) {
        comma = std::min(fields->find(',', from), fields->size());
        TableColumn& column = columns.emplace_back();
        if (std::optional<std::string> refusal = columnNamed(fields->substr(from, comma - from), column))
            return usageError(err, "export", "--fields: " + *refusal);
    }
    return columns;
}

std::string jsonRow(const ExportTable& table, const ExportRow& row)
{
    std::string line = "{\"file\": ";
    if (!appendJsonPath(line, row.file))
        (line += ", ") += kBytesEncodingMember;
    for (std::size_t i = 0; i < table.columns.size(); ++i) {
        line += ", ";
        appendJsonUtf8(line, table.columns[i].name);
        line += ": ";
        appendJsonUtf8(line, row.cells[i]);
    }
    return line + "}\n";
}

void reportUnreadableRow(std::ostream& err, const ExportRow& row)
{
    if (unreadable(row.v1Result))
        printReadFailure(err, row.file, row.v1Result);
    if (unreadable(row.v2Result) && row.v2Result != row.v1Result)
        printReadFailure(err, row.file, row.v2Result);
}

} // namespace

int cmdExport(const CommandArgs& args, std::ostream& out, std::ostream& err)
{
    const std::optional<std::vector<TableColumn>> columns = askedColumns(args, err);
    if (!columns)
        return kExitUsage;
    const std::string* formatWord = args.value("--format");
    const std::optional<TableFormat> format = tableFormatNamed(formatWord ? *formatWord : "csv");
    if (!format) {
        usageError(err, "export", "--format: '" + *formatWord + "' is not csv, tsv or json");
        return kExitUsage;
    }
    std::vector<std::string> files;
    bool failures = false;
    for (const std::string& path : args.operands())
        failures |= reportUnreadable(err, "export", forEachFileOf(path, args.has("--recursive"),
                                                                  [&](const std::string& file) { files.push_back(file); }));
    Tid3tag v1;
    Tid3v2tag v2;
    const ExportTable table = exportTable(files, *columns, v1, v2);
    if (*format != TableFormat::Json)
        out << headerLine(table, *format);
    for (const ExportRow& row : table.rows)
        out << (*format == TableFormat::Json ? jsonRow(table, row) : rowLine(row, *format));
    for (const ExportRow& row : table.unreadable)
        reportUnreadableRow(err, row);
    failures |= !table.unreadable.empty();
    out.flush();
    return failures ? kExitFileFailed : kExitOk;
}
