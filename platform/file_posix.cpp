// POSIX implementation of File: opening, reading, writing, locking.
#include "file_system.h"
#include "posix_common.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
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

// Files this process holds the exclusive save lock of, so that its own loads and the
// other tag's save of the same file do not wait for it.
std::mutex g_heldMutex;
std::vector<File::Identity> g_held;
std::atomic<int> g_heldCount{0};

bool heldHere(File::Identity id)
{
    if (g_heldCount.load() == 0)
        return false;
    std::lock_guard<std::mutex> guard(g_heldMutex);
    for (const File::Identity& h : g_held)
        if (h.device == id.device && h.inode == id.inode)
            return true;
    return false;
}

void setHeld(File::Identity id, bool held)
{
    std::lock_guard<std::mutex> guard(g_heldMutex);
    if (held) {
        g_held.push_back(id);
    } else {
        for (auto it = g_held.begin(); it != g_held.end(); ++it)
            if (it->device == id.device && it->inode == id.inode) {
                g_held.erase(it);
                break;
            }
    }
    g_heldCount = static_cast<int>(g_held.size());
}

} // namespace

void ignoreFileSizeLimitSignal()
{
    std::signal(SIGXFSZ, SIG_IGN);
}

SaveTarget saveTarget(const std::string& path, std::string* reason)
{
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) {
        if (reason)
            *reason = std::strerror(errno);
        return SaveTarget::Missing;
    }
    if (!S_ISREG(st.st_mode)) {
        if (reason)
            *reason = notRegularText(st.st_mode);
        return SaveTarget::Missing;
    }
    // access() also sees read-only mounts and ACLs.
    if (hiddenName(path) || !callerMayWrite(st) || ::access(path.c_str(), W_OK) != 0) {
        if (reason)
            *reason = hiddenName(path) ? "hidden file" : std::strerror(EACCES);
        return SaveTarget::Protected;
    }
    return SaveTarget::Writable;
}

namespace {

// -1 with the system's reason when the file cannot be opened.
int openDescriptor(const std::string& path, int flags, std::string* reason)
{
    if (!g_watchedPath.empty() && path == g_watchedPath)
        ++g_opens;
    int fd;
    do {
        fd = ::open(path.c_str(), flags);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0 && reason)
        *reason = std::strerror(errno);
    return fd;
}

// A folder opens for reading, a pipe or a device for both: none holds tags. Closes any of them.
bool regularFile(int fd, struct stat& st, std::string* reason)
{
    st = {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode))
        return true;
    if (reason)
        *reason = notRegularText(st.st_mode);
    ::close(fd);
    return false;
}

} // namespace

std::optional<File> File::open(const std::string& path, Mode mode, std::string* reason, bool followLinks)
{
    if (mode == Mode::ReadWrite)
        ignoreFileSizeLimitSignal();
    // Without O_NONBLOCK the open of a named pipe would wait for a writer; it is refused
    // below, and reads and writes of a regular file do not heed the flag.
    const int flags =
        (mode == Mode::Read ? O_RDONLY : O_RDWR) | O_CLOEXEC | O_NONBLOCK | (followLinks ? 0 : O_NOFOLLOW);
    const int fd = openDescriptor(path, flags, reason);
    struct stat st;
    if (fd < 0 || !regularFile(fd, st, reason))
        return std::nullopt;
    return File(fd, static_cast<uint64_t>(st.st_size), st.st_mode, st.st_uid, st.st_gid, st.st_dev, st.st_ino);
}

std::optional<File> File::openForSaving(const std::string& path, SaveTarget& target, std::string* reason)
{
    ignoreFileSizeLimitSignal();
    if (!g_watchedPath.empty() && path == g_watchedPath)
        ++g_opens;
    auto refuse = [&](SaveTarget t, std::string why) {
        target = t;
        if (reason)
            *reason = t == SaveTarget::Protected && hiddenName(path) ? "hidden file" : std::move(why);
        return std::nullopt;
    };
    int fd;
    do {
        fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    } while (fd < 0 && errno == EINTR);
    struct stat st = {};
    if (fd < 0) {
        const int error = errno;
        // The system's refusal of a file that is there: a read-only mount, an ACL, the bits.
        const bool there = ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
        if (there && (error == EACCES || error == EPERM || error == EROFS || error == ETXTBSY))
            return refuse(SaveTarget::Protected, std::strerror(EACCES));
        return refuse(SaveTarget::Missing, error == EISDIR ? notRegularText(S_IFDIR) : std::strerror(error));
    }
    const bool statted = ::fstat(fd, &st) == 0;
    if (!statted || !S_ISREG(st.st_mode) || hiddenName(path) || !callerMayWrite(st)) {
        const int error = errno;
        ::close(fd);
        if (!statted)
            return refuse(SaveTarget::Missing, std::strerror(error));
        if (!S_ISREG(st.st_mode))
            return refuse(SaveTarget::Missing, notRegularText(st.st_mode));
        return refuse(SaveTarget::Protected, std::strerror(EACCES));
    }
    target = SaveTarget::Writable;
    return File(fd, static_cast<uint64_t>(st.st_size), st.st_mode, st.st_uid, st.st_gid, st.st_dev, st.st_ino);
}

