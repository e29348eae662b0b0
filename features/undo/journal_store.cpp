// The undo journal's folder of entries: reading them back checked, listing, marking and pruning.
#include "journal_store.h"

#include "journal_format.h"
#include "platform/file_system.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>

using namespace journalformat;

namespace {

uint64_t getLE(const uint8_t* p, int width)
{
    uint64_t value = 0;
    for (int i = width - 1; i >= 0; --i)
        value = value << 8 | p[i];
    return value;
}

// Reads an entry front to back, keeping the CRC of what it read; any read past the end or
// failure leaves it failed.
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
    uint64_t at() const { return m_at; }
    uint64_t left() const { return m_size - m_at; }
    uint32_t crc() const { return m_crc; }

    uint64_t number(int width)
    {
        uint8_t b[8] = {};
        return take(b, static_cast<std::size_t>(width)) ? getLE(b, width) : 0;
    }
    std::vector<uint8_t> bytes(uint64_t n)
    {
        if (!m_ok || n > left()) {
            m_ok = false;
            return {};
        }
        std::vector<uint8_t> out(static_cast<std::size_t>(n));
        take(out.data(), out.size());
        return out;
    }
    void skip(uint64_t n)
    {
        if (n > left())
            m_ok = false;
        else
            m_at += n;
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
        if (!m_ok || n > left())
            return m_ok = false;
        try {
            m_file->readExactAt(m_at, out, n);
        } catch (const platform::IoError&) {
            return m_ok = false;
        }
        m_crc = crcOf(out, n, m_crc);
        m_at += n;
        return true;
    }

