// `check --encoding` until the code page checks arrive: said to be unavailable, nothing read.
#include "check_encoding.h"
#include "command_line.h"
#include "commands.h"

int runEncodingCheck(const std::vector<std::string>&, bool, std::ostream&, std::ostream& err)
{
    usageError(err, "check", "--encoding is not available yet");
    return kExitUsage;
}
