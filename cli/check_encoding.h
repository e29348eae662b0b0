// `check --encoding`: the text-encoding checks alone, one place for the command to call.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

// Checks the texts of the files for a guessed code page; the exit code back.
int runEncodingCheck(const std::vector<std::string>& files, bool json, std::ostream& out, std::ostream& err);
