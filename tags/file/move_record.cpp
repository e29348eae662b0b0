// The record of a move of audio in progress, written as the move goes.
#include "tags/file/move_record.h"

#include "tags/file/move_record_layout.h"

#include "tags/core/io_result.h"
#include "tags/id3v1/id3_layout.h"

#include <algorithm>
#include <optional>
#include <utility>

using namespace moverecord;

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

// A fresh file to begin the record in, locked from the start. One left at that name by a
// save killed while it began is no longer locked, and goes.
platform::File beginRecord(const std::string& beginningPath)
{
    std::string why;
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (std::optional<platform::File> record = platform::File::createNew(beginningPath, &why))
            return std::move(*record);
        const std::size_t slash = beginningPath.rfind('/');
        platform::removeAbandonedFiles(beginningPath.substr(0, slash + 1), beginningPath.substr(slash + 1));
    }
    throw platform::IoError(platform::IoErrorKind::Other,
                            "cannot write the record of the move, " + beginningPath + ": " + why);
}

// Gives the whole record its name. A record found there belongs to a file that had this
// file's number before, since the save was let through: it goes aside. Anything else there
// is refused.
void nameRecord(const std::string& beginningPath, const std::string& recordPath)
{
    platform::RenameOutcome named = platform::renameWithoutReplacing(beginningPath, recordPath);
    std::string why = named.reason;
    if (named.kind == platform::RenameOutcome::Exists) {
        const bool record = platform::File::open(recordPath, platform::File::Mode::Read, nullptr, false).has_value();
        why = record ? "another record has its name" : "a link or another kind of file has its name, and was left alone";
        if (record && !retire(recordPath).empty())
            named = platform::renameWithoutReplacing(beginningPath, recordPath);
    }
    if (named.kind != platform::RenameOutcome::Renamed)
        throw platform::IoError(platform::IoErrorKind::Other,
                                "cannot write the record of the move, " + recordPath + ": " + why);
}

// The header, the file's name and the old tag's bytes, read from the file under one CRC-32.
void writeRecordHead(platform::File& record, const platform::File& file, const MoveRecord::Plan& plan)
{
    const uint64_t pathLength = plan.path.size();
    record.writeAt(kHeaderSize, reinterpret_cast<const uint8_t*>(plan.path.data()), pathLength);
    const std::optional<uint32_t> rest = records::crcOfRange(
        file, plan.tagOffset, plan.oldExtent, crcOf(reinterpret_cast<const uint8_t*>(plan.path.data()), pathLength),
        [&](const uint8_t* chunk, std::size_t n, uint64_t done) { record.writeAt(kHeaderSize + pathLength + done, chunk, n); });
    if (!rest)
        throw platform::IoError(platform::IoErrorKind::Read, "the file ended inside its tag");
    uint64_t fields[kFieldCount] = {plan.fileSize, plan.tagOffset, plan.oldExtent, plan.newSize,
                                    pathLength,    file.birthTime(), 0,           AudioMover::chunkSize()};
    uint8_t header[kHeaderSize];
    fields[kHeaderCrc] = headerCrc(header, fields, *rest, pathLength + plan.oldExtent);
    records::encodeNumbers(kHeaderLayout, fields, header + sizeof kMagic);
    record.writeAt(0, header, kHeaderSize);
}

} // namespace

MoveRecord MoveRecord::begin(const platform::File& file, const Plan& plan)
{
    auto impl = std::make_unique<Impl>();
    const std::string folder = moveRecordFolder();
    if (!makeStateSubfolder(folder))
        throw platform::IoError(platform::IoErrorKind::Other,
                                "cannot make the folder '" + folder + "' for the record of the move");
    impl->recordPath = recordNameFor(folder, file.identity());
    const std::string beginningPath = impl->recordPath + kBeginningSuffix;
    // Held while the save runs, so that a record whose save is still going is not taken
    // for an interrupted one; the system lets go when the process ends.
    impl->record = beginRecord(beginningPath);
    impl->fileSize = plan.fileSize;
    impl->audio = {plan.tagOffset + plan.oldExtent, plan.tagOffset + plan.newSize,
                   plan.fileSize - plan.tagOffset - plan.oldExtent};
    impl->slots.emplace(*impl->record, slotsStart(plan.path.size(), plan.oldExtent),
                        slotSizeFor(AudioMover::chunkSize()));
    // Nothing has changed yet when the record cannot be written: it goes, and so does the save.
    try {
        writeRecordHead(*impl->record, file, plan);
        impl->slots->write(kPhaseBegun, 0, 0, nullptr, 0, 0);
        nameRecord(beginningPath, impl->recordPath);
    } catch (const platform::IoError&) {
        impl->record.reset();
        platform::removeFile(beginningPath);
        throw;
    }
    return MoveRecord(std::move(impl));
}

