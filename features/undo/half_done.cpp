// Files that a killed save or a killed undo left half done: found at start, named and repaired.
#include "undo.h"
#include "undo_files.h"

#include "features/common/text.h"
#include "save_recording.h"
#include "platform/file_system.h"
#include "platform/journal_files.h"
#include "tags/file/move_record.h"

namespace {

std::string quoted(const std::string& path)
{
    return "'" + path + "'";
}

// The file a record names as it is now, with where it is; empty when it cannot be looked at,
// or a record of an interrupted move names it, whose repair comes first.
std::optional<Fingerprint> measureNow(const SavedFileRecord& r, std::optional<std::string>& path)
{
    path = whereIsNow(r);
    try {
        const std::optional<platform::File> file =
            path ? platform::File::open(*path, platform::File::Mode::Read) : std::nullopt;
        if (!file || moveInterrupted(*file))
            return std::nullopt;
        const Fingerprint now = fingerprintOf(*file, r.savedV1, r.savedV2, r.whole);
        return now.recorded ? std::optional<Fingerprint>(now) : std::nullopt;
    } catch (const platform::IoError&) {
        return std::nullopt;
    }
}

// What a look at one file of an entry found: the file, where it is half done; `settled` when
// nothing about it can change for that entry any more.
struct Look {
    std::optional<std::string> path;
    bool settled = true;
};

// A file of a stopped save's entry, when the save was stopped while at it and had changed it:
// one tag written and not the other, or part of a tag. A file it had finished with before its
// outcome was written looks the same, and is put back too.
Look lookAtStoppedSave(const SavedFile& f)
{
    const SavedFileRecord& r = f.before;
    if (f.after || f.unchanged || !isMp3Name(r.path))
        return {};
    std::optional<std::string> path;
    const std::optional<Fingerprint> now = measureNow(r, path);
    if (!now)
        return {std::nullopt, false};
    const Fingerprint then = fingerprintBefore(r);
    if (sameFingerprint(*now, then) || (!r.whole && now->size - now->head - now->tail != r.oldSize - then.head - then.tail))
        return {};
    return {path, false};
}

// A file of an entry whose undo was ended between the file's two ends: one put back, the other not.
Look lookAtUndo(const SavedFile& f)
{
    const SavedFileRecord& r = f.before;
    if (!f.after || !isMp3Name(r.path))
        return {};
    std::optional<std::string> path;
    const std::optional<Fingerprint> measured = measureNow(r, path);
    if (!measured)
        return {std::nullopt, false};
    const Fingerprint &now = *measured, then = fingerprintBefore(r), &after = *f.after;
    const bool headBack = sameEnd(now.head, now.headCrc, then.head, then.headCrc);
    const bool tailBack = sameEnd(now.tail, now.tailCrc, then.tail, then.tailCrc);
    const bool headLeft = sameEnd(now.head, now.headCrc, after.head, after.headCrc);
    const bool tailLeft = sameEnd(now.tail, now.tailCrc, after.tail, after.tailCrc);
    if (!leftOrPartlyBack(now, after, then) || (headBack && tailBack) || (headLeft && tailLeft))
        return {};
    return {path, false};
}

// Whether a save after entry `id` found the file and changed it: the file's history is then that
// save's, whose undo comes first. Reads the later entries, which is done only for a file found half saved.
bool savedSince(const JournalStore& store, uint64_t id, const SavedFileRecord& r, const std::string& path)
{
    for (const uint64_t later : store.entryIds()) {
        const std::optional<JournalEntry> e = later > id ? store.entry(later) : std::nullopt;
        std::string damage;
        const std::optional<std::vector<SavedFile>> files =
            e && e->kind == JournalKind::Save && !e->earlierVersion ? store.readSave(later, damage) : std::nullopt;
        for (const SavedFile& g : files ? *files : std::vector<SavedFile>()) {
            const SavedFileRecord& s = g.before;
            const bool other = r.identity.inode != 0 ? s.identity.device != r.identity.device || s.identity.inode != r.identity.inode
                                                     : s.path != r.path;
            if (other)
                continue;
            // The newest save that had it: unless it left the file as it found it.
            return !sameFingerprint(fingerprintOf(path, s.savedV1, s.savedV2, s.whole), fingerprintBefore(s));
        }
    }
    return false;
}

// Calls `each` with every half-done file, its entry and its record, until it returns true: the
// files of saves that were stopped and of undos that were ended. An entry with nothing left to
// report is marked so, and not read again.
template <typename Each>
void forEachHalfDone(const JournalStore& store, Each each)
{
    for (const uint64_t id : store.unsettledStoppedSaves()) {
        const std::optional<JournalEntry> e = store.entry(id);
        std::string damage;
        const std::optional<std::vector<SavedFile>> files =
            e && !e->finished && !e->earlierVersion ? store.readSave(id, damage) : std::nullopt;
        bool settled = files.has_value();
        for (const SavedFile& f : files ? *files : std::vector<SavedFile>()) {
            const Look look = lookAtStoppedSave(f);
            if (look.path && savedSince(store, id, f.before, *look.path))
                continue;
            settled = settled && look.settled;
            if (look.path && each(HalfSavedFile{id, *look.path, false}, f))
                return;
        }
        if (settled)
            store.settle(id);
    }
    for (const uint64_t id : store.interruptedUndos()) {
        std::string damage;
        const std::optional<std::vector<SavedFile>> files = store.readSave(id, damage);
        bool settled = true;
        for (const SavedFile& f : files ? *files : std::vector<SavedFile>()) {
            const Look look = lookAtUndo(f);
            settled = settled && look.settled;
            if (look.path && each(HalfSavedFile{id, *look.path, true}, f))
                return;
        }
        if (settled)
            store.endUndo(id);
    }
}

} // namespace

std::vector<HalfSavedFile> halfSavedFiles(const JournalStore& store)
{
    std::vector<HalfSavedFile> found;
    forEachHalfDone(store, [&](const HalfSavedFile& file, const SavedFile&) {
        found.push_back(file);
        return false;
    });
    return found;
}

std::string halfSavedText(const HalfSavedFile& file)
{
    if (file.undoing)
        return "The undo of entry " + std::to_string(file.entry) + " was interrupted before it was done with " +
               quoted(file.path) + ", which may hold one tag put back and not the other. To put it back as it was "
               "before that save, run: varnoli-cli repair " + quoted(file.path);
    return "The save of " + quoted(file.path) + " was interrupted before it was done with the file, which may "
           "hold one tag saved and not the other. To put it back as it was before that save, run: varnoli-cli "
           "repair " + quoted(file.path);
}

std::optional<MoveRepair> repairHalfSave(const JournalStore& store, const std::string& path)
{
    const std::string wanted = platform::absolutePath(path);
    std::optional<MoveRepair> outcome;
    forEachHalfDone(store, [&](const HalfSavedFile& found, const SavedFile& f) {
        if (platform::absolutePath(found.path) != wanted)
            return false;
        UndoReport report;
        const bool done = undoFile(f, report) && report.leftAlone.empty();
        outcome = done
                      ? MoveRepair{true, quoted(path) + " is back as it was before the interrupted save"}
                      : MoveRepair{false, report.leftAlone.empty() ? quoted(path) + " could not be put back"
                                                                   : report.leftAlone.front()};
        return true;
    });
    return outcome;
}