    std::optional<platform::File> m_file;
    uint64_t m_size = 0, m_at = 0;
    uint32_t m_crc = 0;
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

// Takes a record's payload apart; any field past its end leaves it failed.
class Payload {
public:
    explicit Payload(const std::vector<uint8_t>& bytes) : m_bytes(bytes) {}
    bool ok() const { return m_ok && m_at == m_bytes.size(); }
    std::size_t left() const { return m_ok ? m_bytes.size() - m_at : 0; }
    uint64_t number(int width)
    {
        if (!fits(static_cast<uint64_t>(width)))
            return 0;
        const uint64_t v = getLE(m_bytes.data() + m_at, width);
        m_at += static_cast<std::size_t>(width);
        return v;
    }
    std::vector<uint8_t> bytes(uint64_t n)
    {
        if (!fits(n))
            return {};
        std::vector<uint8_t> out(m_bytes.begin() + static_cast<std::ptrdiff_t>(m_at),
                                 m_bytes.begin() + static_cast<std::ptrdiff_t>(m_at + n));
        m_at += static_cast<std::size_t>(n);
        return out;
    }
    std::string text()
    {
        const std::vector<uint8_t> b = bytes(number(4));
        return std::string(b.begin(), b.end());
    }

private:
    bool fits(uint64_t n)
    {
        m_ok = m_ok && n <= m_bytes.size() - m_at;
        return m_ok;
    }
    const std::vector<uint8_t>& m_bytes;
    std::size_t m_at = 0;
    bool m_ok = true;
};

// One record as read, its checksum already compared.
struct RawRecord {
    uint8_t type = 0;
    std::vector<uint8_t> payload;
    bool intact = false;
};

// Why reading stopped: at the end, or at a record cut short by the end of the file.
enum class Stop { End, CutShort };

// Reads the next record; at the end or where the file ends inside a record, nothing.
std::optional<RawRecord> nextRecord(Cursor& in, Stop& stop)
{
    if (in.atEnd()) {
        stop = Stop::End;
        return std::nullopt;
    }
    RawRecord r;
    if (in.left() < kRecordHead) {
        stop = Stop::CutShort;
        return std::nullopt;
    }
    r.type = static_cast<uint8_t>(in.number(1));
    const uint64_t length = in.number(8);
    if (length > in.left() || in.left() - length < 4) {
        stop = Stop::CutShort;
        return std::nullopt;
    }
    r.payload = in.bytes(length);
    const uint32_t expected = in.crc();
    r.intact = in.ok() && in.number(4) == expected;
    if (!in.ok()) {
        stop = Stop::CutShort;
        return std::nullopt;
    }
    return r;
}

std::string printable(std::string text)
{
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            c = '?';
    return text;
}

std::string damagedText(uint64_t id, const std::string& where)
{
    return "Entry " + std::to_string(id) + " of the undo journal is damaged: " + where +
           " fails its checksum. Nothing was restored.";
}

std::string unreadableText(uint64_t id)
{
    return "Entry " + std::to_string(id) + " of the undo journal cannot be read. Nothing was restored.";
}

SavedFileRecord snapshotOf(Payload& in, uint32_t& index)
{
    SavedFileRecord r;
    index = static_cast<uint32_t>(in.number(4));
    r.path = in.text();
    const uint64_t flags = in.number(1);
    r.whole = (flags & kFlagWhole) != 0;
    r.savedV1 = (flags & kFlagV1) != 0;
    r.savedV2 = (flags & kFlagV2) != 0;
    r.oldSize = in.number(8);
    r.headByChanges = (flags & kFlagHeadByChanges) != 0;
    if (r.headByChanges) {
        r.oldHeadSize = in.number(8);
        r.oldHeadCrc = static_cast<uint32_t>(in.number(4));
    } else {
        r.head = in.bytes(in.number(8));
    }
    r.tail = in.bytes(in.number(8));
    return r;
}

// The ids found in the folder, with the suffixes present for each; with `sizes`, the size
// of each of their files by name too.
std::map<uint64_t, std::vector<std::string>> scan(const std::string& folder,
                                                  std::map<std::string, uint64_t>* sizes = nullptr)
{
    std::map<uint64_t, std::vector<std::string>> found;
    for (const platform::DirEntry& e :
         sizes ? platform::listDirectoryWithSizes(folder) : platform::listDirectory(folder)) {
        const std::size_t dot = e.name.find('.');
        if (e.isDirectory || dot == 0 || dot == std::string::npos ||
            e.name.find_first_not_of("0123456789") != dot || dot > 18)
            continue;
        found[std::stoull(e.name.substr(0, dot))].push_back(e.name.substr(dot));
        if (sizes)
            (*sizes)[e.name] = e.size;
    }
    return found;
}

std::string entryName(uint64_t id, const char* suffix)
{
    char name[32];
    std::snprintf(name, sizeof name, "%010llu", static_cast<unsigned long long>(id));
    return name + std::string(suffix);
}

bool has(const std::vector<std::string>& suffixes, const char* suffix)
{
    return std::find(suffixes.begin(), suffixes.end(), suffix) != suffixes.end();
}

} // namespace

std::string undoJournalFolder()
{
    return stateSubfolder("journal");
}

std::string JournalStore::path(uint64_t id, const char* suffix) const
{
    return m_folder + entryName(id, suffix);
}

std::string JournalStore::entryPath(uint64_t id) const
{
    const std::string finished = path(id, ".entry");
    return platform::pathExists(finished) ? finished : path(id, ".open");
}

