// Tables of tag fields as text: CSV (RFC 4180), TSV with escaped tabs and line breaks, and
// JSON Lines, written one row at a time and read back whole.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

enum class TableFormat { Csv, Tsv, Json };

// The format a table's file name says: ".csv", ".tsv" or ".tab", ".json", ".jsonl" or
// ".ndjson", in any letter case; nothing for another name.
std::optional<TableFormat> tableFormatOf(const std::string& path);
// "csv", "tsv" or "json"; nothing for another word.
std::optional<TableFormat> tableFormatNamed(const std::string& word);

// One line of a CSV or TSV table, its line break included: CSV ends a line with CR LF and
// quotes a cell holding a comma, a quote, CR or LF, its quotes doubled; TSV writes a tab, a
// line break and a backslash inside a cell as \t, \n (\r for CR) and \\.
std::string csvLine(const std::vector<std::string>& cells);
std::string tsvLine(const std::vector<std::string>& cells);

// A table read from text. A cell the row does not hold (a member a JSON line leaves out) is
// nothing; an empty cell is the empty text.
struct TextTable {
    std::vector<std::string> header;
    std::vector<std::vector<std::optional<std::string>>> rows; // each as long as the header
    std::vector<std::size_t> lines; // the line each row starts on, from 1
};

// Reads the whole text of a table: a UTF-8 byte order mark is skipped, lines may end in
// CR LF or LF, a CSV cell in quotes may hold line breaks. Why the text is no such table, in
// words (a quote left open, a row whose cells do not match the header, a line that is no
// JSON object of texts); nothing when it is.
std::optional<std::string> readTable(const std::string& text, TableFormat format, TextTable& table);
// The JSON Lines reader beside it; one object a line, members of texts, numbers, arrays of
// texts (joined with "; ") or null (an empty cell). Columns in the order they first appear.
std::optional<std::string> readJsonLines(const std::string& text, TextTable& table);
