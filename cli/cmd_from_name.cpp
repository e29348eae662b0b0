// varnoli-cli from-name: tag fields read out of file names by a pattern, saved by the batch save.
#include "command_line.h"
#include "commands.h"

#include "features/common/text.h"
#include "features/tagedit/fill_from_name.h"

#include <optional>
#include <ostream>
#include <utility>

namespace {

struct FromNameArgs {
    std::optional<NamePattern> pattern;
    bool v1 = true, v2 = true, dryRun = false;
    std::vector<std::string> files;
};

std::optional<FromNameArgs> fromNameArgs(const CommandArgs& args, std::ostream& err)
{
    const bool onlyV1 = args.has("--v1"), onlyV2 = args.has("--v2");
    if (onlyV1 && onlyV2)
        return usageError(err, "from-name", "--v1 and --v2 exclude each other");
    std::string problem;
    std::optional<NamePattern> pattern = parseNamePattern(*args.value("--pattern"), problem);
    if (!pattern)
        return usageError(err, "from-name", "--pattern: " + problem);
    return FromNameArgs{std::move(pattern), !onlyV2, !onlyV1, args.has("--dry-run"), args.operands()};
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
    for (const auto& [field, text] : fill.more) {
        line += separator + std::string(field->caption) + " \"" + text + "\"";
        separator = ", ";
    }
    return line;
}

} // namespace

int cmdFromName(const CommandArgs& args, std::ostream& out, std::ostream& err)
{
    const std::optional<FromNameArgs> parsed = fromNameArgs(args, err);
    if (!parsed)
        return kExitUsage;
    const std::vector<NameFill> fills = fillFromNames(parsed->files, *parsed->pattern);
    if (const std::optional<std::string> refusal = refusedFills(*parsed->pattern, fills, parsed->v2)) {
        usageError(err, "from-name", *refusal + "; nothing was saved");
        return kExitUsage;
    }
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
