// Byte layout of the 128-byte ID3v1 record that ends an MP3 file.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {
class File;
}

namespace id3v1 {

struct Field {
    std::size_t offset, width;
};

constexpr std::size_t kRecordSize = 128;
constexpr Field kIdentifier{0, 3};
constexpr Field kTitle{3, 30};
constexpr Field kArtist{33, 30};
constexpr Field kAlbum{63, 30};
constexpr Field kYear{93, 4};
constexpr Field kComment{97, 30};      // plain form
constexpr Field kTrackComment{97, 28}; // track form
constexpr std::size_t kTrackMarker = 125;
constexpr std::size_t kTrack = 126;
constexpr std::size_t kGenre = 127;

constexpr uint8_t kNoGenre = 255;
constexpr uint8_t kLastListedGenre = 147;

inline bool hasIdentifier(const uint8_t* record)
{
    return record[0] == 'T' && record[1] == 'A' && record[2] == 'G';
}

// kRecordSize when the file ends with a record, else 0.
uint64_t recordExtent(const platform::File& file, uint64_t fileSize);

} // namespace id3v1
