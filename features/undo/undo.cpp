// Undo of a journal entry: the old tag bytes put back into each file, or the old names.
#include "undo.h"

#include "features/common/text.h"

#include "save_recording.h"
#include "platform/file_system.h"
#include "platform/journal_files.h"
#include "tags/tag_restore.h"

#include <ctime>

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

bool sameFingerprint(const Fingerprint& a, const Fingerprint& b)
{
    return a.recorded && b.recorded && a.size == b.size && a.head == b.head && a.tail == b.tail &&
           a.headCrc == b.headCrc && a.tailCrc == b.tailCrc;
}

// Whether the file still holds exactly the ends the record kept, as when the save never reached it.
bool unchangedSince(const SavedFileRecord& r)
{
    Fingerprint then;
    then.recorded = true;
    then.size = r.oldSize;
    then.head = r.head.size();
    then.tail = r.tail.size();
    then.headCrc = crcOf(r.head.data(), r.head.size());
    then.tailCrc = crcOf(r.tail.data(), r.tail.size());
    return sameFingerprint(then, fingerprintOf(r.path, r.savedV1, r.savedV2, r.whole));
}

void undoSave(const JournalStore& store, uint64_t id, UndoReport& report)
{
    const std::optional<std::vector<SavedFileRecord>> records = store.readSave(id);
    if (!records) {
        report.refusal = "Entry " + std::to_string(id) + " of the undo journal cannot be read.";
        return;
    }
    const std::optional<std::vector<Fingerprint>> prints = store.readFingerprints(id);
    if (prints && prints->size() != records->size()) {
        report.refusal = "Entry " + std::to_string(id) + " of the undo journal cannot be read.";
        return;
    }
    for (std::size_t i = records->size(); i-- > 0;) {
        const SavedFileRecord& r = (*records)[i];
        if (!r.readable || (prints && !(*prints)[i].recorded))
            continue; // the save failed there or never changed it
        if (!prints) {
            if (!unchangedSince(r))
                report.leftAlone.push_back(quoted(r.path) +
                                           " was being saved when that save stopped; it is left as it is.");
            continue;
        }
        const Fingerprint& then = (*prints)[i];
        if (!isMp3Name(r.path)) {
            report.leftAlone.push_back(notMp3Text(r.path));
            continue;
        }
        if (!platform::pathExists(r.path)) {
            report.leftAlone.push_back(quoted(r.path) + " no longer exists.");
            continue;
        }
        if (!sameFingerprint(then, fingerprintOf(r.path, r.savedV1, r.savedV2, r.whole))) {
            report.leftAlone.push_back(quoted(r.path) + " has changed since that save; it is left as it is.");
            continue;
        }
        const TagResult result = restoreTagBytes(r.path, r.head, r.tail, TagExtents{then.head, then.tail});
        if (failed(result)) {
            report.leftAlone.push_back(quoted(r.path) + " could not be restored (Error #" + std::to_string(result) +
                                       ").");
            continue;
        }
        ++report.restored;
    }
    report.undone = true;
}

void undoRename(const JournalStore& store, uint64_t id, UndoReport& report)
{
    const std::optional<std::vector<RenameRecord>> records = store.readRenames(id);
    if (!records) {
        report.refusal = "Entry " + std::to_string(id) + " of the undo journal cannot be read.";
        return;
    }
    // Backwards, so that a chain of renames within the batch unwinds in order.
    for (auto it = records->rbegin(); it != records->rend(); ++it) {
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
        // Never over another file, even one that appears after the check above.
        const platform::RenameOutcome back = oldTaken ? platform::RenameOutcome{platform::RenameOutcome::Exists, {}}
                                                      : platform::renameWithoutReplacing(it->to, it->from);
        if (back.kind == platform::RenameOutcome::Exists)
            report.leftAlone.push_back(quoted(it->to) + " keeps its name: " + quoted(it->from) + " is taken.");
        else if (back.kind == platform::RenameOutcome::Failed)
            report.leftAlone.push_back(quoted(it->to) + " could not be renamed back to " + quoted(it->from) + " (" +
                                       back.reason + ").");
        else
            ++report.restored;
    }
    report.undone = true;
}

} // namespace

std::optional<JournalEntry> lastEntry(const JournalStore& store, std::optional<JournalKind> kind)
{
    for (const uint64_t id : store.entryIds()) {
        const std::optional<JournalEntry> e = store.entry(id);
        if (e && (!kind || e->kind == *kind))
            return e;
    }
    return std::nullopt;
}

UndoReport undoEntry(const JournalStore& store, uint64_t id)
{
    UndoReport report;
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
    if (entry->kind == JournalKind::Save)
        undoSave(store, id, report);
    else
        undoRename(store, id, report);
    if (report.undone && !store.markUndone(id))
        report.leftAlone.push_back("The undo journal could not record that entry " + std::to_string(id) +
                                   " was undone.");
    return report;
}

std::string entryLine(const JournalEntry& entry)
{
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
    return std::to_string(report.restored) + " file(s) " +
           (report.kind == JournalKind::Save ? "restored" : "renamed back") +
           (report.leftAlone.empty() ? "." : ", " + std::to_string(report.leftAlone.size()) + " left as they are.");
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
        writer->putRename({platform::absolutePath(r.from), platform::absolutePath(r.to)});
    if (!writer->commit(why))
        return std::nullopt;
    store.prune();
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
