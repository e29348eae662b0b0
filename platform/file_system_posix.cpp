// POSIX implementation of the platform file layer.
#include "file_system.h"

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
namespace {

std::string errnoText(const char* what)
{
    return std::string(what) + ": " + std::strerror(errno);
}

std::string baseName(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

uint64_t g_readFault = 0, g_writeFault = 0, g_killFault = 0;
std::string g_watchedPath;
std::atomic<uint64_t> g_opens{0};

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


// Counts a call down towards its injected failure; true when this call is the one.
constexpr std::size_t kUntornWrite = 512;

bool faultDue(uint64_t& countdown)
{
    return countdown != 0 && --countdown == 0;
}

bool callerMayWrite(const struct stat& st)
{
    static const uid_t euid = geteuid();
    if (st.st_uid == euid)
        return (st.st_mode & S_IWUSR) != 0;
    bool inGroup = st.st_gid == getegid();
    if (!inGroup) {
        gid_t groups[256];
        const int n = getgroups(256, groups);
        for (int i = 0; i < n && !inGroup; ++i)
            inGroup = groups[i] == st.st_gid;
    }
    return (st.st_mode & (inGroup ? S_IWGRP : S_IWOTH)) != 0;
}

bool hiddenName(const std::string& path)
{
    const std::string name = baseName(path);
    return !name.empty() && name[0] == '.';
}

} // namespace

bool directoryExists(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string notRegularText(mode_t mode)
{
    if (S_ISDIR(mode))
        return std::strerror(EISDIR);
    if (S_ISFIFO(mode))
        return "a named pipe, not a file";
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return "a device, not a file";
    return "not a regular file";
}

bool fileExists(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool pathExists(const std::string& path)
{
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
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

std::optional<File> File::open(const std::string& path, Mode mode, std::string* reason, bool followLinks)
{
    if (mode == Mode::ReadWrite)
        ignoreFileSizeLimitSignal();
    // Without O_NONBLOCK the open of a named pipe would wait for a writer; it is refused
    // below, and reads and writes of a regular file do not heed the flag.
    const int flags =
        (mode == Mode::Read ? O_RDONLY : O_RDWR) | O_CLOEXEC | O_NONBLOCK | (followLinks ? 0 : O_NOFOLLOW);
    if (!g_watchedPath.empty() && path == g_watchedPath)
        ++g_opens;
    int fd;
    do {
        fd = ::open(path.c_str(), flags);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        if (reason)
            *reason = std::strerror(errno);
        return std::nullopt;
    }
    // A folder opens for reading, a pipe or a device for both: none holds tags.
    struct stat st = {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        if (reason)
            *reason = notRegularText(st.st_mode);
        ::close(fd);
        return std::nullopt;
    }
    return File(fd, static_cast<uint64_t>(st.st_size), st.st_mode, st.st_uid, st.st_gid, st.st_dev, st.st_ino);
}

std::optional<File> File::createWith(const std::string& path, int flags, std::string* reason)
{
    ignoreFileSizeLimitSignal();
    int fd;
    do {
        fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | flags, 0600);
    } while (fd < 0 && errno == EINTR);
    struct stat st;
    if (fd < 0 || ::fstat(fd, &st) != 0) {
        if (reason)
            *reason = std::strerror(errno);
        if (fd >= 0)
            ::close(fd);
        return std::nullopt;
    }
    return File(fd, 0, st.st_mode, st.st_uid, st.st_gid, st.st_dev, st.st_ino);
}

std::optional<File> File::create(const std::string& path, std::string* reason)
{
    return createWith(path, O_TRUNC, reason);
}

std::optional<File> File::createNew(const std::string& path, std::string* reason)
{
    return createWith(path, O_EXCL | O_NOFOLLOW, reason);
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
    const bool kill = faultDue(g_killFault);
    const bool fault = kill || faultDue(g_writeFault);
    // A small write within a page is never torn by the system: it goes down whole or not at all.
    if (fault)
        n = n <= kUntornWrite ? 0 : n / 2;
    std::size_t done = 0;
    while (done < n) {
        const ssize_t put = ::pwrite(m_fd, data + done, n - done, static_cast<off_t>(offset + done));
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

bool removeFile(const std::string& path)
{
    return ::unlink(path.c_str()) == 0;
}

bool makeFolders(const std::string& path)
{
    // Mostly the folder is there already, or only its last part is missing.
    std::string whole = path;
    while (whole.size() > 1 && whole.back() == '/')
        whole.pop_back();
    if (!whole.empty()) {
        if (::mkdir(whole.c_str(), 0700) == 0 || errno == EEXIST)
            return directoryExists(path);
        if (errno != ENOENT)
            return false;
    }
    std::string sofar;
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t slash = path.find('/', start);
        sofar = path.substr(0, slash == std::string::npos ? path.size() : slash);
        if (!sofar.empty() && ::mkdir(sofar.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
        if (slash == std::string::npos)
            break;
        start = slash + 1;
    }
    return directoryExists(path);
}

bool makePrivateFolders(const std::string& path)
{
    if (!makeFolders(path))
        return false;
    std::string folder = path;
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    struct stat st;
    if (::lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return false;
    return (st.st_mode & 07777) == 0700 || ::chmod(folder.c_str(), 0700) == 0;
}

void removeAbandonedFiles(const std::string& folder, const std::string& suffix)
{
    for (const DirEntry& e : listDirectory(folder)) {
        if (e.name.size() < suffix.size() || e.name.compare(e.name.size() - suffix.size(), suffix.size(), suffix) != 0)
            continue;
        const std::string path = folder + (folder.back() == '/' ? "" : "/") + e.name;
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
        if (fd < 0)
            continue;
        struct stat st;
        // Its writer holds the lock while it lives; the lock taken here goes with the close.
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0)
            ::unlink(path.c_str());
        ::close(fd);
    }
}

void ignoreFileSizeLimitSignal()
{
    std::signal(SIGXFSZ, SIG_IGN);
}

bool syncFolder(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

FolderListing readFolder(const std::string& folder)
{
    FolderListing listing;
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
    if (!dir) {
        listing.problem = std::strerror(errno);
        return listing;
    }
    std::string base = folder;
    if (!base.empty() && base.back() != '/')
        base += '/';
    while (true) {
        errno = 0;
        const dirent* e = ::readdir(dir.get());
        if (!e) {
            if (errno != 0)
                listing.problem = std::strerror(errno);
            break;
        }
        const std::string name = e->d_name;
        if (name == "." || name == "..")
            continue;
        // The entry's own type saves a lookup; links and unknown types are followed.
        const bool known = e->d_type != DT_UNKNOWN && e->d_type != DT_LNK;
        listing.entries.push_back({name, known ? e->d_type == DT_DIR : directoryExists(base + name)});
    }
    return listing;
}

std::vector<DirEntry> listDirectory(const std::string& folder)
{
    return readFolder(folder).entries;
}

std::optional<DirectoryId> directoryId(const std::string& path)
{
    struct stat st;
    if (::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return std::nullopt;
    return DirectoryId{static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)};
}

std::string stateFolder()
{
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state && state[0] == '/')
        return std::string(state) + (std::string(state).back() == '/' ? "" : "/") + "varnoli/";
    const char* home = std::getenv("HOME");
    if (!home || home[0] == '\0')
        return {};
    return std::string(home) + (std::string(home).back() == '/' ? "" : "/") + ".local/state/varnoli/";
}

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

std::string currentFolder()
{
    std::string buffer(PATH_MAX, '\0');
    if (!::getcwd(&buffer[0], buffer.size()))
        return {};
    buffer.resize(std::strlen(buffer.c_str()));
    return buffer;
}

namespace faults {

void failReadAt(uint64_t n)
{
    g_readFault = n;
}

void failWriteAt(uint64_t n)
{
    g_writeFault = n;
}

void killAtWrite(uint64_t n)
{
    g_killFault = n;
}

void countOpens(const std::string& path)
{
    g_watchedPath = path;
    g_opens = 0;
}

uint64_t openCount()
{
    return g_opens;
}

} // namespace faults

} // namespace platform
