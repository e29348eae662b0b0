// varnoli-cli playlist: the "Playlists" tab's writer over the files named.
#include "command_line.h"
#include "commands.h"

#include "features/playlist/playlist_file.h"
#include "platform/file_system.h"
#include "tags/id3v1/id3.h"
#include "tags/id3v2/id3v2.h"

#include <ostream>
#include <stdexcept>

namespace {

// The full path the tab would add for a file named relative to the working folder.
std::string fullPath(const std::string& file, const std::string& workingFolder)
{
    if (!file.empty() && file[0] == '/')
        return file;
    std::string relative = file;
    while (relative.compare(0, 2, "./") == 0)
        relative.erase(0, relative.find_first_not_of('/', 1));
    return workingFolder + (workingFolder == "/" ? "" : "/") + relative;
}

} // namespace

int cmdPlaylist(const CommandArgs& commandArgs, std::ostream&, std::ostream& err)
{
    const Args& args = commandArgs.operands();
    const std::string workingFolder = platform::currentFolder();
    PlaylistEntries entries;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i][0] != '/' && workingFolder.empty()) {
            printLine(err, "varnoli-cli playlist: the working folder cannot be found for " + args[i]);
            return kExitFileFailed;
        }
        entries.push_back(fullPath(args[i], workingFolder));
        // The entry is written all the same, as the tab writes one whose file went away.
        if (!platform::File::open(entries.back(), platform::File::Mode::Read))
            printLine(err, args[i] + ": no such file; written without its information line");
    }
    Tid3tag v1;
    Tid3v2tag v2;
    try {
        WritePlaylistFile(args[0], entries, v1, v2);
    } catch (const std::runtime_error& e) { // the file system's error, or a name M3U cannot hold
        printLine(err, std::string("varnoli-cli playlist: ") + e.what());
        return kExitFileFailed;
    }
    return kExitOk;
}
