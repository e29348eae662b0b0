// varnoli-cli: the window's features without a window.
#include "commands.h"
#include "usage.h"

#include "features/common/interrupted_saves.h"

#include <algorithm>
#include <iostream>

namespace {

struct Command {
    const char* name;
    int (*run)(const Args&, std::ostream&, std::ostream&);
    const char* usage; // see usage.h
};

const Command kCommands[] = {
    {"dump", cmdDump, kDumpUsage},
    {"set", cmdSet, kSetUsage},
    {"show", cmdShow, kShowUsage},
    {"search", cmdSearch, kSearchUsage},
    {"rename", cmdRename, kRenameUsage},
    {"from-name", cmdFromName, kFromNameUsage},
    {"playlist", cmdPlaylist, kPlaylistUsage},
    {"undo", cmdUndo, kUndoUsage},
    {"repair", cmdRepair, kRepairUsage},
    {"art", cmdArt, kArtUsage},
};

void printProgramUsage(std::ostream& s)
{
    s << "usage: varnoli-cli [--help | --version] COMMAND [--help | ARGS...]; commands:";
    for (const Command& c : kCommands)
        s << ' ' << c.name;
    s << '\n';
}

void printProgramHelp(std::ostream& s)
{
    printProgramUsage(s);
    s << "\nThe tag features of Varnoli without its window. Exit codes: 0 success, 1 a file\n"
         "failed, 2 a usage error. Commands:\n\n";
    for (const Command& c : kCommands)
        printCommandSummary(s, c.usage);
}

} // namespace

int main(int argc, char** argv)
{
    std::ios::sync_with_stdio(false);
    const std::string first = argc > 1 ? argv[1] : "";
    if (first == "--help" || first == "-h") {
        printProgramHelp(std::cout);
        return kExitOk;
    }
    if (first == "--version") {
        std::cout << "varnoli-cli " VARNOLI_VERSION "\n";
        return kExitOk;
    }
    const Args args(argv + std::min(argc, 2), argv + argc);
    for (const Command& c : kCommands) {
        if (first != c.name)
            continue;
        if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
            printCommandHelp(std::cout, c.usage);
            return kExitOk;
        }
        for (const std::string& text : tidyStateFolder())
            printLine(std::cerr, "varnoli-cli: " + text);
        // Commands say what is wrong; the usage line follows every usage error.
        const int code = c.run(args, std::cout, std::cerr);
        if (code == kExitUsage)
            printUsageLine(std::cerr, c.usage);
        return code;
    }
    if (!first.empty())
        printLine(std::cerr, std::string("varnoli-cli: unknown ") + (first[0] == '-' ? "option" : "command") + " '" +
                                 first + "'");
    printProgramUsage(std::cerr);
    return kExitUsage;
}
