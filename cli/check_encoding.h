// The text-encoding checks of varnoli-cli check, for the general check to call.
#pragma once

#include "command_line.h"

#include <iosfwd>

// varnoli-cli check --encoding [--json] [-r] PATH...
int checkEncoding(const CommandArgs& args, std::ostream& out, std::ostream& err);
