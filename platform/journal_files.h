// Files written for the undo journal: created fresh, flushed to the disk before anything they describe changes.
#pragma once

#include "file_system.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace platform {

// The path as seen from the current folder, when it is relative; unchanged otherwise.
std::string absolutePath(const std::string& path);
// Seconds since 1970.
int64_t currentTime();

// A file created for writing from its first byte; the destructor closes it. Failures raise IoError
// with the system's reason.
class NewFile {
public:
    // Empty when the name is taken or the folder refuses; `why` then says which.
    static std::optional<NewFile> create(const std::string& path, std::string& why);

    NewFile(NewFile&& other) noexcept;
    NewFile& operator=(NewFile&& other) noexcept;
    NewFile(const NewFile&) = delete;
    NewFile& operator=(const NewFile&) = delete;
    ~NewFile();

    void append(const uint8_t* data, std::size_t n);
    // Returns once the bytes are on the disk.
    void sync();

private:
    explicit NewFile(int fd) : m_fd(fd) {}
    int m_fd = -1;
};

} // namespace platform
