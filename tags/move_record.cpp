// The record of a move of audio in progress, and putting a file back from it.
#include "move_record.h"

#include "audio_mover.h"
#include "byte_order.h"
#include "durable_records.h"
#include "io_result.h"
#include "platform/file_system.h"


#include <algorithm>
#include <optional>
#include <utility>

// Layout of a record: a fixed header, the file's name and the old tag's bytes, under one
// CRC-32; then two slots that take turns for the move, and two for its repair, so that a
// slot cut short by the end of the process leaves the other. A slot says how far the copy
// has come, holds the CRC-32 of the bytes the repair will copy back and may hold the bytes
// of the chunk being written that its own write overwrites. It is one write, which the
// system puts down front to back, with the header (the bytes' CRC and its own) last, at the
// end of a page: a write cut short leaves the older header, and the newest header always
// describes whole bytes.
namespace {

constexpr char kMagic[8] = {'V', 'N', 'M', 'O', 'V', 'E', '2', '\n'};
enum HeaderField { kSize, kTagOffset, kOldExtent, kNewSize, kPathLength, kBirth, kHeaderCrc, kFieldCount };
constexpr std::size_t kHeaderSize = sizeof kMagic + 8 * kFieldCount;
enum SlotField { kSeq, kPhase, kPos, kLength, kDataAt, kDataLength, kRunCrc, kChunkCrc, kDataCrc, kSlotFieldCount };
constexpr std::size_t kSlotHeaderSize = 8 * kSlotFieldCount + 8; // fields, CRC-32, spare
// Whole pages, so that a slot's header never straddles one.
constexpr std::size_t kSlotSize = (kSlotHeaderSize + AudioMover::kChunkSize + 4095) / 4096 * 4096;
// The first slot, written with the record, says the move has not begun.
constexpr uint64_t kPhaseBegun = 5, kPhaseMoving = 1, kPhaseMoved = 2, kPhaseRepairing = 3, kPhaseCopied = 4;
// An ID3v2 tag is at most 256 MiB and a few headers.
constexpr uint64_t kMaxOldTag = (uint64_t(256) << 20) + 64;
constexpr uint64_t kMaxPath = 65536;

std::string recordNameFor(platform::File::Identity id)
{
    return moveRecordFolder() + std::to_string(id.device) + "-" + std::to_string(id.inode) + ".move";
}

uint64_t slotsStart(uint64_t pathLength, uint64_t oldExtent)
{
    const uint64_t end = kHeaderSize + pathLength + oldExtent;
    return (end + 4095) / 4096 * 4096;
}

// Bytes copied from src to dst in chunks: front to back when they move towards the start
// of the file, back to front otherwise, so that no chunk lands on bytes not yet copied.
struct Run {
    uint64_t src = 0, dst = 0, length = 0;
    bool backwards() const { return dst > src; }
    uint64_t delta() const { return backwards() ? dst - src : src - dst; }
};

// What a slot says: the chunk at pos (run position) of `length` bytes was about to be
// written, with the bytes its write overwrites at dataAt within it.
struct Slot {
    uint64_t seq = 0, phase = 0, pos = 0, length = 0, dataAt = 0;
    uint32_t runCrc = 0, chunkCrc = 0;
    std::vector<uint8_t> data;
};

// Writes the slots of one pair, deciding which chunks of a run need one.
class SlotWriter {
public:
    SlotWriter(platform::File& record, uint64_t at) : m_record(record), m_at(at) {}

    void resume(const Slot& last)
    {
        m_seq = last.seq;
        m_recorded = last.phase == kPhaseMoving || last.phase == kPhaseRepairing;
        m_recordedPos = last.pos;
        m_recordedLength = last.length;
    }

    // Where a chunk of n bytes of the run overwrites its own old place: the bytes a slot keeps.
    static std::pair<std::size_t, std::size_t> risked(const Run& run, std::size_t n)
    {
        const std::size_t length = run.delta() < n ? n - static_cast<std::size_t>(run.delta()) : 0;
        return {run.backwards() ? n - length : 0, length};
    }

