// varnoli-cli: the window's features without a window.
#include "command_line.h"
#include "commands.h"

#include "features/common/interrupted_saves.h"
#include "features/encoding/code_page_guess.h"
#include "features/encoding/eight_bit_text.h"
#include "features/index/tag_index.h"
#include "features/index/written_files.h"
#include "platform/file_system.h"

#include <algorithm>
#include <iostream>

namespace {

// --v1-codepage, for every command that has it, before the command reads a tag.
bool chooseEightBitCodePage(const Command& command, const CommandArgs& args)
{
    const std::string* name = args.value("--v1-codepage");
    if (!name)
        return true;
    const std::optional<std::string> codePage = codePageNamed(*name);
    if (!codePage) {
        usageError(std::cerr, command.name, "--v1-codepage: '" + *name + "' names no code page this system converts");
        return false;
    }
    setEightBitCodePage(*codePage);
    return true;
}

int runCommand(const Command& command, const Args& args)
{
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        printCommandHelp(std::cout, command);
        return kExitOk;
    }
    for (const std::string& text : tidyStateFolder())
        printLine(std::cerr, "varnoli-cli: " + text);
    // Whoever finds a usage error says what is wrong; the usage line follows it here, once.
    const std::optional<CommandArgs> parsed = parseCommandArgs(command, args, std::cerr);
    keepWrittenFiles();
    const int code = parsed && chooseEightBitCodePage(command, *parsed) ? command.run(*parsed, std::cout, std::cerr)
                                                                         : kExitUsage;
    tellIndexOfWrittenFiles();
    if (code == kExitUsage)
        printUsageLine(std::cerr, command);
    return code;
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
    if (const Command* command = findCommand(first))
        return runCommand(*command, Args(argv + 2, argv + argc));
    if (!first.empty())
        printLine(std::cerr, std::string("varnoli-cli: unknown ") + (first[0] == '-' ? "option" : "command") + " '" +
                                 first + "'");
    printProgramUsage(std::cerr);
    return kExitUsage;
}
