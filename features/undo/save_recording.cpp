// Copies the bytes a batch save replaces into the journal before each file is saved, and
// fingerprints what the save left.
#include "save_recording.h"

#include "features/common/text.h"
#include "platform/file_system.h"
#include "platform/journal_files.h"
#include "tags/file/move_record.h"

#include <algorithm>
#include <map>

namespace {

std::vector<uint8_t> readRange(const platform::File& file, uint64_t at, uint64_t n)
{
    std::vector<uint8_t> bytes(static_cast<std::size_t>(n));
    if (n > 0)
        file.readExactAt(at, bytes.data(), bytes.size());
    return bytes;
}

// The file ending inside a range it was measured to hold is a failed read.
uint32_t crcOfRange(const platform::File& file, uint64_t at, uint64_t n)
{
    const std::optional<uint32_t> crc = records::crcOfRange(file, at, n);
    if (!crc)
        throw platform::IoError(platform::IoErrorKind::Read, "the file ended early");
    return *crc;
}

// The ends of one file the save will replace, as the file measures them; the whole file when
// they cannot be told apart. The old ID3v2 tag stays in the file, kept by its changes.
SavedFileRecord recordOf(TagFile& file, const std::string& path, bool saveV1, bool saveV2)
{
    const SaveEnds ends = file.measureEnds(saveV1, saveV2);
    SavedFileRecord r;
    r.path = platform::absolutePath(path);
    r.identity = file.file()->identity();
    r.savedV1 = saveV1;
    r.savedV2 = saveV2;
    r.oldSize = ends.size;
    r.whole = ends.whole;
    if (r.whole)
        r.head = file.readRange(0, r.oldSize);
    else
        r.tail = file.readRange(r.oldSize - ends.extents.tail, ends.extents.tail);
    r.headByChanges = saveV2 && !r.whole;
    return r;
}

Fingerprint fingerprintOfBytes(uint64_t size, const std::vector<uint8_t>& head, const std::vector<uint8_t>& tail)
{
    Fingerprint p;
    p.recorded = true;
    p.size = size;
    p.head = head.size();
    p.tail = tail.size();
    p.headCrc = crcOf(head.data(), head.size());
    p.tailCrc = crcOf(tail.data(), tail.size());
    return p;
}

} // namespace

Fingerprint fingerprintOf(const platform::File& file, bool saveV1, bool saveV2, bool whole)
{
    Fingerprint p;
    try {
        p.size = file.size();
        p.head = whole ? p.size : saveV2 ? measureHeadExtent(file, p.size) : 0;
        p.tail = whole ? 0 : saveV1 ? measureTailExtent(file, p.size) : 0;
        if (p.head + p.tail > p.size)
            return p;
        p.headCrc = crcOfRange(file, 0, p.head);
        p.tailCrc = crcOfRange(file, p.size - p.tail, p.tail);
        p.recorded = true;
    } catch (const platform::IoError&) {
        p.recorded = false;
    }
    return p;
}

Fingerprint fingerprintAfter(const TagFile& tagFile, const SaveReport& report, bool saveV1, bool saveV2, bool whole)
{
    const platform::File& file = *tagFile.file();
    if (whole)
        return fingerprintOf(file, saveV1, saveV2, whole);
    Fingerprint p;
    try {
        // What the save wrote is taken from its word; only an end it did not write is read.
        p.size = file.size();
        const WrittenEnd& head = report.head;
        const WrittenEnd& tail = report.tail;
        p.head = !saveV2 ? 0 : head.known ? head.extent : measureHeadExtent(file, p.size);
        p.tail = !saveV1 ? 0 : tail.known ? tail.extent : measureTailExtent(file, p.size);
        if (p.head + p.tail > p.size)
            return p;
        p.headCrc = saveV2 && head.known ? head.crc : crcOfRange(file, 0, p.head);
        p.tailCrc = saveV1 && tail.known ? tail.crc : crcOfRange(file, p.size - p.tail, p.tail);
        p.recorded = true;
    } catch (const platform::IoError&) {
        p.recorded = false;
    }
    return p;
}

Fingerprint fingerprintOf(const std::string& path, bool saveV1, bool saveV2, bool whole)
{
    try {
        const std::optional<platform::File> file = platform::File::open(path, platform::File::Mode::Read);
        if (file)
            return fingerprintOf(*file, saveV1, saveV2, whole);
    } catch (const platform::IoError&) {
    }
    return Fingerprint{};
}

Fingerprint fingerprintBefore(const SavedFileRecord& r)
{
    Fingerprint then = fingerprintOfBytes(r.oldSize, r.headByChanges ? std::vector<uint8_t>() : r.head, r.tail);
    if (r.headByChanges) {
        then.head = r.oldHeadSize;
        then.headCrc = r.oldHeadCrc;
    }
    return then;
}

