// What the undo journal asks of the system beyond its files: full paths and the time.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// The path as seen from the current folder, when it is relative; unchanged otherwise.
std::string absolutePath(const std::string& path);
// Seconds since 1970.
int64_t currentTime();

} // namespace platform
