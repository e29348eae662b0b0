// The extended M3U playlist file: how it is written, read, and how each entry's
// information line comes from the file's tags.
#pragma once

#include "features/common/progress.h"

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

class Tid3tag;
class Tid3v2tag;

// Entry paths in playlist order, each the file system's bytes as added or as read.
using PlaylistEntries = std::vector<std::string>;

// The "#EXTINF:215,Artist - Title" line of a file, in UTF-8: the audio's whole seconds (-1
// when unknown), artist and title from the ID3v2 tag when it has both, else from the ID3v1
// tag, a missing one taken from the other tag, each control character in them a space;
// empty unless both end up non-empty. Loads into the tag objects given.
std::string BuildExtInfLine(const std::string& tagFilePath, Tid3tag& v1, Tid3v2tag& v2);

// Where an entry's tags are read: the entry itself when it is a full path, otherwise the
// entry below the playlist file's folder, as other programs write relative entries.
std::string entryTagPath(const std::string& entry, const std::string& playlistFile);

// The text of a playlist file: "#EXTM3U", then the information line and the path of each
// entry, every line ending with CR LF. `progress` hears of each entry as its tags are read.
std::string renderPlaylist(const PlaylistEntries& entries, const std::string& playlistFile, Tid3tag& v1,
                           Tid3v2tag& v2, Progress& progress = noProgress());

// Raised for a playlist that an M3U file cannot hold: an entry whose name holds a line
// break would be read back as two entries.
class PlaylistRefused : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Writes the playlist to `fileName`, replacing the file so that a failure leaves any old
// file whole. A file that cannot be written raises platform::IoError; an entry holding CR
// or LF raises PlaylistRefused before any tag is read or anything written.
void WritePlaylistFile(const std::string& fileName, const PlaylistEntries& entries, Tid3tag& v1, Tid3v2tag& v2,
                       Progress& progress = noProgress());

// The lines of a playlist text; CR LF, a lone LF or a lone CR ends a line, and a leading
// UTF-8 byte order mark is not part of the first line.
std::vector<std::string> playlistLines(const std::string& text);
// The entries a playlist text gives: every line longer than three characters that does not
// begin with "#EXT" in any letter case, taken whole. Nothing when the text has no lines,
// which leaves the editor's entries as they were.
std::optional<PlaylistEntries> parsePlaylist(const std::string& text);
// parsePlaylist of the file's content; a file that cannot be read raises platform::IoError.
std::optional<PlaylistEntries> ReadPlaylistFile(const std::string& fileName);
