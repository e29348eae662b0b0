// Reads and writes the ID3v1 record, and maps genre numbers to the genre list.
#include "tags/id3v1/id3.h"

#include "tags/id3v1/id3_layout.h"
#include "tags/core/io_result.h"
#include "platform/file_system.h"

#include <algorithm>

namespace {

using id3v1::Field;

// A field ends at its first 0x00, then loses its trailing spaces; a trailing 0xFF is the
// letter "ÿ" in 8-bit text and stays. Into `out`, whose room is kept from load to load.
void assignTrimmed(std::string& out, const uint8_t* record, Field f)
{
    const uint8_t* begin = record + f.offset;
    std::size_t end = std::find(begin, begin + f.width, uint8_t{0}) - begin;
    while (end > 0 && begin[end - 1] == 0x20)
        --end;
    out.assign(reinterpret_cast<const char*>(begin), end);
}

void putField(uint8_t* record, Field f, const std::string& text)
{
    std::copy_n(text.begin(), std::min(text.size(), f.width), record + f.offset);
}

// Genre number of each GenreList entry, index for index.
constexpr std::array<uint8_t, kGenreCount> kGenreNumbers = {
    255, 123, 34, 74, 73, 99, 40, 20, 26, 145, 90, 116, 41, 135, 85, 96,
    138, 89, 0, 107, 132, 65, 88, 104, 102, 97, 136, 61, 141, 1, 32, 112,
    128, 57, 140, 2, 139, 58, 3, 125, 50, 22, 4, 55, 127, 122, 120, 98,
    52, 48, 54, 124, 25, 84, 80, 81, 115, 119, 5, 30, 36, 59, 126, 38,
    49, 91, 6, 79, 129, 137, 7, 35, 100, 131, 19, 33, 46, 47, 8, 29,
    146, 63, 86, 71, 45, 142, 9, 77, 82, 64, 133, 10, 66, 39, 11, 103,
    12, 75, 134, 13, 62, 53, 109, 117, 23, 108, 92, 67, 93, 43, 121, 14,
    15, 68, 16, 76, 87, 118, 17, 78, 143, 114, 110, 69, 21, 111, 95, 105,
    42, 37, 24, 56, 44, 101, 83, 94, 106, 147, 113, 18, 51, 130, 144, 60,
    70, 31, 72, 27, 28,
};

} // namespace

const std::array<const char*, kGenreCount> GenreList = {
    "",
    "A Cappella",
    "Acid",
    "Acid Jazz",
    "Acid Punk",
    "Acoustic",
    "Alt. Rock",
    "Alternative",
    "Ambient",
    "Anime",
    "Avantgarde",
    "Ballad",
    "Bass",
    "Beat",
    "Bebob",
    "Big Band",
    "Black Metal",
    "Bluegrass",
    "Blues",
    "Booty Bass",
    "BritPop",
    "Cabaret",
    "Celtic",
    "Chamber Music",
    "Chanson",
    "Chorus",
    "Christian Gangsta",
    "Christian Rap",
    "Christian Rock",
    "Classic Rock",
    "Classical",
    "Club",
    "Club-House",
    "Comedy",
    "Contemporary Christian",
    "Country",
    "Crossover",
    "Cult",
    "Dance",
    "Dance Hall",
    "Darkwave",
    "Death Metal",
    "Disco",
    "Dream",
    "Drum & Base",
    "Drum Solo",
    "Duet",
    "Easy Listening",
    "Electronic",
    "Ethnic",
    "Eurodance",
    "Euro-House",
    "Euro-Techno",
    "Fast-Fusion",
    "Folk",
    "Folk/Rock",
    "Folklore",
    "Freestyle",
    "Funk",
    "Fusion",
    "Game",
    "Gangsta Rap",
    "Goa",
    "Gospel",
    "Gothic",
    "Gothic Rock",
    "Grunge",
    "Hard Rock",
    "Hardcore",
    "Heavy Metal",
    "Hip-Hop",
    "House",
    "Humour",
    "Indie",
    "Industrial",
    "Instrumental",
    "Instrumental Pop",
    "Instrumental Rock",
    "Jazz",
    "Jazz+Funk",
    "JPop",
    "Jungle",
    "Latin",
    "Lo-Fi",
    "Meditative",
    "Merengue",
    "Metal",
    "Musical",
    "National Folk",
    "Native American",
    "Negerpunk",
    "New Age",
    "New Wave",
    "Noise",
    "Oldies",
    "Opera",
    "Other",
    "Polka",
    "Polsk Punk",
    "Pop",
    "Pop/Funk",
    "Pop-Folk",
    "Porn Groove",
    "Power Ballad",
    "Pranks",
    "Primus",
    "Progressive Rock",
    "Psychedelic",
    "Psychedelic Rock",
    "Punk",
    "Punk Rock",
    "R&B",
    "Rap",
    "Rave",
    "Reggae",
    "Retro",
    "Revival",
    "Rhythmic Soul",
    "Rock",
    "Rock & Roll",
    "Salsa",
    "Samba",
    "Satire",
    "Showtunes",
    "Ska",
    "Slow Jam",
    "Slow Rock",
    "Sonata",
    "Soul",
    "Sound Clip",
    "Soundtrack",
    "Southern Rock",
    "Space",
    "Speech",
    "Swing",
    "Symphonic Rock",
    "Symphony",
    "Synthpop",
    "Tango",
    "Techno",
    "Techno-Industrial",
    "Terror",
    "Thrash Metal",
    "Top 40",
    "Trailer",
    "Trance",
    "Tribal",
    "Trip-Hop",
    "Vocal",
};