std::vector<uint64_t> JournalStore::entryIds() const
{
    std::vector<uint64_t> ids;
    const auto found = scan(m_folder);
    for (auto it = found.rbegin(); it != found.rend(); ++it)
        if (!has(it->second, ".undone") && (has(it->second, ".entry") || has(it->second, ".open")))
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
    Cursor in(entryPath(id));
    const std::optional<Header> h = readHeader(in);
    if (!h)
        return std::nullopt;
    JournalEntry e;
    e.id = id;
    e.kind = h->kind;
    e.time = h->time;
    e.files = h->files;
    e.finished = platform::pathExists(path(id, ".entry"));
    if (h->kind == JournalKind::Rename)
        return e;
    // Counted from the record types alone; the checksums are checked when the entry is undone.
    uint32_t snapshots = 0, unchanged = 0;
    bool ended = false;
    while (in.left() >= kRecordHead) {
        const uint64_t type = in.number(1), length = in.number(8);
        in.skip(length);
        in.skip(4);
        if (!in.ok())
            break;
        snapshots += type == kSnapshot;
        unchanged += type == kUnchanged;
        ended = type == kEnd && length == 0 && in.atEnd();
    }
    e.files = snapshots - std::min(snapshots, unchanged);
    // A power cut may take back the final name of an entry that was flushed whole.
    e.finished = e.finished || ended;
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
    // A save's entry is seen from its start, so that it is found when the save is stopped.
    const char* openSuffix = kind == JournalKind::Save ? ".open" : ".partial";
    // Every entry's size is taken with the listing, for the pruning.
    std::map<std::string, uint64_t> sizes;
    const auto found = scan(m_folder, &sizes);
    uint64_t id = found.empty() ? 1 : found.rbegin()->first + 1;
    // Another process may take the same id at the same moment: the exclusive create decides.
    for (int attempt = 0; attempt < 100; ++attempt, ++id) {
        std::string reason;
        if (platform::pathExists(path(id, ".entry")) || platform::pathExists(path(id, ".undone")))
            continue;
        std::optional<platform::NewFile> file = platform::NewFile::create(path(id, openSuffix), reason);
        if (file) {
            auto writer =
                std::make_unique<Writer>(id, path(id, openSuffix), path(id, ".entry"), m_folder, std::move(*file));
            writer->putHeader(kind, files);
            if (kind == JournalKind::Save && !writer->flush(why))
                return nullptr;
            writer->m_keepUnfinished = kind == JournalKind::Save;
            prune(found, sizes);
            return writer;
        }
        if (platform::pathExists(path(id, openSuffix)))
            continue;
        why = m_folder + ": " + reason;
        return nullptr;
    }
    why = "no free entry name in " + m_folder;
    return nullptr;
}

std::optional<std::vector<SavedFile>> JournalStore::readSave(uint64_t id, std::string& damage) const
{
    const bool finished = platform::pathExists(path(id, ".entry"));
    Cursor in(entryPath(id));
    const std::optional<Header> h = readHeader(in);
    if (!h || h->kind != JournalKind::Save) {
        damage = unreadableText(id);
        return std::nullopt;
    }
    std::vector<SavedFile> files;
    std::map<uint32_t, std::size_t> byIndex;
    const auto nameOf = [&](const RawRecord& r) -> std::string {
        Payload p(r.payload);
        const uint32_t index = static_cast<uint32_t>(p.number(4));
        if (r.type == kSnapshot)
            return "its record of '" + printable(p.text()) + "'";
        const auto it = byIndex.find(index);
        if (it == byIndex.end())
            return "its record at byte " + std::to_string(in.at());
        const std::string what = r.type == kHeadChange ? "replaced in" : "left in";
        return "its record of what the save " + what + " '" + printable(files[it->second].before.path) + "'";
    };
    Stop stop = Stop::End;
    bool ended = false;
    while (std::optional<RawRecord> r = nextRecord(in, stop)) {
        if (!r->intact) {
            damage = damagedText(id, nameOf(*r));
            return std::nullopt;
        }
        Payload p(r->payload);
        if (r->type == kEnd && r->payload.empty() && in.atEnd()) {
            ended = true;
            break;
        }
        if (r->type == kSnapshot) {
            uint32_t index = 0;
            SavedFile f;
            f.before = snapshotOf(p, index);
            if (p.ok() && byIndex.emplace(index, files.size()).second) {
                files.push_back(std::move(f));
                continue;
            }
        } else if (r->type == kHeadChange) {
            const auto it = byIndex.find(static_cast<uint32_t>(p.number(4)));
            SavedFileRecord::HeadChange change;
            change.whole = p.number(1) != 0;
            change.at = p.number(8);
            change.bytes = p.bytes(p.number(8));
            if (p.ok() && it != byIndex.end() && files[it->second].before.headByChanges) {
                files[it->second].before.headChanges.push_back(std::move(change));
                continue;
            }
        } else if (r->type == kChanged || r->type == kUnchanged) {
            const auto it = byIndex.find(static_cast<uint32_t>(p.number(4)));
            Fingerprint f;
            f.recorded = true;
            if (r->type == kChanged) {
                f.size = p.number(8);
                f.head = p.number(8);
                f.tail = p.number(8);
                f.headCrc = static_cast<uint32_t>(p.number(4));
                f.tailCrc = static_cast<uint32_t>(p.number(4));
            }
            if (p.ok() && it != byIndex.end()) {
                SavedFile& file = files[it->second];
                // A file named twice in the batch: its last outcome counts.
                file.unchanged = r->type == kUnchanged;
                file.after = file.unchanged ? std::nullopt : std::optional<Fingerprint>(f);
                continue;
            }
        }
        // A record that passes its checksum but makes no sense was not written by this program.
        damage = unreadableText(id);
        return std::nullopt;
    }
    // Only a save that was stopped leaves its entry unended, and at most its last write cut short.
    if (finished && !ended) {
        damage = damagedText(id, "its end");
        return std::nullopt;
    }
    return files;
}

