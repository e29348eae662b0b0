// Renames that never replace another file, on every kind of file system.
#include "file_system.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace platform {

bool renameFile(const std::string& from, const std::string& to)
{
    return std::rename(from.c_str(), to.c_str()) == 0;
}

namespace {

// 1: act as if the file system lacked RENAME_NOREPLACE; 2: hard links too.
int g_renameFallback = 0;

RenameOutcome renameFailed(int error)
{
    return {RenameOutcome::Failed, std::strerror(error)};
}

// Both names reach one directory entry, as a name differing only in letter case does on a
// file system that ignores case; a second hard link is another name, not the same entry.
bool sameEntry(const std::string& a, const std::string& b)
{
    struct stat sa, sb;
    return ::lstat(a.c_str(), &sa) == 0 && ::lstat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino && !S_ISDIR(sa.st_mode) && sa.st_nlink == 1;
}

bool flagUnsupported(int error)
{
    return error == EINVAL || error == ENOSYS || error == ENOTSUP || error == EOPNOTSUPP;
}

// For file systems without RENAME_NOREPLACE: a hard link cannot replace either. Where
// there are no hard links, a check just before the rename is the best left.
int renameByLink(const std::string& from, const std::string& to)
{
    if (g_renameFallback < 2 && ::link(from.c_str(), to.c_str()) == 0) {
        if (::unlink(from.c_str()) == 0)
            return 0;
        const int error = errno;
        ::unlink(to.c_str());
        return error;
    }
    const int error = g_renameFallback < 2 ? errno : EPERM;
    if (error != EPERM && !flagUnsupported(error))
        return error;
    struct stat st;
    if (::lstat(to.c_str(), &st) == 0)
        return EEXIST;
    return std::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

// Only files are renamed here: a folder whose name ends in ".mp3" is none of them.
int notAFile(const std::string& path)
{
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0)
        return errno;
    return S_ISDIR(st.st_mode) ? EISDIR : 0;
}

} // namespace

RenameOutcome renameWithoutReplacing(const std::string& from, const std::string& to)
{
    int error = notAFile(from);
    if (error != 0)
        return renameFailed(error);
    if (g_renameFallback == 0 &&
        ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return {RenameOutcome::Renamed, {}};
    error = g_renameFallback == 0 ? errno : EINVAL;
    if (flagUnsupported(error))
        error = renameByLink(from, to);
    if (error == 0)
        return {RenameOutcome::Renamed, {}};
    if (error != EEXIST)
        return renameFailed(error);
    if (!sameEntry(from, to))
        return {RenameOutcome::Exists, {}};
    return std::rename(from.c_str(), to.c_str()) == 0 ? RenameOutcome{RenameOutcome::Renamed, {}}
                                                       : renameFailed(errno);
}

RenameOutcome probeRename(const std::string& from, const std::string& to)
{
    if (const int error = notAFile(from))
        return renameFailed(error);
    struct stat st;
    if (::lstat(to.c_str(), &st) != 0)
        return errno == ENOENT ? RenameOutcome{RenameOutcome::Renamed, {}} : renameFailed(errno);
    return {sameEntry(from, to) ? RenameOutcome::Renamed : RenameOutcome::Exists, {}};
}

std::optional<FileIdentity> fileIdentity(const std::string& path)
{
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0)
        return std::nullopt;
    return FileIdentity{static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino),
                        static_cast<uint64_t>(st.st_size)};
}

namespace faults {

void renameFallback(int level)
{
    g_renameFallback = level;
}

} // namespace faults

} // namespace platform
