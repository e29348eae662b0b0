// What varnoli-cli says about its commands: a command's text is its synopsis (the usage
// line, after "varnoli-cli "), a one-line summary, then any further lines of its --help.
#pragma once

#include <iosfwd>

extern const char* const kDumpUsage;
extern const char* const kSetUsage;
extern const char* const kShowUsage;
extern const char* const kSearchUsage;
extern const char* const kRenameUsage;
extern const char* const kFromNameUsage;
extern const char* const kPlaylistUsage;
extern const char* const kUndoUsage;
extern const char* const kRepairUsage;
extern const char* const kArtUsage;

// "usage: varnoli-cli " and the synopsis of a command's text.
void printUsageLine(std::ostream& s, const char* usage);
// The whole text, for the command's --help.
void printCommandHelp(std::ostream& s, const char* usage);
// The synopsis and summary of one command, for the program's --help.
void printCommandSummary(std::ostream& s, const char* usage);