std::optional<std::vector<uint8_t>> oldHeadOf(const SavedFileRecord& r, const platform::File& file, uint64_t headNow)
{
    if (!r.headByChanges)
        return r.head;
    std::vector<uint8_t> head = readRange(file, 0, headNow);
    // An undo cut short may have put the old tag back already.
    if (head.size() == r.oldHeadSize && crcOf(head.data(), head.size()) == r.oldHeadCrc)
        return head;
    // The last change first, back to the tag the first one found.
    for (auto c = r.headChanges.rbegin(); c != r.headChanges.rend(); ++c) {
        if (c->whole) {
            head = c->bytes;
        } else {
            if (c->at > head.size() || c->bytes.size() > head.size() - c->at)
                return std::nullopt;
            std::copy(c->bytes.begin(), c->bytes.end(), head.begin() + static_cast<std::ptrdiff_t>(c->at));
        }
    }
    if (head.size() != r.oldHeadSize || crcOf(head.data(), head.size()) != r.oldHeadCrc)
        return std::nullopt;
    return head;
}

bool sameFingerprint(const Fingerprint& a, const Fingerprint& b)
{
    return a.recorded && b.recorded && a.size == b.size && a.head == b.head && a.tail == b.tail &&
           a.headCrc == b.headCrc && a.tailCrc == b.tailCrc;
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
            rec.m_slots.emplace_back().path = path;
    }
    rec.m_writer = store.begin(JournalKind::Save, static_cast<uint32_t>(rec.m_slots.size()), why);
    if (!rec.m_writer)
        return std::nullopt;
    return rec;
}

SaveRecording::Before SaveRecording::beforeFile(std::size_t index, TagFile& file, std::string& why)
{
    m_headSlot.reset();
    if (m_slotOf[index] == kNoSlot)
        return Before::Kept;
    Slot& slot = m_slots[m_slotOf[index]];
    const auto slotIndex = static_cast<uint32_t>(m_slotOf[index]);
    if (slot.recorded) {
        if (slot.headByChanges)
            m_headSlot = slotIndex;
        return Before::Kept;
    }
    SavedFileRecord r;
    Fingerprint before;
    try {
        r = recordOf(file, slot.path, m_saveV1, m_saveV2);
        // The old ID3v2 tag is kept by what the save replaces in it, which is told before it
        // writes: for a changed title, a few bytes instead of the whole tag.
        before = fingerprintOfBytes(r.oldSize, r.head, r.tail);
        if (r.headByChanges) {
            before.head = file.keptHead().size();
            before.headCrc = file.keptHeadCrc();
        }
    } catch (const platform::IoError& e) {
        why = e.what();
        return Before::FileUnreadable;
    }
    r.oldHeadSize = before.head;
    r.oldHeadCrc = before.headCrc;
    m_writer->putSave(slotIndex, r, &before);
    // Without an ID3v1 save, the snapshot goes with the first record of a change.
    if (!(r.headByChanges && !m_saveV1) && !m_writer->flush(why))
        return Before::JournalRefused;
    slot.recorded = slot.open = true;
    slot.whole = r.whole;
    slot.headByChanges = r.headByChanges;
    slot.before = before;
    if (r.headByChanges)
        m_headSlot = slotIndex;
    return Before::Kept;
}

bool SaveRecording::beforeHeadChange(const HeadChange& c, std::string& why)
{
    if (!m_headSlot || m_writer->putHeadChange(*m_headSlot, c.at, c.whole, c.oldBytes, c.size, why))
        return true;
    m_refusedWhy = why;
    why = "the undo journal could not keep what the save would replace (" + why + ")";
    return false;
}

void SaveRecording::afterFile(std::size_t index, const TagFile& tagFile, const SaveReport& report)
{
    const platform::File& file = *tagFile.file();
    m_headSlot.reset();
    if (m_slotOf[index] == kNoSlot || !m_slots[m_slotOf[index]].recorded)
        return;
    Slot& slot = m_slots[m_slotOf[index]];
    // Left for the repair of the move, which an undo runs first. A save that said what it
    // wrote at the start finished any move it made.
    if (m_saveV2 && !report.head.known && moveInterrupted(file))
        return;
    const Fingerprint now = fingerprintAfter(tagFile, report, m_saveV1, m_saveV2, slot.whole);
    if (!now.recorded)
        return;
    // Handed to the system with the next file's records or the end: a save stopped before
    // then leaves the file as one the save was at when it stopped, which an undo handles.
    slot.changed = !sameFingerprint(now, slot.before);
    slot.open = false;
    m_writer->putOutcome(static_cast<uint32_t>(m_slotOf[index]), slot.changed ? std::optional<Fingerprint>(now)
                                                                               : std::nullopt);
}

bool SaveRecording::finish(std::string& why)
{
    const bool any = std::any_of(m_slots.begin(), m_slots.end(),
                                 [](const Slot& s) { return s.recorded && (s.changed || s.open); });
    if (!any) {
        m_writer->discard();
        return true;
    }
    return m_writer->commit(why);
}
