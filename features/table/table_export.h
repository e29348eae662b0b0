// Export of a tag table: one row per file, the column "file" first, then the fields.
#pragma once

#include "features/table/table_columns.h"
#include "features/table/table_text.h"
#include "tags/core/tag_result.h"

#include <string>
#include <vector>

struct ExportRow {
    std::string file;
    std::vector<Utf8Text> cells; // one per column
    TagResult v1Result = 0, v2Result = 0;
};

struct ExportTable {
    std::vector<TableColumn> columns;
    std::vector<ExportRow> rows;
    // Files whose tags could not be read get no row: an import of it would clear their fields.
    std::vector<ExportRow> unreadable;
};

// The rows of the files in order. With no columns asked, the seven and then every named
// field any of the files holds, in the order of the field table.
ExportTable exportTable(const std::vector<std::string>& files, const std::vector<TableColumn>& asked, Tid3tag& v1,
                        Tid3v2tag& v2);

// The header line and a row's line in CSV or TSV (JSON Lines are varnoli-cli's, where JSON is written).
std::string headerLine(const ExportTable& table, TableFormat format);
std::string rowLine(const ExportRow& row, TableFormat format);
// The whole table as CSV or TSV text.
std::string tableText(const ExportTable& table, TableFormat format);
