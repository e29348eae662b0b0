// Plans the renames of many files from their tags, finds the clashes, and renames.
#include "batch_rename.h"

#include "file_rename.h"

#include "features/common/progress.h"
#include "features/common/text.h"
#include "features/undo/undo.h"
#include "platform/file_system.h"
#include "tags/id3v1/id3.h"
#include "tags/id3v2/id3v2.h"

#include <map>
#include <optional>
#include <tuple>

namespace {

std::string quoted(const std::string& text)
{
    return "'" + text + "'";
}

std::string patternName(const std::string& path, const NameSource& source, Tid3tag& v1, Tid3v2tag& v2)
{
    if (source.v2) {
        const TagRead read = readFilenameFieldsV2(path, v2);
        const bool loaded = !failed(read.result);
        return expandPattern(*source.pattern, [&](const NamedField& field) {
            if (field.seven)
                return read.fields[fieldIndex(*field.seven)];
            return loaded ? joinedValues(readField(v2, field)) : Utf8Text();
        }, PatternUse::Name);
    }
    const FieldTexts fields = readFilenameFieldsV1(path, v1).fields;
    return expandPattern(*source.pattern, [&](const NamedField& field) {
        return field.seven ? fields[fieldIndex(*field.seven)] : Utf8Text();
    }, PatternUse::Name);
}

// A name with folders: each folder's name neither empty nor "." or "..", the file's name as
// renameTargetName takes it.
std::optional<std::string> patternTargetName(const std::string& requested)
{
    const std::size_t slash = requested.rfind('/');
    if (slash == std::string::npos)
        return renameTargetName(requested);
    for (std::size_t start = 0; start <= slash;) {
        const std::size_t end = requested.find('/', start);
        const std::string folder = requested.substr(start, end - start);
        if (folder.empty() || folder == "." || folder == ".." || folder.find('\0') != std::string::npos)
            return std::nullopt;
        start = end + 1;
    }
    const std::optional<std::string> name = renameTargetName(requested.substr(slash + 1));
    return name ? std::optional<std::string>(requested.substr(0, slash + 1) + *name) : std::nullopt;
}

std::string builtName(const std::string& path, const NameSource& source, Tid3tag& v1, Tid3v2tag& v2)
{
    if (source.pattern)
        return patternName(path, source, v1, v2);
    if (source.v2) {
        const TagRead read = readFilenameFieldsV2(path, v2);
        return BuildPreviewV2(read.fields, source.layout, failed(read.result) ? NamedTexts() : presentTexts(v2));
    }
    return BuildPreviewV1(readFilenameFieldsV1(path, v1).fields, source.layout);
}

PlannedRename planOne(const std::string& path, const NameSource& source, Tid3tag& v1, Tid3v2tag& v2)
{
    PlannedRename r;
    const std::size_t slash = path.rfind('/');
    const bool belowBase = !source.base.empty() && path.compare(0, source.base.size(), source.base) == 0;
    r.folder = belowBase ? source.base : slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    r.oldName = path.substr(r.folder.size());
    if (!isMp3Name(r.oldName)) {
        r.problem = RenameProblem::NotMp3;
        return r;
    }
    const std::string requested = builtName(path, source, v1, v2);
    const std::optional<std::string> target =
        source.pattern ? patternTargetName(requested) : renameTargetName(requested);
    r.newName = target ? *target : requested;
    if (!target) {
        r.problem = RenameProblem::Invalid;
    } else if (r.newName == r.oldName) {
        r.problem = RenameProblem::Unchanged;
    } else {
        const platform::RenameOutcome probe = platform::probeRename(path, r.newPath());
        r.problem = probe.kind == platform::RenameOutcome::Exists   ? RenameProblem::Taken
                    : probe.kind == platform::RenameOutcome::Failed ? RenameProblem::Missing
                                                                    : RenameProblem::None;
        r.reason = probe.reason;
    }
    return r;
}

} // namespace

std::size_t RenamePlan::clashes() const
{
    std::size_t n = 0;
    for (const PlannedRename& r : files)
        n += r.clashes();
    return n;
}

