// Reads the undo journal's entries back: each once, in large pieces, every record checked
// against the entry's running CRC-32 before it is used.
#include "journal_store.h"

#include "journal_format.h"
#include "platform/file_system.h"

#include <algorithm>
#include <cstring>
#include <functional>

using namespace journalformat;

namespace {

struct Header {
    JournalKind kind = JournalKind::Save;
    int64_t time = 0;
    uint32_t files = 0;
};

enum class HeaderRead { Ok, EarlierVersion, Unreadable };

HeaderRead readHeader(records::Reader& in, Header& h)
{
    uint8_t magic[sizeof kEntryMagic] = {};
    if (!in.take(magic, sizeof magic) || std::memcmp(magic, kEntryMagic, kVersionAt) != 0)
        return HeaderRead::Unreadable;
    if (magic[kVersionAt] != static_cast<uint8_t>(kEntryMagic[kVersionAt]))
        return HeaderRead::EarlierVersion;
    uint64_t f[header::kCount];
    if (!in.take(header::kLayout, f) ||
        (f[header::kKind] != uint64_t(JournalKind::Save) && f[header::kKind] != uint64_t(JournalKind::Rename)))
        return HeaderRead::Unreadable;
    h.kind = static_cast<JournalKind>(f[header::kKind]);
    h.time = static_cast<int64_t>(f[header::kTime]);
    h.files = static_cast<uint32_t>(f[header::kFiles]);
    return HeaderRead::Ok;
}

// One record as read: its payload read and checked only when the walk asked for payloads.
struct RawRecord {
    uint8_t type = 0;
    uint64_t at = 0, length = 0;
    std::vector<uint8_t> payload;
    bool intact = false;
    bool last = false; // nothing of the entry follows it
};

// Hands each record to `each` until it says stop; a record cut short by the end of the file
// ends the walk, as the end does.
void walkRecords(records::Reader& in, bool payloads, const std::function<bool(const RawRecord&)>& each)
{
    while (in.left() > 0) {
        RawRecord r;
        r.at = in.at();
        uint64_t f[framing::kCount];
        if (!in.take(framing::kLayout, f) || f[framing::kLength] > in.left() ||
            in.left() - f[framing::kLength] < framing::kCrcSize)
            return;
        r.type = static_cast<uint8_t>(f[framing::kType]);
        r.length = f[framing::kLength];
        if (payloads) {
            uint8_t crc[framing::kCrcSize];
            const bool read = in.take(r.payload, r.length);
            const uint32_t expected = in.crc();
            if (!read || !in.take(crc, sizeof crc))
                return;
            r.intact = records::readBE(crc, sizeof crc) == expected;
        } else if (!in.skip(r.length + framing::kCrcSize)) {
            return;
        }
        r.last = in.left() == 0;
        if (!each(r))
            return;
    }
}

bool isEnd(const RawRecord& r)
{
    return r.type == kEnd && r.length == 0 && r.last;
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

std::string earlierVersionText(uint64_t id)
{
    return "Entry " + std::to_string(id) +
           " of the undo journal was written by an earlier version of Varnoli, in a format this version no longer "
           "reads, so it cannot be undone. Nothing was restored.";
}

uint32_t indexOf(const RawRecord& r)
{
    return r.payload.size() >= 4 ? static_cast<uint32_t>(records::readBE(r.payload.data(), 4)) : UINT32_MAX;
}

SavedFileRecord snapshotOf(const records::Value (&v)[snapshot::kCount])
{
    using namespace snapshot;
    SavedFileRecord r;
    r.path = records::textOf(v[kPath]);
    const uint64_t flags = v[kFlags].number;
    r.whole = (flags & kFlagWhole) != 0;
    r.savedV1 = (flags & kFlagV1) != 0;
    r.savedV2 = (flags & kFlagV2) != 0;
    r.headByChanges = (flags & kFlagHeadByChanges) != 0;
    r.oldSize = v[kOldSize].number;
    r.oldHeadSize = v[kOldHeadSize].number;
    r.oldHeadCrc = static_cast<uint32_t>(v[kOldHeadCrc].number);
    r.head = records::bytesOf(v[kHead]);
    r.tail = records::bytesOf(v[kTail]);
    r.identity = {v[kDevice].number, v[kInode].number};
    return r;
}

// Builds a save's files from its records, one by one, as they come.
class SaveRecords {
public:
    SaveRecords(uint64_t id, std::vector<SavedFile>& files) : m_id(id), m_files(files) {}

    // False, with `damage` set, at a record that cannot be used.
    bool add(const RawRecord& r, std::string& damage)
    {
        if (!r.intact) {
            damage = damagedText(m_id, nameOf(r));
            return false;
        }
        const bool used = r.type == kSnapshot     ? addSnapshot(r)
                          : r.type == kHeadChange ? addHeadChange(r)
                          : r.type == kChanged || r.type == kUnchanged ? addOutcome(r)
                                                                       : false;
        // A record that passes its checksum but makes no sense was not written by this program.
        if (!used)
            damage = unreadableText(m_id);
        return used;
    }

private:
    std::string nameOf(const RawRecord& r) const
    {
        records::Value v[snapshot::kCount];
        if (r.type == kSnapshot && records::decode(snapshot::kLayout, v, r.payload.data(), r.payload.size()))
            return "its record of '" + printable(records::textOf(v[snapshot::kPath])) + "'";
        const auto it = m_byIndex.find(indexOf(r));
        if (r.type == kSnapshot || it == m_byIndex.end())
            return "its record at byte " + std::to_string(r.at);
        const std::string what = r.type == kHeadChange ? "replaced in" : "left in";
        return "its record of what the save " + what + " '" + printable(m_files[it->second].before.path) + "'";
    }

    bool addSnapshot(const RawRecord& r)
    {
        records::Value v[snapshot::kCount];
        if (!records::decode(snapshot::kLayout, v, r.payload.data(), r.payload.size()) ||
            !m_byIndex.emplace(static_cast<uint32_t>(v[snapshot::kIndex].number), m_files.size()).second)
            return false;
        m_files.emplace_back().before = snapshotOf(v);
        return true;
    }

    bool addHeadChange(const RawRecord& r)
    {
        using namespace headchange;
        records::Value v[kCount];
        const auto it = m_byIndex.find(indexOf(r));
        if (!records::decode(kLayout, v, r.payload.data(), r.payload.size()) || it == m_byIndex.end() ||
            !m_files[it->second].before.headByChanges)
            return false;
        m_files[it->second].before.headChanges.push_back({v[kAt].number, v[kWhole].number != 0, records::bytesOf(v[kBytes])});
        return true;
    }

    bool addOutcome(const RawRecord& r)
    {
        using namespace outcome;
        records::Value v[kCount], index[1];
        const auto it = m_byIndex.find(indexOf(r));
        const bool unchanged = r.type == kUnchanged;
        const bool decoded = unchanged ? records::decode(kUnchangedLayout, index, r.payload.data(), r.payload.size())
                                       : records::decode(kLayout, v, r.payload.data(), r.payload.size());
        if (!decoded || it == m_byIndex.end())
            return false;
        SavedFile& file = m_files[it->second];
        // A file named twice in the batch: its last outcome counts.
        file.unchanged = unchanged;
        file.after.reset();
        if (!unchanged)
            file.after = Fingerprint{true, v[kSize].number, v[kHead].number, v[kTail].number,
                                     static_cast<uint32_t>(v[kHeadCrc].number), static_cast<uint32_t>(v[kTailCrc].number)};
        return true;
    }

    uint64_t m_id;
    std::vector<SavedFile>& m_files;
    std::map<uint32_t, std::size_t> m_byIndex;
};

RenameRecord renameOf(const RawRecord& r, bool& decoded)
{
    using namespace rename;
    records::Value v[kCount];
    decoded = records::decode(kLayout, v, r.payload.data(), r.payload.size());
    RenameRecord rename;
    if (!decoded)
        return rename;
    rename.from = records::textOf(v[kFrom]);
    rename.to = records::textOf(v[kTo]);
    if (v[kInode].number != 0)
        rename.identity = platform::FileIdentity{v[kDevice].number, v[kInode].number, v[kSize].number};
    return rename;
}

} // namespace

const JournalStore::Loaded& JournalStore::load(uint64_t id) const
{
    const auto cached = m_loaded.find(id);
    if (cached != m_loaded.end())
        return cached->second;
    Loaded& l = m_loaded[id];
    l.entry.id = id;
    l.damage = unreadableText(id);
    const std::optional<platform::File> file = platform::File::open(entryPath(id), platform::File::Mode::Read);
    if (!file)
        return l;
    records::Reader in(*file);
    Header h;
    const HeaderRead header = readHeader(in, h);
    l.readable = header != HeaderRead::Unreadable;
    l.entry.earlierVersion = header == HeaderRead::EarlierVersion;
    if (header != HeaderRead::Ok) {
        l.damage = l.readable ? earlierVersionText(id) : l.damage;
        return l;
    }
    l.damage.clear();
    l.entry.kind = h.kind;
    l.entry.time = h.time;
    l.entry.files = h.files;
    l.entry.finished = platform::pathExists(path(id, ".entry"));
    if (h.kind == JournalKind::Save)
        loadSave(in, l);
    else
        loadRenames(in, l);
    return l;
}

void JournalStore::loadSave(records::Reader& in, Loaded& l) const
{
    const uint64_t id = l.entry.id;
    bool ended = false;
    SaveRecords saves(id, l.saves);
    walkRecords(in, true, [&](const RawRecord& r) {
        ended = r.intact && isEnd(r);
        return !ended && saves.add(r, l.damage);
    });
    // Only a save that was stopped leaves its entry unended, and at most its last write cut short.
    if (l.damage.empty() && l.entry.finished && !ended)
        l.damage = damagedText(id, "its end");
    const auto unchanged = std::count_if(l.saves.begin(), l.saves.end(), [](const SavedFile& f) { return f.unchanged; });
    l.entry.files = static_cast<uint32_t>(l.saves.size() - static_cast<std::size_t>(unchanged));
    // A power cut may take back the final name of an entry that was flushed whole.
    l.entry.finished = l.entry.finished || ended;
}

void JournalStore::loadRenames(records::Reader& in, Loaded& l) const
{
    const uint64_t id = l.entry.id;
    bool ended = false;
    walkRecords(in, true, [&](const RawRecord& r) {
        bool decoded = false;
        const RenameRecord rename = renameOf(r, decoded);
        if (!r.intact)
            l.damage = damagedText(id, decoded ? "its record of the rename of '" + printable(rename.from) + "'"
                                               : "its record at byte " + std::to_string(r.at));
        ended = r.intact && isEnd(r) && l.renames.size() == l.entry.files;
        const bool used = r.intact && !ended && r.type == kRename && decoded;
        if (used)
            l.renames.push_back(rename);
        return used;
    });
    if (l.damage.empty() && !ended)
        l.damage = damagedText(id, "its end");
}

std::optional<JournalEntry> JournalStore::entry(uint64_t id) const
{
    if (m_folder.empty() || platform::pathExists(path(id, ".undone")))
        return std::nullopt;
    const Loaded& l = load(id);
    return l.readable ? std::optional<JournalEntry>(l.entry) : std::nullopt;
}

std::vector<JournalEntry> JournalStore::entries() const
{
    std::vector<JournalEntry> list;
    for (const uint64_t id : entryIds()) {
        const std::optional<platform::File> file = platform::File::open(entryPath(id), platform::File::Mode::Read);
        if (!file)
            continue;
        records::Reader in(*file);
        Header h;
        const HeaderRead header = readHeader(in, h);
        if (header == HeaderRead::Unreadable)
            continue;
        JournalEntry& e = list.emplace_back();
        e = {id, h.kind, h.time, h.files, platform::pathExists(path(id, ".entry")), header == HeaderRead::EarlierVersion};
        if (header != HeaderRead::Ok || h.kind == JournalKind::Rename)
            continue;
        // Counted from the record types alone; the checksums are checked when the entry is undone.
        uint32_t snapshots = 0, unchanged = 0;
        bool ended = false;
        walkRecords(in, false, [&](const RawRecord& r) {
            snapshots += r.type == kSnapshot;
            unchanged += r.type == kUnchanged;
            ended = isEnd(r);
            return true;
        });
        e.files = snapshots - std::min(snapshots, unchanged);
        e.finished = e.finished || ended;
    }
    return list;
}

std::optional<std::vector<SavedFile>> JournalStore::readSave(uint64_t id, std::string& damage) const
{
    const Loaded& l = load(id);
    damage = l.damage.empty() && l.entry.kind != JournalKind::Save ? unreadableText(id) : l.damage;
    return damage.empty() ? std::optional<std::vector<SavedFile>>(l.saves) : std::nullopt;
}

std::optional<std::vector<RenameRecord>> JournalStore::readRenames(uint64_t id, std::string& damage) const
{
    const Loaded& l = load(id);
    damage = l.damage.empty() && l.entry.kind != JournalKind::Rename ? unreadableText(id) : l.damage;
    return damage.empty() ? std::optional<std::vector<RenameRecord>>(l.renames) : std::nullopt;
}
