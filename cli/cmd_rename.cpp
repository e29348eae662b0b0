// varnoli-cli rename: the "Filename Edit" tab's new name from tag fields, and its rename.
#include "cli_dialogs.h"
#include "commands.h"

#include "features/common/text.h"
#include "features/filename/file_rename.h"
#include "features/filename/filename_builder.h"
#include "tags/id3.h"
#include "tags/id3v2.h"

#include <optional>
#include <ostream>

namespace {

struct RenameArgs {
    bool v2 = false, dryRun = false;
    FilenameLayout layout;
    std::string file;
};

// The comma-separated position names into the layout; an empty name is an empty position.
bool parseFields(const std::string& list, FilenameLayout& layout, std::string& problem)
{
    std::size_t position = 0, start = 0;
    while (true) {
        const std::size_t comma = list.find(',', start);
        const std::string name = list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        if (position == layout.positions.size()) {
            problem = "--fields: at most seven positions";
            return false;
        }
        if (!name.empty() && !positionField(name)) {
            problem = "--fields: '" + name + "' is none of Artist, Title, Album, Year, Genre, Comment, Track";
            return false;
        }
        layout.positions[position++] = name;
        if (comma == std::string::npos)
            return true;
        start = comma + 1;
    }
}

std::optional<RenameArgs> parseRenameArgs(const Args& args, std::ostream& err)
{
    RenameArgs parsed;
    bool fieldsGiven = false, optionsEnded = false;
    std::vector<std::string> files;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.empty() || arg[0] != '-') {
            files.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--v2") {
            parsed.v2 = true;
        } else if (arg == "--dry-run") {
            parsed.dryRun = true;
        } else if (arg == "--fields" || arg == "--delimiter") {
            if (i + 1 == args.size())
                return usageError(err, "rename", arg + " needs a value");
            const std::string& value = args[++i];
            std::string problem;
            if (arg == "--delimiter")
                parsed.layout.delimiter = value;
            else if (!parseFields(value, parsed.layout, problem))
                return usageError(err, "rename", problem);
            fieldsGiven = fieldsGiven || arg == "--fields";
        } else {
            return usageError(err, "rename", "unknown option '" + arg + "'");
        }
    }
    if (!fieldsGiven || files.size() != 1)
        return usageError(err, "rename", fieldsGiven ? "one FILE is needed" : "--fields is needed");
    parsed.file = files.front();
    return parsed;
}

} // namespace

int cmdRename(const Args& args, std::ostream& out, std::ostream& err)
{
    const std::optional<RenameArgs> parsed = parseRenameArgs(args, err);
    if (!parsed)
        return kExitUsage;
    const std::string& file = parsed->file;
    if (!isMp3Name(file)) {
        printLine(err, file + ": not renamed, the name does not end in .mp3");
        return kExitFileFailed;
    }
    const std::size_t slash = file.rfind('/');
    RenameRequest request;
    request.folder = slash == std::string::npos ? std::string() : file.substr(0, slash + 1);
    request.oldName = file.substr(request.folder.size());
    request.dryRun = parsed->dryRun;
    if (parsed->v2) {
        Tid3v2tag tag;
        request.requestedName = BuildPreviewV2(readFilenameFieldsV2(file, tag).fields, parsed->layout);
    } else {
        Tid3tag tag;
        request.requestedName = BuildPreviewV1(readFilenameFieldsV1(file, tag).fields, parsed->layout);
    }
    CliDialogs dialogs(err);
    const RenameResult result = renameCurrentFile(request, dialogs);
    switch (result.status) {
    case RenameStatus::Renamed:
    case RenameStatus::Unchanged:
    case RenameStatus::Checked: printLine(out, result.newName); return kExitOk;
    default: return kExitFileFailed;
    }
}