std::size_t RenamePlan::toRename() const
{
    std::size_t n = 0;
    for (const PlannedRename& r : files)
        n += r.problem == RenameProblem::None;
    return n;
}

RenamePlan planRenames(const std::vector<std::string>& paths, const NameSource& source, Tid3tag& v1,
                       Tid3v2tag& v2)
{
    RenamePlan plan;
    std::map<std::string, std::size_t> firstWithName;
    for (const std::string& path : paths) {
        PlannedRename r = planOne(path, source, v1, v2);
        // Both of two files bound for one name clash, whichever came first.
        if (r.problem == RenameProblem::None || r.problem == RenameProblem::Unchanged || r.problem == RenameProblem::Taken) {
            const auto [at, first] = firstWithName.emplace(r.newPath(), plan.files.size());
            if (!first) {
                PlannedRename& other = plan.files[at->second];
                r.problem = RenameProblem::SameName;
                r.reason = other.oldName;
                if (other.problem != RenameProblem::SameName) {
                    other.problem = RenameProblem::SameName;
                    other.reason = r.oldName;
                }
            }
        }
        plan.files.push_back(std::move(r));
    }
    return plan;
}

std::string clashText(const PlannedRename& r)
{
    switch (r.problem) {
    case RenameProblem::None:
    case RenameProblem::Unchanged: return {};
    case RenameProblem::NotMp3: return notMp3Text(r.oldPath());
    case RenameProblem::Invalid: return quoted(r.oldPath()) + ": " + quoted(r.newName) + " is an " + kInvalidFilename;
    case RenameProblem::SameName:
        return quoted(r.oldPath()) + " and " + quoted(r.reason) + " would both be named " + quoted(r.newName) + ".";
    case RenameProblem::Taken:
        return "A file named " + quoted(r.newName) + " already exists. The file " + quoted(r.oldPath()) +
               " would not be renamed.";
    case RenameProblem::Missing: return quoted(r.oldPath()) + " cannot be renamed: " + r.reason + ".";
    }
    return {};
}

BatchRenameOutcome renamePlanned(const RenamePlan& plan, Progress& progress)
{
    BatchRenameOutcome outcome;
    std::vector<const PlannedRename*> todo;
    std::vector<RenameRecord> records;
    for (const PlannedRename& r : plan.files)
        if (r.problem == RenameProblem::None) {
            todo.push_back(&r);
            records.emplace_back(r.oldPath(), r.newPath(), platform::fileIdentity(r.oldPath()));
        }
    if (todo.empty())
        return outcome;
    std::string why;
    const std::optional<uint64_t> entry = journalRenames(records, why);
    if (!entry) {
        outcome.failures.push_back(journalUnwritableText(why) + ": nothing was renamed.");
        return outcome;
    }
    std::vector<RenameRecord> done;
    progress.begin(todo.size());
    for (std::size_t i = 0; i < todo.size() && !progress.cancelled(); ++i) {
        const PlannedRename& r = *todo[i];
        progress.advance(i, r.oldPath());
        const std::size_t slash = r.newPath().rfind('/');
        if (r.newName.find('/') != std::string::npos)
            std::ignore = platform::makeFolders(r.newPath().substr(0, slash));
        const RenameResult result = renameFile(r.folder, r.oldName, r.newName);
        if (result.status == RenameStatus::Renamed)
            done.push_back(records[i]);
        else if (result.status == RenameStatus::Exists)
            outcome.failures.push_back("A file named " + quoted(r.newName) + " already exists. The file " +
                                       quoted(r.oldPath()) + " was not renamed.");
        else
            outcome.failures.push_back("Could not rename the file " + quoted(r.oldPath()) + " to " +
                                       quoted(r.newName) + ": " + result.reason + ".");
    }
    progress.advance(todo.size(), std::string());
    progress.end();
    outcome.renamed = done.size();
    // The entry keeps only what was done, so its undo never reaches a file that kept its
    // name; the first stays when the second cannot be written.
    if (done.empty())
        forgetRenames(*entry);
    else if (done.size() < records.size() && journalRenames(done, why))
        forgetRenames(*entry);
    return outcome;
}
