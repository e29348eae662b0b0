// One file opened and locked once for everything a save of it does: both tags' loads and
// saves, what the undo journal keeps of it, and an undo's check and restore.
#pragma once

#include "platform/file_system.h"
#include "tag_result.h"

#include <cstdint>
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
    // The file's first bytes as someone read them through this session, kept for the load
    // of the ID3v2 tag; gone at any write that may touch them.
    std::vector<uint8_t> knownHead;
    // Something wrote the file in a way the records above do not follow.
    void forgetWritten()
    {
        head = tail = Written{};
        knownHead.clear();
    }

private:
    SaveSession(std::string path, platform::File file) : m_path(std::move(path)), m_file(std::move(file)) {}
    std::string m_path;
    platform::File m_file;
};
