// The parser every command's arguments go through, and the help texts made from the table.
#include "command_line.h"

#include "features/common/text.h"

#include <algorithm>
#include <ostream>

std::string_view longName(const Option& option)
{
    const std::string_view names = option.names;
    const std::size_t space = names.rfind(' ');
    return space == std::string_view::npos ? names : names.substr(space + 1);
}

bool CommandArgs::has(std::string_view option) const { return value(option) != nullptr; }

const std::string* CommandArgs::value(std::string_view option) const
{
    const auto last = std::find_if(m_options.rbegin(), m_options.rend(),
                                   [option](const auto& given) { return given.first == option; });
    return last == m_options.rend() ? nullptr : &last->second;
}

namespace {

const Option* optionSpelled(const Command& command, std::string_view spelling)
{
    for (const Option& option : command.options) {
        std::string_view names = option.names;
        while (!names.empty()) {
            const std::size_t comma = names.find(", ");
            if (names.substr(0, comma) == spelling)
                return &option;
            names = comma == std::string_view::npos ? std::string_view() : names.substr(comma + 2);
        }
    }
    return nullptr;
}

// The first required option missing, then too few operands.
std::optional<std::string> missingArgument(const Command& command, const CommandArgs& parsed)
{
    for (const Option& option : command.options)
        if (option.required && !parsed.has(longName(option)))
            return std::string(longName(option)) + " is needed";
    if (parsed.operands().size() < command.minOperands)
        return std::string(command.missingOperands);
    return std::nullopt;
}

} // namespace

std::optional<CommandArgs> parseCommandArgs(const Command& command, const Args& args, std::ostream& err)
{
    CommandArgs parsed;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            parsed.m_operands.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        const Option* option = optionSpelled(command, arg);
        if (!option)
            return usageError(err, command.name, "unknown option '" + arg + "'");
        // A placeholder of two words ("OLD NEW") takes two values, kept NUL-separated.
        const std::size_t count = !option->value ? 0 : std::string_view(option->value).find(' ') == std::string_view::npos ? 1 : 2;
        if (i + count >= args.size() && count > 0)
            return usageError(err, command.name, arg + (count == 2 ? " needs two values" : " needs a value"));
        std::string value;
        for (std::size_t v = 0; v < count; ++v) {
            if (option->utf8 && !utf8Argument(err, command.name, arg, args[i + 1]))
                return std::nullopt;
            value += (v > 0 ? std::string(1, '\0') : std::string()) + args[++i];
        }
        parsed.m_options.emplace_back(longName(*option), value);
    }
    if (const std::optional<std::string> missing = missingArgument(command, parsed))
        return usageError(err, command.name, *missing);
    return parsed;
}

const Command* findCommand(std::string_view name)
{
    for (const Command& command : commandTable())
        if (name == command.name)
            return &command;
    return nullptr;
}

void printUsageLine(std::ostream& s, const Command& command) { s << "usage: varnoli-cli " << command.synopsis << '\n'; }

void printCommandHelp(std::ostream& s, const Command& command)
{
    printUsageLine(s, command);
    s << '\n' << command.summary << '\n';
    std::size_t width = 0;
    for (const Option& option : command.options)
        width = std::max(width, optionTerm(option).size());
    for (const Option& option : command.options) {
        const std::string term = optionTerm(option);
        s << "  " << term << std::string(width + 2 - term.size(), ' ') << option.help << '\n';
    }
    s << command.notes;
}

void printProgramUsage(std::ostream& s)
{
    s << "usage: varnoli-cli [--help | --version] COMMAND [--help | ARGS...]; commands:";
    for (const Command& c : commandTable())
        s << ' ' << c.name;
    s << '\n';
}

void printProgramHelp(std::ostream& s)
{
    printProgramUsage(s);
    s << '\n' << kProgramDescription << "\nCommands:\n\n";
    for (const Command& c : commandTable())
        s << "  varnoli-cli " << c.synopsis << "\n      " << c.summary << '\n';
    s << '\n' << kExitCodesText << '\n' << kFilesText;
}

std::string optionTerm(const Option& option)
{
    return option.value ? std::string(option.names) + ' ' + option.value : std::string(option.names);
}
