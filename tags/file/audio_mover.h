// Moves the audio behind an ID3v2 tag in place when the tag changes size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace platform {
class File;
}

// Hears of a move as it goes: each chunk as read, before it is written at its new place
// (`audioPos` counts from the first byte after the old tag), and the end of the move.
class MoveWatcher {
public:
    virtual ~MoveWatcher() = default;
    virtual void beforeChunk(uint64_t audioPos, const uint8_t* data, std::size_t n) = 0;
    virtual void moved() = 0;
};

// Makes room for a tag of a new size at the tag offset by moving what follows the old
// tag, never holding more than one 256 KiB chunk of it in memory.
class AudioMover {
public:
    // Large, since a chunk costs a read, a write and often a slot of the record, each a call
    // into the system, while the bytes a slot keeps hardly depend on it; small enough that a
    // chunk stays in the processor's cache from its read to its write.
    static constexpr std::size_t kChunkSize = std::size_t(1) << 18;
    // The chunk size moves and repairs use, kChunkSize unless a test asked for smaller
    // chunks (0 goes back), to cut a move short in many places.
    static std::size_t chunkSize();
    static void useChunkSizeForTests(std::size_t n);
    // Told the number of bytes read or written as the move goes on.
    using Progress = std::function<void(uint64_t)>;

    // The move record, when given, hears of each chunk before it is written.
    AudioMover(platform::File& file, uint64_t fileSize, Progress progress, MoveWatcher* record = nullptr);

    // Bytes that reposition() will read or write, for a progress total.
    static uint64_t work(uint64_t fileSize, uint64_t tagOffset, uint64_t oldExtent, uint64_t newSize);

    // Afterwards the bytes that followed the old tag's `oldExtent` bytes at `tagOffset`
    // start at tagOffset + newSize, and the file ends right after them (or after the
    // new tag's place when nothing followed).
    void reposition(uint64_t tagOffset, uint64_t oldExtent, uint64_t newSize);

private:
    void grow(uint64_t tagOffset, uint64_t oldExtent, uint64_t newSize);
    void shrink(uint64_t delta, uint64_t audio);
    std::size_t chunkFor(uint64_t left) const;
    void read(uint64_t at, std::size_t n);
    void write(uint64_t at, std::size_t n);
    void readAheadBelow(uint64_t at, uint64_t floor);

    platform::File& m_file;
    uint64_t m_fileSize;
    Progress m_progress;
    MoveWatcher* m_record;
    std::vector<uint8_t> m_chunk;
    uint64_t m_advisedFrom = 0;
};
