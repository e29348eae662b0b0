// What the POSIX files of the platform layer share: the system's words for an error, the
// tests' injected faults, and how a name and permission bits are judged.
#pragma once

#include "file_system.h"

#include <sys/stat.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

namespace platform::posix {

std::string errnoText(const char* what);
std::string baseName(const std::string& path);
// A name beginning with "." marks a hidden file.
bool hiddenName(const std::string& path);
// Whether the permission bits let this user write, root included.
bool callerMayWrite(const struct stat& st);
// Why something that is not a regular file holds no tags.
std::string notRegularText(mode_t mode);

// The countdowns of the tests' injected faults; 0 is off.
extern uint64_t g_readFault, g_writeFault, g_killFault;
extern std::string g_watchedPath;
extern std::atomic<uint64_t> g_opens;
// A write this small is put down whole or not at all by an injected failure.
constexpr std::size_t kUntornWrite = 512;
// Counts a call down towards its injected failure; true when this call is the one.
bool faultDue(uint64_t& countdown);

} // namespace platform::posix
