// Whether an output goes to a person at a terminal.
#pragma once

namespace platform {

// The file descriptor is open on a terminal (0 stdin, 1 stdout, 2 stderr).
bool isTerminal(int fd);

} // namespace platform
