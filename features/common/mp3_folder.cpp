// The MP3 files of a folder and the walk over a folder tree.
#include "mp3_folder.h"

#include "text.h"

#include <algorithm>
#include <set>
#include <utility>

std::vector<std::string> mp3Names(const std::vector<platform::DirEntry>& entries, bool withHidden)
{
    std::vector<std::string> names;
    for (const platform::DirEntry& entry : entries)
        if (!entry.isDirectory && (withHidden || entry.name[0] != '.') && isMp3Name(entry.name))
            names.push_back(entry.name);
    return names;
}

std::vector<std::string> listMp3Files(const std::string& folder)
{
    std::vector<std::string> names = mp3Names(platform::listDirectory(folder), false);
    std::sort(names.begin(), names.end(), lessIgnoringCase);
    return names;
}

std::string withSeparator(std::string folder)
{
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder;
}

void walkFolders(const std::string& root, bool subfolders, const FolderVisitor& visit)
{
    std::set<platform::DirectoryId> seen;
    std::vector<std::string> pending{withSeparator(root)};
    while (!pending.empty()) {
        const std::string folder = std::move(pending.back());
        pending.pop_back();
        if (subfolders) {
            const std::optional<platform::DirectoryId> id = platform::directoryId(folder);
            if (id && !seen.insert(*id).second)
                continue;
        }
        const std::vector<platform::DirEntry> entries = platform::listDirectory(folder);
        visit(folder, entries);
        if (!subfolders)
            continue;
        // Pushed last to first, so the first subfolder is walked next.
        for (auto it = entries.rbegin(); it != entries.rend(); ++it)
            if (it->isDirectory && it->name[0] != '.')
                pending.push_back(folder + it->name + "/");
    }
}
