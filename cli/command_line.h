// varnoli-cli's commands, each described once, and the one parser of their arguments.
#pragma once

#include <cstddef>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

using Args = std::vector<std::string>;

struct Option {
    const char* names;           // its spellings, the short one first: "-r, --recursive"
    const char* value = nullptr; // the placeholder of its value; null for a switch; "OLD NEW" takes two
    const char* help = "";       // one line for --help and the manual page
    bool utf8 = false;           // the value must be UTF-8 text
    bool required = false;
};

// The last spelling of an option, by which commands ask for it: "--recursive".
std::string_view longName(const Option& option);
// Its spellings and placeholder as help lists them: "--title T".
std::string optionTerm(const Option& option);

// What a command line gave: its options in the order given, and the other arguments.
class CommandArgs {
public:
    bool has(std::string_view option) const;
    // The value of the option's last use, or null when it was not given.
    const std::string* value(std::string_view option) const;
    // Each option given as its long name and its value (empty for a switch).
    const std::vector<std::pair<std::string_view, std::string>>& options() const { return m_options; }
    const Args& operands() const { return m_operands; }

private:
    friend std::optional<CommandArgs> parseCommandArgs(const struct Command&, const Args&, std::ostream&);
    std::vector<std::pair<std::string_view, std::string>> m_options;
    Args m_operands;
};

struct Command {
    const char* name;
    const char* synopsis; // the usage line after "varnoli-cli "
    const char* summary;  // one line
    std::vector<Option> options;
    const char* notes; // the rest of its --help, whole lines
    std::size_t minOperands;
    const char* missingOperands; // the usage error when fewer are given
    int (*run)(const CommandArgs& args, std::ostream& out, std::ostream& err);
};

// Every command, in the order --help lists them.
const std::vector<Command>& commandTable();
const Command* findCommand(std::string_view name);

// Prints "varnoli-cli COMMAND: problem"; the caller's usage line follows from main.
std::nullopt_t usageError(std::ostream& err, const char* command, const std::string& problem);
// Whether an option's value is UTF-8; false with the usage error printed.
bool utf8Argument(std::ostream& err, const char* command, const std::string& option, const std::string& value);

// Options start with "-" (any argument after "--" is an operand). An unknown option, a
// missing or non-UTF-8 value, a missing required option or too few operands is a usage
// error, said on `err`, and gives nothing.
std::optional<CommandArgs> parseCommandArgs(const Command& command, const Args& args, std::ostream& err);

// The texts --help prints; the manual page is made from the same table.
void printUsageLine(std::ostream& s, const Command& command);
void printCommandHelp(std::ostream& s, const Command& command);
void printProgramUsage(std::ostream& s);
void printProgramHelp(std::ostream& s);
// What varnoli-cli is, for its --help and the description of its manual page.
extern const char* const kProgramDescription;
// The exit codes and the files varnoli-cli keeps, a paragraph each.
extern const char* const kExitCodesText;
extern const char* const kFilesText;
