// Completion for bash, its commands and options taken from varnoli-cli's command table.
#include "help_files.h"

#include "cli/command_line.h"
#include "features/common/named_fields.h"

#include <string>

namespace {

// Names of options of one command, or only those that take a value.
std::string spellings(const Command& command, bool valuesOnly)
{
    std::string out = valuesOnly ? "" : "--help";
    for (const Option& option : command.options) {
        if (valuesOnly && !option.value)
            continue;
        std::string names = option.names;
        for (std::size_t comma; (comma = names.find(',')) != std::string::npos;)
            names.erase(comma, 1);
        out += (out.empty() ? "" : " ") + names;
    }
    return out;
}

const char* const kHead = R"(# bash completion for varnoli and varnoli-cli

# Completes the last name of a comma-separated list.
_varnoli_list()
{
    local done=
    [[ $cur == *,* ]] && done=${cur%,*},
    COMPREPLY=($(compgen -P "$done" -W "$1" -- "${cur##*,}"))
    compopt -o nospace
}

_varnoli_cli()
{
    local cur prev words cword
    _init_completion || return
    if ((cword == 1)); then
        COMPREPLY=($(compgen -W "--help --version )";

const char* const kValues = R"(" -- "$cur"))
        return
    fi
    local options= values= fields=")";

const char* const kCases = R"("
    case ${words[1]} in
)";

const char* const kValuesHead = R"(        *) return ;;
    esac
    if [[ " $values " == *" $prev "* ]]; then
        case $prev in
)";

const char* const kTail = R"(
            --field) COMPREPLY=($(compgen -S = -W "$fields" -- "$cur")) && compopt -o nospace ;;
            --remove-field) COMPREPLY=($(compgen -W "$fields" -- "$cur")) ;;
            --set) _filedir '@(jpg|jpeg|png)' ;;
            --export) _filedir ;;
        esac
        return
    fi
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
        return
    fi
    case ${words[1]} in
        search) _filedir -d ;;
        playlist) _filedir '@(mp3|m3u)' ;;
        undo) ;;
        *) _filedir mp3 ;;
    esac
}
complete -F _varnoli_cli varnoli-cli

_varnoli()
{
    local cur prev words cword
    _init_completion || return
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "--help --version" -- "$cur"))
        return
    fi
    _filedir '@(mp3|m3u)'
}
complete -F _varnoli varnoli
)";

} // namespace

// The fields a list option names: the seven (as the forms caption them for --fields), then
// every other named field by its name.
std::string fieldNames(bool captions)
{
    std::string names = captions ? "" : "filename";
    for (const NamedField& field : namedFields()) {
        std::string name = field.name;
        if (captions && field.seven)
            name = field.caption;
        names += (names.empty() ? "" : " ") + name;
    }
    return names;
}

std::string bashCompletion()
{
    std::string out = kHead;
    for (const Command& command : commandTable())
        out += std::string(" ") + command.name;
    out += kValues;
    for (const NamedField& field : namedFields())
        out += std::string(&field == &namedFields().front() ? "" : " ") + field.name;
    out += kCases;
    for (const Command& command : commandTable())
        out += std::string("        ") + command.name + ") options=\"" + spellings(command, false) + "\" values=\"" +
               spellings(command, true) + "\" ;;\n";
    out += kValuesHead;
    out += "            --fields) _varnoli_list \"" + fieldNames(true) + "\" ;;\n";
    out += "            --exact | --contains) _varnoli_list \"" + fieldNames(false) + "\" ;;";
    return out + kTail;
}
