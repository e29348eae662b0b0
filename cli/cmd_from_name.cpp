// varnoli-cli from-name: tag fields read out of file names by a pattern, saved by the batch save.
#include "commands.h"

#include "features/common/text.h"
#include "features/tagedit/fill_from_name.h"

#include <optional>
#include <ostream>

namespace {

struct FromNameArgs {
    std::optional<NamePattern> pattern;
    bool v1 = true, v2 = true, dryRun = false;
    std::vector<std::string> files;
};

std::optional<FromNameArgs> parseFromNameArgs(const Args& args, std::ostream& err)
{
    FromNameArgs parsed;
    bool onlyV1 = false, onlyV2 = false, optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.empty() || arg[0] != '-') {
            parsed.files.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--v1" || arg == "--v2" || arg == "--dry-run") {
            (arg == "--v1" ? onlyV1 : arg == "--v2" ? onlyV2 : parsed.dryRun) = true;
        } else if (arg == "--pattern") {
            if (i + 1 == args.size())
                return usageError(err, "from-name", "--pattern needs a value");
            if (!utf8Argument(err, "from-name", arg, args[i + 1]))
                return std::nullopt;
            std::string problem;
            parsed.pattern = parseNamePattern(args[++i], problem);
            if (!parsed.pattern)
                return usageError(err, "from-name", "--pattern: " + problem);
        } else {
            return usageError(err, "from-name", "unknown option '" + arg + "'");
        }
    }
    if (onlyV1 && onlyV2)
        return usageError(err, "from-name", "--v1 and --v2 exclude each other");
    if (!parsed.pattern || parsed.files.empty())
        return usageError(err, "from-name", parsed.pattern ? "a FILE is needed" : "--pattern is needed");
    parsed.v1 = !onlyV2;
    parsed.v2 = !onlyV1;
    return parsed;
}

// "a.mp3: Track "3", Artist "Björk"" in the order of the fields.
std::string fillLine(const NameFill& fill)
{
    std::string line = fill.path + ":";
    const char* separator = " ";
    for (TagField f : kAllFields)
        if (fill.present[fieldIndex(f)]) {
            line += separator + std::string(fieldName(f)) + " \"" + fill.values[fieldIndex(f)] + "\"";
            separator = ", ";
        }
    return line;
}

} // namespace

int cmdFromName(const Args& args, std::ostream& out, std::ostream& err)
{
    const std::optional<FromNameArgs> parsed = parseFromNameArgs(args, err);
    if (!parsed)
        return kExitUsage;
    const std::vector<NameFill> fills = fillFromNames(parsed->files, *parsed->pattern);
    bool unmatched = false;
    for (const NameFill& fill : fills) {
        if (!fill.matched)
            printLine(err, fill.problem);
        else if (parsed->dryRun)
            printLine(out, fillLine(fill));
        unmatched = unmatched || !fill.matched;
    }
    BatchSaveRequest request = fillRequest(fills, parsed->v1, parsed->v2);
    if (parsed->dryRun || request.files.empty())
        return unmatched ? kExitFileFailed : kExitOk;
    request.explainFailures = true;
    const int saved = runSaveRequest(request, "from-name", err);
    return unmatched ? kExitFileFailed : saved;
}
