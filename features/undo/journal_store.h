// The undo journal on disk: one entry per batch save or rename, the newest kept.
#pragma once

#include "platform/file_system.h"
#include "tags/file/durable_records.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

enum class JournalKind : uint8_t { Save = 1, Rename = 2 };

struct JournalEntry {
    uint64_t id = 0;
    JournalKind kind = JournalKind::Save;
    int64_t time = 0;   // seconds since 1970
    uint32_t files = 0;    // the files a save changed, or was changing when it stopped
    bool finished = false; // a save that ran to its end; a rename always is
    bool earlierVersion = false; // written in a format this version no longer reads: never undone
};

// What one file of a save had before it: the bytes the save replaces at each end.
struct SavedFileRecord {
    std::string path;
    // The file the save had open, whatever it is called by the time of the undo; an inode of
    // 0 when it is not known.
    platform::File::Identity identity;
    bool whole = false;   // `head` is the whole file: its tag and record could not be told apart
    bool savedV1 = false, savedV2 = false; // which tags the save wrote
    uint64_t oldSize = 0;
    std::vector<uint8_t> head, tail;
    // The ID3v2 tag kept by what its saves changed rather than whole: `head` is then worked
    // out at undo from the file and the changes, and must come to this size and CRC-32.
    bool headByChanges = false;
    uint64_t oldHeadSize = 0;
    uint32_t oldHeadCrc = 0;
    struct HeadChange {
        uint64_t at = 0;
        bool whole = false; // `bytes` were the whole tag; else the tag kept its size
        std::vector<uint8_t> bytes;
    };
    std::vector<HeadChange> headChanges; // in the order the saves made them
};

// What a save left in one file, to tell whether the file has changed since.
struct Fingerprint {
    bool recorded = false; // false: the file could not be measured
    uint64_t size = 0, head = 0, tail = 0;
    uint32_t headCrc = 0, tailCrc = 0;
};

// One file of a save entry: what it had, and what the save left when it got that far.
struct SavedFile {
    SavedFileRecord before;
    std::optional<Fingerprint> after; // the save changed the file and left this
    bool unchanged = false;           // the save ended without changing the file
    // Neither: the save stopped while it was at this file.
};

struct RenameRecord {
    RenameRecord() = default;
    RenameRecord(std::string from_, std::string to_, std::optional<platform::FileIdentity> identity_ = std::nullopt)
        : from(std::move(from_)), to(std::move(to_)), identity(identity_)
    {
    }
    std::string from, to;
    // The file as it was before the rename; undo renames back only that file. Entries
    // written before it was kept have none.
    std::optional<platform::FileIdentity> identity;
};

class JournalStore {
public:
    static constexpr std::size_t kMaxEntries = 50;
    static constexpr uint64_t kMaxBytes = uint64_t(256) << 20;

    // `folder` ends with "/"; empty means the person has no state folder.
    explicit JournalStore(std::string folder) : m_folder(std::move(folder)) {}
    const std::string& folder() const { return m_folder; }

    // Newest first; undone entries are left out. Each entry's records are passed over by
    // their lengths, unread.
    std::vector<JournalEntry> entries() const;
    std::vector<uint64_t> entryIds() const;
    // The entry, read whole and checked once for everything asked of it through this store.
    std::optional<JournalEntry> entry(uint64_t id) const;
    bool wasUndone(uint64_t id) const;
    // Whether entry `id` is of a save whose process ended before the save did; a save still
    // running is not.
    bool isStoppedSave(uint64_t id) const;
    // Stopped saves, newest first, but those settled: found by the entries' names and locks alone.
    std::vector<uint64_t> unsettledStoppedSaves() const;
    // Marks a stopped save as looked at with nothing left to report, so that it is not read again.
    void settle(uint64_t id) const;
    // An undo of entry `id` begins: the marker, held locked while the undo runs, says so until
    // endUndo(). Empty when it cannot be made, which does not keep the undo from running.
    std::optional<platform::File> beginUndo(uint64_t id) const;
    void endUndo(uint64_t id) const;
    // Entries whose undo was ended before it finished, newest first.
    std::vector<uint64_t> interruptedUndos() const;

