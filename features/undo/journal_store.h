// The undo journal on disk: one entry per batch save or rename, the newest kept.
#pragma once

#include <cstddef>
#include <cstdint>
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
    uint32_t files = 0;    // the files a save changed (all it meant to while unfinished)
    bool finished = false; // a save whose outcome was recorded; a rename always is
};

// What one file of a save had before it: the bytes the save replaces at each end.
struct SavedFileRecord {
    std::string path;
    bool readable = true; // false: the file could not be read, and nothing of it is kept
    bool whole = false;   // `head` is the whole file: its tag and record could not be told apart
    bool savedV1 = false, savedV2 = false; // which tags the save wrote
    uint64_t oldSize = 0;
    std::vector<uint8_t> head, tail;
};

// What a save left in one file, to tell whether the file has changed since.
struct Fingerprint {
    bool recorded = false; // false: the save failed or never reached the file
    uint64_t size = 0, head = 0, tail = 0;
    uint32_t headCrc = 0, tailCrc = 0;
};

struct RenameRecord {
    std::string from, to;
};

class JournalStore {
public:
    static constexpr std::size_t kMaxEntries = 50;
    static constexpr uint64_t kMaxBytes = uint64_t(256) << 20;

    // `folder` ends with "/"; empty means the person has no state folder.
    explicit JournalStore(std::string folder) : m_folder(std::move(folder)) {}
    const std::string& folder() const { return m_folder; }

    // Newest first; undone entries are left out.
    std::vector<JournalEntry> entries() const;
    std::vector<uint64_t> entryIds() const;
    std::optional<JournalEntry> entry(uint64_t id) const;
    bool wasUndone(uint64_t id) const;

    // Entries are written from start to end, then flushed to the disk by commit(); until then
    // a failure leaves no entry behind.
    class Writer;
    std::unique_ptr<Writer> begin(JournalKind kind, uint32_t files, std::string& why) const;

    std::optional<std::vector<SavedFileRecord>> readSave(uint64_t id) const;
    std::optional<std::vector<Fingerprint>> readFingerprints(uint64_t id) const;
    std::optional<std::vector<RenameRecord>> readRenames(uint64_t id) const;
    // Records what a save left, flushed; false with the reason when it cannot.
    bool writeFingerprints(uint64_t id, const std::vector<Fingerprint>& prints, std::string& why) const;

    // The entry leaves the list; its id is remembered so that a second undo is refused.
    bool markUndone(uint64_t id) const;
    // Removes an entry that records nothing worth undoing.
    void discard(uint64_t id) const;
    // Drops the oldest entries beyond the count and size limits; the newest always stays.
    void prune() const;

private:
    std::string path(uint64_t id, const char* suffix) const;

    std::string m_folder;
};

class JournalStore::Writer {
public:
    virtual ~Writer() = default;
    virtual uint64_t id() const = 0;
    virtual void putSave(const SavedFileRecord& record) = 0;
    virtual void putRename(const RenameRecord& record) = 0;
    // Flushes the entry and its folder; false with the reason when the disk refuses.
    virtual bool commit(std::string& why) = 0;
};

// CRC-32 of n bytes, continuing `crc`; fed to zlib in pieces so sizes past its 32-bit length count whole.
uint32_t crcOf(const uint8_t* data, std::size_t n, uint32_t crc = 0);

// The journal folder of this person: <state folder>journal/, empty when there is no state folder.
std::string undoJournalFolder();
