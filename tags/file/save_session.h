// One file opened and locked once for everything a save of it does: both tags' loads and
// saves, what the undo journal keeps of it, and an undo's check and restore.
#pragma once

#include "platform/file_system.h"
#include "tags/core/tag_result.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// Why a session could not be had; `result` is the word both tags' saves answer with.
struct SaveRefusal {
    TagResult result = 0;
    std::string reason;
    bool locked = false;          // another program is writing the file
    bool moveInterrupted = false; // an earlier save awaits repair
};

class SaveSession {
public:
    // The file opened for writing, locked against other programs' saves, and checked once
    // for an interrupted move; empty, with why, when it may not be written now.
    static std::optional<SaveSession> open(const std::string& path, SaveRefusal& refusal);

    const std::string& path() const { return m_path; }
    platform::File& file() { return m_file; }
    const platform::File& file() const { return m_file; }

    // What the saves of this session put at the file's two ends, so that whoever records
    // the save need not read it back. Known only while nothing else has written there.
    struct Written {
        bool known = false;
        uint64_t extent = 0;
        uint32_t crc = 0; // zlib's CRC-32 of the extent's bytes
    };
    Written head, tail;
    // The ID3v2 tag at the file's start, its whole extent as the writer measures it, as
    // someone read it through this session: kept for the load of the tag and for the save's
    // comparison with what it writes; gone at any write that may touch it. The CRC-32 is
    // there when whoever read it worked it out.
    std::vector<uint8_t> knownHead;
    std::optional<uint32_t> knownHeadCrc;
    // Reads the ID3v2 tag at the file's start into knownHead, unless it is known already or
    // larger than `limit`.
    void keepHead(uint64_t limit);
    // Whether the ID3v2 tag at the start claims more bytes than the file holds (see
    // headTagClaimsPastEnd), from what keepHead read when it did.
    bool headClaimsPastEnd() const;
    void forgetHead()
    {
        knownHead.clear();
        knownHeadCrc.reset();
        m_claimsPastEnd.reset();
    }
    // Something wrote the file in a way the records above do not follow.
    void forgetWritten()
    {
        head = tail = Written{};
        forgetHead();
    }

    // What an ID3v2 save is about to replace at the file's start. `whole`: the old tag, all
    // of it, goes; else the tag keeps its size and only `size` bytes at `at` change.
    struct HeadChange {
        uint64_t at = 0;
        const uint8_t* oldBytes = nullptr;
        std::size_t size = 0;
        bool whole = false;
    };
    // Told before the ID3v2 save writes anything, when someone must keep what it replaces
    // (the undo journal); false, with why, and the save stops there with nothing written.
    std::function<bool(const HeadChange&, std::string& why)> beforeHeadWrite;

private:
    SaveSession(std::string path, platform::File file) : m_path(std::move(path)), m_file(std::move(file)) {}
    std::string m_path;
    platform::File m_file;
    std::optional<bool> m_claimsPastEnd;
};
