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

std::vector<std::string> listMp3Files(const std::string& folder, UnreadableFolders& unreadable)
{
    platform::FolderListing listing = platform::readFolder(folder);
    if (!listing.problem.empty())
        unreadable.push_back({folder, std::move(listing.problem)});
    std::vector<std::string> names = mp3Names(listing.entries, false);
    std::sort(names.begin(), names.end(), lessIgnoringCase);
    return names;
}

std::vector<std::string> listMp3Files(const std::string& folder, bool subfolders, UnreadableFolders& unreadable,
                                      const Progress& progress)
{
    if (!subfolders)
        return listMp3Files(folder, unreadable);
    const std::string root = withSeparator(folder);
    std::vector<std::string> paths;
    const UnreadableFolders skipped =
        walkFolders(root, true, [&](const std::string& at, const std::vector<platform::DirEntry>& entries) {
            const std::string relative = at.substr(root.size());
            for (const std::string& name : mp3Names(entries, false))
                paths.push_back(relative + name);
        }, progress);
    if (progress.cancelled())
        return {};
    unreadable.insert(unreadable.end(), skipped.begin(), skipped.end());
    std::sort(paths.begin(), paths.end(), lessIgnoringCase);
    return paths;
}

std::string withSeparator(std::string folder)
{
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder;
}

std::string subfolderOf(const std::string& listedName)
{
    return listedName.substr(0, listedName.rfind('/') + 1);
}

std::string fileNameOf(const std::string& listedName)
{
    return listedName.substr(listedName.rfind('/') + 1);
}

UnreadableFolders walkFolders(const std::string& root, bool subfolders, const FolderVisitor& visit,
                              const Progress& progress)
{
    UnreadableFolders unreadable;
    std::set<platform::DirectoryId> seen;
    std::vector<std::string> pending{withSeparator(root)};
    while (!pending.empty() && !progress.cancelled()) {
        const std::string folder = std::move(pending.back());
        pending.pop_back();
        platform::FolderListing listing = platform::readFolder(folder);
        if (subfolders) {
            // The open folder says which it is; one that would not open is asked by name.
            const std::optional<platform::DirectoryId> id = listing.id ? listing.id : platform::directoryId(folder);
            if (id && !seen.insert(*id).second)
                continue;
        }
        if (!listing.problem.empty()) {
            unreadable.push_back({folder, std::move(listing.problem)});
            continue;
        }
        visit(folder, listing.entries);
        if (!subfolders)
            continue;
        // Pushed last to first, so the first subfolder is walked next.
        for (auto it = listing.entries.rbegin(); it != listing.entries.rend(); ++it)
            if (it->isDirectory && it->name[0] != '.')
                pending.push_back(folder + it->name + "/");
    }
    return unreadable;
}

std::string unreadableFolderText(const UnreadableFolder& folder)
{
    return "Cannot read the folder '" + readableName(folder.path) + "': " + folder.problem +
           "; its files are left out.";
}

std::string unreadableFoldersText(const UnreadableFolders& folders)
{
    if (folders.size() == 1)
        return unreadableFolderText(folders.front());
    std::string text = "Cannot read these folders; their files are left out:";
    for (const UnreadableFolder& folder : folders)
        text += "\n" + readableName(folder.path) + ": " + folder.problem;
    return text;
}
