// Records a move of audio inside a file while it runs, so that a save the program did not
// live to finish is found at the next start and its file can be put back.
#pragma once

#include "platform/file_system.h"
#include "tags/core/tag_result.h"
#include "tags/file/audio_mover.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform {
class File;
}

// The folder that holds one record per move in progress: "moves/" in the person's state
// folder; ends with "/", empty when there is no state folder.
std::string moveRecordFolder();

// One move of the audio that follows the old tag, from tagOffset + oldExtent to
// tagOffset + newSize, with the record that describes it.
class MoveRecord : public MoveWatcher {
public:
    struct Plan {
        std::string path;
        uint64_t fileSize = 0, tagOffset = 0, oldExtent = 0, newSize = 0;
    };

    // Writes the record, the old tag's bytes included, before the file is changed at all.
    // Throws platform::IoError when the record cannot be written; the file is untouched.
    static MoveRecord begin(const platform::File& file, const Plan& plan);

    MoveRecord(MoveRecord&&) noexcept;
    MoveRecord& operator=(MoveRecord&&) = delete;
    MoveRecord(const MoveRecord&) = delete;
    MoveRecord& operator=(const MoveRecord&) = delete;
    ~MoveRecord() override;

    // Called with each chunk of audio as read, before it is written at its new place;
    // `audioPos` counts from the first byte after the old tag. Where the chunk's write
    // could overwrite bytes not yet safe elsewhere, the chunk is kept in the record.
    void beforeChunk(uint64_t audioPos, const uint8_t* data, std::size_t n) override;
    // All audio is at its new place; what follows may cut the file and write the tag.
    void moved() override;
    // The tag is written; the ID3v1 record at the end is about to be replaced by `newTail`, or
    // appended when `oldTail` is empty: the old one is kept, so that a repair puts it back too.
    void beforeTail(const std::vector<uint8_t>& oldTail, const uint8_t* newTail);
    // The save has ended with the file whole: the record goes.
    void finish();
    // After a failed read or write during the move or the tag's write: puts the file back
    // from the record, which then goes; false when that fails too and the record stays,
    // for a later repair to finish.
    bool rollBack(platform::File& file, const std::string& path);

private:
    struct Impl;
    explicit MoveRecord(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> m_impl;
};

// Whether the plan moves audio, which is when it needs a record.
bool movesAudio(const MoveRecord::Plan& plan);

// Gives the tag at plan.tagOffset room for plan.newSize bytes, moving what follows it, then
// calls writeTag to fill that room, then puts `newTail` (an ID3v1 record, when given) at the
// end. The move is recorded and the final size reserved first, so that a full disk is met
// while the file is still whole; termination waits until the end and a disk error puts the
// file back from the record, both tags included. Throws platform::IoError.
void resizeTagInPlace(platform::File& file, const MoveRecord::Plan& plan,
                      const std::function<void(uint64_t)>& progress, const std::function<void()>& writeTag,
                      const uint8_t* newTail = nullptr);

// Whether an earlier save of this file was interrupted and not yet repaired; another save
// would spoil the repair, so both tags' saves refuse such a file.
bool moveInterrupted(const platform::File& file);
constexpr const char* kMoveInterruptedText =
    "an earlier save of this file was interrupted while it moved the audio; run varnoli-cli repair first";

// A save whose move did not end, as its record describes it.
struct InterruptedMove {
    std::string path;       // the file as it was named when the save began
    std::string recordPath; // the record in moveRecordFolder()
    bool damaged = false;   // the record is empty, cut or fails its checksum, and will not be used
    std::string flaw;       // what is wrong with a damaged record, in words
};
std::vector<InterruptedMove> interruptedMoves();
// Removes what saves killed while they began their record left, which changed nothing;
// gives the rest, as interruptedMoves() does.
std::vector<InterruptedMove> removeMoveLeftovers();

// The text that names an interrupted save and says what to do about it.
std::string interruptedMoveText(const InterruptedMove& move);

struct MoveRepair {
    bool repaired = false;
    std::string message; // what was done, or why it cannot be
};
// Puts the file's audio and old tag back as they were before the interrupted save,
// byte for byte, and removes the record. Safe to cut short and run again. A file the
// record does not describe (checked byte for byte by CRC-32) is left untouched and the
// record set aside, as is a record that fails its own checksum.
MoveRepair repairInterruptedMove(const std::string& path);
