// The text-encoding checks of varnoli-cli check, for the general check to call.
#pragma once

#include "command_line.h"

#include <iosfwd>
#include <string>
#include <vector>

class Tid3tag;
class Tid3v2tag;

// One file's suspect texts: a JSON problem object each (check "encoding", severity
// "warning", with "field", "codepage" and "text" as it would read), and a line for people.
struct EncodingProblems {
    std::vector<std::string> json;
    std::vector<std::string> lines;
};
EncodingProblems encodingProblems(const std::string& path, Tid3tag& v1, Tid3v2tag& v2);

// varnoli-cli check --encoding [--json] [-r] PATH...
int checkEncoding(const CommandArgs& args, std::ostream& out, std::ostream& err);
