// An action written as words, the same on varnoli-cli's command line and on a recipe's line:
// "--fields title,album --case title", "--replace & and", "--regex "^(.*) \(Live\)$" "$1"".
#pragma once

#include "actions.h"

#include <optional>
#include <string>
#include <vector>

// The action the words make, or nothing with `problem` saying why: no action or two, an
// unknown word, a field that is no named field, a regular expression that does not compile.
std::optional<Action> parseActionWords(const std::vector<std::string>& words, std::string& problem);

// A line split into words at spaces; "..." holds spaces, and \" and \\ inside it stand for
// themselves. Nothing when a quote is not closed.
std::optional<std::vector<std::string>> splitLine(const std::string& line);
// The words as one line splitLine gives back, quoted where they need it.
std::string joinLine(const std::vector<std::string>& words);
