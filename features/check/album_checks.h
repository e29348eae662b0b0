// The checks across an album: the files of one folder that share an album name.
#pragma once

#include "features/check/check_kinds.h"
#include "features/check/file_facts.h"

#include <string>
#include <vector>

// What the album checks keep of a file, so that a large run holds no more.
struct AlbumEntry {
    std::string folder;
    Utf8Text album, year, albumArtist, disc, track;
    std::size_t report = 0; // the file's report
};
AlbumEntry albumEntryOf(const FileFacts& facts, std::size_t report);

// Adds each album's problems to the reports of its files.
void checkAlbums(const std::vector<AlbumEntry>& entries, std::vector<FileReport>& reports);
