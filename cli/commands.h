// What varnoli-cli's commands share: exit codes, lines for people, the batch save.
#pragma once

#include "tags/core/tag_result.h"

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

struct BatchSaveOutcome;
struct BatchSaveRequest;
struct UnreadableFolder;

constexpr int kExitOk = 0;
constexpr int kExitFileFailed = 1;
constexpr int kExitUsage = 2;

// Writes a line for people, its control characters escaped as readableName shows them, so
// no file name in it can reach the terminal as an escape sequence or split the line.
void printLine(std::ostream& s, const std::string& text);
// "PATH: Error #N! Could not read Tag! (what it means)", `detail` being the engine's numbers
// where it has them.
void printReadFailure(std::ostream& err, const std::string& path, TagResult result, const std::string& detail = {});
// A line on stderr per folder that could not be read; true when there was any.
bool reportUnreadable(std::ostream& err, const char* command, const std::vector<UnreadableFolder>& folders);

// The batch save as `set` runs it: progress and failures on stderr, the exit code back;
// what the save came to in `outcome` when given.
int runSaveRequest(const BatchSaveRequest& request, const char* command, std::ostream& err,
                   BatchSaveOutcome* outcome = nullptr);
