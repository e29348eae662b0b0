// varnoli-cli rename: the "Filename Edit" tab's new name from tag fields, and its rename.
#include "command_line.h"
#include "commands.h"

#include "status_line.h"

#include "features/common/dialogs.h"
#include "features/common/progress.h"
#include "features/filename/batch_rename.h"
#include "platform/terminal.h"
#include "tags/id3v1/id3.h"
#include "tags/id3v2/id3v2.h"

#include <optional>
#include <ostream>

namespace {

struct RenameArgs {
    bool dryRun = false;
    NameSource source;
    std::vector<std::string> files;
};

// The comma-separated field names into the layout, in any letter case; an empty name is an
// empty position. An ID3v1 tag holds the seven only.
bool parseFields(const std::string& list, bool v2, FilenameLayout& layout, std::string& problem)
{
    std::size_t position = 0, start = 0;
    while (true) {
        const std::size_t comma = list.find(',', start);
        const std::string name = list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        if (position == layout.positions.size()) {
            problem = "--fields: at most seven positions";
            return false;
        }
        const NamedField* field = name.empty() ? nullptr : fieldNamedOrCaptioned(name);
        if (!name.empty() && !field) {
            problem = "--fields: '" + name + "' is none of Artist, Title, Album, Year, Genre, Comment, Track "
                      "nor a named field (albumartist, disc, ...)";
            return false;
        }
        if (field && !field->seven && !v2) {
            problem = "--fields: an ID3v1 tag has no " + std::string(field->name) + "; add --v2";
            return false;
        }
        layout.positions[position++] = field ? field->caption : "";
        if (comma == std::string::npos)
            return true;
        start = comma + 1;
    }
}

std::optional<RenameArgs> renameArgs(const CommandArgs& args, std::ostream& err)
{
    RenameArgs parsed;
    parsed.files = args.operands();
    parsed.dryRun = args.has("--dry-run");
    parsed.source.v2 = args.has("--v2");
    std::string problem;
    const std::string* fields = args.value("--fields");
    const std::string* pattern = args.value("--pattern");
    if (!fields == !pattern)
        return usageError(err, "rename", "give either --fields or --pattern");
    if (pattern && (args.has("--delimiter") || args.has("--track-digits")))
        return usageError(err, "rename", "--delimiter and --track-digits go with --fields; a pattern holds its own");
    if (pattern && !(parsed.source.pattern = parsePattern(*pattern, problem)))
        return usageError(err, "rename", "--pattern: " + problem);
    if (fields && !parseFields(*fields, parsed.source.v2, parsed.source.layout, problem))
        return usageError(err, "rename", problem);
    if (const std::string* delimiter = args.value("--delimiter"))
        parsed.source.layout.delimiter = *delimiter;
    if (const std::string* digits = args.value("--track-digits")) {
        if (digits->size() != 1 || (*digits)[0] < '0' || (*digits)[0] > '9')
            return usageError(err, "rename", "--track-digits: a number from 0 to 9");
        parsed.source.layout.trackDigits = static_cast<std::size_t>((*digits)[0] - '0');
    }
    return parsed;
}

} // namespace

int cmdRename(const CommandArgs& args, std::ostream& out, std::ostream& err)
{
    const std::optional<RenameArgs> parsed = renameArgs(args, err);
    if (!parsed)
        return kExitUsage;
    Tid3tag v1;
    Tid3v2tag v2;
    const RenamePlan plan = planRenames(parsed->files, parsed->source, v1, v2);
    // With any clash nothing is renamed, so the folder is never left half done.
    for (const PlannedRename& r : plan.files)
        if (r.clashes())
            printLine(err, clashText(r));
    if (plan.clashes() > 0) {
        printLine(err, "Nothing was renamed.");
        return kExitFileFailed;
    }
    for (const PlannedRename& r : plan.files)
        printLine(out, r.oldPath() + " -> " + r.newPath());
    if (parsed->dryRun)
        return kExitOk;
    StatusLine status(err, platform::isTerminal(2));
    CountProgress progress(status, "rename", noProgress());
    const BatchRenameOutcome outcome = renamePlanned(plan, progress);
    for (const std::string& line : outcome.failures)
        printLine(err, line);
    return outcome.failures.empty() ? kExitOk : kExitFileFailed;
}
