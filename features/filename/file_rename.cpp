// Renames the tab's current file after checking the new name and asking.
#include "file_rename.h"

#include "features/undo/undo.h"

#include "features/common/dialogs.h"
#include "features/common/text.h"
#include "features/index/written_files.h"
#include "platform/file_system.h"

#include <cstddef>

namespace {

RenameResult resultOf(const platform::RenameOutcome& outcome, RenameStatus success, const std::string& newName)
{
    switch (outcome.kind) {
    case platform::RenameOutcome::Renamed: return {success, newName, {}};
    case platform::RenameOutcome::Exists: return {RenameStatus::Exists, newName, {}};
    case platform::RenameOutcome::Failed: break;
    }
    return {RenameStatus::Failed, newName, outcome.reason};
}

void reportRefusal(const RenameResult& result, const std::string& oldName, Dialogs& dialogs)
{
    if (result.status == RenameStatus::Exists)
        dialogs.error("A file named '" + result.newName + "' already exists. The file '" + oldName +
                      "' was not renamed.");
    else if (result.status == RenameStatus::Failed)
        dialogs.error("Could not rename the file '" + oldName + "' to '" + result.newName + "': " +
                      result.reason + ".");
}

} // namespace

std::optional<std::string> renameTargetName(const std::string& requested)
{
    if (utf8Length(requested) < 4 || requested[0] == '.' ||
        requested.find_first_of(std::string("/\0", 2)) != std::string::npos)
        return std::nullopt;
    return isMp3Name(requested) ? requested : requested + ".mp3";
}

RenameResult renameFile(const std::string& folder, const std::string& oldName, const std::string& newName)
{
    if (newName == oldName)
        return {RenameStatus::Unchanged, newName, {}};
    const platform::RenameOutcome outcome = platform::renameWithoutReplacing(folder + oldName, folder + newName);
    if (outcome.kind == platform::RenameOutcome::Renamed)
        noteRenamed(folder + oldName, folder + newName);
    return resultOf(outcome, RenameStatus::Renamed, newName);
}

RenameResult renameCurrentFile(const RenameRequest& request, Dialogs& dialogs)
{
    const std::optional<std::string> newName = renameTargetName(request.requestedName);
    if (!newName) {
        dialogs.error(kInvalidFilename);
        return {RenameStatus::InvalidName, request.requestedName, {}};
    }
    RenameResult result;
    if (request.dryRun) {
        result = *newName == request.oldName
                     ? RenameResult{RenameStatus::Unchanged, *newName, {}}
                     : resultOf(platform::probeRename(request.folder + request.oldName, request.folder + *newName),
                                RenameStatus::Checked, *newName);
    } else {
        if (dialogs.confirm("Do you wish to rename the file '" + request.oldName + "' to '" + *newName + "'?") !=
            Dialogs::Yes)
            return {RenameStatus::Declined, *newName, {}};
        // Recorded before the file is touched, so the rename can always be taken back.
        std::string why;
        std::optional<uint64_t> entry;
        if (*newName != request.oldName) {
            entry = journalRename(request.folder + request.oldName, request.folder + *newName, why);
            if (!entry) {
                dialogs.error(journalUnwritableText(why) + ": the file was not renamed.");
                return {RenameStatus::Failed, *newName, why};
            }
        }
        result = renameFile(request.folder, request.oldName, *newName);
        if (entry && result.status != RenameStatus::Renamed)
            forgetRenames(*entry);
    }
    reportRefusal(result, request.oldName, dialogs);
    return result;
}
