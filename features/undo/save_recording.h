// Records a batch save in the undo journal: what each file is about to lose, then what the save left.
#pragma once

#include "journal_store.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

class SaveRecording {
public:
    // Copies the bytes the save will replace from every file into a new journal entry and
    // flushes it to the disk, before any file is touched. Empty, with the reason in `why`,
    // when the journal cannot be written: then the save must not start.
    static std::optional<SaveRecording> start(const JournalStore& store, const std::vector<std::string>& files,
                                              bool saveV1, bool saveV2, std::string& why);

    // The save of files[index] is over: `wrote` when it changed the file, `broken` when it
    // failed part way and left the file as far as it had come. Such a file is not recorded.
    void fileSaved(std::size_t index, bool wrote, bool broken);

    // Records what the save left in each file it changed, flushed; false, with the reason, when it cannot.
    bool finish(std::string& why);

    uint64_t id() const { return m_id; }

private:
    struct Slot {
        std::string path;
        bool readable = false, whole = false, wrote = false, broken = false;
        uint64_t middle = 0; // bytes between the replaced ends, which the save leaves alone
    };

    const JournalStore* m_store = nullptr;
    uint64_t m_id = 0;
    bool m_saveV1 = false, m_saveV2 = false;
    std::vector<Slot> m_slots;
    static constexpr std::size_t kNoSlot = std::size_t(-1); // a file the save refuses
    std::vector<std::size_t> m_slotOf; // index of the request's file -> its slot
};

// What a file holds now at the ends a save replaces, as a fingerprint; `whole` measures the whole file.
Fingerprint fingerprintOf(const std::string& path, bool saveV1, bool saveV2, bool whole);
