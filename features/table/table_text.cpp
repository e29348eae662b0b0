// Tables of tag fields as CSV and TSV text, written and read back.
#include "features/table/table_text.h"

#include <algorithm>
#include <cctype>

namespace {

std::string lowerExtension(const std::string& path)
{
    const std::size_t dot = path.find_last_of("./");
    if (dot == std::string::npos || path[dot] != '.')
        return {};
    std::string extension = path.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

std::string csvCell(const std::string& cell)
{
    if (cell.find_first_of(",\"\r\n") == std::string::npos)
        return cell;
    std::string quoted = "\"";
    for (char c : cell)
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + '"';
}

std::string tsvCell(const std::string& cell)
{
    std::string escaped;
    for (char c : cell) {
        switch (c) {
        case '\t': escaped += "\\t"; break;
        case '\n': escaped += "\\n"; break;
        case '\r': escaped += "\\r"; break;
        case '\\': escaped += "\\\\"; break;
        default: escaped += c;
        }
    }
    return escaped;
}

std::string tsvUnescaped(const std::string& cell)
{
    std::string text;
    for (std::size_t i = 0; i < cell.size(); ++i) {
        const char next = i + 1 < cell.size() ? cell[i + 1] : '\0';
        if (cell[i] != '\\' || (next != 't' && next != 'n' && next != 'r' && next != '\\')) {
            text += cell[i];
            continue;
        }
        text += next == 't' ? '\t' : next == 'n' ? '\n' : next == 'r' ? '\r' : '\\';
        ++i;
    }
    return text;
}

// Reads CSV records: each a list of cells and the line it starts on.
struct CsvReader {
    const std::string& text;
    std::size_t at = 0, line = 1;

    bool atEnd() const { return at >= text.size(); }
    // One record; why not when a quote is left open.
    std::optional<std::string> record(std::vector<std::string>& cells)
    {
        cells.assign(1, std::string());
        bool quoted = false;
        for (; at < text.size(); ++at) {
            const char c = text[at];
            if (quoted) {
                if (c == '"' && at + 1 < text.size() && text[at + 1] == '"')
                    cells.back() += text[++at];
                else if (c == '"')
                    quoted = false;
                else
                    cells.back() += c;
                line += c == '\n';
                continue;
            }
            if (c == '"')
                quoted = true;
            else if (c == ',')
                cells.emplace_back();
            else if (c == '\n' || (c == '\r' && at + 1 < text.size() && text[at + 1] == '\n')) {
                at += c == '\r' ? 2 : 1;
                ++line;
                return std::nullopt;
            } else
                cells.back() += c;
        }
        if (quoted)
            return "a quote opened on line " + std::to_string(line) + " is never closed";
        return std::nullopt;
    }
};

std::optional<std::string> addRow(TextTable& table, std::vector<std::string> cells, std::size_t line)
{
    if (cells.size() != table.header.size())
        return "line " + std::to_string(line) + " has " + std::to_string(cells.size()) + " cells, the header " +
               std::to_string(table.header.size());
    table.rows.emplace_back(std::make_move_iterator(cells.begin()), std::make_move_iterator(cells.end()));
    table.lines.push_back(line);
    return std::nullopt;
}

std::optional<std::string> readCsv(const std::string& text, TextTable& table)
{
    CsvReader reader{text};
    std::vector<std::string> cells;
    for (bool first = true; !reader.atEnd(); first = false) {
        const std::size_t line = reader.line;
        if (std::optional<std::string> problem = reader.record(cells))
            return problem;
        if (first)
            table.header = cells;
        else if (!(cells.size() == 1 && cells[0].empty()))
            if (std::optional<std::string> problem = addRow(table, std::move(cells), line))
                return problem;
    }
    return std::nullopt;
}

std::optional<std::string> readTsv(const std::string& text, TextTable& table)
{
    std::size_t line = 0;
    for (std::size_t at = 0; at < text.size();) {
        std::size_t end = text.find('\n', at);
        end = end == std::string::npos ? text.size() : end;
        std::string content = text.substr(at, end - at);
        if (!content.empty() && content.back() == '\r')
            content.pop_back();
        at = end + 1;
        ++line;
        std::vector<std::string> cells;
        for (std::size_t from = 0;;) {
            const std::size_t tab = content.find('\t', from);
            cells.push_back(tsvUnescaped(content.substr(from, tab - from)));
            if (tab == std::string::npos)
                break;
            from = tab + 1;
        }
        if (line == 1)
            table.header = cells;
        else if (!content.empty())
            if (std::optional<std::string> problem = addRow(table, std::move(cells), line))
                return problem;
    }
    return std::nullopt;
}

} // namespace

std::optional<TableFormat> tableFormatOf(const std::string& path)
{
    const std::string extension = lowerExtension(path);
    if (extension == "csv")
        return TableFormat::Csv;
    if (extension == "tsv" || extension == "tab")
        return TableFormat::Tsv;
    if (extension == "json" || extension == "jsonl" || extension == "ndjson")
        return TableFormat::Json;
    return std::nullopt;
}

std::optional<TableFormat> tableFormatNamed(const std::string& word)
{
    return word == "csv" ? std::optional(TableFormat::Csv)
         : word == "tsv" ? std::optional(TableFormat::Tsv)
         : word == "json" ? std::optional(TableFormat::Json) : std::nullopt;
}

std::string csvLine(const std::vector<std::string>& cells)
{
    std::string line;
    for (std::size_t i = 0; i < cells.size(); ++i)
        line += (i ? "," : "") + csvCell(cells[i]);
    return line + "\r\n";
}

std::string tsvLine(const std::vector<std::string>& cells)
{
    std::string line;
    for (std::size_t i = 0; i < cells.size(); ++i)
        line += (i ? "\t" : "") + tsvCell(cells[i]);
    return line + "\n";
}

std::optional<std::string> readTable(const std::string& text, TableFormat format, TextTable& table)
{
    table = TextTable();
    const std::string kBom = "\xEF\xBB\xBF";
    const std::string body = text.compare(0, kBom.size(), kBom) == 0 ? text.substr(kBom.size()) : text;
    std::optional<std::string> problem = format == TableFormat::Csv   ? readCsv(body, table)
                                         : format == TableFormat::Tsv ? readTsv(body, table)
                                                                      : readJsonLines(body, table);
    if (!problem && table.header.empty())
        problem = "the table is empty";
    return problem;
}
