// Undo of a journal entry: the old tag bytes put back into each file, or the old names.
#include "undo.h"

#include "features/common/text.h"
#include "features/index/written_files.h"

#include "save_recording.h"
#include "undo_files.h"
#include "platform/file_system.h"
#include "platform/journal_files.h"
#include "tags/file/move_record.h"
#include "tags/file/tag_file.h"

#include <ctime>
#include <tuple>

namespace {

std::string quoted(const std::string& path)
{
    return "'" + path + "'";
}

std::string kindText(JournalKind kind)
{
    return kind == JournalKind::Save ? "save" : "rename";
}

std::string timeText(int64_t seconds)
{
    const std::time_t t = static_cast<std::time_t>(seconds);
    const std::tm* local = std::localtime(&t);
    char text[32];
    if (!local || std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", local) == 0)
        return "?";
    return text;
}

std::string restoreFailedText(const std::string& path, TagResult result, const std::string& reason)
{
    return quoted(path) + " could not be restored (" + errorText(result) + (reason.empty() ? "" : ": " + reason) +
           ").";
}

// The file opened once for its check and its restore, under the save lock. A save stopped
// while it moved the file's audio left a record to put it back by: that comes first. Empty
// when the file cannot be had for writing; `repairFailure` then says why, when it is a
// repair that failed.
std::optional<TagFile> openForUndo(const std::string& path, std::optional<std::string>& repairFailure,
                                   SaveRefusal& refusal)
{
    std::optional<TagFile> session = TagFile::openForSaving(path, refusal);
    if (session || !refusal.moveInterrupted)
        return session;
    const MoveRepair repair = repairInterruptedMove(path);
    if (!repair.repaired) {
        repairFailure = repair.message;
        return std::nullopt;
    }
    return TagFile::openForSaving(path, refusal);
}

// The old tag of a record, worked out through the session's file or, without one, a file
// opened for reading; empty when the file does not give it back.
std::optional<std::vector<uint8_t>> oldHeadFrom(const SavedFileRecord& r, const std::string& path,
                                                const platform::File* file, uint64_t headNow)
{
    try {
        if (file)
            return oldHeadOf(r, *file, headNow);
        const std::optional<platform::File> opened = platform::File::open(path, platform::File::Mode::Read);
        return opened ? oldHeadOf(r, *opened, headNow) : std::nullopt;
    } catch (const platform::IoError&) {
        return std::nullopt;
    }
}

bool sameFile(const platform::FileIdentity& found, platform::File::Identity wanted)
{
    return found.device == wanted.device && found.inode == wanted.inode;
}

} // namespace

// Where the file the save changed is now: under the name it had, or, renamed since, under
// another name in the same folder. Empty when it is in neither place; a name another file
// took is given still, for the check of its content to decide.
std::optional<std::string> whereIsNow(const SavedFileRecord& r)
{
    const std::optional<platform::FileIdentity> named = platform::fileIdentity(r.path);
    if (r.identity.inode == 0 || (named && sameFile(*named, r.identity)))
        return named ? std::optional<std::string>(r.path) : std::nullopt;
    const std::string folder = r.path.substr(0, r.path.rfind('/') + 1);
    for (const platform::DirEntry& e : platform::listDirectory(folder)) {
        const std::optional<platform::FileIdentity> id = e.isDirectory ? std::nullopt : platform::fileIdentity(folder + e.name);
        if (id && sameFile(*id, r.identity))
            return folder + e.name;
    }
    return named ? std::optional<std::string>(r.path) : std::nullopt;
}

bool sameEnd(uint64_t length, uint32_t crc, uint64_t otherLength, uint32_t otherCrc)
{
    return length == otherLength && crc == otherCrc;
}

// Whether each end of the file is as the save left it or as it was before: an undo cut short
// between its two ends leaves one of each, and the next undo finishes it.
bool leftOrPartlyBack(const Fingerprint& now, const Fingerprint& after, const Fingerprint& then)
{
    return now.recorded && after.recorded &&
           (sameEnd(now.head, now.headCrc, after.head, after.headCrc) ||
            sameEnd(now.head, now.headCrc, then.head, then.headCrc)) &&
           (sameEnd(now.tail, now.tailCrc, after.tail, after.tailCrc) ||
            sameEnd(now.tail, now.tailCrc, then.tail, then.tailCrc));
}

namespace {

// Puts back the old ends of a file found fit for it; false when the restore failed.
bool restoreFile(const SavedFileRecord& r, const std::string& path, std::optional<TagFile>& session,
                 const SaveRefusal& refusal, const Fingerprint& now, const Fingerprint& then, bool saveFinished,
                 UndoReport& report)
{
    // The bytes between the two ends must be the ones the save found, or the old ends would
    // not make the old file again. For a file the save was at when it stopped, this is all
    // that tells its state.
    std::optional<std::vector<uint8_t>> oldHead;
    if (now.recorded && (r.whole || now.size - now.head - now.tail == r.oldSize - then.head - then.tail))
        oldHead = oldHeadFrom(r, path, session ? session->file() : nullptr, now.head);
    if (!oldHead) {
        report.leftAlone.push_back(quoted(path) + (saveFinished ? " has changed since that save"
                                                                : " was being saved when that save stopped and is "
                                                                  "not as it left it") +
                                   "; it is left as it is.");
        return true;
    }
    std::string reason = refusal.reason;
    const TagResult result =
        session ? session->restore(*oldHead, r.tail, TagExtents{now.head, now.tail}, &reason) : refusal.result;
    if (failed(result)) {
        report.leftAlone.push_back(restoreFailedText(path, result, reason));
        return false;
    }
    ++report.restored;
    return true;
}

} // namespace

// Puts one file back; false when it could not be, or could not be found, and the entry must
// stay for another try.
bool undoFile(const SavedFile& f, UndoReport& report)
{
    const SavedFileRecord& r = f.before;
    if (f.unchanged)
        return true; // the save ended without changing it
    if (!isMp3Name(r.path)) {
        report.leftAlone.push_back(notMp3Text(r.path));
        return true;
    }
    const std::optional<std::string> path = whereIsNow(r);
    if (!path) {
        report.leftAlone.push_back(quoted(r.path) + " is no longer there, nor under another name in its folder; "
                                                    "nothing of it was restored.");
        return false;
    }
    std::optional<std::string> repairFailure;
    SaveRefusal refusal;
    std::optional<TagFile> session = openForUndo(*path, repairFailure, refusal);
    if (repairFailure) {
        report.leftAlone.push_back(*repairFailure);
        return false;
    }
    // A file that cannot be had for writing is still checked, so that one changed since is
    // told as such; its restore then says why it failed.
    const Fingerprint now = session ? fingerprintOf(*session->file(), r.savedV1, r.savedV2, r.whole)
                                    : fingerprintOf(*path, r.savedV1, r.savedV2, r.whole);
    // Back already: the save never reached it, or an earlier undo that failed elsewhere restored it.
    const Fingerprint then = fingerprintBefore(r);
    if (sameFingerprint(now, then))
        return true;
    if (f.after && !leftOrPartlyBack(now, *f.after, then)) {
        report.leftAlone.push_back(quoted(*path) + " has changed since that save; it is left as it is.");
        return true;
    }
    return restoreFile(r, *path, session, refusal, now, then, f.after.has_value(), report);
}

namespace {

void undoSave(const JournalStore& store, uint64_t id, UndoReport& report, Progress& progress)
{
    const std::optional<std::vector<SavedFile>> files = store.readSave(id, report.refusal);
    if (!files)
        return;
    bool allDone = true;
    progress.begin(files->size());
    for (std::size_t i = files->size(); i-- > 0;) {
        if (progress.cancelled()) {
            allDone = false; // the entry stays, so a second undo finishes it
            break;
        }
        progress.advance(files->size() - 1 - i, (*files)[i].before.path);
        allDone = undoFile((*files)[i], report) && allDone;
    }
    progress.advance(files->size(), std::string());
    progress.end();
    report.undone = allDone;
    report.kept = !allDone;
}

// The folders a rename into folders made, left empty by its undo, go too; never one above the
// file's old folder.
void removeEmptiedFolders(const RenameRecord& r)
{
    std::string folder = r.to.substr(0, r.to.rfind('/'));
    while (!folder.empty() && r.from.compare(0, folder.size() + 1, folder + "/") != 0 &&
           platform::removeEmptyFolder(folder)) {
        const std::size_t slash = folder.rfind('/');
        folder.resize(slash == std::string::npos ? 0 : slash);
    }
}

void undoRename(const JournalStore& store, uint64_t id, UndoReport& report, Progress& progress)
{
    const std::optional<std::vector<RenameRecord>> records = store.readRenames(id, report.refusal);
    if (!records)
        return;
    progress.begin(records->size());
    // Backwards, so that a chain of renames within the batch unwinds in order.
    for (auto it = records->rbegin(); it != records->rend(); ++it) {
        progress.advance(static_cast<std::size_t>(it - records->rbegin()), it->to);
        const bool oldTaken = platform::pathExists(it->from), newThere = platform::pathExists(it->to);
        if (oldTaken && !newThere)
            continue; // never renamed, or already back
        if (!isMp3Name(it->to)) {
            report.leftAlone.push_back(notMp3Text(it->to));
            continue;
        }
        if (!newThere) {
            report.leftAlone.push_back(quoted(it->to) + " no longer exists.");
            continue;
        }
        // Another file given the name since, by whoever, is not ours to rename; nor is one
        // whose size moved, which may be another file that was given the same inode.
        const std::optional<platform::FileIdentity> now = platform::fileIdentity(it->to);
        if (it->identity && now != it->identity) {
            const bool sameInode = now && now->device == it->identity->device && now->inode == it->identity->inode;
            report.leftAlone.push_back(quoted(it->to) + (sameInode ? " has changed size since the rename"
                                                                   : " is not the file that was renamed") +
                                       "; it is left as it is.");
            continue;
        }
        // Never over another file, even one that appears after the check above.
        const platform::RenameOutcome back = oldTaken ? platform::RenameOutcome{platform::RenameOutcome::Exists, {}}
                                                      : platform::renameWithoutReplacing(it->to, it->from);
        if (back.kind == platform::RenameOutcome::Exists)
            report.leftAlone.push_back(quoted(it->to) + " keeps its name: " + quoted(it->from) + " is taken.");
        else if (back.kind == platform::RenameOutcome::Failed)
            report.leftAlone.push_back(quoted(it->to) + " could not be renamed back to " + quoted(it->from) + " (" +
                                       back.reason + ").");
        else {
            noteRenamed(it->to, it->from);
            report.renamedBack.push_back(*it);
            removeEmptiedFolders(*it);
        }
    }
    progress.advance(records->size(), std::string());
    progress.end();
    report.restored += report.renamedBack.size();
    report.undone = true;
}

} // namespace

std::optional<JournalEntry> lastEntry(const JournalStore& store, std::optional<JournalKind> kind)
{
    for (const uint64_t id : store.entryIds()) {
        const std::optional<JournalEntry> e = store.entry(id);
        if (e && (!kind || (e->kind == *kind && !e->earlierVersion)))
            return e;
    }
    return std::nullopt;
}

UndoReport undoEntry(const JournalStore& store, uint64_t id, Progress& progress)
{
    UndoReport report;
    report.id = id;
    if (store.wasUndone(id)) {
        report.refusal = "Entry " + std::to_string(id) + " was already undone; it cannot be undone twice.";
        return report;
    }
    const std::optional<JournalEntry> entry = store.entry(id);
    if (!entry) {
        report.refusal = "There is no entry " + std::to_string(id) + " in the undo journal.";
        return report;
    }
    report.kind = entry->kind;
    if (entry->earlierVersion) {
        std::ignore = store.readSave(id, report.refusal);
        return report;
    }
    if (entry->kind == JournalKind::Save) {
        // Held while the undo runs; one ended part way leaves it for the check at start.
        const std::optional<platform::File> marker = store.beginUndo(id);
        undoSave(store, id, report, progress);
        store.endUndo(id);
    } else {
        undoRename(store, id, report, progress);
    }
    if (report.undone && !store.markUndone(id))
        report.leftAlone.push_back("The undo journal could not record that entry " + std::to_string(id) +
                                   " was undone.");
    return report;
}

std::string entryLine(const JournalEntry& entry)
{
    if (entry.earlierVersion)
        return std::to_string(entry.id) + "  written by an earlier version of Varnoli; cannot be undone";
    return std::to_string(entry.id) + "  " + timeText(entry.time) + "  " + kindText(entry.kind) + "  " +
           std::to_string(entry.files) + (entry.files == 1 ? " file" : " files") +
           (entry.finished ? "" : "  (interrupted)");
}

std::string undoConfirmationText(const JournalEntry& entry)
{
    return "Undo the " + kindText(entry.kind) + " of " + std::to_string(entry.files) + " file(s) made " +
           timeText(entry.time) + "?";
}

std::string undoSummaryText(const UndoReport& report)
{
    const std::string done = std::to_string(report.restored) + " file(s) " +
                             (report.kind == JournalKind::Save ? "restored" : "renamed back");
    if (report.kept)
        return done + ", " + std::to_string(report.leftAlone.size()) + " left as they are. Entry " +
               std::to_string(report.id) + " stays in the undo journal: undo it again once the cause is put right.";
    return done + (report.leftAlone.empty() ? "." : ", " + std::to_string(report.leftAlone.size()) + " left as they are.");
}

std::string nothingToUndoText(std::optional<JournalKind> kind)
{
    return kind ? "There is no " + kindText(*kind) + " to undo." : std::string("There is nothing to undo.");
}

std::string journalUnwritableText(const std::string& why)
{
    return "The undo journal cannot be written (" + why + ")";
}

std::optional<uint64_t> journalRenames(const std::vector<RenameRecord>& renames, std::string& why)
{
    const JournalStore store(undoJournalFolder());
    std::unique_ptr<JournalStore::Writer> writer =
        store.begin(JournalKind::Rename, static_cast<uint32_t>(renames.size()), why);
    if (!writer)
        return std::nullopt;
    for (const RenameRecord& r : renames)
        writer->putRename({platform::absolutePath(r.from), platform::absolutePath(r.to),
                           r.identity ? r.identity : platform::fileIdentity(r.from)});
    if (!writer->commit(why))
        return std::nullopt;
    return writer->id();
}

std::optional<uint64_t> journalRename(const std::string& from, const std::string& to, std::string& why)
{
    return journalRenames({{from, to}}, why);
}

void forgetRenames(uint64_t id)
{
    JournalStore(undoJournalFolder()).discard(id);
}
