// What varnoli-cli says about its commands: a command's text is its synopsis (the usage
// line, after "varnoli-cli "), a one-line summary, then any further lines of its --help.
#pragma once

#include <iosfwd>

extern const char* const kDumpUsage;
extern const char* const kSetUsage;
extern const char* const kShowUsage;

// The text of a command whose table row gives none; null for a name it does not know.
const char* knownUsage(const char* command);

// "usage: varnoli-cli " and the synopsis of a command's text.
void printUsageLine(std::ostream& s, const char* usage);
// The whole text, for the command's --help.
void printCommandHelp(std::ostream& s, const char* usage);
// The synopsis and summary of one command, for the program's --help.
void printCommandSummary(std::ostream& s, const char* usage);
