// Finds the moves that saves did not live to finish, and puts their files back.
#include "tags/file/move_record.h"

#include "tags/file/move_record_layout.h"

#include "tags/id3v1/id3_layout.h"

using namespace moverecord;

namespace {

// Adds `length` bytes of the file at `at` to crc; false when the file ends first.
bool addCrc(const platform::File& file, uint64_t at, uint64_t length, uint32_t& crc)
{
    const std::optional<uint32_t> sum = records::crcOfRange(file, at, length, crc);
    crc = sum.value_or(crc);
    return sum.has_value();
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

// Puts back the ID3v1 record a save replaced or appended after its move, and records the move
// as merely moved again: the rest of the repair is then the one of any move. Empty when done;
// else why the file's end is not what the record describes.
std::string undoTail(const Record& r, platform::File& file, platform::File& recordFile)
{
    const Slot& s = *r.move;
    const uint64_t moved = r.movedSize(), size = file.size(), record = id3v1::kRecordSize;
    const bool appended = s.data.empty();
    const uint64_t birth = file.birthTime();
    if (birth != 0 && r.field[kBirth] != 0 && birth != r.field[kBirth])
        return "it is another file than the one whose save was interrupted";
    if (appended && (size < moved || size > moved + record))
        return "its size has changed since the save was interrupted";
    if (!appended) {
        std::vector<uint8_t> now(record);
        if (size != moved || file.readAt(moved - record, now.data(), now.size()) != now.size())
            return "its size has changed since the save was interrupted";
        if (crcOf(now.data(), now.size()) != s.chunkCrc && now != s.data)
            return "its content has changed since the save was interrupted";
        file.writeAt(moved - record, s.data.data(), s.data.size());
    } else if (size != moved) {
        file.truncate(moved);
    }
    SlotWriter slots(recordFile, r.slotsAt, r.slotSize());
    slots.resume(s);
    slots.write(kPhaseMoved, 0, 0, nullptr, 0, 0, s.runCrc);
    return {};
}

// Why the record does not fit the file, in words; empty when it does. A save cut short while it
// replaced the ID3v1 record gets its old record back first, and is then a move like any other.
std::string unusable(Record& record, platform::File& file, platform::File& recordFile)
{
    if (record.move->phase == kPhaseTail) {
        platform::TerminationHold hold;
        const std::string changed = undoTail(record, file, recordFile);
        if (!changed.empty())
            return changed;
        record = readRecord(recordFile);
    }
    return mismatch(record, file);
}

// Copies the run, resuming where an earlier repair stopped; each chunk that could spoil what
// the last slot counts on is recorded first, as the move's own chunks were.
void copyRun(platform::File& file, const Run& run, SlotWriter& slots, const std::optional<Slot>& resume,
             std::size_t chunkLimit)
{
    std::vector<uint8_t> chunk(std::min(chunkLimit, AudioMover::chunkSize()));
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

namespace {

std::vector<InterruptedMove> idleMoves(bool removeLeftovers)
{
    std::vector<InterruptedMove> moves;
    // A record still being begun when its save was killed changed nothing.
    if (removeLeftovers && !moveRecordFolder().empty())
        platform::removeAbandonedFiles(moveRecordFolder(), kBeginningSuffix);
    forEachIdleRecord([&](const std::string& recordPath, const Record& record) {
        moves.push_back({record.path, recordPath, record.state == Record::Damaged, record.flaw});
    });
    std::sort(moves.begin(), moves.end(), [](const InterruptedMove& a, const InterruptedMove& b) {
        return a.path != b.path ? a.path < b.path : a.recordPath < b.recordPath;
    });
    return moves;
}

} // namespace

std::vector<InterruptedMove> interruptedMoves()
{
    return idleMoves(false);
}

std::vector<InterruptedMove> removeMoveLeftovers()
{
    return idleMoves(true);
}

std::string interruptedMoveText(const InterruptedMove& move)
{
    if (move.damaged)
        return "The record " + move.recordPath +
               " of a save that was interrupted while it moved the audio is damaged (" + move.flaw +
               "), so it cannot be used to put the file back. Check the file it belongs to; if it is damaged, restore it from a backup. Then "
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
    const std::string recordPath = recordNameFor(moveRecordFolder(), file.identity());
    try {
        std::string why;
        auto recordFile = platform::File::open(recordPath, platform::File::Mode::ReadWrite, &why, false);
        if (!recordFile && platform::pathExists(recordPath))
            return {false, "'" + path + "' was left as it is: " + recordPath +
                               ", where the record of its interrupted save belongs, cannot be used (" + why + ")"};
        if (!recordFile)
            return {false, "'" + path + "': no interrupted save of this file is recorded"};
        Record record = readRecord(*recordFile);
        if (record.state == Record::Damaged)
            return {false, "'" + path + "' was left as it is: the record of its interrupted save, " + recordPath +
                               ", is damaged (" + record.flaw + "), so it cannot be trusted to put the file back; " +
                               setAsideText(recordPath) +
                               ". If the file does not play or shows wrong tags, restore it from a backup."};
        const std::string changed = unusable(record, file, *recordFile);
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
            SlotWriter slots(*recordFile, record.slotsAt + 2 * record.slotSize(), record.slotSize());
            if (record.repair)
                slots.resume(*record.repair);
            copyRun(file, plan.run, slots, record.repair, record.chunkLimit());
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
    if (!platform::pathExists(recordNameFor(moveRecordFolder(), file->identity())))
        return otherFileText(path);
    return restoreFromRecord(*file, path, true);
}
