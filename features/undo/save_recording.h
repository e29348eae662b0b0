// Records a batch save in the undo journal, file by file: what each file is about to lose,
// then what the save left.
#pragma once

#include "journal_store.h"

#include "tags/file/tag_file.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {
class File;
}

class SaveRecording : public SaveObserver {
public:
    // Opens the journal entry of a save of these files. Empty, with the reason in `why`, when
    // the journal cannot be written: then the save must not start.
    static std::optional<SaveRecording> start(const JournalStore& store, const std::vector<std::string>& files,
                                              bool saveV1, bool saveV2, std::string& why);

    // Keeps the bytes the save of files[index] will replace, read through the save's own
    // locked file, before anything of it changes; what the save replaces in the ID3v2 tag
    // comes through beforeHeadChange, until the next file. Anything but Kept, with the reason, and
    // that file must not be saved; when the journal refuses, no later file either.
    enum class Before { Kept, FileUnreadable, JournalRefused };
    Before beforeFile(std::size_t index, TagFile& file, std::string& why);
    bool beforeHeadChange(const HeadChange& change, std::string& why) override;
    // Records whether the save of files[index] changed the file, and what it left. A file
    // left in the middle of a move gets no record, as when the save was stopped there.
    void afterFile(std::size_t index, const TagFile& file, const SaveReport& report);

    // Why the journal refused to keep what a save was about to replace in a file's ID3v2 tag;
    // that save wrote nothing, and no later file may be saved.
    const std::optional<std::string>& refusedHeadChange() const { return m_refusedWhy; }

    // Ends the entry, flushed; one that changed nothing goes. False, with the reason, when it cannot.
    bool finish(std::string& why);

    uint64_t id() const { return m_writer->id(); }

private:
    struct Slot {
        std::string path;
        bool recorded = false; // its snapshot is in the entry
        bool whole = false;
        bool headByChanges = false;
        Fingerprint before;
        bool changed = false, open = false; // open: no outcome recorded after its snapshot
    };

    const JournalStore* m_store = nullptr;
    std::unique_ptr<JournalStore::Writer> m_writer;
    bool m_saveV1 = false, m_saveV2 = false;
    std::vector<Slot> m_slots;
    static constexpr std::size_t kNoSlot = std::size_t(-1); // a file the save refuses
    std::vector<std::size_t> m_slotOf; // index of the request's file -> its slot
    std::optional<std::string> m_refusedWhy;
    // The slot whose ID3v2 changes beforeHeadChange keeps; none while the file's save keeps
    // its whole old tag another way.
    std::optional<uint32_t> m_headSlot;
};

// What a file holds now at the ends a save replaces, as a fingerprint; `whole` measures the whole file.
Fingerprint fingerprintOf(const platform::File& file, bool saveV1, bool saveV2, bool whole);
Fingerprint fingerprintOf(const std::string& path, bool saveV1, bool saveV2, bool whole);
// The same after a save through `file`, from what its report says it wrote.
Fingerprint fingerprintAfter(const TagFile& file, const SaveReport& report, bool saveV1, bool saveV2, bool whole);
// The fingerprint of the file a record keeps, as it was before its save.
Fingerprint fingerprintBefore(const SavedFileRecord& record);
// The ID3v2 tag the file had before the save, from the `headNow` bytes it starts with now and
// the changes the record keeps; empty when they do not give back the tag the save found.
std::optional<std::vector<uint8_t>> oldHeadOf(const SavedFileRecord& record, const platform::File& file,
                                              uint64_t headNow);
bool sameFingerprint(const Fingerprint& a, const Fingerprint& b);
