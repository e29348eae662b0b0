// Copies the bytes a batch save replaces into the journal before the save, and fingerprints what it left.
#include "save_recording.h"

#include "features/common/text.h"
#include "platform/file_system.h"
#include "platform/journal_files.h"
#include "tags/tag_restore.h"

#include <algorithm>
#include <map>

namespace {

constexpr std::size_t kChunk = 1 << 16;

std::vector<uint8_t> readRange(const platform::File& file, uint64_t at, uint64_t n)
{
    std::vector<uint8_t> bytes(static_cast<std::size_t>(n));
    if (n > 0)
        file.readExactAt(at, bytes.data(), bytes.size());
    return bytes;
}

uint32_t crcOfRange(const platform::File& file, uint64_t at, uint64_t n)
{
    uint32_t crc = 0;
    std::vector<uint8_t> chunk(static_cast<std::size_t>(std::min<uint64_t>(n, kChunk)));
    for (uint64_t left = n; left > 0;) {
        const std::size_t take = static_cast<std::size_t>(std::min<uint64_t>(left, kChunk));
        file.readExactAt(at, chunk.data(), take);
        crc = crcOf(chunk.data(), take, crc);
        at += take;
        left -= take;
    }
    return crc;
}

// The ends of one file the save will replace; `whole` when they cannot be told apart safely.
SavedFileRecord recordOf(const std::string& path, bool saveV1, bool saveV2, uint64_t& middle)
{
    SavedFileRecord r;
    r.path = platform::absolutePath(path);
    r.savedV1 = saveV1;
    r.savedV2 = saveV2;
    try {
        const std::optional<platform::File> file = platform::File::open(path, platform::File::Mode::Read);
        if (!file) {
            r.readable = false;
            return r;
        }
        r.oldSize = file->size();
        const uint64_t head = saveV2 ? measureHeadExtent(*file, r.oldSize) : 0;
        const uint64_t tail = saveV1 ? measureTailExtent(*file, r.oldSize) : 0;
        // The ID3v1 save changes the end of the file before the ID3v2 save measures its tag:
        // a tag that reaches (or may reach, with a footer) into that end is measured differently
        // then, so the whole file is kept.
        r.whole = saveV1 && saveV2 && head > 0 && head + 10 > r.oldSize - tail;
        if (r.whole) {
            r.head = readRange(*file, 0, r.oldSize);
            middle = 0;
        } else {
            r.head = readRange(*file, 0, head);
            r.tail = readRange(*file, r.oldSize - tail, tail);
            middle = r.oldSize - head - tail;
        }
    } catch (const platform::IoError&) {
        r.head.clear();
        r.tail.clear();
        r.readable = false;
    }
    return r;
}

} // namespace

Fingerprint fingerprintOf(const std::string& path, bool saveV1, bool saveV2, bool whole)
{
    Fingerprint p;
    try {
        const std::optional<platform::File> file = platform::File::open(path, platform::File::Mode::Read);
        if (!file)
            return p;
        p.size = file->size();
        p.head = whole ? p.size : saveV2 ? measureHeadExtent(*file, p.size) : 0;
        p.tail = whole ? 0 : saveV1 ? measureTailExtent(*file, p.size) : 0;
        if (p.head + p.tail > p.size)
            return p;
        p.headCrc = crcOfRange(*file, 0, p.head);
        p.tailCrc = crcOfRange(*file, p.size - p.tail, p.tail);
        p.recorded = true;
    } catch (const platform::IoError&) {
        p.recorded = false;
    }
    return p;
}

std::optional<SaveRecording> SaveRecording::start(const JournalStore& store, const std::vector<std::string>& files,
                                                  bool saveV1, bool saveV2, std::string& why)
{
    SaveRecording rec;
    rec.m_store = &store;
    rec.m_saveV1 = saveV1;
    rec.m_saveV2 = saveV2;
    // A file named twice is recorded once, as it was before the first of its saves.
    std::map<std::string, std::size_t> seen;
    for (const std::string& path : files) {
        // The save refuses such a name, so there is nothing of it to keep.
        if (!isMp3Name(path)) {
            rec.m_slotOf.push_back(kNoSlot);
            continue;
        }
        const auto [it, fresh] = seen.emplace(path, rec.m_slots.size());
        rec.m_slotOf.push_back(it->second);
        if (fresh)
            rec.m_slots.push_back(Slot{path});
    }
    std::unique_ptr<JournalStore::Writer> writer =
        store.begin(JournalKind::Save, static_cast<uint32_t>(rec.m_slots.size()), why);
    if (!writer)
        return std::nullopt;
    for (Slot& slot : rec.m_slots) {
        const SavedFileRecord r = recordOf(slot.path, saveV1, saveV2, slot.middle);
        slot.readable = r.readable;
        slot.whole = r.whole;
        writer->putSave(r);
    }
    if (!writer->commit(why))
        return std::nullopt;
    rec.m_id = writer->id();
    store.prune();
    return rec;
}

void SaveRecording::fileSaved(std::size_t index, bool wrote, bool broken)
{
    if (m_slotOf[index] == kNoSlot)
        return;
    Slot& slot = m_slots[m_slotOf[index]];
    slot.wrote = slot.wrote || wrote;
    slot.broken = slot.broken || broken;
}

bool SaveRecording::finish(std::string& why)
{
    std::vector<Fingerprint> prints;
    bool any = false;
    for (const Slot& slot : m_slots) {
        Fingerprint& p = prints.emplace_back();
        if (!slot.readable || !slot.wrote || slot.broken)
            continue;
        p = fingerprintOf(slot.path, m_saveV1, m_saveV2, slot.whole);
        // The bytes between the two ends must be the ones the save found, or the old ends
        // would not make the old file again.
        if (p.recorded && !slot.whole && p.size - p.head - p.tail != slot.middle)
            p.recorded = false;
        any = any || p.recorded;
    }
    if (!any) {
        m_store->discard(m_id);
        return true;
    }
    return m_store->writeFingerprints(m_id, prints, why);
}
