// POSIX implementation of what the undo journal asks of the system.
#include "journal_files.h"

#include "file_system.h"

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

} // namespace platform
