// The record of a move of audio in progress, and putting a file back from it.
#include "move_journal.h"

#include "audio_mover.h"
#include "byte_order.h"
#include "io_result.h"
#include "platform/file_system.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <optional>

// Layout of a record: a fixed header, the file's name, the old tag's bytes, then two
// slots that take turns, so that a slot torn by the end of the process leaves the other.
// A slot says how far the move has come and may hold the bytes of the chunk being written
// that its own write overwrites. A slot is one write, which the system puts down front to
// back; its sequence number stands first, under a CRC, and again last, so the two agree
// only when the whole slot was written.
namespace {

constexpr char kMagic[8] = {'V', 'N', 'M', 'O', 'V', 'E', '1', '\n'};
enum HeaderField { kSize, kTagOffset, kOldExtent, kNewSize, kPathLength, kRepairStarted, kBirth, kFieldCount };
constexpr std::size_t kHeaderSize = sizeof kMagic + 8 * kFieldCount;
enum SlotField { kSeq, kPhase, kPos, kLength, kDataAt, kDataLength, kSlotFieldCount };
constexpr std::size_t kSlotHeaderSize = 8 * kSlotFieldCount + 8; // fields, CRC-32, spare
constexpr std::size_t kSlotSize = kSlotHeaderSize + AudioMover::kChunkSize + 8;
constexpr uint64_t kPhaseMoving = 1, kPhaseMoved = 2;

void writeBE64(uint8_t* p, uint64_t v)
{
    writeBE32(p, static_cast<uint32_t>(v >> 32));
    writeBE32(p + 4, static_cast<uint32_t>(v));
}

uint64_t readBE64(const uint8_t* p)
{
    return uint64_t(readBE32(p)) << 32 | readBE32(p + 4);
}

uint32_t crcOf(const uint8_t* header)
{
    return static_cast<uint32_t>(::crc32(::crc32(0L, Z_NULL, 0), header, 8 * kSlotFieldCount));
}

std::string recordNameFor(platform::File::Identity id)
{
    return moveRecordFolder() + std::to_string(id.device) + "-" + std::to_string(id.inode) + ".move";
}

uint64_t slotsStart(uint64_t pathLength, uint64_t oldExtent)
{
    const uint64_t end = kHeaderSize + pathLength + oldExtent;
    return (end + 4095) / 4096 * 4096;
}

// Copies length bytes inside the file in chunks, front to back or back to front as the
// direction of the copy needs, so that no chunk lands on bytes not yet copied.
void copyWithin(platform::File& file, uint64_t from, uint64_t to, uint64_t length)
{
    std::vector<uint8_t> chunk(AudioMover::kChunkSize);
    for (uint64_t done = 0; done < length;) {
        const std::size_t n = static_cast<std::size_t>(std::min<uint64_t>(length - done, chunk.size()));
        const uint64_t at = to < from ? done : length - done - n;
        file.readExactAt(from + at, chunk.data(), n);
        file.writeAt(to + at, chunk.data(), n);
        done += n;
    }
}

// A record as read back.
struct Record {
    uint64_t field[kFieldCount] = {};
    std::string path;
    uint64_t oldTagAt = 0, slotsAt = 0;
    // The newest whole slot; phase 0 when the move had not begun.
    uint64_t phase = 0, pos = 0, length = 0, dataAt = 0;
    std::vector<uint8_t> data;

