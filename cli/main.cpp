// varnoli-cli: the window's features without a window.
#include "commands.h"

#include "features/common/interrupted_saves.h"

#include <cstring>
#include <iostream>

namespace {

struct Command {
    const char* name;
    int (*run)(const Args&, std::ostream&, std::ostream&);
};

constexpr Command kCommands[] = {
    {"dump", cmdDump},
    {"set", cmdSet},
    {"repair", cmdRepair},
};

} // namespace

int main(int argc, char** argv)
{
    std::ios::sync_with_stdio(false);
    if (argc < 2) {
        std::cerr << "usage: varnoli-cli COMMAND [ARGS...]; commands:";
        for (const Command& c : kCommands)
            std::cerr << ' ' << c.name;
        std::cerr << '\n';
        return kExitUsage;
    }
    const Args args(argv + 2, argv + argc);
    for (const Command& c : kCommands) {
        if (std::strcmp(argv[1], c.name) != 0)
            continue;
        for (const std::string& text : interruptedSaveTexts())
            std::cerr << "varnoli-cli: " << text << '\n';
        return c.run(args, std::cout, std::cerr);
    }
    std::cerr << "varnoli-cli: unknown command '" << argv[1] << "'\n";
    return kExitUsage;
}