    // `dataCrc`, when given, is the CRC-32 of the data, worked out already by the caller.
    void write(uint64_t phase, uint64_t pos, uint64_t length, const uint8_t* data, uint64_t dataAt,
               std::size_t dataLength, uint32_t runCrc = 0, uint32_t chunkCrc = 0,
               std::optional<uint32_t> dataCrc = std::nullopt)
    {
        const uint64_t headerAt = m_at + (++m_seq % 2) * kSlotSize + kSlotSize - kSlotHeaderSize;
        std::copy_n(data, dataLength, m_slot.begin());
        uint8_t* h = m_slot.data() + dataLength;
        const uint64_t fields[kSlotFieldCount] = {
            m_seq, phase, pos, length, dataAt, dataLength, runCrc, chunkCrc, dataCrc ? *dataCrc : crcOf(data, dataLength)};
        for (int i = 0; i < kSlotFieldCount; ++i)
            writeBE64(h + 8 * i, fields[i]);
        writeBE32(h + 8 * kSlotFieldCount, crcOf(h, 8 * kSlotFieldCount));
        std::fill_n(h + 8 * kSlotFieldCount + 4, 4, 0);
        m_record.writeAt(headerAt - dataLength, m_slot.data(), dataLength + kSlotHeaderSize);
    }

    // A chunk written without a new slot must not overwrite a place the last slot still
    // counts on. A chunk that overlaps its own old place overwrites some of its own bytes
    // there: those are kept in the slot, in case its write is cut short.
    void beforeChunk(const Run& run, uint64_t phase, uint64_t pos, const uint8_t* data, std::size_t n,
                     uint32_t runCrc = 0, uint32_t chunkCrc = 0, std::optional<uint32_t> riskedCrc = std::nullopt)
    {
        const uint64_t delta = run.delta();
        const bool covered = m_recorded && (run.backwards() ? pos + delta >= m_recordedPos + m_recordedLength
                                                            : pos + n <= m_recordedPos + delta);
        const auto [at, length] = risked(run, n);
        if (covered && length == 0)
            return;
        write(phase, pos, n, data + at, at, length, runCrc, chunkCrc, riskedCrc);
        m_recorded = true;
        m_recordedPos = pos;
        m_recordedLength = n;
    }

private:
    platform::File& m_record;
    uint64_t m_at, m_seq = 0;
    bool m_recorded = false;
    uint64_t m_recordedPos = 0, m_recordedLength = 0;
    std::vector<uint8_t> m_slot = std::vector<uint8_t>(kSlotSize);
};

// The newest slot of a pair. A slot header that fails its CRC, or a newest slot whose bytes
// do not, is damage: `damaged`; so is a pair whose first slot, at the second place, is gone
// (`firstWritten`). An older slot's bytes may be half overwritten by the newer.
std::optional<Slot> readSlots(const platform::File& file, uint64_t at, bool firstWritten, bool& damaged)
{
    std::optional<Slot> best;
    uint64_t dataLength = 0, dataCrc = 0, bestAt = 0;
    for (int i = 0; i < 2; ++i) {
        uint8_t h[kSlotHeaderSize] = {};
        const uint64_t headerAt = at + i * kSlotSize + kSlotSize - kSlotHeaderSize;
        const std::size_t got = file.readAt(headerAt, h, kSlotHeaderSize);
        if (std::all_of(h, h + kSlotHeaderSize, [](uint8_t b) { return b == 0; })) {
            damaged = damaged || (firstWritten && i == 1);
            continue;
        }
        if (got < kSlotHeaderSize || readBE32(h + 8 * kSlotFieldCount) != crcOf(h, 8 * kSlotFieldCount)) {
            damaged = true;
            continue;
        }
        const uint64_t seq = readBE64(h + 8 * kSeq);
        if (best && seq <= best->seq)
            continue;
        Slot s;
        s.seq = seq;
        s.phase = readBE64(h + 8 * kPhase);
        s.pos = readBE64(h + 8 * kPos);
        s.length = readBE64(h + 8 * kLength);
        s.dataAt = readBE64(h + 8 * kDataAt);
        s.runCrc = static_cast<uint32_t>(readBE64(h + 8 * kRunCrc));
        s.chunkCrc = static_cast<uint32_t>(readBE64(h + 8 * kChunkCrc));
        dataLength = readBE64(h + 8 * kDataLength);
        dataCrc = readBE64(h + 8 * kDataCrc);
        bestAt = headerAt - std::min<uint64_t>(dataLength, headerAt);
        best = std::move(s);
    }
    if (!best)
        return best;
    if (dataLength > AudioMover::kChunkSize || best->length > AudioMover::kChunkSize ||
        best->dataAt + dataLength > best->length) {
        damaged = true;
        return best;
    }
    best->data.resize(dataLength);
    if (file.readAt(bestAt, best->data.data(), dataLength) != dataLength || crcOf(best->data.data(), dataLength) != dataCrc)
        damaged = true;
    return best;
}

// A record as read back.
struct Record {
    enum State { Unfinished, Damaged, Whole } state = Unfinished;
    uint64_t field[kFieldCount] = {};
    std::string path;
    std::vector<uint8_t> oldTag;
    uint64_t slotsAt = 0;
    std::optional<Slot> move, repair;