    uint64_t fileSize() const { return field[kSize]; }
    uint64_t oldAudio() const { return field[kTagOffset] + field[kOldExtent]; }
    uint64_t newAudio() const { return field[kTagOffset] + field[kNewSize]; }
    uint64_t audioLength() const { return field[kSize] - oldAudio(); }
    bool grows() const { return field[kNewSize] > field[kOldExtent]; }
};

std::optional<Record> readRecord(const platform::File& file)
{
    Record r;
    uint8_t header[kHeaderSize];
    if (file.readAt(0, header, kHeaderSize) != kHeaderSize || !std::equal(kMagic, kMagic + 8, header))
        return std::nullopt;
    for (int i = 0; i < kFieldCount; ++i)
        r.field[i] = readBE64(header + sizeof kMagic + 8 * i);
    if (r.field[kPathLength] > 65536 || r.field[kTagOffset] + r.field[kOldExtent] > r.field[kSize])
        return std::nullopt;
    r.path.resize(r.field[kPathLength]);
    file.readExactAt(kHeaderSize, reinterpret_cast<uint8_t*>(r.path.data()), r.path.size());
    r.oldTagAt = kHeaderSize + r.path.size();
    r.slotsAt = slotsStart(r.path.size(), r.field[kOldExtent]);
    uint64_t bestSeq = 0;
    std::vector<uint8_t> slot(kSlotSize);
    for (int i = 0; i < 2; ++i) {
        const std::size_t got = file.readAt(r.slotsAt + i * kSlotSize, slot.data(), kSlotSize);
        if (got < kSlotHeaderSize)
            continue;
        const uint8_t* h = slot.data();
        const uint64_t seq = readBE64(h + 8 * kSeq), dataLength = readBE64(h + 8 * kDataLength);
        if (readBE32(h + 8 * kSlotFieldCount) != crcOf(h) || dataLength > AudioMover::kChunkSize ||
            got < kSlotHeaderSize + dataLength + 8 || readBE64(h + kSlotHeaderSize + dataLength) != seq ||
            seq <= bestSeq)
            continue;
        bestSeq = seq;
        r.phase = readBE64(h + 8 * kPhase);
        r.pos = readBE64(h + 8 * kPos);
        r.length = readBE64(h + 8 * kLength);
        r.dataAt = readBE64(h + 8 * kDataAt);
        r.data.assign(h + kSlotHeaderSize, h + kSlotHeaderSize + dataLength);
    }
    return r;
}

// Why the file does not fit the record, or empty when it does.
std::string mismatch(const Record& r, const platform::File& file)
{
    const uint64_t birth = file.birthTime();
    if (birth != 0 && r.field[kBirth] != 0 && birth != r.field[kBirth])
        return "it is another file than the one whose save was interrupted";
    const uint64_t size = file.size();
    const uint64_t moved = r.fileSize() - r.field[kOldExtent] + r.field[kNewSize];
    const bool fits = size == r.fileSize() || size == moved;
    return fits ? std::string() : "its size has changed since the save was interrupted";
}

// Puts every audio byte back at its old place: each byte is at its new place, in the
// record's chunk or still at its old place, depending on how far the move had come.
void restoreAudio(platform::File& file, const Record& r)
{
    const uint64_t audio = r.audioLength();
    uint64_t movedFrom = 0, movedTo = 0; // audio bytes already at their new place
    if (r.phase == kPhaseMoved)
        movedTo = audio;
    else if (r.phase == kPhaseMoving && r.grows())
        movedFrom = r.pos + r.length, movedTo = audio;
    else if (r.phase == kPhaseMoving)
        movedTo = r.pos;
    if (!r.grows() && file.size() < r.fileSize())
        file.reserve(r.fileSize());
    if (r.phase == kPhaseMoving && !r.data.empty())
        file.writeAt(r.oldAudio() + r.pos + r.dataAt, r.data.data(), r.data.size());
    copyWithin(file, r.newAudio() + movedFrom, r.oldAudio() + movedFrom, movedTo - movedFrom);
}

} // namespace

std::string moveRecordFolder()
{
    const std::string state = platform::stateFolder();
    return state.empty() ? std::string() : state + "moves/";
}

struct MoveJournal::Impl {
    std::optional<platform::File> record;
    std::string recordPath;
    uint64_t delta = 0, slotsAt = 0, seq = 0;
    bool grows = false, recorded = false;
    uint64_t recordedPos = 0, recordedLength = 0;
    std::vector<uint8_t> slot = std::vector<uint8_t>(kSlotSize);

    void writeSlot(uint64_t phase, uint64_t pos, uint64_t length, const uint8_t* data, uint64_t dataAt,
                   std::size_t dataLength)
    {
        uint8_t* h = slot.data();
        writeBE64(h + 8 * kSeq, ++seq);
        writeBE64(h + 8 * kPhase, phase);
        writeBE64(h + 8 * kPos, pos);
        writeBE64(h + 8 * kLength, length);
        writeBE64(h + 8 * kDataAt, dataAt);
        writeBE64(h + 8 * kDataLength, dataLength);
        writeBE32(h + 8 * kSlotFieldCount, crcOf(h));
        std::copy_n(data, dataLength, h + kSlotHeaderSize);
        writeBE64(h + kSlotHeaderSize + dataLength, seq);
        record->writeAt(slotsAt + (seq % 2) * kSlotSize, h, kSlotHeaderSize + dataLength + 8);
    }
};