namespace {

// kGenreNumbers the other way round: a genre number's index, 0 for none.
struct GenreIndexes {
    std::array<uint8_t, 256> index{};
    constexpr GenreIndexes()
    {
        for (std::size_t i = kGenreCount - 1; i >= 1; --i)
            index[kGenreNumbers[i]] = static_cast<uint8_t>(i);
    }
};
constexpr GenreIndexes kGenreIndexes;

} // namespace

uint8_t GenreToIndex(uint8_t genre)
{
    return genre > id3v1::kLastListedGenre ? 0 : kGenreIndexes.index[genre];
}

uint8_t IndexToGenre(uint8_t index)
{
    return index >= 1 && index < kGenreCount ? kGenreNumbers[index] : id3v1::kNoGenre;
}

void Tid3tag::SetTitle(const std::string& s) { m_title = s.substr(0, id3v1::kTitle.width); }
void Tid3tag::SetArtist(const std::string& s) { m_artist = s.substr(0, id3v1::kArtist.width); }
void Tid3tag::SetAlbum(const std::string& s) { m_album = s.substr(0, id3v1::kAlbum.width); }
void Tid3tag::SetComment(const std::string& s) { m_comment = s.substr(0, id3v1::kComment.width); }
void Tid3tag::SetYear(const std::string& s) { m_year = s.substr(0, id3v1::kYear.width); }

void Tid3tag::SetTrack(uint8_t value)
{
    m_track = value;
    m_hasTrack = value != 0;
}

void Tid3tag::Clear()
{
    m_title.clear();
    m_artist.clear();
    m_album.clear();
    m_year.clear();
    m_comment.clear();
    Genre = id3v1::kNoGenre;
    m_track = 0;
    m_hasTrack = false;
}

TagResult Tid3tag::LoadFrom(const platform::File& file, const std::string& fileName, uint64_t size)
{
    try {
        m_failureReason.clear();
        return readRecord(file, fileName, size);
    } catch (const platform::IoError& e) {
        m_failureReason = e.what();
        return resultFor(e);
    }
}

TagResult Tid3tag::readRecord(const platform::File& file, const std::string& fileName, uint64_t size)
{
    const platform::File::Info info = file.info(fileName);
    m_readOnlyFile = info.protectedMark;
    m_fileName = fileName;
    if (size < id3v1::kRecordSize)
        return kErrNoTag;
    uint8_t record[id3v1::kRecordSize];
    file.readExactAt(size - id3v1::kRecordSize, record, sizeof record);
    if (!id3v1::hasIdentifier(record))
        return kErrNoTag;

    assignTrimmed(m_title, record, id3v1::kTitle);
    assignTrimmed(m_artist, record, id3v1::kArtist);
    assignTrimmed(m_album, record, id3v1::kAlbum);
    assignTrimmed(m_year, record, id3v1::kYear);
    m_hasTrack = record[id3v1::kTrackMarker] == 0x00 && record[id3v1::kTrack] != 0x00;
    m_track = m_hasTrack ? record[id3v1::kTrack] : 0;
    assignTrimmed(m_comment, record, m_hasTrack ? id3v1::kTrackComment : id3v1::kComment);
    Genre = record[id3v1::kGenre];
    const bool unlisted = Genre > id3v1::kLastListedGenre && Genre != id3v1::kNoGenre;
    return unlisted ? kWarnGenre : kOk;
}

uint64_t id3v1::recordExtent(const platform::File& file, uint64_t fileSize)
{
    if (fileSize < kRecordSize)
        return 0;
    uint8_t identifier[kIdentifier.width];
    file.readExactAt(fileSize - kRecordSize, identifier, sizeof identifier);
    return hasIdentifier(identifier) ? kRecordSize : 0;
}

std::array<uint8_t, id3v1::kRecordSize> Tid3tag::Render() const
{
    std::array<uint8_t, id3v1::kRecordSize> record{};
    std::copy_n("TAG", 3, record.data());
    putField(record.data(), id3v1::kTitle, m_title);
    putField(record.data(), id3v1::kArtist, m_artist);
    putField(record.data(), id3v1::kAlbum, m_album);
    putField(record.data(), id3v1::kYear, m_year);
    if (m_hasTrack && m_track != 0) {
        putField(record.data(), id3v1::kTrackComment, m_comment);
        record[id3v1::kTrack] = m_track;
    } else {
        putField(record.data(), id3v1::kComment, m_comment);
    }
    record[id3v1::kGenre] = Genre;
    return record;
}
