// POSIX implementation of the platform layer's folders and names: what is there, making,
// listing and flushing folders, and the person's state folder.
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

bool directoryExists(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
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

bool removeFile(const std::string& path)
{
    return ::unlink(path.c_str()) == 0;
}

bool removeEmptyFolder(const std::string& path)
{
    return ::rmdir(path.c_str()) == 0;
}

bool makeFolders(const std::string& path)
{
    // Mostly the folder is there already, or only its last part is missing.
    if (directoryExists(path))
        return true;
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
    std::string folder = path;
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    struct stat st;
    // Every start asks this of folders that are mostly there and private already.
    const bool there = ::lstat(folder.c_str(), &st) == 0;
    if (!there && (!makeFolders(path) || ::lstat(folder.c_str(), &st) != 0))
        return false;
    if (!S_ISDIR(st.st_mode))
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

bool syncFolder(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

namespace {

FolderListing readFolder(const std::string& folder, bool sizes)
{
    FolderListing listing;
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
    if (!dir) {
        listing.problem = std::strerror(errno);
        return listing;
    }
    struct stat self;
    if (::fstat(::dirfd(dir.get()), &self) == 0)
        listing.id = DirectoryId{static_cast<uint64_t>(self.st_dev), static_cast<uint64_t>(self.st_ino)};
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
        // Looked up from the open folder, not along the whole path.
        struct stat st;
        if (sizes && ::fstatat(::dirfd(dir.get()), e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode))
            listing.entries.back().size = static_cast<uint64_t>(st.st_size);
    }
    return listing;
}

} // namespace

FolderListing readFolder(const std::string& folder)
{
    return readFolder(folder, false);
}

std::vector<DirEntry> listDirectory(const std::string& folder)
{
    return readFolder(folder, false).entries;
}

std::vector<DirEntry> listDirectoryWithSizes(const std::string& folder)
{
    return readFolder(folder, true).entries;
}

std::optional<DirectoryId> directoryId(const std::string& path)
{
    struct stat st;
    if (::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return std::nullopt;
    return DirectoryId{static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)};
}

namespace {

// $VARIABLE/varnoli/, else ~/BELOW_HOME/varnoli/, as the XDG folders are found.
std::string xdgFolder(const char* variable, const char* belowHome)
{
    const char* own = std::getenv(variable);
    if (own && own[0] == '/')
        return std::string(own) + (std::string(own).back() == '/' ? "" : "/") + "varnoli/";
    const char* home = std::getenv("HOME");
    if (!home || home[0] == '\0')
        return {};
    return std::string(home) + (std::string(home).back() == '/' ? "" : "/") + belowHome + "/varnoli/";
}

} // namespace

std::string stateFolder()
{
    return xdgFolder("XDG_STATE_HOME", ".local/state");
}

std::string configFolder()
{
    return xdgFolder("XDG_CONFIG_HOME", ".config");
}

std::string cacheFolder()
{
    const std::string folder = xdgFolder("XDG_CACHE_HOME", ".cache");
    return !folder.empty() && makePrivateFolders(folder) ? folder : std::string();
}

std::string currentFolder()
{
    std::string buffer(PATH_MAX, '\0');
    if (!::getcwd(&buffer[0], buffer.size()))
        return {};
    buffer.resize(std::strlen(buffer.c_str()));
    return buffer;
}

} // namespace platform