std::optional<File> File::openLockedForReading(const std::string& path, std::string& reason, bool& lockedByOther)
{
    lockedByOther = false;
    const int fd = openDescriptor(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK, &reason);
    if (fd < 0)
        return std::nullopt;
    // Mostly the lock is free: taken before the look at the file, that one look gives the
    // size the lock protects. A file system without locks must not stop the load.
    const bool lockedNow = ::flock(fd, LOCK_SH | LOCK_NB) == 0 || (errno != EWOULDBLOCK && errno != EINTR);
    struct stat st;
    if (!regularFile(fd, st, &reason))
        return std::nullopt;
    File file(fd, static_cast<uint64_t>(st.st_size), st.st_mode, st.st_uid, st.st_gid, st.st_dev, st.st_ino);
    if (!lockedNow && !file.lockForReading()) {
        lockedByOther = true;
        return std::nullopt;
    }
    return file;
}

std::optional<File> File::createNew(const std::string& path, std::string* reason)
{
    ignoreFileSizeLimitSignal();
    for (int attempt = 0; attempt < 3; ++attempt) {
        int fd;
        do {
            fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        } while (fd < 0 && errno == EINTR);
        struct stat st, named;
        if (fd < 0 || ::fstat(fd, &st) != 0) {
            if (reason)
                *reason = std::strerror(errno);
            if (fd >= 0)
                ::close(fd);
            return std::nullopt;
        }
        File file(fd, 0, st.st_mode, st.st_uid, st.st_gid, st.st_dev, st.st_ino);
        // Another process's clean-up may take the file away before the lock: then again.
        if (file.lockForWriting(0) && ::lstat(path.c_str(), &named) == 0 && named.st_dev == st.st_dev &&
            named.st_ino == st.st_ino)
            return file;
    }
    if (reason)
        *reason = "it is in use";
    return std::nullopt;
}

File::File(File&& other) noexcept
    : m_fd(other.m_fd), m_openSize(other.m_openSize), m_mode(other.m_mode), m_uid(other.m_uid),
      m_gid(other.m_gid), m_dev(other.m_dev), m_ino(other.m_ino), m_holdsWriteLock(other.m_holdsWriteLock)
{
    other.m_fd = -1;
    other.m_holdsWriteLock = false;
}

File& File::operator=(File&& other) noexcept
{
    if (this != &other) {
        close();
        m_fd = other.m_fd;
        m_openSize = other.m_openSize;
        m_mode = other.m_mode;
        m_uid = other.m_uid;
        m_gid = other.m_gid;
        m_dev = other.m_dev;
        m_ino = other.m_ino;
        m_holdsWriteLock = other.m_holdsWriteLock;
        other.m_fd = -1;
        other.m_holdsWriteLock = false;
    }
    return *this;
}

File::~File()
{
    close();
}

