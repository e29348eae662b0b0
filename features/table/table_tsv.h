// Blocks of cells as tab-separated text, the way spreadsheets copy and paste them.
#pragma once

#include "tags/core/utf8_text.h"

#include <string>
#include <vector>

using TextBlock = std::vector<std::vector<Utf8Text>>; // rows of cells

// One line per row, cells between tabs; a cell holding a tab, a line break or a quote is
// quoted, its quotes doubled.
std::string formatTsv(const TextBlock& block);
// Reads what formatTsv writes, and spreadsheets' text: "\r\n" line ends, a last line end or
// none, quoted cells. Empty text is no rows.
TextBlock parseTsv(const std::string& text);
