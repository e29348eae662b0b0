// Renames the "Filename Edit" tab's current file to the name the person asks for, never
// over another file and never into another folder.
#pragma once

#include <optional>
#include <string>

class Dialogs;

enum class RenameStatus {
    Renamed,
    Unchanged,   // the new name is the old one: nothing to do
    Checked,     // a dry run found nothing against the rename
    InvalidName, // refused before asking
    Declined,    // the person answered other than Yes
    Exists,      // another file has the new name; nothing changed
    Failed,      // the file system refused; `reason` says why
};

struct RenameResult {
    RenameStatus status = RenameStatus::Failed;
    std::string newName; // the name renamed to, or that would have been
    std::string reason;
};

constexpr const char* kInvalidFilename = "Invalid Filename.";

// The name a requested one is renamed to, with ".mp3" appended unless it ends so in some
// letter case; nothing for a name refused as invalid: fewer than four characters or a
// leading "." (both judged before the extension is added), or a "/" or NUL byte, which
// would reach another folder or cut the name short.
std::optional<std::string> renameTargetName(const std::string& requested);

// Renames folder + oldName to folder + newName (a name renameTargetName accepted), with no
// question asked. `folder` ends with "/" or is empty for the working folder.
RenameResult renameFile(const std::string& folder, const std::string& oldName, const std::string& newName);

struct RenameRequest {
    std::string folder;        // ends with "/", or empty
    std::string oldName;       // bare names, as the file system's bytes
    std::string requestedName;
    bool dryRun = false;       // check everything, ask nothing, rename nothing
};

// The whole "Save current file" command: checks the name, asks for confirmation, renames
// and tells the person about any refusal.
RenameResult renameCurrentFile(const RenameRequest& request, Dialogs& dialogs);
