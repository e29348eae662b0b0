// What `varnoli --help` says, and its manual page with it: the arguments and the files.
#pragma once

#include <iosfwd>

struct WindowArgumentHelp {
    const char* term;
    const char* help;
};

extern const char* const kWindowSynopsis;    // after "varnoli "
extern const char* const kWindowDescription; // whole lines
extern const WindowArgumentHelp kWindowArguments[5];
extern const char* const kWindowFilesText;

void printWindowHelp(std::ostream& s);