void File::close()
{
    if (m_holdsWriteLock)
        setHeld(identity(), false);
    m_holdsWriteLock = false;
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

uint64_t File::size() const
{
    struct stat st;
    if (::fstat(m_fd, &st) != 0)
        throw IoError(IoErrorKind::Other, errnoText("fstat"));
    return static_cast<uint64_t>(st.st_size);
}

// Judged from the open file's own bits alone: on a warm library every further system
// call is a measurable share of a tag read. Read-only mounts and ACLs are seen by
// saveTarget, which every save asks before it opens the file for writing.
File::Info File::info(const std::string& path) const
{
    struct stat st = {};
    st.st_mode = m_mode;
    st.st_uid = m_uid;
    st.st_gid = m_gid;
    Info result;
    result.size = m_openSize;
    result.protectedMark = hiddenName(path) || !callerMayWrite(st);
    return result;
}

std::size_t File::readAt(uint64_t offset, uint8_t* buffer, std::size_t n) const
{
    if (faultDue(g_readFault))
        throw IoError(IoErrorKind::Read, "read: injected failure");
    std::size_t done = 0;
    while (done < n) {
        const ssize_t got = ::pread(m_fd, buffer + done, n - done, static_cast<off_t>(offset + done));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            throw IoError(IoErrorKind::Read, errnoText("read"));
        }
        if (got == 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    return done;
}

void File::readExactAt(uint64_t offset, uint8_t* buffer, std::size_t n) const
{
    if (readAt(offset, buffer, n) != n)
        throw IoError(IoErrorKind::Read, "read: the file ended early");
}

void File::writeAt(uint64_t offset, const uint8_t* data, std::size_t n)
{
    writeAt(offset, data, n, nullptr, 0);
}

void File::writeAt(uint64_t offset, const uint8_t* first, std::size_t n1, const uint8_t* second, std::size_t n2)
{
    const bool kill = faultDue(g_killFault);
    const bool fault = kill || faultDue(g_writeFault);
    std::size_t n = n1 + n2;
    // A small write within a page is never torn by the system: it goes down whole or not at all.
    if (fault)
        n = n <= kUntornWrite ? 0 : n / 2;
    iovec pieces[2] = {{const_cast<uint8_t*>(first), std::min(n1, n)},
                       {const_cast<uint8_t*>(second), n - std::min(n1, n)}};
    std::size_t done = 0;
    while (done < n) {
        const int skip = done >= pieces[0].iov_len ? 1 : 0;
        iovec rest[2] = {pieces[0], pieces[1]};
        const std::size_t into = done - (skip ? pieces[0].iov_len : 0);
        rest[skip].iov_base = static_cast<uint8_t*>(rest[skip].iov_base) + into;
        rest[skip].iov_len -= into;
        const ssize_t put = ::pwritev(m_fd, rest + skip, 2 - skip, static_cast<off_t>(offset + done));
        if (put < 0) {
            if (errno == EINTR)
                continue;
            throw IoError(IoErrorKind::Write, errnoText("write"));
        }
        if (put == 0)
            throw IoError(IoErrorKind::Write, "write: no progress");
        done += static_cast<std::size_t>(put);
    }
    if (kill)
        std::raise(SIGKILL);
    if (fault)
        throw IoError(IoErrorKind::Write, "write: injected failure");
}

void File::append(const uint8_t* data, std::size_t n)
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

void File::truncate(uint64_t newSize)
{
    if (faultDue(g_writeFault))
        throw IoError(IoErrorKind::Write, "truncate: injected failure");
    if (::ftruncate(m_fd, static_cast<off_t>(newSize)) != 0)
        throw IoError(IoErrorKind::Write, errnoText("truncate"));
}

void File::sync()
{
    if (::fsync(m_fd) != 0)
        throw IoError(IoErrorKind::Write, errnoText("sync"));
}

void File::reserve(uint64_t newSize)
{
    const uint64_t now = size();
    if (newSize <= now)
        return;
    if (faultDue(g_writeFault))
        throw IoError(IoErrorKind::Write, "reserve: injected failure");
    // Returns the error instead of setting errno; where the file system cannot allocate
    // ahead, the C library writes the blocks instead.
    int rc;
    do {
        rc = ::posix_fallocate(m_fd, static_cast<off_t>(now), static_cast<off_t>(newSize - now));
    } while (rc == EINTR);
    if (rc != 0)
        throw IoError(IoErrorKind::Write, std::string("reserve: ") + std::strerror(rc));
}

uint64_t File::birthTime() const
{
    struct statx stx = {};
    if (::statx(m_fd, "", AT_EMPTY_PATH, STATX_BTIME, &stx) != 0 || !(stx.stx_mask & STATX_BTIME))
        return 0;
    return uint64_t(stx.stx_btime.tv_sec) * 1000000000u + stx.stx_btime.tv_nsec;
}

void File::adviseWillNeed(uint64_t offset, uint64_t length) const
{
    // Only a hint: a refusal changes nothing but the speed.
    (void)::posix_fadvise(m_fd, static_cast<off_t>(offset), static_cast<off_t>(length), POSIX_FADV_WILLNEED);
}

bool File::lock(int operation, int waitMs)
{
    if (heldHere(identity()))
        return true;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    for (;;) {
        if (::flock(m_fd, operation | LOCK_NB) == 0)
            break;
        // A file system without locks must not stop the load or the save.
        if (errno != EWOULDBLOCK && errno != EINTR)
            break;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    // The file may have been changed by the save that held it until now.
    struct stat st;
    if (::fstat(m_fd, &st) == 0)
        m_openSize = static_cast<uint64_t>(st.st_size);
    return true;
}

bool File::lockForWriting(int waitMs)
{
    if (m_holdsWriteLock)
        return true;
    const bool alreadyHere = heldHere(identity());
    if (!lock(LOCK_EX, waitMs))
        return false;
    if (!alreadyHere) {
        m_holdsWriteLock = true;
        setHeld(identity(), true);
    }
    return true;
}

bool File::lockForReading(int waitMs)
{
    return lock(LOCK_SH, waitMs);
}

} // namespace platform
