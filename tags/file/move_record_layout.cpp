// Reads a move record back and sets aside one that cannot be used.
#include "tags/file/move_record_layout.h"

namespace moverecord {

namespace {

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

} // namespace

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
                                      r.move->phase == kPhaseMoved || r.move->phase == kPhaseTail);
    if (damaged || !movePhase || r.move->pos + r.move->length > audio ||
        (r.repair && r.repair->phase != kPhaseRepairing && r.repair->phase != kPhaseCopied))
        return r;
    r.state = Record::Whole;
    return r;
}

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

} // namespace moverecord
