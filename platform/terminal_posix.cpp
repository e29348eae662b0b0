// Whether an output goes to a person at a terminal.
#include "terminal.h"

#include <unistd.h>

namespace platform {

bool isTerminal(int fd) { return ::isatty(fd) == 1; }

} // namespace platform
