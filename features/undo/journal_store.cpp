// Reads and writes the undo journal's entries: <id>.entry (what was there before; <id>.partial
// while it is written), <id>.done (what a save left) and <id>.undone (an entry taken back).
#include "journal_store.h"

#include "platform/file_system.h"
#include "platform/journal_files.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>

namespace {

constexpr char kEntryMagic[4] = {'V', 'N', 'J', '1'};
constexpr char kDoneMagic[4] = {'V', 'N', 'D', '1'};
constexpr uint8_t kFlagUnreadable = 1, kFlagWhole = 2, kFlagV1 = 4, kFlagV2 = 8;
constexpr std::size_t kFingerprintSize = 1 + 8 + 8 + 8 + 4 + 4;
constexpr std::size_t kWriteBuffer = 1 << 20;

void putLE(std::vector<uint8_t>& out, uint64_t value, int width)
{
    for (int i = 0; i < width; ++i)
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// Reads an entry front to back; any read past the end or failure leaves it failed.
class Cursor {
public:
    explicit Cursor(const std::string& path) : m_file(platform::File::open(path, platform::File::Mode::Read))
    {
        m_ok = m_file.has_value();
        if (m_ok)
            m_size = m_file->size();
    }
    bool ok() const { return m_ok; }
    bool atEnd() const { return m_ok && m_at == m_size; }

    uint64_t number(int width)
    {
        uint8_t b[8] = {};
        if (!take(b, static_cast<std::size_t>(width)))
            return 0;
        uint64_t value = 0;
        for (int i = width - 1; i >= 0; --i)
            value = value << 8 | b[i];
        return value;
    }
    std::vector<uint8_t> bytes(uint64_t n)
    {
        if (!m_ok || n > m_size - m_at) {
            m_ok = false;
            return {};
        }
        std::vector<uint8_t> out(static_cast<std::size_t>(n));
        take(out.data(), out.size());
        return out;
    }
    std::string text()
    {
        const std::vector<uint8_t> b = bytes(number(4));
        return std::string(b.begin(), b.end());
    }
    bool magic(const char (&expected)[4])
    {
        uint8_t b[4] = {};
        if (take(b, 4) && std::memcmp(b, expected, 4) != 0)
            m_ok = false;
        return m_ok;
    }

private:
    bool take(uint8_t* out, std::size_t n)
    {
        if (!m_ok || n > m_size - m_at)
            return m_ok = false;
        try {
            m_file->readExactAt(m_at, out, n);
        } catch (const platform::IoError&) {
            return m_ok = false;
        }
        m_at += n;
        return true;
    }

    std::optional<platform::File> m_file;
    uint64_t m_size = 0, m_at = 0;
    bool m_ok = false;
};

struct Header {
    JournalKind kind = JournalKind::Save;
    int64_t time = 0;
    uint32_t files = 0;
};

std::optional<Header> readHeader(Cursor& in)
{
    Header h;
    if (!in.magic(kEntryMagic))
        return std::nullopt;
    const uint64_t kind = in.number(1);
    h.time = static_cast<int64_t>(in.number(8));
    h.files = static_cast<uint32_t>(in.number(4));
    if (!in.ok() || (kind != uint64_t(JournalKind::Save) && kind != uint64_t(JournalKind::Rename)))
        return std::nullopt;
    h.kind = static_cast<JournalKind>(kind);
    return h;
}

class FileWriter : public JournalStore::Writer {
public:
    FileWriter(uint64_t id, std::string path, std::string entryPath, std::string folder, platform::NewFile file)
        : m_id(id), m_path(std::move(path)), m_entryPath(std::move(entryPath)), m_folder(std::move(folder)),
          m_file(std::move(file))
    {
    }
    ~FileWriter() override
    {
        if (!m_committed)
            platform::removeFile(m_path);
    }
    uint64_t id() const override { return m_id; }

    void putHeader(JournalKind kind, uint32_t files)
    {
        m_buffer.insert(m_buffer.end(), std::begin(kEntryMagic), std::end(kEntryMagic));
        putLE(m_buffer, static_cast<uint8_t>(kind), 1);
        putLE(m_buffer, static_cast<uint64_t>(platform::currentTime()), 8);
        putLE(m_buffer, files, 4);
    }
    void putSave(const SavedFileRecord& r) override
    {
        putText(r.path);
        putLE(m_buffer,
              (r.readable ? 0 : kFlagUnreadable) | (r.whole ? kFlagWhole : 0) | (r.savedV1 ? kFlagV1 : 0) |
                  (r.savedV2 ? kFlagV2 : 0),
              1);
        putLE(m_buffer, r.oldSize, 8);
        putLE(m_buffer, r.head.size(), 8);
        put(r.head);
        putLE(m_buffer, r.tail.size(), 4);
        put(r.tail);
    }
    void putRename(const RenameRecord& r) override
    {
        putText(r.from);
        putText(r.to);
    }
    bool commit(std::string& why) override
    {
        flush();
        if (m_failure.empty()) {
            try {
                m_file.sync();
            } catch (const platform::IoError& e) {
                m_failure = e.what();
            }
        }
        // Only a complete entry gets its name, so a crash while writing leaves no entry behind.
        if (m_failure.empty() && !platform::renameFile(m_path, m_entryPath))
            m_failure = "the entry could not be named " + m_entryPath;
        if (m_failure.empty() && !platform::syncFolder(m_folder))
            m_failure = "the journal folder could not be flushed";
        if (!m_failure.empty())
            platform::removeFile(m_entryPath);
        why = m_failure;
        m_committed = m_failure.empty();
        return m_committed;
    }

private:
    void putText(const std::string& text)
    {
        putLE(m_buffer, text.size(), 4);
        m_buffer.insert(m_buffer.end(), text.begin(), text.end());
    }
    void put(const std::vector<uint8_t>& bytes)
    {
        if (m_buffer.size() + bytes.size() > kWriteBuffer)
            flush();
        if (bytes.size() > kWriteBuffer)
            write(bytes.data(), bytes.size());
        else
            m_buffer.insert(m_buffer.end(), bytes.begin(), bytes.end());
    }
    void flush()
    {
        write(m_buffer.data(), m_buffer.size());
        m_buffer.clear();
    }
    void write(const uint8_t* data, std::size_t n)
    {
        if (!m_failure.empty() || n == 0)
            return;
        try {
            m_file.append(data, n);
        } catch (const platform::IoError& e) {
            m_failure = e.what();
        }
    }

    uint64_t m_id;
    std::string m_path, m_entryPath, m_folder;
    platform::NewFile m_file;
    std::vector<uint8_t> m_buffer;
    std::string m_failure;
    bool m_committed = false;
};

// The ids found in the folder, with the suffixes present for each.
std::map<uint64_t, std::vector<std::string>> scan(const std::string& folder)
{
    std::map<uint64_t, std::vector<std::string>> found;
    for (const platform::DirEntry& e : platform::listDirectory(folder)) {
        const std::size_t dot = e.name.find('.');
        if (e.isDirectory || dot == 0 || dot == std::string::npos ||
            e.name.find_first_not_of("0123456789") != dot || dot > 18)
            continue;
        found[std::stoull(e.name.substr(0, dot))].push_back(e.name.substr(dot));
    }
    return found;
}

bool has(const std::vector<std::string>& suffixes, const char* suffix)
{
    return std::find(suffixes.begin(), suffixes.end(), suffix) != suffixes.end();
}

uint64_t fileSize(const std::string& path)
{
    const auto f = platform::File::open(path, platform::File::Mode::Read);
    return f ? f->size() : 0;
}

} // namespace

uint32_t crcOf(const uint8_t* data, std::size_t n, uint32_t crc)
{
    uLong sum = crc;
    for (std::size_t at = 0; at < n;) {
        const uInt take = static_cast<uInt>(std::min<std::size_t>(n - at, 1u << 30));
        sum = crc32(sum, data + at, take);
        at += take;
    }
    return static_cast<uint32_t>(sum);
}

std::string undoJournalFolder()
{
    const std::string state = platform::stateFolder();
    return state.empty() ? std::string() : state + "journal/";
}

std::string JournalStore::path(uint64_t id, const char* suffix) const
{
    char name[32];
    std::snprintf(name, sizeof name, "%010llu", static_cast<unsigned long long>(id));
    return m_folder + name + suffix;
}

std::vector<uint64_t> JournalStore::entryIds() const
{
    std::vector<uint64_t> ids;
    const auto found = scan(m_folder);
    for (auto it = found.rbegin(); it != found.rend(); ++it)
        if (!has(it->second, ".undone") && has(it->second, ".entry"))
            ids.push_back(it->first);
    return ids;
}

std::vector<JournalEntry> JournalStore::entries() const
{
    std::vector<JournalEntry> list;
    for (const uint64_t id : entryIds())
        if (std::optional<JournalEntry> e = entry(id))
            list.push_back(*e);
    return list;
}

std::optional<JournalEntry> JournalStore::entry(uint64_t id) const
{
    if (m_folder.empty() || platform::pathExists(path(id, ".undone")))
        return std::nullopt;
    Cursor in(path(id, ".entry"));
    const std::optional<Header> h = readHeader(in);
    if (!h)
        return std::nullopt;
    JournalEntry e;
    e.id = id;
    e.kind = h->kind;
    e.time = h->time;
    e.files = h->files;
    e.finished = h->kind == JournalKind::Rename || platform::pathExists(path(id, ".done"));
    if (h->kind == JournalKind::Save) {
        if (const std::optional<std::vector<Fingerprint>> prints = readFingerprints(id))
            e.files = static_cast<uint32_t>(
                std::count_if(prints->begin(), prints->end(), [](const Fingerprint& p) { return p.recorded; }));
    }
    return e;
}

bool JournalStore::wasUndone(uint64_t id) const
{
    return !m_folder.empty() && platform::pathExists(path(id, ".undone"));
}

std::unique_ptr<JournalStore::Writer> JournalStore::begin(JournalKind kind, uint32_t files, std::string& why) const
{
    if (m_folder.empty()) {
        why = "there is no state folder (neither XDG_STATE_HOME nor HOME is set)";
        return nullptr;
    }
    if (!platform::makeFolders(m_folder.substr(0, m_folder.size() - 1))) {
        why = "the folder " + m_folder + " cannot be created";
        return nullptr;
    }
    const auto found = scan(m_folder);
    uint64_t id = found.empty() ? 1 : found.rbegin()->first + 1;
    // Another process may take the same id at the same moment: the exclusive create decides.
    for (int attempt = 0; attempt < 100; ++attempt, ++id) {
        std::string reason;
        if (platform::pathExists(path(id, ".entry")))
            continue;
        std::optional<platform::NewFile> file = platform::NewFile::create(path(id, ".partial"), reason);
        if (file) {
            auto writer =
                std::make_unique<FileWriter>(id, path(id, ".partial"), path(id, ".entry"), m_folder, std::move(*file));
            writer->putHeader(kind, files);
            return writer;
        }
        if (platform::pathExists(path(id, ".partial")))
            continue;
        why = m_folder + ": " + reason;
        return nullptr;
    }
    why = "no free entry name in " + m_folder;
    return nullptr;
}

std::optional<std::vector<SavedFileRecord>> JournalStore::readSave(uint64_t id) const
{
    Cursor in(path(id, ".entry"));
    const std::optional<Header> h = readHeader(in);
    if (!h || h->kind != JournalKind::Save)
        return std::nullopt;
    std::vector<SavedFileRecord> records;
    for (uint32_t i = 0; i < h->files && in.ok(); ++i) {
        SavedFileRecord& r = records.emplace_back();
        r.path = in.text();
        const uint64_t flags = in.number(1);
        r.readable = (flags & kFlagUnreadable) == 0;
        r.whole = (flags & kFlagWhole) != 0;
        r.savedV1 = (flags & kFlagV1) != 0;
        r.savedV2 = (flags & kFlagV2) != 0;
        r.oldSize = in.number(8);
        r.head = in.bytes(in.number(8));
        r.tail = in.bytes(in.number(4));
    }
    if (!in.ok())
        return std::nullopt;
    return records;
}

std::optional<std::vector<RenameRecord>> JournalStore::readRenames(uint64_t id) const
{
    Cursor in(path(id, ".entry"));
    const std::optional<Header> h = readHeader(in);
    if (!h || h->kind != JournalKind::Rename)
        return std::nullopt;
    std::vector<RenameRecord> records;
    for (uint32_t i = 0; i < h->files && in.ok(); ++i) {
        RenameRecord& r = records.emplace_back();
        r.from = in.text();
        r.to = in.text();
    }
    if (!in.ok())
        return std::nullopt;
    return records;
}

bool JournalStore::writeFingerprints(uint64_t id, const std::vector<Fingerprint>& prints, std::string& why) const
{
    std::vector<uint8_t> out(std::begin(kDoneMagic), std::end(kDoneMagic));
    putLE(out, prints.size(), 4);
    for (const Fingerprint& p : prints) {
        putLE(out, p.recorded ? 1 : 0, 1);
        putLE(out, p.size, 8);
        putLE(out, p.head, 8);
        putLE(out, p.tail, 8);
        putLE(out, p.headCrc, 4);
        putLE(out, p.tailCrc, 4);
    }
    putLE(out, crcOf(out.data(), out.size()), 4);
    const std::string target = path(id, ".done");
    std::optional<platform::NewFile> file = platform::NewFile::create(target, why);
    if (!file)
        return false;
    try {
        file->append(out.data(), out.size());
        file->sync();
    } catch (const platform::IoError& e) {
        why = e.what();
        file.reset();
        platform::removeFile(target);
        return false;
    }
    platform::syncFolder(m_folder);
    return true;
}

std::optional<std::vector<Fingerprint>> JournalStore::readFingerprints(uint64_t id) const
{
    Cursor in(path(id, ".done"));
    if (!in.magic(kDoneMagic))
        return std::nullopt;
    const uint64_t count = in.number(4);
    std::vector<uint8_t> raw(std::begin(kDoneMagic), std::end(kDoneMagic));
    putLE(raw, count, 4);
    const std::vector<uint8_t> body = in.bytes(count * kFingerprintSize);
    raw.insert(raw.end(), body.begin(), body.end());
    const uint64_t stored = in.number(4);
    if (!in.ok() || !in.atEnd() || stored != crcOf(raw.data(), raw.size()))
        return std::nullopt;
    std::vector<Fingerprint> prints(static_cast<std::size_t>(count));
    const auto le = [&body](std::size_t at, int width) {
        uint64_t v = 0;
        for (int i = width - 1; i >= 0; --i)
            v = v << 8 | body[at + static_cast<std::size_t>(i)];
        return v;
    };
    for (std::size_t i = 0; i < prints.size(); ++i) {
        const std::size_t at = i * kFingerprintSize;
        prints[i].recorded = body[at] == 1;
        prints[i].size = le(at + 1, 8);
        prints[i].head = le(at + 9, 8);
        prints[i].tail = le(at + 17, 8);
        prints[i].headCrc = static_cast<uint32_t>(le(at + 25, 4));
        prints[i].tailCrc = static_cast<uint32_t>(le(at + 29, 4));
    }
    return prints;
}

void JournalStore::discard(uint64_t id) const
{
    platform::removeFile(path(id, ".entry"));
    platform::removeFile(path(id, ".done"));
}

bool JournalStore::markUndone(uint64_t id) const
{
    std::string why;
    {
        std::optional<platform::NewFile> marker = platform::NewFile::create(path(id, ".undone"), why);
        if (!marker && !platform::pathExists(path(id, ".undone")))
            return false;
        if (marker) {
            try {
                marker->sync();
            } catch (const platform::IoError&) {
                return false;
            }
        }
    }
    platform::syncFolder(m_folder);
    platform::removeFile(path(id, ".entry"));
    platform::removeFile(path(id, ".done"));
    return true;
}

void JournalStore::prune() const
{
    std::size_t kept = 0, markers = 0;
    uint64_t bytes = 0;
    const auto found = scan(m_folder);
    for (auto it = found.rbegin(); it != found.rend(); ++it) {
        const uint64_t id = it->first;
        if (has(it->second, ".undone")) {
            // Markers are kept only so that a second undo is refused; the newest few suffice.
            if (++markers > kMaxEntries)
                platform::removeFile(path(id, ".undone"));
            continue;
        }
        const uint64_t size = fileSize(path(id, ".entry")) + fileSize(path(id, ".done"));
        if (kept == 0 || (kept < kMaxEntries && bytes + size <= kMaxBytes)) {
            ++kept;
            bytes += size;
            continue;
        }
        // Stop counting here: everything older goes too, so the kept entries stay the newest.
        kept = kMaxEntries;
        platform::removeFile(path(id, ".entry"));
        platform::removeFile(path(id, ".done"));
    }
}
