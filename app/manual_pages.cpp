// The manual pages varnoli.1 and varnoli-cli.1, made from the texts --help prints.
#include "help_files.h"
#include "window_usage.h"

#include "cli/command_line.h"

#include <sstream>
#include <string>

namespace {

// Text as roff shows it: backslashes and minus signs kept, no line read as a request.
std::string roff(const std::string& text)
{
    std::string out;
    bool lineStart = true;
    for (const char c : text) {
        if (lineStart && (c == '.' || c == '\''))
            out += "\\&";
        if (c == '\\')
            out += "\\e";
        else if (c == '-')
            out += "\\-";
        else
            out += c;
        lineStart = c == '\n';
    }
    if (!out.empty() && out.back() != '\n')
        out += '\n';
    return out;
}

// The page's head; hyphenation and justification off, so that every word stays as --help has it.
std::string pageHead(const std::string& name, const std::string& purpose, const std::string& synopsis)
{
    std::string upper = name;
    for (char& c : upper)
        c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    return ".TH " + upper + " 1 \"\" \"Varnoli " VARNOLI_VERSION "\" \"User Commands\"\n.nh\n.ad l\n"
           ".SH NAME\n" + roff(name + " - " + purpose) + ".SH SYNOPSIS\n.B " + roff(name) + roff(synopsis);
}

std::string section(const char* title, const std::string& text) { return std::string(".SH ") + title + "\n" + roff(text); }

std::string option(const std::string& term, const std::string& help) { return ".TP\n.B " + roff(term) + roff(help); }

std::string commandEntry(const Command& command)
{
    std::string out = ".SS " + roff(command.name) + ".B varnoli\\-cli " + roff(command.synopsis) + ".PP\n" +
                      roff(command.summary);
    for (const Option& o : command.options)
        out += option(optionTerm(o), o.help);
    if (*command.notes)
        out += ".PP\n" + roff(command.notes);
    return out;
}

} // namespace

std::string cliManualPage()
{
    std::ostringstream usage;
    printProgramUsage(usage);
    const std::string synopsis = usage.str().substr(usage.str().find(' ', 7) + 1);
    std::string page = pageHead("varnoli-cli", "the tag features of Varnoli without its window",
                                synopsis.substr(0, synopsis.find(';'))) +
                       section("DESCRIPTION", kProgramDescription) + ".SH COMMANDS\n";
    for (const Command& command : commandTable())
        page += commandEntry(command);
    return page + section("EXIT STATUS", kExitCodesText) + section("FILES", kFilesText) +
           section("SEE ALSO", "varnoli(1)");
}

std::string windowManualPage()
{
    std::string page = pageHead("varnoli", "an editor of the tags of MP3 files, their names and playlists",
                                kWindowSynopsis) +
                       section("DESCRIPTION", kWindowDescription) + ".SH OPTIONS\n";
    for (const WindowArgumentHelp& a : kWindowArguments)
        page += option(a.term, a.help);
    return page + section("FILES", kWindowFilesText) + section("SEE ALSO", "varnoli-cli(1)");
}