    // A save's entry is written record by record as the save goes, so that a save that is
    // stopped can still be undone; a rename's is written whole. commit() ends it and flushes it.
    // The oldest entries beyond the count and size limits go as it begins; it always stays.
    class Writer;
    std::unique_ptr<Writer> begin(JournalKind kind, uint32_t files, std::string& why) const;

    // Every record is checked against the entry's running CRC-32 first: a damaged entry
    // gives nothing, with `damage` naming the entry and the record where it fails.
    std::optional<std::vector<SavedFile>> readSave(uint64_t id, std::string& damage) const;
    std::optional<std::vector<RenameRecord>> readRenames(uint64_t id, std::string& damage) const;

    // The entry leaves the list; its id is remembered so that a second undo is refused.
    bool markUndone(uint64_t id) const;
    // Removes an entry that records nothing worth undoing.
    void discard(uint64_t id) const;

private:
    // An entry read whole: its records, or why they cannot be used.
    struct Loaded {
        JournalEntry entry;
        bool readable = false; // the header could be read
        std::vector<SavedFile> saves;
        std::vector<RenameRecord> renames;
        std::string damage;
    };
    const Loaded& load(uint64_t id) const;
    void loadSave(records::Reader& in, Loaded& l) const;
    void loadRenames(records::Reader& in, Loaded& l) const;
    void forget(uint64_t id) const { m_loaded.erase(id); }

    using Listing = std::map<uint64_t, std::vector<std::string>>; // id -> the suffixes present
    void prune(const Listing& older, const std::map<std::string, uint64_t>& sizes) const;
    std::string path(uint64_t id, const char* suffix) const;
    // The entry's file: finished, or still open from a save that was stopped.
    std::string entryPath(uint64_t id) const;

    std::string m_folder;
    mutable std::map<uint64_t, Loaded> m_loaded;
};

class JournalStore::Writer {
public:
    Writer(uint64_t id, std::string openPath, std::string entryPath, std::string folder, platform::File file);
    ~Writer();
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;

    uint64_t id() const { return m_id; }
    // A save's records are gathered and handed to the system by flush(), which a save calls
    // before it changes a file (no sync: the system keeps what a killed process wrote), and by
    // putHeadChange at once. False with the reason when the disk refuses; the entry then takes
    // nothing more.
    // `crcs`, when given, are the CRC-32s of the record's head and tail, worked out already.
    void putSave(uint32_t index, const SavedFileRecord& record, const Fingerprint* crcs = nullptr);
    void putOutcome(uint32_t index, const std::optional<Fingerprint>& after);
    // What a save of files[index] is about to replace in its ID3v2 tag, for a snapshot kept by changes.
    bool putHeadChange(uint32_t index, uint64_t at, bool whole, const uint8_t* bytes, std::size_t n,
                       std::string& why);
    bool flush(std::string& why);
    void putRename(const RenameRecord& record);
    // Ends the entry and flushes it and its folder; false with the reason when the disk refuses.
    bool commit(std::string& why);
    // Forgets the entry.
    void discard();

private:
    friend class JournalStore;
    void putHeader(JournalKind kind, uint32_t files);
    // One record: its framing, its payload laid out by the layout, its running CRC-32.
    template <std::size_t N>
    void putRecord(uint8_t type, const records::Field (&layout)[N], const records::Value (&values)[N])
    {
        putRecord(type, layout, values, N);
    }
    void putRecord(uint8_t type, const records::Field* layout, const records::Value* values, std::size_t count);

    uint64_t m_id;
    std::string m_openPath, m_entryPath, m_folder;
    platform::File m_file;
    std::vector<uint8_t> m_buffer;
    RunningCrc m_crc;
    std::string m_failure;
    bool m_done = false, m_keepUnfinished = false;
};


// The journal folder of this person: <state folder>journal/, empty when there is no state folder.
std::string undoJournalFolder();
