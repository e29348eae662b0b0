// What the POSIX files of the platform layer share, and the tests' injected faults.
#include "posix_common.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace platform {
namespace posix {

uint64_t g_readFault = 0, g_writeFault = 0, g_killFault = 0;
std::string g_watchedPath;
std::atomic<uint64_t> g_opens{0};

std::string errnoText(const char* what)
{
    return std::string(what) + ": " + std::strerror(errno);
}

std::string baseName(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

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
    const auto slash = path.find_last_of('/');
    const std::size_t start = slash == std::string::npos ? 0 : slash + 1;
    return start < path.size() && path[start] == '.';
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

} // namespace posix

using namespace posix;

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