    uint64_t fileSize() const { return field[kSize]; }
    uint64_t movedSize() const { return field[kSize] - field[kOldExtent] + field[kNewSize]; }
    uint64_t oldAudio() const { return field[kTagOffset] + field[kOldExtent]; }
    uint64_t newAudio() const { return field[kTagOffset] + field[kNewSize]; }
    uint64_t audioLength() const { return field[kSize] - oldAudio(); }
    bool grows() const { return field[kNewSize] > field[kOldExtent]; }
};

// A record whose mark is not there yet was cut short before its save changed anything; any
// other flaw is damage, reported and never acted on.
Record readRecord(const platform::File& file)
{
    Record r;
    uint8_t header[kHeaderSize] = {};
    const std::size_t got = file.readAt(0, header, kHeaderSize);
    if (header[0] == 0)
        return r;
    r.state = Record::Damaged;
    if (got != kHeaderSize || !std::equal(kMagic, kMagic + sizeof kMagic, header))
        return r;
    for (int i = 0; i < kFieldCount; ++i)
        r.field[i] = readBE64(header + sizeof kMagic + 8 * i);
    if (r.field[kPathLength] > kMaxPath || r.field[kOldExtent] > kMaxOldTag ||
        r.field[kTagOffset] + r.field[kOldExtent] > r.field[kSize] || r.field[kNewSize] > kMaxOldTag + r.field[kSize])
        return r;
    std::vector<uint8_t> rest(r.field[kPathLength] + r.field[kOldExtent]);
    if (file.readAt(kHeaderSize, rest.data(), rest.size()) != rest.size())
        return r;
    std::fill_n(header + sizeof kMagic + 8 * kHeaderCrc, 8, 0);
    if (r.field[kHeaderCrc] != crcOf(rest.data(), rest.size(), crcOf(header, kHeaderSize)))
        return r;
    r.path.assign(rest.begin(), rest.begin() + static_cast<std::ptrdiff_t>(r.field[kPathLength]));
    r.oldTag.assign(rest.begin() + static_cast<std::ptrdiff_t>(r.field[kPathLength]), rest.end());
    r.slotsAt = slotsStart(r.path.size(), r.field[kOldExtent]);
    bool damaged = false;
    r.move = readSlots(file, r.slotsAt, true, damaged);
    r.repair = readSlots(file, r.slotsAt + 2 * kSlotSize, false, damaged);
    const uint64_t audio = r.audioLength();
    // The move's first slot goes in with the record, so a record without one was cut.
    const bool movePhase = r.move && (r.move->phase == kPhaseBegun || r.move->phase == kPhaseMoving ||
                                      r.move->phase == kPhaseMoved);
    if (damaged || !movePhase || r.move->pos + r.move->length > audio ||
        (r.repair && r.repair->phase != kPhaseRepairing && r.repair->phase != kPhaseCopied))
        return r;
    r.state = Record::Whole;
    return r;
}

// Adds `length` bytes of the file at `at` to crc; false when the file ends first.
bool addCrc(const platform::File& file, uint64_t at, uint64_t length, uint32_t& crc)
{
    std::vector<uint8_t> buffer(std::min<uint64_t>(length, uint64_t(1) << 20));
    for (uint64_t done = 0; done < length;) {
        const std::size_t n = static_cast<std::size_t>(std::min<uint64_t>(length - done, buffer.size()));
        if (file.readAt(at + done, buffer.data(), n) != n)
            return false;
        crc = crcOf(buffer.data(), n, crc);
        done += n;
    }
    return true;
}

// The chunk a slot describes as it will be written: read at `at`, its kept bytes laid over.
bool readChunk(const platform::File& file, uint64_t at, const Slot& slot, std::vector<uint8_t>& chunk)
{
    chunk.resize(slot.length);
    if (file.readAt(at, chunk.data(), chunk.size()) != chunk.size())
        return false;
    std::copy(slot.data.begin(), slot.data.end(), chunk.begin() + static_cast<std::ptrdiff_t>(slot.dataAt));
    return true;
}

// What a repair puts back: the audio already at its new place (the run), and the chunk
// whose move was cut short, at its old place.
struct RepairPlan {
    Run run;
    std::optional<Slot> chunk;
    uint64_t chunkAt = 0;
};

RepairPlan planFor(const Record& r)
{
    RepairPlan p;
    if (r.move->phase == kPhaseBegun)
        return p;
    const Slot& s = *r.move;
    if (s.phase == kPhaseMoved) {
        p.run = {r.newAudio(), r.oldAudio(), r.audioLength()};
        return p;
    }
    p.chunk = s;
    p.chunkAt = r.oldAudio() + s.pos;
    const uint64_t from = r.grows() ? s.pos + s.length : 0;
    p.run = {r.newAudio() + from, r.oldAudio() + from, r.grows() ? r.audioLength() - from : s.pos};
    return p;
}

// Whether the run's bytes, wherever the repair so far has left them, are the ones the
// record's CRC describes.
bool runMatches(const platform::File& file, const Run& run, const std::optional<Slot>& repair, uint32_t expected)
{
    uint32_t crc = 0;
    bool whole = false;
    if (!repair) {
        whole = addCrc(file, run.src, run.length, crc);
    } else if (repair->phase == kPhaseCopied) {
        whole = addCrc(file, run.dst, run.length, crc);
    } else if (repair->pos + repair->length <= run.length) {
        // Before the chunk in flight the bytes are copied already going front to back, still
        // at their source going back to front; after it the other way round.
        const uint64_t after = repair->pos + repair->length;
        std::vector<uint8_t> chunk;
        whole = addCrc(file, (run.backwards() ? run.src : run.dst), repair->pos, crc) &&
                readChunk(file, run.src + repair->pos, *repair, chunk);
        crc = crcOf(chunk.data(), chunk.size(), crc);
        whole = whole && addCrc(file, (run.backwards() ? run.dst : run.src) + after, run.length - after, crc);
    }
    return whole && crc == expected;
}

// Why the file is not the one the record describes, in the state it describes; empty when
// it is. Reads the bytes the repair will copy, so that nothing is written to another file.
std::string mismatch(const Record& r, const platform::File& file)
{
    const uint64_t birth = file.birthTime();
    if (birth != 0 && r.field[kBirth] != 0 && birth != r.field[kBirth])
        return "it is another file than the one whose save was interrupted";
    const uint64_t size = file.size();
    if (size != r.fileSize() && size != r.movedSize())
        return "its size has changed since the save was interrupted";
    const RepairPlan plan = planFor(r);
    std::vector<uint8_t> bytes;
    if (plan.chunk && (!readChunk(file, plan.chunkAt, *plan.chunk, bytes) ||
                       crcOf(bytes.data(), bytes.size()) != plan.chunk->chunkCrc))
        return "its content has changed since the save was interrupted";
    if (plan.run.length > 0 && !runMatches(file, plan.run, r.repair, r.move->runCrc))
        return "its content has changed since the save was interrupted";
    if (r.move->phase == kPhaseBegun) {
        bytes.resize(r.oldTag.size());
        if (file.readAt(r.field[kTagOffset], bytes.data(), bytes.size()) != bytes.size() || bytes != r.oldTag)
            return "its tag has changed since the save was interrupted";
    }
    return {};
}

// Copies the run, resuming where an earlier repair stopped; each chunk that could spoil what
// the last slot counts on is recorded first, as the move's own chunks were.
void copyRun(platform::File& file, const Run& run, SlotWriter& slots, const std::optional<Slot>& resume)
{
    std::vector<uint8_t> chunk(AudioMover::kChunkSize);
    const auto step = [&](uint64_t pos, std::size_t n) {
        file.readExactAt(run.src + pos, chunk.data(), n);
        if (resume && resume->pos == pos)
            std::copy(resume->data.begin(), resume->data.end(),
                      chunk.begin() + static_cast<std::ptrdiff_t>(resume->dataAt));
        slots.beforeChunk(run, kPhaseRepairing, pos, chunk.data(), n);
        file.writeAt(run.dst + pos, chunk.data(), n);
    };
    if (run.backwards()) {
        for (uint64_t end = resume ? resume->pos + resume->length : run.length; end > 0;) {
            const std::size_t n = static_cast<std::size_t>(std::min<uint64_t>(end, chunk.size()));
            end -= n;
            step(end, n);
        }
    } else {
        for (uint64_t pos = resume ? resume->pos : 0; pos < run.length;) {
            const std::size_t n = static_cast<std::size_t>(std::min<uint64_t>(run.length - pos, chunk.size()));
            step(pos, n);
            pos += n;
        }
    }
}

// Sets a record aside under a name no later save uses; the new name, or empty.
std::string retire(const std::string& recordPath)
{
    for (int n = 1; n < 1000; ++n) {
        const std::string aside = recordPath + ".retired" + (n > 1 ? "-" + std::to_string(n) : "");
        if (platform::renameWithoutReplacing(recordPath, aside).kind == platform::RenameOutcome::Renamed)
            return aside;
    }
    return {};
}

std::string setAsideText(const std::string& recordPath)
{
    const std::string aside = retire(recordPath);
    return aside.empty() ? "it stays in " + recordPath + "; remove it to save this file again"
                         : "it is set aside as " + aside;
}

} // namespace

