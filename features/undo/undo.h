// Takes back a batch save or rename recorded in the undo journal, and records renames before they happen.
#pragma once

#include "journal_store.h"

#include "features/common/progress.h"
#include "tags/file/move_record.h"

#include <optional>
#include <string>
#include <vector>

struct UndoReport {
    uint64_t id = 0;
    bool undone = false;  // the entry was taken back and has left the list
    bool kept = false;    // some file could not be restored: the entry stays for another try
    std::string refusal;  // why nothing was done, when neither undone nor kept
    JournalKind kind = JournalKind::Save;
    std::size_t restored = 0;
    std::vector<std::string> leftAlone; // one line per file left as it is, naming it
    std::vector<RenameRecord> renamedBack; // a rename's files given their old names, full paths
};


// The newest entry not yet undone, of the given kind when one is given.
std::optional<JournalEntry> lastEntry(const JournalStore& store, std::optional<JournalKind> kind = std::nullopt);

// Restores every file of the entry byte for byte; a file changed since is left alone and named.
// An entry that fails its checksum is refused with nothing written; one whose files could not
// all be restored stays in the list.
UndoReport undoEntry(const JournalStore& store, uint64_t id, Progress& progress = noProgress());

// A file that a killed save changed and did not finish with: one tag written and not the
// other, say, or part of a tag.
// So is one an undo was ended in the middle of.
struct HalfSavedFile {
    uint64_t entry = 0;
    std::string path; // where the file is now
    bool undoing = false; // left so by an undo of the entry
};
// Such files of every entry whose save was killed, found by their undo records (the old bytes,
// flushed before the file changed), and of every entry whose undo was killed; an entry a live
// save or undo is still writing is passed over, and so is a file a later save has changed since.
// Only the entries the journal's names and locks show unfinished are read, and each only until
// nothing is left to report in it.
std::vector<HalfSavedFile> halfSavedFiles(const JournalStore& store);
// The text that names such a file and says what to do about it.
std::string halfSavedText(const HalfSavedFile& file);
// Puts the file at `path` back as it was before the killed save that left it half saved, from
// that save's entry, which stays; empty when no entry holds such a file there.
std::optional<MoveRepair> repairHalfSave(const JournalStore& store, const std::string& path);

// "12  2026-12-09 04:50  save  3 files", local time.
std::string entryLine(const JournalEntry& entry);
// The question asked before an undo, with the number of files.
std::string undoConfirmationText(const JournalEntry& entry);
// The one-line summary of a finished undo.
std::string undoSummaryText(const UndoReport& report);
std::string nothingToUndoText(std::optional<JournalKind> kind = std::nullopt);
// "The undo journal cannot be written (<why>)": the start of the message when a save or rename is refused.
std::string journalUnwritableText(const std::string& why);

// Records renames in the journal, flushed, before any of them is done, each with the identity
// of the file at its old name unless the record brings one; the entry's id, or
// nothing, with the reason, when the journal cannot be written (then nothing should be renamed).
std::optional<uint64_t> journalRenames(const std::vector<RenameRecord>& renames, std::string& why);
std::optional<uint64_t> journalRename(const std::string& from, const std::string& to, std::string& why);
// Removes the entry of renames that were refused or failed, none of them done: its undo would
// rename whatever file has the new name, which is not the one recorded.
void forgetRenames(uint64_t id);
