// POSIX implementation of reading a whole file and replacing one so that a failure leaves the old.
#include "file_system.h"
#include "posix_common.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <memory>
#include <mutex>
#include <thread>
#include <tuple>

namespace platform {

using namespace posix;

namespace {

std::string quoted(const std::string& path) { return "\"" + path + "\""; }

[[noreturn]] void failWith(IoErrorKind kind, const char* doing, const std::string& path, int error)
{
    throw IoError(kind, std::string("Cannot ") + doing + " " + quoted(path) + ": " + std::strerror(error) + ".");
}

std::string folderOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// A file opened by replaceFileAtomically that is removed again unless it was renamed.
class TemporaryFile {
public:
    explicit TemporaryFile(const std::string& beside)
    {
        const std::string folder = folderOf(beside);
        ignoreFileSizeLimitSignal();
        const std::string stem = (folder == "/" ? "/" : folder + "/") + "." + baseName(beside) + ".";
        static unsigned counter = 0;
        for (int attempt = 0; attempt < 100 && m_fd < 0; ++attempt) {
            m_path = stem + std::to_string(::getpid()) + "-" + std::to_string(++counter) + ".tmp";
            m_fd = ::open(m_path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (m_fd < 0 && errno != EEXIST && errno != EINTR)
                break;
        }
        if (m_fd < 0)
            failWith(IoErrorKind::Write, "create a file in", folder, errno);
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    ~TemporaryFile()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        if (!m_renamed)
            ::unlink(m_path.c_str());
    }

    int fd() const { return m_fd; }
    const std::string& path() const { return m_path; }
    // Closes the file; the error a delayed write reports at closing counts as a failed write.
    int close()
    {
        const int rc = ::close(m_fd);
        m_fd = -1;
        return rc;
    }
    void renamed() { m_renamed = true; }

private:
    std::string m_path;
    int m_fd = -1;
    bool m_renamed = false;
};

void writeAll(int fd, const std::string& contents, const std::string& path)
{
    std::size_t n = contents.size();
    const bool fault = faultDue(g_writeFault);
    if (fault)
        n /= 2;
    std::size_t done = 0;
    while (done < n) {
        const ssize_t put = ::write(fd, contents.data() + done, n - done);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            failWith(IoErrorKind::Write, "write", path, put < 0 ? errno : ENOSPC);
        done += static_cast<std::size_t>(put);
    }
    if (fault)
        failWith(IoErrorKind::Write, "write", path, EIO);
}

// The file a path names, through any links; the path itself when it names nothing yet.
std::string resolvedTarget(const std::string& path)
{
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
        return path;
    char resolved[PATH_MAX];
    return ::realpath(path.c_str(), resolved) ? std::string(resolved) : path;
}

} // namespace

std::string readWholeFile(const std::string& path)
{
    int fd;
    do {
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        failWith(IoErrorKind::Read, "read", path, errno);
    std::unique_ptr<int, void (*)(int*)> closer(&fd, [](int* f) { ::close(*f); });
    struct stat st;
    if (::fstat(fd, &st) != 0)
        failWith(IoErrorKind::Read, "read", path, errno);
    if (!S_ISREG(st.st_mode))
        failWith(IoErrorKind::Read, "read", path, S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
    if (faultDue(g_readFault))
        failWith(IoErrorKind::Read, "read", path, EIO);
    std::string contents;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            failWith(IoErrorKind::Read, "read", path, errno);
        if (got == 0)
            return contents;
        contents.append(buffer, static_cast<std::size_t>(got));
    }
}

void replaceFileAtomically(const std::string& path, const std::string& contents)
{
    const std::string target = resolvedTarget(path);
    struct stat old;
    const bool exists = ::stat(target.c_str(), &old) == 0;
    if (exists && !S_ISREG(old.st_mode))
        failWith(IoErrorKind::Write, "write", path, S_ISDIR(old.st_mode) ? EISDIR : EINVAL);
    // Writing in place would fail on a file this user may not write; so does the rename.
    if (exists && ::access(target.c_str(), W_OK) != 0)
        failWith(IoErrorKind::Write, "write", path, errno);

    TemporaryFile temp(target);
    // Best effort: one who may write a file need not own it, and then the new file is theirs.
    if (exists && ::fchown(temp.fd(), old.st_uid, old.st_gid) == 0)
        std::ignore = ::fchmod(temp.fd(), old.st_mode & 07777);
    else if (exists)
        std::ignore = ::fchmod(temp.fd(), old.st_mode & 0777);
    writeAll(temp.fd(), contents, path);
    if (::fsync(temp.fd()) != 0)
        failWith(IoErrorKind::Write, "write", path, errno);
    if (temp.close() != 0)
        failWith(IoErrorKind::Write, "write", path, errno);
    if (::rename(temp.path().c_str(), target.c_str()) != 0)
        failWith(IoErrorKind::Write, "write", path, errno);
    temp.renamed();
    // The rename itself reaches the disk with the folder.
    syncFolder(folderOf(target));
}

} // namespace platform