std::string moveRecordFolder()
{
    return stateSubfolder("moves");
}

struct MoveRecord::Impl {
    std::optional<platform::File> record;
    std::string recordPath;
    uint64_t fileSize = 0;
    Run audio; // from its old place to its new
    std::optional<SlotWriter> slots;
    // The CRC-32 and length of the audio at its new place so far.
    uint32_t movedCrc = 0;
    uint64_t movedLength = 0;
};

MoveRecord::MoveRecord(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {}
MoveRecord::MoveRecord(MoveRecord&&) noexcept = default;
MoveRecord::~MoveRecord() = default;

namespace {

// A fresh record file, locked before anything is in it. A record left at the name belongs
// to a file that had this file's number before, or to a save that changed nothing, since
// the save was let through: it goes aside. Anything else there is refused.
platform::File createRecord(const std::string& recordPath)
{
    for (int attempt = 0;; ++attempt) {
        std::string why;
        std::optional<platform::File> record = platform::File::createNew(recordPath, &why);
        if (record && record->lockForWriting(0)) {
            // Start-up's clean-up may have taken it away before the lock.
            const auto named = platform::File::open(recordPath, platform::File::Mode::Read, nullptr, false);
            if (named && named->identity().inode == record->identity().inode &&
                named->identity().device == record->identity().device)
                return std::move(*record);
        }
        const auto old = platform::File::open(recordPath, platform::File::Mode::Read, nullptr, false);
        if (!record && !old && platform::pathExists(recordPath))
            why = "a link or another kind of file has its name, and was left alone";
        if (attempt > 0 || !old || retire(recordPath).empty())
            throw platform::IoError(platform::IoErrorKind::Other, "cannot write the record of the move, " +
                                                                      recordPath + ": " +
                                                                      (why.empty() ? "it is in use" : why));
    }
}

} // namespace

MoveRecord MoveRecord::begin(const platform::File& file, const Plan& plan)
{
    auto impl = std::make_unique<Impl>();
    const std::string folder = moveRecordFolder();
    if (!makeStateSubfolder(folder))
        throw platform::IoError(platform::IoErrorKind::Other,
                                "cannot make the folder '" + folder + "' for the record of the move");
    impl->recordPath = recordNameFor(file.identity());
    // Held while the save runs, so that a record whose save is still going is not taken
    // for an interrupted one; the system lets go when the process ends.
    impl->record = createRecord(impl->recordPath);
    impl->fileSize = plan.fileSize;
    impl->audio = {plan.tagOffset + plan.oldExtent, plan.tagOffset + plan.newSize,
                   plan.fileSize - plan.tagOffset - plan.oldExtent};
    const uint64_t slotsAt = slotsStart(plan.path.size(), plan.oldExtent);
    impl->slots.emplace(*impl->record, slotsAt);

    // The first byte of the mark goes in last, alone, so that a record cut short is never
    // taken for one. Nothing has changed yet when the record cannot be written: it goes,
    // and so does the save.
    try {
        std::vector<uint8_t> header(kHeaderSize);
        std::copy(kMagic, kMagic + sizeof kMagic, header.begin());
        const uint64_t fields[kFieldCount] = {plan.fileSize,    plan.tagOffset,    plan.oldExtent, plan.newSize,
                                              plan.path.size(), file.birthTime(), 0};
        for (int i = 0; i < kFieldCount; ++i)
            writeBE64(header.data() + sizeof kMagic + 8 * i, fields[i]);
        uint32_t crc = crcOf(header.data(), header.size());
        crc = crcOf(reinterpret_cast<const uint8_t*>(plan.path.data()), plan.path.size(), crc);
        impl->record->writeAt(kHeaderSize, reinterpret_cast<const uint8_t*>(plan.path.data()), plan.path.size());
        std::vector<uint8_t> chunk(AudioMover::kChunkSize);
        for (uint64_t done = 0; done < plan.oldExtent;) {
            const std::size_t n = static_cast<std::size_t>(std::min<uint64_t>(plan.oldExtent - done, chunk.size()));
            file.readExactAt(plan.tagOffset + done, chunk.data(), n);
            crc = crcOf(chunk.data(), n, crc);
            impl->record->writeAt(kHeaderSize + plan.path.size() + done, chunk.data(), n);
            done += n;
        }
        writeBE64(header.data() + sizeof kMagic + 8 * kHeaderCrc, crc);
        header[0] = 0;
        impl->record->writeAt(0, header.data(), header.size());
        impl->slots->write(kPhaseBegun, 0, 0, nullptr, 0, 0);
        impl->record->writeAt(0, reinterpret_cast<const uint8_t*>(kMagic), 1);
    } catch (const platform::IoError&) {
        impl->record.reset();
        platform::removeFile(impl->recordPath);
        throw;
    }
    return MoveRecord(std::move(impl));
}

void MoveRecord::beforeChunk(uint64_t audioPos, const uint8_t* data, std::size_t n)
{
    Impl& m = *m_impl;
    // One pass over the bytes: the part a slot keeps has a CRC of its own.
    const auto [at, length] = SlotWriter::risked(m.audio, n);
    const std::size_t after = at + length;
    const uint32_t riskedCrc = crcOf(data + at, length);
    const uint32_t chunkCrc = crcJoined(crcJoined(crcOf(data, at), riskedCrc, length), crcOf(data + after, n - after), n - after);
    // Growing, the last stretch goes past the old end first, front to back, where it
    // overwrites nothing; the rest goes back to front.
    const bool tail = m.audio.backwards() && m.audio.dst + audioPos >= m.fileSize;
    if (!tail)
        m.slots->beforeChunk(m.audio, kPhaseMoving, audioPos, data, n, m.movedCrc, chunkCrc, riskedCrc);
    const bool inFront = m.audio.backwards() && !tail;
    m.movedCrc = inFront ? crcJoined(chunkCrc, m.movedCrc, m.movedLength) : crcJoined(m.movedCrc, chunkCrc, n);
    m.movedLength += n;
}

void MoveRecord::moved()
{
    m_impl->slots->write(kPhaseMoved, 0, 0, nullptr, 0, 0, m_impl->movedCrc);
}

void MoveRecord::finish()
{
    m_impl->slots.reset();
    m_impl->record.reset();
    platform::removeFile(m_impl->recordPath);
}

bool moveInterrupted(const platform::File& file)
{
    const std::string recordPath = recordNameFor(file.identity());
    if (moveRecordFolder().empty() || !platform::pathExists(recordPath))
        return false;
    // A record cut short before its mark was written belongs to a save that changed nothing,
    // and one whose sizes do not fit belongs to a file that had this file's number before.
    // A damaged one keeps the file from saves until a repair has looked at it.
    try {
        const auto recordFile = platform::File::open(recordPath, platform::File::Mode::Read, nullptr, false);
        if (!recordFile)
            return false;
        const Record record = readRecord(*recordFile);
        if (record.state != Record::Whole)
            return record.state == Record::Damaged;
        const uint64_t size = file.size();
        const uint64_t birth = file.birthTime();
        return (size == record.fileSize() || size == record.movedSize()) &&
               (birth == 0 || record.field[kBirth] == 0 || birth == record.field[kBirth]);
    } catch (const platform::IoError&) {
        return false;
    }
}

namespace {

// Calls fn with each record in the folder that no save in progress holds.
template <typename Fn>
void forEachIdleRecord(Fn fn)
{
    const std::string folder = moveRecordFolder();
    if (folder.empty())
        return;
    for (const platform::DirEntry& e : platform::listDirectory(folder)) {
        if (e.isDirectory || e.name.size() < 5 || e.name.compare(e.name.size() - 5, 5, ".move") != 0)
            continue;
        const std::string recordPath = folder + e.name;
        try {
            auto file = platform::File::open(recordPath, platform::File::Mode::Read, nullptr, false);
            if (file && file->lockForReading(0))
                fn(recordPath, readRecord(*file));
        } catch (const platform::IoError&) {
        }
    }
}

} // namespace

std::vector<InterruptedMove> interruptedMoves()
{
    std::vector<InterruptedMove> moves;
    forEachIdleRecord([&](const std::string& recordPath, const Record& record) {
        if (record.state != Record::Unfinished)
            moves.push_back({record.path, recordPath, record.state == Record::Damaged});
    });
    std::sort(moves.begin(), moves.end(), [](const InterruptedMove& a, const InterruptedMove& b) {
        return a.path != b.path ? a.path < b.path : a.recordPath < b.recordPath;
    });
    return moves;
}

void removeMoveLeftovers()
{
    forEachIdleRecord([](const std::string& recordPath, const Record& record) {
        if (record.state == Record::Unfinished)
            platform::removeFile(recordPath);
    });
}

std::string interruptedMoveText(const InterruptedMove& move)
{
    if (move.damaged)
        return "The record " + move.recordPath +
               " of a save that was interrupted while it moved the audio is damaged, so it cannot be used to put "
               "the file back. Check the file it belongs to; if it is damaged, restore it from a backup. Then "
               "remove the record.";
    return "The save of '" + move.path +
           "' was interrupted while it moved the audio, so the file is damaged. To put it back as it was "
           "before that save, run: varnoli-cli repair '" +
           move.path + "'";
}

namespace {

// Puts the file back from its record and removes the record; the caller holds the lock.
// Every step can be cut short and done again: the record says how far the copy came, and
// the rest rewrites bytes it holds itself. A record that does not fit the file is set
// aside (when `retireMismatch`) with nothing written.
MoveRepair restoreFromRecord(platform::File& file, const std::string& path, bool retireMismatch)
{
    const std::string recordPath = recordNameFor(file.identity());
    try {
        std::string why;
        auto recordFile = platform::File::open(recordPath, platform::File::Mode::ReadWrite, &why, false);
        if (!recordFile && platform::pathExists(recordPath))
            return {false, "'" + path + "' was left as it is: " + recordPath +
                               ", where the record of its interrupted save belongs, cannot be used (" + why + ")"};
        const Record record = recordFile ? readRecord(*recordFile) : Record{};
        if (!recordFile || record.state == Record::Unfinished) {
            if (recordFile)
                platform::removeFile(recordPath);
            return {false, "'" + path + "': no interrupted save of this file is recorded"};
        }
        if (record.state == Record::Damaged)
            return {false, "'" + path + "' was left as it is: the record of its interrupted save, " + recordPath +
                               ", is damaged, so it cannot be trusted to put the file back; " +
                               setAsideText(recordPath) +
                               ". If the file does not play or shows wrong tags, restore it from a backup."};
        const std::string changed = mismatch(record, file);
        if (!changed.empty()) {
            const std::string text = "'" + path + "' was left as it is: " + changed +
                                     ", so the record of that save no longer fits it";
            if (!retireMismatch)
                return {false, text};
            return {false, text + "; " + setAsideText(recordPath) +
                               ". If the file plays and shows the tags you expect (a copy restored from a backup, "
                               "say), it is safe to use and to save again; otherwise restore it from a backup."};
        }

        platform::TerminationHold hold;
        const RepairPlan plan = planFor(record);
        if (!record.grows() && file.size() < record.fileSize())
            file.reserve(record.fileSize());
        if (plan.chunk && !plan.chunk->data.empty())
            file.writeAt(plan.chunkAt + plan.chunk->dataAt, plan.chunk->data.data(), plan.chunk->data.size());
        if (plan.run.length > 0 && !(record.repair && record.repair->phase == kPhaseCopied)) {
            SlotWriter slots(*recordFile, record.slotsAt + 2 * kSlotSize);
            if (record.repair)
                slots.resume(*record.repair);
            copyRun(file, plan.run, slots, record.repair);
            // From here on the copy's source may go; the record says where the audio is.
            slots.write(kPhaseCopied, 0, 0, nullptr, 0, 0);
        }
        file.writeAt(record.field[kTagOffset], record.oldTag.data(), record.oldTag.size());
        file.truncate(record.fileSize());
        file.sync();
        recordFile.reset();
        platform::removeFile(recordPath);
        platform::syncFolder(moveRecordFolder());
        return {true, "'" + path + "' is back as it was before the interrupted save"};
    } catch (const platform::IoError& e) {
        return {false, "'" + path + "' could not be put back yet: " + e.what() +
                           ". Its record is kept: once the cause is fixed, run varnoli-cli repair '" + path +
                           "' again"};
    }
}

// Records that name a file no longer there: it can never be put back, so they go aside.
MoveRepair retireRecordsOf(const std::string& path, const std::string& why)
{
    std::string asides;
    for (const InterruptedMove& move : interruptedMoves())
        if (move.path == path)
            asides += (asides.empty() ? "" : ", ") + setAsideText(move.recordPath);
    if (asides.empty())
        return {false, "'" + path + "' cannot be opened: " + why};
    return {false, "'" + path + "' is no longer there (" + why + "); the record of its interrupted save: " + asides};
}

// A record that names the path but belongs to another file: the damaged file was moved
// away, or another file took its name. Neither is touched.
MoveRepair otherFileText(const std::string& path)
{
    for (const InterruptedMove& move : interruptedMoves())
        if (move.path == path)
            return {false, "'" + path + "' was left as it is: it is not the file whose save was interrupted, which "
                               "the record " + move.recordPath + " describes. If that file is gone, or this one was "
                               "restored from a backup, remove the record"};
    return {false, "'" + path + "': no interrupted save of this file is recorded"};
}

} // namespace

bool MoveRecord::rollBack(platform::File& file, const std::string& path)
{
    return restoreFromRecord(file, path, false).repaired;
}

MoveRepair repairInterruptedMove(const std::string& path)
{
    std::string why;
    auto file = platform::File::open(path, platform::File::Mode::ReadWrite, &why);
    if (!file)
        return platform::fileExists(path) ? MoveRepair{false, "'" + path + "' cannot be opened: " + why}
                                          : retireRecordsOf(path, why);
    if (!file->lockForWriting())
        return {false, "'" + path + "' is being written by another program; try again when it has finished"};
    if (!platform::pathExists(recordNameFor(file->identity())))
        return otherFileText(path);
    return restoreFromRecord(*file, path, true);
}

bool movesAudio(const MoveRecord::Plan& plan)
{
    return plan.fileSize > plan.tagOffset + plan.oldExtent && plan.newSize != plan.oldExtent;
}

void resizeTagInPlace(platform::File& file, const MoveRecord::Plan& plan,
                      const std::function<void(uint64_t)>& progress, const std::function<void()>& writeTag)
{
    const uint64_t finalSize = plan.fileSize - plan.oldExtent + plan.newSize;
    std::optional<MoveRecord> record;
    if (movesAudio(plan))
        record.emplace(MoveRecord::begin(file, plan));
    try {
        file.reserve(finalSize);
    } catch (const platform::IoError&) {
        if (file.size() != plan.fileSize)
            file.truncate(plan.fileSize);
        if (record)
            record->finish();
        throw;
    }
    platform::TerminationHold hold;
    try {
        AudioMover(file, plan.fileSize, progress, record ? &*record : nullptr)
            .reposition(plan.tagOffset, plan.oldExtent, plan.newSize);
        writeTag();
    } catch (const platform::IoError& e) {
        // A disk error half way through a move: put the file back while the process can.
        if (record && !record->rollBack(file, plan.path))
            throw platform::IoError(e.kind(), std::string(e.what()) + "; the file could not be put back, so " +
                                                  kMoveInterruptedText);
        throw;
    }
    if (record)
        record->finish();
}
