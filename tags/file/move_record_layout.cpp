// Reads a move record back and sets aside one that cannot be used.
#include "tags/file/move_record_layout.h"

namespace moverecord {

namespace {

// The newest slot of a pair. A slot header that fails its CRC, or a newest slot whose bytes
// do not, is damage: `damaged`; so is a pair whose first slot, at the second place, is gone
// (`firstWritten`). An older slot's bytes may be half overwritten by the newer.
std::optional<Slot> readSlots(const platform::File& file, uint64_t at, std::size_t chunkLimit, bool firstWritten,
                              bool& damaged)
{
    const uint64_t slotSize = slotSizeFor(chunkLimit);
    std::optional<Slot> best;
    uint64_t dataLength = 0, dataCrc = 0, bestAt = 0;
    for (int i = 0; i < 2; ++i) {
        uint8_t h[kSlotHeaderSize] = {};
        const uint64_t headerAt = at + i * slotSize + slotSize - kSlotHeaderSize;
        const std::size_t got = file.readAt(headerAt, h, kSlotHeaderSize);
        if (std::all_of(h, h + kSlotHeaderSize, [](uint8_t b) { return b == 0; })) {
            damaged = damaged || (firstWritten && i == 1);
            continue;
        }
        if (got < kSlotHeaderSize || readBE32(h + kSlotFieldsSize) != crcOf(h, kSlotFieldsSize)) {
            damaged = true;
            continue;
        }
        uint64_t f[kSlotFieldCount];
        records::decodeNumbers(kSlotLayout, h, f);
        if (best && f[kSeq] <= best->seq)
            continue;
        Slot s;
        s.seq = f[kSeq];
        s.phase = f[kPhase];
        s.pos = f[kPos];
        s.length = f[kLength];
        s.dataAt = f[kDataAt];
        s.runCrc = static_cast<uint32_t>(f[kRunCrc]);
        s.chunkCrc = static_cast<uint32_t>(f[kChunkCrc]);
        dataLength = f[kDataLength];
        dataCrc = f[kDataCrc];
        bestAt = headerAt - std::min<uint64_t>(dataLength, headerAt);
        best = std::move(s);
    }
    if (!best)
        return best;
    if (dataLength > chunkLimit || best->length > chunkLimit ||
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

uint32_t headerCrc(uint8_t* header, const uint64_t (&fields)[kFieldCount], uint32_t restCrc, uint64_t restLength,
                   bool earlier)
{
    const char* magic = earlier ? kMagicV2 : kMagic;
    std::copy(magic, magic + sizeof kMagic, header);
    const std::size_t count = earlier ? kChunkLimit : kFieldCount;
    for (std::size_t i = 0; i < count; ++i)
        records::writeBE(header + sizeof kMagic + 8 * i, i == kHeaderCrc ? 0 : fields[i], 8);
    return crcJoined(crcOf(header, earlier ? kHeaderSizeV2 : kHeaderSize), restCrc, restLength);
}

Record readRecord(const platform::File& file)
{
    Record r;
    uint8_t header[kHeaderSize] = {};
    const std::size_t got = file.readAt(0, header, kHeaderSize);
    r.flaw = got == 0 ? "it is empty" : "it is cut short";
    if (got != kHeaderSize)
        return r;
    r.flaw = "it is not a record of a move, or one of a version this program does not read";
    const bool earlier = std::equal(kMagicV2, kMagicV2 + sizeof kMagicV2, header);
    if (!earlier && !std::equal(kMagic, kMagic + sizeof kMagic, header))
        return r;
    r.flaw = "it fails its checksum";
    records::decodeNumbers(kHeaderLayout, header + sizeof kMagic, r.field);
    if (earlier)
        r.field[kChunkLimit] = kChunkLimitV2;
    const uint64_t headerSize = earlier ? kHeaderSizeV2 : kHeaderSize;
    if (r.field[kChunkLimit] == 0 || r.field[kChunkLimit] > AudioMover::kChunkSize ||
        r.field[kPathLength] > kMaxPath || r.field[kOldExtent] > kMaxOldTag ||
        r.field[kTagOffset] + r.field[kOldExtent] > r.field[kSize] || r.field[kNewSize] > kMaxOldTag + r.field[kSize])
        return r;
    std::vector<uint8_t> rest(r.field[kPathLength] + r.field[kOldExtent]);
    if (file.readAt(headerSize, rest.data(), rest.size()) != rest.size()) {
        r.flaw = "it is cut short";
        return r;
    }
    if (r.field[kHeaderCrc] !=
        headerCrc(header, r.field, crcOf(rest.data(), rest.size()), rest.size(), earlier))
        return r;
    r.path.assign(rest.begin(), rest.begin() + static_cast<std::ptrdiff_t>(r.field[kPathLength]));
    r.oldTag.assign(rest.begin() + static_cast<std::ptrdiff_t>(r.field[kPathLength]), rest.end());
    r.slotsAt = slotsStart(r.path.size(), r.field[kOldExtent], headerSize);
    bool damaged = false;
    r.move = readSlots(file, r.slotsAt, r.chunkLimit(), true, damaged);
    r.repair = readSlots(file, r.slotsAt + 2 * r.slotSize(), r.chunkLimit(), false, damaged);
    const uint64_t audio = r.audioLength();
    // The move's first slot goes in with the record, so a record without one was cut.
    const bool movePhase = r.move && (r.move->phase == kPhaseBegun || r.move->phase == kPhaseMoving ||
                                      r.move->phase == kPhaseMoved || r.move->phase == kPhaseTail);
    r.flaw = "its account of the move is cut short or fails its checksum";
    if (damaged || !movePhase || r.move->pos + r.move->length > audio ||
        (r.repair && r.repair->phase != kPhaseRepairing && r.repair->phase != kPhaseCopied))
        return r;
    r.state = Record::Whole;
    r.flaw.clear();
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
