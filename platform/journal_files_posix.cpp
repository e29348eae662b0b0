// POSIX implementation of the undo journal's files.
#include "journal_files.h"

#include "file_system.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>

namespace platform {

std::string absolutePath(const std::string& path)
{
    if (!path.empty() && path[0] == '/')
        return path;
    const std::string folder = currentFolder();
    if (folder.empty())
        return path;
    return folder + (folder.back() == '/' ? "" : "/") + path;
}

int64_t currentTime()
{
    return static_cast<int64_t>(std::time(nullptr));
}

std::optional<NewFile> NewFile::create(const std::string& path, std::string& why)
{
    ignoreFileSizeLimitSignal();
    // A link planted at the name is refused, never followed.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        why = std::strerror(errno);
        return std::nullopt;
    }
    // Held while the file lives, so that a file whose writer was killed is told from one
    // still being written (removeAbandonedFiles).
    (void)::flock(fd, LOCK_EX | LOCK_NB);
    return NewFile(fd);
}

NewFile::NewFile(NewFile&& other) noexcept : m_fd(other.m_fd)
{
    other.m_fd = -1;
}

NewFile& NewFile::operator=(NewFile&& other) noexcept
{
    if (this != &other) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = other.m_fd;
        other.m_fd = -1;
    }
    return *this;
}

NewFile::~NewFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

void NewFile::append(const uint8_t* data, std::size_t n)
{
    while (n > 0) {
        const ssize_t written = ::write(m_fd, data, n);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            throw IoError(IoErrorKind::Write, std::strerror(written < 0 ? errno : ENOSPC));
        data += written;
        n -= static_cast<std::size_t>(written);
    }
}

void NewFile::sync()
{
    if (::fsync(m_fd) != 0)
        throw IoError(IoErrorKind::Write, std::strerror(errno));
}

} // namespace platform
