// The layout of a move record, shared by the save that writes it and the repair that reads it.
#pragma once

#include "tags/file/audio_mover.h"
#include "tags/core/byte_order.h"
#include "tags/file/durable_records.h"
#include "platform/file_system.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// Layout of a record: a fixed header, the file's name and the old tag's bytes, under one
// CRC-32; then two slots that take turns for the move, and two for its repair, so that a
// slot cut short by the end of the process leaves the other. A slot says how far the copy
// has come, holds the CRC-32 of the bytes the repair will copy back and may hold the bytes
// of the chunk being written that its own write overwrites. It is one write, which the
// system puts down front to back, with the header (the bytes' CRC and its own) last, at the
// end of a page: a write cut short leaves the older header, and the newest header always
// describes whole bytes. The record is written whole under another name and then given its
// own, so that a record at its name is never one that is still being begun.
namespace moverecord {

constexpr char kMagic[8] = {'V', 'N', 'M', 'O', 'V', 'E', '3', '\n'};
// The largest chunk the slots keep, which sets their size, is in the header.
enum HeaderField { kSize, kTagOffset, kOldExtent, kNewSize, kPathLength, kBirth, kHeaderCrc, kChunkLimit, kFieldCount };
constexpr records::Field kHeaderLayout[kFieldCount] = {}; // eight bytes each
constexpr std::size_t kHeaderSize = sizeof kMagic + records::fixedSize(kHeaderLayout);
// A record of the version before has no kChunkLimit and keeps chunks of at most 16 KiB; it is
// still read and repaired.
constexpr char kMagicV2[8] = {'V', 'N', 'M', 'O', 'V', 'E', '2', '\n'};
constexpr std::size_t kChunkLimitV2 = 16384;
constexpr std::size_t kHeaderSizeV2 = kHeaderSize - kHeaderLayout[kChunkLimit].width;
enum SlotField { kSeq, kPhase, kPos, kLength, kDataAt, kDataLength, kRunCrc, kChunkCrc, kDataCrc, kSlotFieldCount };
constexpr records::Field kSlotLayout[kSlotFieldCount] = {};
constexpr std::size_t kSlotFieldsSize = records::fixedSize(kSlotLayout);
constexpr std::size_t kSlotHeaderSize = kSlotFieldsSize + 8; // fields, CRC-32, spare
// Whole pages, so that a slot's header never straddles one.
constexpr std::size_t slotSizeFor(std::size_t chunkLimit)
{
    return (kSlotHeaderSize + chunkLimit + 4095) / 4096 * 4096;
}
constexpr std::size_t kSlotSize = slotSizeFor(AudioMover::kChunkSize);
// The first slot, written with the record, says the move has not begun.
constexpr uint64_t kPhaseBegun = 5, kPhaseMoving = 1, kPhaseMoved = 2, kPhaseRepairing = 3, kPhaseCopied = 4;
// The audio moved and the tag written, the ID3v1 record at the end is being replaced: the slot
// keeps the old record (no bytes when the save appends one) and the CRC-32 of the new one.
constexpr uint64_t kPhaseTail = 6;
// An ID3v2 tag is at most 256 MiB and a few headers.
constexpr uint64_t kMaxOldTag = (uint64_t(256) << 20) + 64;
constexpr uint64_t kMaxPath = 65536;
// A record while it is begun, before it takes its name.
constexpr const char* kBeginningSuffix = ".new";

// The record of a move of the file `id` in `folder` (moveRecordFolder()).
inline std::string recordNameFor(const std::string& folder, platform::File::Identity id)
{
    return folder + std::to_string(id.device) + "-" + std::to_string(id.inode) + ".move";
}

inline uint64_t slotsStart(uint64_t pathLength, uint64_t oldExtent, uint64_t headerSize = kHeaderSize)
{
    const uint64_t end = headerSize + pathLength + oldExtent;
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
    SlotWriter(platform::File& record, uint64_t at, std::size_t slotSize = kSlotSize)
        : m_record(record), m_at(at), m_slotSize(slotSize)
    {
    }

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

    // `dataCrc`, when known already, is the CRC-32 of the kept bytes.
    void write(uint64_t phase, uint64_t pos, uint64_t length, const uint8_t* data, uint64_t dataAt,
               std::size_t dataLength, uint32_t runCrc = 0, uint32_t chunkCrc = 0,
               std::optional<uint32_t> dataCrc = std::nullopt)
    {
        const uint64_t headerAt = m_at + (++m_seq % 2) * m_slotSize + m_slotSize - kSlotHeaderSize;
        uint8_t h[kSlotHeaderSize] = {};
        const uint64_t fields[kSlotFieldCount] = {m_seq,  phase,    pos, length, dataAt, dataLength, runCrc,
                                                  chunkCrc, dataCrc ? *dataCrc : crcOf(data, dataLength)};
        records::encodeNumbers(kSlotLayout, fields, h);
        writeBE32(h + kSlotFieldsSize, crcOf(h, kSlotFieldsSize));
        // The kept bytes go straight from the chunk, the header after them in the same write.
        m_record.writeAt(headerAt - dataLength, data, dataLength, h, kSlotHeaderSize);
    }

    // A chunk written without a new slot must not overwrite a place the last slot still
    // counts on. A chunk that overlaps its own old place overwrites some of its own bytes
    // there: those are kept in the slot, in case its write is cut short.
    void beforeChunk(const Run& run, uint64_t phase, uint64_t pos, const uint8_t* data, std::size_t n,
                     uint32_t runCrc = 0, uint32_t chunkCrc = 0, std::optional<uint32_t> keptCrc = std::nullopt)
    {
        const uint64_t delta = run.delta();
        const bool covered = m_recorded && (run.backwards() ? pos + delta >= m_recordedPos + m_recordedLength
                                                            : pos + n <= m_recordedPos + delta);
        const auto [at, length] = risked(run, n);
        if (covered && length == 0)
            return;
        write(phase, pos, n, data + at, at, length, runCrc, chunkCrc, keptCrc);
        m_recorded = true;
        m_recordedPos = pos;
        m_recordedLength = n;
    }

private:
    platform::File& m_record;
    uint64_t m_at, m_slotSize, m_seq = 0;
    bool m_recorded = false;
    uint64_t m_recordedPos = 0, m_recordedLength = 0;
};

// A record as read back: whole, or damaged, with its flaw in words.
struct Record {
    enum State { Damaged, Whole } state = Damaged;
    std::string flaw;
    uint64_t field[kFieldCount] = {};
    std::string path;
    std::vector<uint8_t> oldTag;
    uint64_t slotsAt = 0;
    std::optional<Slot> move, repair;

