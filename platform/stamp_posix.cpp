// POSIX implementation of a file's stamp: size, time, device and inode from one stat, of one
// file or of many below the folders they share.
#include "file_system.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

std::optional<FileStamp> stampOf(const struct stat& st)
{
    if (!S_ISREG(st.st_mode))
        return std::nullopt;
    FileStamp stamp;
    stamp.size = static_cast<uint64_t>(st.st_size);
    stamp.mtimeNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    stamp.device = static_cast<uint64_t>(st.st_dev);
    stamp.inode = static_cast<uint64_t>(st.st_ino);
    return stamp;
}

} // namespace

std::optional<FileStamp> fileStamp(const std::string& path)
{
    struct stat st;
    if (::stat(path.c_str(), &st) != 0)
        return std::nullopt;
    return stampOf(st);
}

std::vector<std::optional<FileStamp>> fileStamps(const std::vector<std::string>& paths)
{
    std::vector<std::optional<FileStamp>> stamps;
    stamps.reserve(paths.size());
    std::string folder;
    int fd = -1;
    for (const std::string& path : paths) {
        const std::size_t slash = path.rfind('/');
        // A name below an open folder skips the walk down its whole path.
        if (slash != std::string::npos && path.compare(0, slash + 1, folder) != 0) {
            if (fd >= 0)
                ::close(fd);
            folder.assign(path, 0, slash + 1);
            fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        }
        struct stat st;
        const bool inFolder = fd >= 0 && slash != std::string::npos;
        const int rc = inFolder ? ::fstatat(fd, path.c_str() + slash + 1, &st, 0) : ::stat(path.c_str(), &st);
        stamps.push_back(rc == 0 ? stampOf(st) : std::nullopt);
    }
    if (fd >= 0)
        ::close(fd);
    return stamps;
}

} // namespace platform
