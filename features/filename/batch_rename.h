// Renames many files at once, each from its own tags: the names are planned and checked
// against each other and the disk first, and renamed only when the person agrees.
#pragma once

#include "filename_builder.h"

#include "features/pattern/pattern.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

class Progress;
class Tid3tag;
class Tid3v2tag;

// Where the new names come from: the tag of one version, and the positions and the delimiter
// or a pattern. A pattern's "/" makes folders below `base` (ending with "/"), or below each
// file's own folder when `base` is empty.
struct NameSource {
    bool v2 = false;
    FilenameLayout layout;
    std::optional<Pattern> pattern;
    std::string base;
};

enum class RenameProblem {
    None,
    Unchanged, // the name already is the new one: nothing to do, and no clash either
    NotMp3,    // the file's own name does not end in ".mp3"
    Invalid,   // the new name is refused as "Invalid Filename."
    SameName,  // another file of the batch would get the same name
    Taken,     // another file already has the new name
    Missing,   // the file cannot be renamed at all; `reason` says why
};

struct PlannedRename {
    std::string folder;  // ends with "/", or empty for the working folder
    std::string oldName, newName;
    RenameProblem problem = RenameProblem::None;
    std::string reason;  // for Missing; for SameName, the other file's old name
    std::string oldPath() const { return folder + oldName; }
    std::string newPath() const { return folder + newName; }
    bool clashes() const { return problem != RenameProblem::None && problem != RenameProblem::Unchanged; }
};

struct RenamePlan {
    std::vector<PlannedRename> files; // in the order given
    std::size_t clashes() const;
    std::size_t toRename() const; // the files without a clash whose name changes
};

// Builds every file's new name from its own tag and marks the clashes: two files to one
// name, a name another file has (a file of the batch included: renames are never chained),
// an invalid name, a file that cannot be renamed. Nothing is renamed.
RenamePlan planRenames(const std::vector<std::string>& paths, const NameSource& source, Tid3tag& v1,
                       Tid3v2tag& v2);

// One line naming the clash of a planned rename; empty when it has none.
std::string clashText(const PlannedRename& rename);

struct BatchRenameOutcome {
    std::size_t renamed = 0;
    std::vector<std::string> failures; // one line per file the file system refused, or the journal's refusal
};

// Renames the files of the plan without a clash, recorded first as one undo journal entry;
// nothing is renamed when the journal cannot be written. A file that meets a clash only
// now (another program took the name) keeps its name and is named in the failures.
BatchRenameOutcome renamePlanned(const RenamePlan& plan, Progress& progress);
