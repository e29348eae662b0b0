// Tid3tag: the ID3v1 record at the end of an MP3 file, and the genre list.
#pragma once

#include "tags/core/tag_result.h"

#include <array>
#include <cstdint>
#include <string>

namespace platform {
class File;
}
class TagFile;

class Tid3tag {
public:
    // Through a TagFile opened for the one call (tags/file/tag_file.cpp).
    [[nodiscard]] TagResult LoadFromFile(const std::string& fileName);
    // The name "=" stands for FileName().
    [[nodiscard]] TagResult SaveToFile(const std::string& fileName);
    // Reads the record at the end of an open file of `size` bytes named `fileName`.
    [[nodiscard]] TagResult LoadFrom(const platform::File& file, const std::string& fileName, uint64_t size);
    // The 128 bytes a save writes.
    std::array<uint8_t, 128> Render() const;

    void SetTitle(const std::string& s);
    void SetArtist(const std::string& s);
    void SetAlbum(const std::string& s);
    void SetComment(const std::string& s);
    void SetYear(const std::string& s);
    void SetTrack(uint8_t value);
    // Back to the empty tag (texts, genre, track); FileName and ReadOnlyFile stay.
    void Clear();
    // The system's words for why the last load or save failed; empty after a success.
    const std::string& FailureReason() const { return m_failureReason; }

    bool HasTrack() const { return m_hasTrack; }
    bool ReadOnlyFile() const { return m_readOnlyFile; }
    const std::string& FileName() const { return m_fileName; }
    const std::string& Title() const { return m_title; }
    const std::string& Artist() const { return m_artist; }
    const std::string& Album() const { return m_album; }
    const std::string& Year() const { return m_year; }
    const std::string& Comment() const { return m_comment; }
    uint8_t Track() const { return m_track; }

    uint8_t Genre = 255; // 255: no genre; callers assign it directly

private:
    friend class TagFile;
    TagResult readRecord(const platform::File& file, const std::string& fileName, uint64_t size);

    bool m_hasTrack = false;
    bool m_readOnlyFile = false;
    std::string m_fileName;
    std::string m_failureReason;
    std::string m_title, m_artist, m_album, m_year, m_comment;
    uint8_t m_track = 0;
};

constexpr std::size_t kGenreCount = 149;
// Entry 0 is the empty text; the order is the order shown to the user.
extern const std::array<const char*, kGenreCount> GenreList;

// Genre number 0 to 147 to its GenreList index; 148 to 255 give 0.
uint8_t GenreToIndex(uint8_t genre);
// GenreList index 1 to 148 to its genre number; 0 and 149 to 255 give 255.
uint8_t IndexToGenre(uint8_t index);
