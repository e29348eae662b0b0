// The tag index in SQLite: one row per file, keyed by its absolute path, holding its stamp
// and its record in the compact stored form.
#include "tag_index.h"

#include "tags/id3v1/id3.h"
#include "tags/id3v2/id3v2.h"

#include <sqlite3.h>

#include <chrono>
#include <stdexcept>

namespace {

constexpr int kApplicationId = 0x56524e49; // "VRNI"
constexpr int kSchemaVersion = 1;
constexpr int kBusyWaitMs = 5000;

// A SQLite failure. The index is then not trusted, and is set aside and rebuilt, unless
// another process only kept it busy for longer than the wait.
struct IndexFailure : std::runtime_error {
    IndexFailure(const char* what, bool busy) : std::runtime_error(what), busy(busy) {}
    bool busy;
};

void check(sqlite3* db, int rc)
{
    if (rc != SQLITE_OK && rc != SQLITE_ROW && rc != SQLITE_DONE)
        throw IndexFailure(sqlite3_errmsg(db), (rc & 0xff) == SQLITE_BUSY || (rc & 0xff) == SQLITE_LOCKED);
}

void exec(sqlite3* db, const char* sql)
{
    check(db, sqlite3_exec(db, sql, nullptr, nullptr, nullptr));
}

class Statement {
public:
    Statement(sqlite3* db, const char* sql) : m_db(db) { check(db, sqlite3_prepare_v3(db, sql, -1, SQLITE_PREPARE_PERSISTENT, &m_stmt, nullptr)); }
    ~Statement() { sqlite3_finalize(m_stmt); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    Statement& start()
    {
        sqlite3_reset(m_stmt);
        sqlite3_clear_bindings(m_stmt);
        m_next = 1;
        return *this;
    }
    // The bytes must outlive the statement's next step.
    Statement& bind(std::string_view bytes)
    {
        check(m_db, sqlite3_bind_blob(m_stmt, m_next++, bytes.data(), static_cast<int>(bytes.size()), SQLITE_STATIC));
        return *this;
    }
    Statement& bind(int64_t n)
    {
        check(m_db, sqlite3_bind_int64(m_stmt, m_next++, n));
        return *this;
    }
    // True while a row comes.
    bool step()
    {
        const int rc = sqlite3_step(m_stmt);
        check(m_db, rc);
        return rc == SQLITE_ROW;
    }
    int64_t integer(int column) const { return sqlite3_column_int64(m_stmt, column); }
    std::string_view blob(int column) const
    {
        const void* data = sqlite3_column_blob(m_stmt, column);
        return {static_cast<const char*>(data), static_cast<std::size_t>(sqlite3_column_bytes(m_stmt, column))};
    }

private:
    sqlite3* m_db;
    sqlite3_stmt* m_stmt = nullptr;
    int m_next = 1;
};

int64_t queryInteger(sqlite3* db, const char* sql)
{
    Statement s(db, sql);
    return s.start().step() ? s.integer(0) : 0;
}

// A write a moment ago may be followed by another within the same tick of the file's clock,
// which leaves the stamp as it was: such a record is not kept until the file has been still
// for longer than the clock's step. Whole seconds suggest a file system that keeps no finer.
bool stillLongEnough(const platform::FileStamp& stamp)
{
    const int64_t now = std::chrono::duration_cast<std::chrono::nanoseconds>(
                            std::chrono::system_clock::now().time_since_epoch()).count();
    const int64_t step = stamp.mtimeNs % 1000000000 == 0 ? 2000000000 : 100000000;
    return now - stamp.mtimeNs > step;
}

bool storable(const IndexRecord& record)
{
    return record.stamp.inode != 0 && !record.readFailed() && stillLongEnough(record.stamp);
}

platform::FileStamp stampOf(const Statement& s)
{
    return {static_cast<uint64_t>(s.integer(0)), s.integer(1), static_cast<uint64_t>(s.integer(2)),
            static_cast<uint64_t>(s.integer(3))};
}

// A transaction rolled back unless committed.
class Transaction {
public:
    Transaction(sqlite3* db, const char* begin) : m_db(db) { exec(db, begin); }
    ~Transaction()
    {
        if (m_db)
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    void commit()
    {
        exec(m_db, "COMMIT");
        m_db = nullptr;
    }

private:
    sqlite3* m_db;
};

} // namespace

struct TagIndex::Statements {
    explicit Statements(sqlite3* db)
        : select(db, "SELECT size, mtime, device, inode, record FROM files WHERE path = ?"),
          upsert(db, "INSERT OR REPLACE INTO files(path, size, mtime, device, inode, record) VALUES (?, ?, ?, ?, ?, ?)"),
          remove(db, "DELETE FROM files WHERE path = ?")
    {
    }
    Statement select, upsert, remove;
};

std::string TagIndex::defaultFile()
{
    const std::string folder = platform::cacheFolder();
    return folder.empty() ? std::string() : folder + "tags.db";
}

std::string indexKey(const std::string& path)
{
    if (!path.empty() && path[0] == '/')
        return path;
    return platform::currentFolder() + '/' + path;
}

TagIndex::TagIndex(const std::string& file) : m_file(file)
{
    if (m_file.empty())
        return;
    if (openFile() == Opening::Broken)
        rebuild();
}

TagIndex::~TagIndex()
{
    close();
}

void TagIndex::close()
{
    m_statements.reset();
    sqlite3_close_v2(m_db);
    m_db = nullptr;
}

TagIndex::Opening TagIndex::openFile()
{
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
    if (sqlite3_open_v2(m_file.c_str(), &m_db, flags, nullptr) != SQLITE_OK) {
        close();
        return Opening::Broken;
    }
    try {
        sqlite3_busy_timeout(m_db, kBusyWaitMs);
        exec(m_db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL");
        if (prepare())
            return Opening::Open;
    } catch (const IndexFailure& failure) {
        close();
        return failure.busy ? Opening::Busy : Opening::Broken;
    }
    close();
    return Opening::Broken;
}

void TagIndex::recover(bool busy)
{
    if (!busy)
        rebuild();
}

// Makes the schema in a file still empty, and refuses one made by another program or schema.
bool TagIndex::prepare()
{
    Transaction transaction(m_db, "BEGIN IMMEDIATE");
    const int64_t application = queryInteger(m_db, "PRAGMA application_id");
    const int64_t schema = queryInteger(m_db, "PRAGMA user_version");
    if (application == 0 && schema == 0 && queryInteger(m_db, "SELECT count(*) FROM sqlite_master") == 0) {
        exec(m_db, "CREATE TABLE files(path BLOB PRIMARY KEY, size INTEGER, mtime INTEGER, device INTEGER,"
                   " inode INTEGER, record BLOB) WITHOUT ROWID");
        exec(m_db, ("PRAGMA application_id=" + std::to_string(kApplicationId) +
                    "; PRAGMA user_version=" + std::to_string(kSchemaVersion)).c_str());
    } else if (application != kApplicationId || schema != kSchemaVersion) {
        return false;
    }
    transaction.commit();
    m_statements = std::make_unique<Statements>(m_db);
    return true;
}

void TagIndex::rebuild()
{
    close();
    platform::renameFile(m_file, m_file + ".broken");
    platform::removeFile(m_file + "-wal");
    platform::removeFile(m_file + "-shm");
    openFile();
}

IndexRecord TagIndex::readFile(const std::string& path, const std::optional<platform::FileStamp>& stamp)
{
    static thread_local Tid3tag v1;
    static thread_local Tid3v2tag v2;
    ++m_filesRead;
    return readIndexRecord(path, v1, v2, stamp);
}

IndexRecord TagIndex::readFile(const std::string& path)
{
    return readFile(path, platform::fileStamp(path));
}

std::vector<IndexRecord> TagIndex::lookup(const std::vector<std::string>& paths)
{
    if (m_db) {
        try {
            return lookupOrThrow(paths);
        } catch (const IndexFailure& failure) {
            recover(failure.busy);
        }
    }
    std::vector<IndexRecord> records;
    records.reserve(paths.size());
    for (const std::string& path : paths)
        records.push_back(readFile(path));
    if (m_db) {
        try {
            store(records);
        } catch (const IndexFailure&) {
            close();
        }
    }
    return records;
}

std::vector<IndexRecord> TagIndex::lookupOrThrow(const std::vector<std::string>& paths)
{
    std::vector<IndexRecord> records(paths.size());
    std::vector<std::size_t> stale;
    // Taken before any read, so that a file changed meanwhile is read again next time.
    const std::vector<std::optional<platform::FileStamp>> stamps = platform::fileStamps(paths);
    {
        Transaction reading(m_db, "BEGIN");
        Statement& select = m_statements->select;
        const std::string here = platform::currentFolder() + '/';
        std::string key;
        for (std::size_t i = 0; i < paths.size(); ++i) {
            const std::optional<platform::FileStamp>& stamp = stamps[i];
            if (paths[i][0] != '/')
                key.assign(here).append(paths[i]);
            const std::string& bound = paths[i][0] == '/' ? paths[i] : key;
            if (!stamp || !select.start().bind(bound).step() || stampOf(select) != *stamp ||
                !decodeIndexRecord(select.blob(4), records[i])) {
                stale.push_back(i);
                continue;
            }
            records[i].path = paths[i];
            records[i].stamp = *stamp;
        }
        select.start();
        reading.commit();
    }
    std::vector<IndexRecord> read;
    for (std::size_t i : stale)
        read.push_back(readFile(paths[i], stamps[i]));
    store(read);
    for (std::size_t n = 0; n < stale.size(); ++n)
        records[stale[n]] = std::move(read[n]);
    return records;
}

void TagIndex::store(const std::vector<IndexRecord>& records)
{
    if (records.empty())
        return;
    Transaction writing(m_db, "BEGIN IMMEDIATE");
    for (const IndexRecord& record : records) {
        const std::string key = indexKey(record.path);
        if (!storable(record)) {
            m_statements->remove.start().bind(key).step();
            continue;
        }
        const std::string bytes = encodeIndexRecord(record);
        m_statements->upsert.start().bind(key).bind(static_cast<int64_t>(record.stamp.size))
            .bind(record.stamp.mtimeNs).bind(static_cast<int64_t>(record.stamp.device))
            .bind(static_cast<int64_t>(record.stamp.inode)).bind(bytes).step();
    }
    writing.commit();
}

void TagIndex::update(const std::vector<std::string>& paths)
{
    if (!m_db)
        return;
    // A file just written cannot be kept yet: its record is only dropped, without reading it.
    std::vector<IndexRecord> records;
    for (const std::string& path : paths) {
        const std::optional<platform::FileStamp> stamp = platform::fileStamp(path);
        if (stamp && stillLongEnough(*stamp)) {
            records.push_back(readFile(path, stamp));
        } else {
            records.emplace_back();
            records.back().path = path;
        }
    }
    try {
        store(records);
    } catch (const IndexFailure& failure) {
        recover(failure.busy);
    }
}

void TagIndex::renamed(const std::string& from, const std::string& to)
{
    if (!m_db)
        return;
    try {
        Transaction writing(m_db, "BEGIN IMMEDIATE");
        Statement& select = m_statements->select;
        const std::optional<platform::FileStamp> stamp = platform::fileStamp(to);
        const bool same = select.start().bind(indexKey(from)).step() && stamp && stampOf(select) == *stamp;
        const std::string record = same ? std::string(select.blob(4)) : std::string();
        select.start();
        m_statements->remove.start().bind(indexKey(from)).step();
        if (same)
            m_statements->upsert.start().bind(indexKey(to)).bind(static_cast<int64_t>(stamp->size))
                .bind(stamp->mtimeNs).bind(static_cast<int64_t>(stamp->device))
                .bind(static_cast<int64_t>(stamp->inode)).bind(record).step();
        writing.commit();
    } catch (const IndexFailure& failure) {
        recover(failure.busy);
    }
}

void TagIndex::forget(const std::string& path)
{
    if (!m_db)
        return;
    try {
        m_statements->remove.start().bind(indexKey(path)).step();
    } catch (const IndexFailure& failure) {
        recover(failure.busy);
    }
}