void MoveRecord::beforeChunk(uint64_t audioPos, const uint8_t* data, std::size_t n)
{
    Impl& m = *m_impl;
    // The part a slot may keep is checksummed apart and joined into the chunk's CRC-32, so
    // that each byte is checksummed once.
    const auto [at, length] = SlotWriter::risked(m.audio, n);
    const std::size_t after = n - at - length;
    const uint32_t keptCrc = crcOf(data + at, length);
    const uint32_t chunkCrc = crcJoined(crcJoined(crcOf(data, at), keptCrc, length), crcOf(data + at + length, after), after);
    // Growing, the last stretch goes past the old end first, front to back, where it
    // overwrites nothing; the rest goes back to front.
    const bool tail = m.audio.backwards() && m.audio.dst + audioPos >= m.fileSize;
    if (!tail)
        m.slots->beforeChunk(m.audio, kPhaseMoving, audioPos, data, n, m.movedCrc, chunkCrc, keptCrc);
    const bool inFront = m.audio.backwards() && !tail;
    m.movedCrc = inFront ? crcJoined(chunkCrc, m.movedCrc, m.movedLength) : crcJoined(m.movedCrc, chunkCrc, n);
    m.movedLength += n;
}

void MoveRecord::moved()
{
    m_impl->slots->write(kPhaseMoved, 0, 0, nullptr, 0, 0, m_impl->movedCrc);
}

void MoveRecord::beforeTail(const std::vector<uint8_t>& oldTail, const uint8_t* newTail)
{
    m_impl->slots->write(kPhaseTail, 0, oldTail.size(), oldTail.data(), 0, oldTail.size(), m_impl->movedCrc,
                         crcOf(newTail, id3v1::kRecordSize));
}

void MoveRecord::finish()
{
    m_impl->slots.reset();
    m_impl->record.reset();
    platform::removeFile(m_impl->recordPath);
}

bool moveInterrupted(const platform::File& file)
{
    const std::string recordPath = recordNameFor(moveRecordFolder(), file.identity());
    if (moveRecordFolder().empty() || !platform::pathExists(recordPath))
        return false;
    // A record whose sizes do not fit belongs to a file that had this file's number before.
    // A damaged one, an empty one included, keeps the file from saves until a repair has
    // looked at it.
    try {
        const auto recordFile = platform::File::open(recordPath, platform::File::Mode::Read, nullptr, false);
        if (!recordFile)
            return false;
        const Record record = readRecord(*recordFile);
        if (record.state != Record::Whole)
            return true;
        const uint64_t size = file.size();
        const uint64_t birth = file.birthTime();
        const bool appendedTail = record.move->phase == kPhaseTail && record.move->data.empty() &&
                                  size > record.movedSize() && size <= record.movedSize() + id3v1::kRecordSize;
        return (size == record.fileSize() || size == record.movedSize() || appendedTail) &&
               (birth == 0 || record.field[kBirth] == 0 || birth == record.field[kBirth]);
    } catch (const platform::IoError&) {
        return false;
    }
}

bool movesAudio(const MoveRecord::Plan& plan)
{
    return plan.fileSize > plan.tagOffset + plan.oldExtent && plan.newSize != plan.oldExtent;
}

namespace {

// The ID3v1 record at the end of the moved file replaced or appended, the old one kept first.
void writeTail(platform::File& file, uint64_t size, MoveRecord* record, const uint8_t* newTail)
{
    const uint64_t old = id3v1::recordExtent(file, size);
    std::vector<uint8_t> oldTail(static_cast<std::size_t>(old));
    if (old > 0)
        file.readExactAt(size - old, oldTail.data(), oldTail.size());
    if (record)
        record->beforeTail(oldTail, newTail);
    file.writeAt(size - old, newTail, id3v1::kRecordSize);
}

} // namespace

void resizeTagInPlace(platform::File& file, const MoveRecord::Plan& plan,
                      const std::function<void(uint64_t)>& progress, const std::function<void()>& writeTag,
                      const uint8_t* newTail)
{
    const uint64_t movedSize = plan.fileSize - plan.oldExtent + plan.newSize;
    const bool appendsTail = newTail && id3v1::recordExtent(file, plan.fileSize) == 0;
    const uint64_t finalSize = movedSize + (appendsTail ? id3v1::kRecordSize : 0);
    std::optional<MoveRecord> record;
    if (movesAudio(plan))
        record.emplace(MoveRecord::begin(file, plan));
    try {
        file.reserve(finalSize);
        // The room reserved for an appended record is not the audio's: the move ends where it
        // did, at a size the record knows.
        if (appendsTail)
            file.truncate(std::max(movedSize, plan.fileSize));
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
        if (newTail)
            writeTail(file, movedSize, record ? &*record : nullptr, newTail);
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