    std::size_t chunkLimit() const { return static_cast<std::size_t>(field[kChunkLimit]); }
    uint64_t slotSize() const { return slotSizeFor(chunkLimit()); }
    uint64_t fileSize() const { return field[kSize]; }
    uint64_t movedSize() const { return field[kSize] - field[kOldExtent] + field[kNewSize]; }
    uint64_t oldAudio() const { return field[kTagOffset] + field[kOldExtent]; }
    uint64_t newAudio() const { return field[kTagOffset] + field[kNewSize]; }
    uint64_t audioLength() const { return field[kSize] - oldAudio(); }
    bool grows() const { return field[kNewSize] > field[kOldExtent]; }
};

// Lays the header out in `header` with its own CRC-32 left out (in the earlier layout when
// asked), and gives the CRC-32 that covers it and what follows it, the name and the old tag,
// from their CRC-32.
uint32_t headerCrc(uint8_t* header, const uint64_t (&fields)[kFieldCount], uint32_t restCrc, uint64_t restLength,
                   bool earlier = false);

// Any flaw, an empty or cut record included, is damage, reported and never acted on.
Record readRecord(const platform::File& file);

// Sets a record aside under a name no later save uses; the new name, or empty.
std::string retire(const std::string& recordPath);
// What became of a record set aside, in words.
std::string setAsideText(const std::string& recordPath);

} // namespace moverecord
