// The extended M3U playlist file: writing, reading and the information line of an entry.
#include "playlist_file.h"

#include "features/common/tag_fields.h"
#include "features/common/text.h"
#include "platform/file_system.h"
#include "tags/file/tag_file.h"

#include <cctype>
#include <cmath>

namespace {

constexpr const char* kHeader = "#EXTM3U";
constexpr const char* kLineEnd = "\r\n";
constexpr const char* kByteOrderMark = "\xEF\xBB\xBF";

bool startsWithExt(const std::string& line)
{
    static const char kExt[] = "#EXT";
    for (std::size_t i = 0; i < 4; ++i)
        if (i >= line.size() || std::toupper(static_cast<unsigned char>(line[i])) != kExt[i])
            return false;
    return true;
}

// A line break in a title would end the line early and make a player take the rest for a
// file to play; every control character, C1 ones (U+0080 to U+009F) included, becomes a space.
std::string oneLine(const Utf8Text& text)
{
    std::string line;
    line.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) < 0xA0) {
            line += ' ';
            ++i;
        } else {
            line += c < 0x20 || c == 0x7F ? ' ' : char(c);
        }
    }
    return line;
}

// Whole seconds, -1 (M3U's "unknown") when the file holds no MPEG audio.
std::string extInfSeconds(const TagFile& file)
{
    const std::optional<AudioProperties> audio = file.audioProperties();
    return audio ? std::to_string(std::lround(audio->duration)) : "-1";
}

} // namespace

std::string BuildExtInfLine(const std::string& tagFilePath, Tid3tag& v1, Tid3v2tag& v2)
{
    // The ID3v2 texts are whole where ID3v1 cuts them at 30 characters and to ISO-8859-1.
    TagFile file = TagFile::openForReading(tagFilePath);
    const TagRead full = readV2Fields(file, v2);
    Utf8Text artist = full.fields[fieldIndex(TagField::Artist)];
    Utf8Text title = full.fields[fieldIndex(TagField::Title)];
    if (artist.empty() || title.empty()) {
        const TagRead v1Read = readV1Fields(file, v1);
        const Utf8Text& v1Artist = v1Read.fields[fieldIndex(TagField::Artist)];
        const Utf8Text& v1Title = v1Read.fields[fieldIndex(TagField::Title)];
        if (!v1Artist.empty() && !v1Title.empty())
            artist = v1Artist, title = v1Title;
        else if (artist.empty())
            artist = v1Artist;
        else
            title = v1Title;
    }
    if (artist.empty() || title.empty())
        return {};
    return "#EXTINF:" + extInfSeconds(file) + "," + oneLine(artist) + " - " + oneLine(title);
}

std::string entryTagPath(const std::string& entry, const std::string& playlistFile)
{
    if (!entry.empty() && entry[0] == '/')
        return entry;
    const auto slash = playlistFile.find_last_of('/');
    return slash == std::string::npos ? entry : playlistFile.substr(0, slash + 1) + entry;
}

std::string renderPlaylist(const PlaylistEntries& entries, const std::string& playlistFile, Tid3tag& v1,
                           Tid3v2tag& v2, Progress& progress)
{
    std::string text = std::string(kHeader) + kLineEnd;
    progress.begin(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::string tagPath = entryTagPath(entries[i], playlistFile);
        progress.advance(i, tagPath);
        text += BuildExtInfLine(tagPath, v1, v2) + kLineEnd;
        text += entries[i] + kLineEnd;
    }
    progress.advance(entries.size(), {});
    progress.end();
    return text;
}

void WritePlaylistFile(const std::string& fileName, const PlaylistEntries& entries, Tid3tag& v1, Tid3v2tag& v2,
                       Progress& progress)
{
    for (const std::string& entry : entries)
        if (entry.find_first_of("\r\n") != std::string::npos)
            throw PlaylistRefused("The playlist was not saved: the name '" + readableName(entry) +
                                  "' holds a line break, which an M3U playlist cannot hold.");
    // Every tag is read before the disk is touched, so a failure there changes no file.
    platform::replaceFileAtomically(fileName, renderPlaylist(entries, fileName, v1, v2, progress));
}

std::vector<std::string> playlistLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = text.compare(0, 3, kByteOrderMark) == 0 ? 3 : 0;
    while (start < text.size()) {
        const std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + (text.compare(end, 2, kLineEnd) == 0 ? 2 : 1);
    }
    return lines;
}

std::optional<PlaylistEntries> parsePlaylist(const std::string& text)
{
    const std::vector<std::string> lines = playlistLines(text);
    if (lines.empty())
        return std::nullopt;
    PlaylistEntries entries;
    for (const std::string& line : lines)
        if (utf8Length(line) > 3 && !startsWithExt(line))
            entries.push_back(line);
    return entries;
}

std::optional<PlaylistEntries> ReadPlaylistFile(const std::string& fileName)
{
    return parsePlaylist(platform::readWholeFile(fileName));
}
