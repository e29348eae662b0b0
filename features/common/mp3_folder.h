// The MP3 files of a folder and the walk over a folder tree, as the file lists and the
// search see them.
#pragma once

#include "features/common/progress.h"
#include "platform/file_system.h"

#include <functional>
#include <string>
#include <vector>

// A folder a listing or a walk could not read, and the system's reason.
struct UnreadableFolder {
    std::string path;
    std::string problem;
};
using UnreadableFolders = std::vector<UnreadableFolder>;

// The names a file list shows: files whose name ends in ".mp3" in any letter case, hidden
// ones (leading ".") left out, sorted ignoring case; names are the file system's bytes.
// A folder that cannot be read is added to `unreadable`.
std::vector<std::string> listMp3Files(const std::string& folder, UnreadableFolders& unreadable);
// With `subfolders`, the same over the whole tree below `folder` as paths relative to it
// ("Album/01.mp3"), sorted ignoring case; every folder the walk could not read is reported.
// A cancel through `progress` ends the walk between folders with no names.
std::vector<std::string> listMp3Files(const std::string& folder, bool subfolders, UnreadableFolders& unreadable,
                                      const Progress& progress = noProgress());
// The same from entries already read, keeping hidden files when asked and the listing order.
std::vector<std::string> mp3Names(const std::vector<platform::DirEntry>& entries, bool withHidden);

// `folder` with a trailing "/".
std::string withSeparator(std::string folder);
// A listed name ("Album/01.mp3") or a path in two: the folders up to the last "/" ("Album/",
// empty for a name without one) and the file's own name ("01.mp3").
std::string subfolderOf(const std::string& listedName);
std::string fileNameOf(const std::string& listedName);

// Visits `root` and, with `subfolders`, every folder below it: a folder before its
// subfolders, depth first in listing order, hidden subfolders skipped, each real folder
// (device and inode) at most once, so a link back up the tree cannot loop. The walk keeps
// its own stack, so a deep tree cannot exhaust the call stack. Folder paths end with "/".
// A folder that cannot be read is not visited but returned, in walk order, so that no
// caller passes over it in silence. A cancel through `progress` ends the walk between folders.
using FolderVisitor = std::function<void(const std::string& folder, const std::vector<platform::DirEntry>& entries)>;
UnreadableFolders walkFolders(const std::string& root, bool subfolders, const FolderVisitor& visit,
                              const Progress& progress = noProgress());

// "Cannot read the folder '...': reason; its files are left out." for one folder, the name
// shown as readableName shows it.
std::string unreadableFolderText(const UnreadableFolder& folder);
// One message for them all, as the window shows it after a listing or a search.
std::string unreadableFoldersText(const UnreadableFolders& folders);