MoveJournal::MoveJournal(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {}
MoveJournal::MoveJournal(MoveJournal&&) noexcept = default;
MoveJournal::~MoveJournal() = default;

MoveJournal MoveJournal::begin(const platform::File& file, const Plan& plan)
{
    auto impl = std::make_unique<Impl>();
    const std::string folder = moveRecordFolder();
    if (folder.empty() || !platform::makeFolders(folder))
        throw platform::IoError(platform::IoErrorKind::Other,
                                "cannot make the folder '" + folder + "' for the record of the move");
    impl->recordPath = recordNameFor(file.identity());
    std::string why;
    impl->record = platform::File::create(impl->recordPath, &why);
    if (!impl->record)
        throw platform::IoError(platform::IoErrorKind::Other, "cannot write " + impl->recordPath + ": " + why);
    // Held while the save runs, so that a record whose save is still going is not
    // taken for an interrupted one; the system lets go when the process ends.
    impl->record->lockForWriting(0);
    impl->grows = plan.newSize > plan.oldExtent;
    impl->delta = impl->grows ? plan.newSize - plan.oldExtent : plan.oldExtent - plan.newSize;
    impl->slotsAt = slotsStart(plan.path.size(), plan.oldExtent);

    // The mark goes in last, so that a record cut short is never taken for one. Nothing has
    // changed yet when the record cannot be written: it goes, and so does the save.
    try {
        std::vector<uint8_t> bytes(kHeaderSize);
        const uint64_t fields[kFieldCount] = {plan.fileSize, plan.tagOffset,  plan.oldExtent, plan.newSize,
                                              plan.path.size(), 0, file.birthTime()};
        for (int i = 0; i < kFieldCount; ++i)
            writeBE64(bytes.data() + sizeof kMagic + 8 * i, fields[i]);
        bytes.insert(bytes.end(), plan.path.begin(), plan.path.end());
        impl->record->writeAt(0, bytes.data(), bytes.size());
        std::vector<uint8_t> chunk(AudioMover::kChunkSize);
        for (uint64_t done = 0; done < plan.oldExtent;) {
            const std::size_t n = static_cast<std::size_t>(std::min<uint64_t>(plan.oldExtent - done, chunk.size()));
            file.readExactAt(plan.tagOffset + done, chunk.data(), n);
            impl->record->writeAt(bytes.size() + done, chunk.data(), n);
            done += n;
        }
        impl->record->writeAt(0, reinterpret_cast<const uint8_t*>(kMagic), sizeof kMagic);
    } catch (const platform::IoError&) {
        impl->record.reset();
        platform::removeFile(impl->recordPath);
        throw;
    }
    return MoveJournal(std::move(impl));
}

// A chunk written without a new slot must not overwrite an old place the last slot still
// counts on. A chunk that overlaps its own old place overwrites some of its own bytes
// there: those are kept in the record, in case its write is cut short.
void MoveJournal::beforeChunk(uint64_t audioPos, const uint8_t* data, std::size_t n)
{
    Impl& m = *m_impl;
    const bool overlapsItself = m.delta < n;
    const bool covered = m.recorded && (m.grows ? audioPos + m.delta >= m.recordedPos + m.recordedLength
                                                : audioPos + n <= m.recordedPos + m.delta);
    if (covered && !overlapsItself)
        return;
    const std::size_t risked = overlapsItself ? n - static_cast<std::size_t>(m.delta) : 0;
    const std::size_t riskedAt = m.grows ? n - risked : 0;
    m.writeSlot(kPhaseMoving, audioPos, n, data + riskedAt, riskedAt, risked);
    m.recorded = true;
    m.recordedPos = audioPos;
    m.recordedLength = n;
}

void MoveJournal::moved()
{
    m_impl->writeSlot(kPhaseMoved, 0, 0, nullptr, 0, 0);
}

void MoveJournal::finish()
{
    m_impl->record.reset();
    platform::removeFile(m_impl->recordPath);
}

bool moveInterrupted(const platform::File& file)
{
    const std::string recordPath = recordNameFor(file.identity());
    if (moveRecordFolder().empty() || !platform::fileExists(recordPath))
        return false;
    // A record cut short before its mark was written belongs to a save that changed nothing,
    // and one whose sizes do not fit belongs to a file that had this file's number before.
    try {
        const auto recordFile = platform::File::open(recordPath, platform::File::Mode::Read);
        const std::optional<Record> record = recordFile ? readRecord(*recordFile) : std::nullopt;
        return record && mismatch(*record, file).empty();
    } catch (const platform::IoError&) {
        return false;
    }
}

std::vector<InterruptedMove> interruptedMoves()
{
    std::vector<InterruptedMove> moves;
    const std::string folder = moveRecordFolder();
    if (folder.empty())
        return moves;
    for (const platform::DirEntry& e : platform::listDirectory(folder)) {
        if (e.isDirectory || e.name.size() < 5 || e.name.compare(e.name.size() - 5, 5, ".move") != 0)
            continue;
        const std::string recordPath = folder + e.name;
        try {
            auto file = platform::File::open(recordPath, platform::File::Mode::Read);
            if (!file || !file->lockForReading(0))
                continue;
            const std::optional<Record> record = readRecord(*file);
            if (record)
                moves.push_back({record->path, recordPath});
        } catch (const platform::IoError&) {
        }
    }
    std::sort(moves.begin(), moves.end(),
              [](const InterruptedMove& a, const InterruptedMove& b) { return a.path < b.path; });
    return moves;
}

std::string interruptedMoveText(const InterruptedMove& move)
{
    return "The save of '" + move.path +
           "' was interrupted while it moved the audio, so the file is damaged. To put it back as it was "
           "before that save, run: varnoli-cli repair '" +
           move.path + "'";
}

namespace {

// Puts the file back from its record and removes the record; the caller holds the lock.
MoveRepair restoreFromRecord(platform::File& file, const std::string& path)
{
    const std::string recordPath = recordNameFor(file.identity());
    try {
        auto recordFile = platform::File::open(recordPath, platform::File::Mode::ReadWrite);
        const std::optional<Record> record = recordFile ? readRecord(*recordFile) : std::nullopt;
        if (!record)
            return {false, "'" + path + "': no interrupted save of this file is recorded"};
        if (record->field[kRepairStarted] != 0)
            return {false, "'" + path + "': an earlier repair of this file was itself interrupted, so it cannot be "
                                        "put back exactly; restore it from a backup"};
        const std::string changed = mismatch(*record, file);
        if (!changed.empty())
            return {false, "'" + path + "' cannot be put back: " + changed + ". Its record stays in " + recordPath +
                               "; remove that file to save this one again"};

        platform::TerminationHold hold;
        uint8_t started[8];
        writeBE64(started, 1);
        recordFile->writeAt(sizeof kMagic + 8 * kRepairStarted, started, sizeof started);
        restoreAudio(file, *record);
        std::vector<uint8_t> oldTag(record->field[kOldExtent]);
        recordFile->readExactAt(record->oldTagAt, oldTag.data(), oldTag.size());
        file.writeAt(record->field[kTagOffset], oldTag.data(), oldTag.size());
        file.truncate(record->fileSize());
        recordFile.reset();
        platform::removeFile(recordPath);
        return {true, "'" + path + "' is back as it was before the interrupted save"};
    } catch (const platform::IoError& e) {
        return {false, "'" + path + "' could not be put back: " + e.what()};
    }
}

// Records of a file that is no longer there are forgotten when asked for by its name.
MoveRepair forgetRecordsOf(const std::string& path, const std::string& why)
{
    bool forgot = false;
    for (const InterruptedMove& move : interruptedMoves())
        if (move.path == path)
            forgot = platform::removeFile(move.recordPath) || forgot;
    if (forgot)
        return {false, "'" + path + "' is no longer there (" + why +
                           "); the record of its interrupted save is removed"};
    return {false, "'" + path + "' cannot be opened: " + why};
}

} // namespace

bool MoveJournal::rollBack(platform::File& file, const std::string& path)
{
    return restoreFromRecord(file, path).repaired;
}

MoveRepair repairInterruptedMove(const std::string& path)
{
    std::string why;
    auto file = platform::File::open(path, platform::File::Mode::ReadWrite, &why);
    if (!file)
        return platform::fileExists(path) ? MoveRepair{false, "'" + path + "' cannot be opened: " + why}
                                          : forgetRecordsOf(path, why);
    if (!file->lockForWriting())
        return {false, "'" + path + "' is being written by another program; try again when it has finished"};
    return restoreFromRecord(*file, path);
}

bool movesAudio(const MoveJournal::Plan& plan)
{
    return plan.fileSize > plan.tagOffset + plan.oldExtent && plan.newSize != plan.oldExtent;
}

void resizeTagInPlace(platform::File& file, const MoveJournal::Plan& plan,
                      const std::function<void(uint64_t)>& progress, const std::function<void()>& writeTag)
{
    const uint64_t finalSize = plan.fileSize - plan.oldExtent + plan.newSize;
    std::optional<MoveJournal> journal;
    if (movesAudio(plan))
        journal.emplace(MoveJournal::begin(file, plan));
    try {
        file.reserve(finalSize);
    } catch (const platform::IoError&) {
        if (file.size() != plan.fileSize)
            file.truncate(plan.fileSize);
        if (journal)
            journal->finish();
        throw;
    }
    platform::TerminationHold hold;
    try {
        AudioMover(file, plan.fileSize, progress, journal ? &*journal : nullptr)
            .reposition(plan.tagOffset, plan.oldExtent, plan.newSize);
        writeTag();
    } catch (const platform::IoError&) {
        // A disk error half way through a move: put the file back while the process can.
        if (journal)
            journal->rollBack(file, plan.path);
        throw;
    }
    if (journal)
        journal->finish();
}

std::optional<platform::File> openForSave(const std::string& target, TagResult& result, std::string& reason)
{
    result = kErrOpen;
    std::optional<platform::File> file = platform::File::open(target, platform::File::Mode::ReadWrite, &reason);
    if (!file)
        return std::nullopt;
    if (!file->lockForWriting()) {
        reason = kLockedByOtherText;
        return std::nullopt;
    }
    if (moveInterrupted(*file)) {
        reason = kMoveInterruptedText;
        result = kErrIo;
        return std::nullopt;
    }
    result = 0;
    return file;
}
