// The persistent tag index: each file's record kept with the stamp it was read at, so that a
// file unchanged since is never opened again. One TagIndex per thread.
#pragma once

#include "features/index/index_record.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct sqlite3;

class TagIndex {
public:
    // tags.db in the person's cache folder; empty when there is none.
    static std::string defaultFile();

    // Opens the index at `file`, making it when missing. One that cannot be read as ours
    // (foreign, of another schema, damaged) is set aside beside it as FILE.broken and made
    // anew. Without a file, when none can be made, or while another process keeps it locked
    // for seconds, every lookup reads the files.
    explicit TagIndex(const std::string& file = defaultFile());
    ~TagIndex();
    TagIndex(const TagIndex&) = delete;
    TagIndex& operator=(const TagIndex&) = delete;

    bool isOpen() const { return m_db != nullptr; }

    // The record of each path, in order: from the index when the file's stamp is the one it
    // was read at, else read from the file now and stored, all in one transaction.
    std::vector<IndexRecord> lookup(const std::vector<std::string>& paths);
    // After our own saves: reads the files again and stores their records; one written a
    // moment ago loses its record instead, to be read at its next lookup.
    void update(const std::vector<std::string>& paths);
    // A file renamed: its record follows it when the file is the one it was read from.
    void renamed(const std::string& from, const std::string& to);
    void forget(const std::string& path);

    // How many files this index has read since it opened, for tests.
    uint64_t filesRead() const { return m_filesRead; }

private:
    struct Statements;
    enum class Opening { Open, Busy, Broken };
    // Busy: another process kept the file locked for longer than the wait; no index this time.
    Opening openFile();
    bool prepare();
    void close();
    // Closes a database that failed, sets its file aside and opens a new one.
    void rebuild();
    // After a failure: a busy index is left as it is, any other rebuilt.
    void recover(bool busy);
    std::vector<IndexRecord> lookupOrThrow(const std::vector<std::string>& paths);
    void store(const std::vector<IndexRecord>& records);
    IndexRecord readFile(const std::string& path);
    IndexRecord readFile(const std::string& path, const std::optional<platform::FileStamp>& stamp);

    std::string m_file;
    sqlite3* m_db = nullptr;
    std::unique_ptr<Statements> m_statements;
    uint64_t m_filesRead = 0;
};

// The path the index keys a file by: absolute, so that the same name given from two folders
// is not taken for one file.
std::string indexKey(const std::string& path);
