// The commands of varnoli-cli; each returns the process exit code.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

using Args = std::vector<std::string>;

constexpr int kExitOk = 0;
constexpr int kExitFileFailed = 1;
constexpr int kExitUsage = 2;

int cmdDump(const Args& args, std::ostream& out, std::ostream& err);
int cmdSet(const Args& args, std::ostream& out, std::ostream& err);
int cmdSearch(const Args& args, std::ostream& out, std::ostream& err);
int cmdShow(const Args& args, std::ostream& out, std::ostream& err);
int cmdRename(const Args& args, std::ostream& out, std::ostream& err);
int cmdPlaylist(const Args& args, std::ostream& out, std::ostream& err);
int cmdUndo(const Args& args, std::ostream& out, std::ostream& err);
int cmdRepair(const Args& args, std::ostream& out, std::ostream& err);