std::optional<std::vector<RenameRecord>> JournalStore::readRenames(uint64_t id, std::string& damage) const
{
    Cursor in(path(id, ".entry"));
    const std::optional<Header> h = readHeader(in);
    if (!h || h->kind != JournalKind::Rename) {
        damage = unreadableText(id);
        return std::nullopt;
    }
    std::vector<RenameRecord> records;
    Stop stop = Stop::End;
    while (std::optional<RawRecord> r = nextRecord(in, stop)) {
        Payload p(r->payload);
        RenameRecord rename;
        rename.from = p.text();
        rename.to = p.text();
        if (p.left() == kIdentitySize) {
            platform::FileIdentity identity;
            identity.device = p.number(8);
            identity.inode = p.number(8);
            identity.size = p.number(8);
            rename.identity = identity;
        }
        if (!r->intact) {
            damage = damagedText(id, "its record of the rename of '" + printable(rename.from) + "'");
            return std::nullopt;
        }
        if (r->type == kEnd && r->payload.empty() && in.atEnd() && records.size() == h->files)
            return records;
        if (r->type != kRename || !p.ok())
            break;
        records.push_back(rename);
    }
    damage = damagedText(id, "its end");
    return std::nullopt;
}

void JournalStore::discard(uint64_t id) const
{
    platform::removeFile(path(id, ".entry"));
    platform::removeFile(path(id, ".open"));
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
    discard(id);
    return true;
}

// `older` and `sizes` are the listing taken before the newest entry, which always stays, was opened.
void JournalStore::prune(const Listing& older, const std::map<std::string, uint64_t>& sizes) const
{
    std::size_t kept = 1, markers = 0;
    uint64_t bytes = 0;
    for (auto it = older.rbegin(); it != older.rend(); ++it) {
        const uint64_t id = it->first;
        if (has(it->second, ".undone")) {
            // Markers are kept only so that a second undo is refused; the newest few suffice.
            if (++markers > kMaxEntries)
                platform::removeFile(path(id, ".undone"));
            continue;
        }
        if (!has(it->second, ".entry") && !has(it->second, ".open"))
            continue;
        const auto sized = sizes.find(entryName(id, has(it->second, ".entry") ? ".entry" : ".open"));
        const uint64_t size = sized == sizes.end() ? 0 : sized->second;
        if (kept < kMaxEntries && bytes + size <= kMaxBytes) {
            ++kept;
            bytes += size;
            continue;
        }
        // Stop counting here: everything older goes too, so the kept entries stay the newest.
        kept = kMaxEntries;
        discard(id);
    }
}
