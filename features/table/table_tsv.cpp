// Tab-separated text in and out of the tag table.
#include "features/table/table_tsv.h"

namespace {

bool needsQuotes(const Utf8Text& cell)
{
    return cell.find_first_of("\t\r\n\"") != std::string::npos;
}

void appendCell(std::string& out, const Utf8Text& cell)
{
    if (!needsQuotes(cell)) {
        out += cell;
        return;
    }
    out += '"';
    for (char c : cell) {
        out += c;
        if (c == '"')
            out += '"';
    }
    out += '"';
}

// Reads a quoted cell from the quote at `at`; leaves `at` after its closing quote.
Utf8Text quotedCell(const std::string& text, std::size_t& at)
{
    Utf8Text cell;
    for (++at; at < text.size(); ++at) {
        if (text[at] != '"') {
            cell += text[at];
        } else if (at + 1 < text.size() && text[at + 1] == '"') {
            cell += '"';
            ++at;
        } else {
            ++at;
            break;
        }
    }
    return cell;
}

} // namespace

std::string formatTsv(const TextBlock& block)
{
    std::string out;
    for (const std::vector<Utf8Text>& row : block) {
        for (std::size_t i = 0; i < row.size(); ++i) {
            if (i > 0)
                out += '\t';
            appendCell(out, row[i]);
        }
        out += '\n';
    }
    return out;
}

TextBlock parseTsv(const std::string& text)
{
    TextBlock block;
    std::vector<Utf8Text> row;
    Utf8Text cell;
    std::size_t at = 0;
    while (at < text.size()) {
        const char c = text[at];
        if (c == '"' && cell.empty()) {
            cell = quotedCell(text, at);
            continue;
        }
        ++at;
        if (c == '\t') {
            row.push_back(std::move(cell));
            cell.clear();
        } else if (c == '\n' || c == '\r') {
            if (c == '\r' && at < text.size() && text[at] == '\n')
                ++at;
            row.push_back(std::move(cell));
            cell.clear();
            block.push_back(std::move(row));
            row.clear();
        } else {
            cell += c;
        }
    }
    if (!cell.empty() || !row.empty()) {
        row.push_back(std::move(cell));
        block.push_back(std::move(row));
    }
    return block;
}
