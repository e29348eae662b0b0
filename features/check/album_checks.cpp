// Album checks: year, album artist and disc count the same in every file; tracks without gaps or twins.
#include "album_checks.h"

#include "features/check/field_values.h"
#include "features/common/mp3_folder.h"

#include <algorithm>
#include <map>

namespace {

using Album = std::vector<const AlbumEntry*>;

const Utf8Text& either(const Utf8Text& two, const Utf8Text& one) { return two.empty() ? one : two; }

// The value most files hold, the first found on a tie; empty when no file holds one.
Utf8Text majority(const std::vector<Utf8Text>& values)
{
    std::map<Utf8Text, std::size_t> counts;
    Utf8Text best;
    std::size_t most = 0;
    for (const Utf8Text& v : values)
        if (!v.empty() && ++counts[v] > most) {
            most = counts[v];
            best = v;
        }
    return best;
}

// Every file whose value differs from the album's majority is told so, with that value to fix.
void checkSame(const Album& album, std::vector<FileReport>& reports, const char* check, const char* what,
               Utf8Text (*valueOf)(const AlbumEntry&))
{
    std::vector<Utf8Text> values;
    for (const AlbumEntry* e : album)
        values.push_back(valueOf(*e));
    const Utf8Text best = majority(values);
    if (best.empty() || std::all_of(values.begin(), values.end(), [&](const Utf8Text& v) { return v == best; }))
        return;
    for (std::size_t i = 0; i < album.size(); ++i)
        if (values[i] != best)
            addProblem(reports[album[i]->report], check,
                       std::string("the ") + what + " is \"" + values[i] + "\" where the album's other files say \"" +
                           best + "\"",
                       best);
}

Utf8Text yearOf(const AlbumEntry& e) { return e.year.substr(0, 4); }
Utf8Text albumArtistOf(const AlbumEntry& e) { return e.albumArtist; }
Utf8Text discCountOf(const AlbumEntry& e)
{
    const std::optional<CountValue> disc = countOf(e.disc);
    return disc && disc->total > 0 ? std::to_string(disc->total) : Utf8Text();
}

void checkTracks(const Album& album, std::vector<FileReport>& reports)
{
    // By disc, then track: the file of each place.
    std::map<std::pair<int64_t, int64_t>, std::vector<std::size_t>> places;
    for (const AlbumEntry* e : album) {
        const std::optional<CountValue> track = countOf(e->track);
        const std::optional<CountValue> disc = countOf(e->disc);
        if (track && track->number > 0)
            places[{disc ? disc->number : 1, track->number}].push_back(e->report);
    }
    std::pair<int64_t, int64_t> last{-1, 0};
    for (const auto& [place, files] : places) {
        if (files.size() > 1)
            for (std::size_t report : files)
                addProblem(reports[report], "track_duplicate",
                           std::to_string(files.size()) + " files of the album are track " + std::to_string(place.second));
        const int64_t expected = place.first == last.first ? last.second + 1 : 1;
        if (place.second > expected)
            addProblem(reports[files.front()], "track_gap",
                       "no file of the album is track " + std::to_string(expected) +
                           (place.second - 1 > expected ? " to " + std::to_string(place.second - 1) : std::string()));
        last = place;
    }
}

} // namespace

AlbumEntry albumEntryOf(const FileFacts& facts, std::size_t report)
{
    const auto field = [&](TagField f) {
        return either(facts.v2.fields[fieldIndex(f)], facts.v1.fields[fieldIndex(f)]);
    };
    AlbumEntry e{subfolderOf(facts.path), field(TagField::Album), field(TagField::Year), facts.albumArtist, facts.disc,
                 field(TagField::Track), report};
    if (e.track == "0")
        e.track.clear();
    return e;
}

void checkAlbums(const std::vector<AlbumEntry>& entries, std::vector<FileReport>& reports)
{
    std::map<std::pair<std::string, Utf8Text>, Album> albums;
    for (const AlbumEntry& e : entries)
        if (!e.album.empty())
            albums[{e.folder, e.album}].push_back(&e);
    for (const auto& [name, album] : albums) {
        if (album.size() < 2)
            continue;
        checkSame(album, reports, "album_year_differs", "year", yearOf);
        checkSame(album, reports, "album_artist_differs", "album artist", albumArtistOf);
        checkSame(album, reports, "album_disc_count_differs", "disc count", discCountOf);
        checkTracks(album, reports);
    }
}
