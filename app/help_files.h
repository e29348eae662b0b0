// The files made at build time from the texts --help prints: manual pages and completion.
#pragma once

#include <string>

std::string windowManualPage();
std::string cliManualPage();
// Completion for bash of both programs' commands, options, field names and files.
std::string bashCompletion();
