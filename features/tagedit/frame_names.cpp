// The names people know ID3v2 frames by: one row per frame that versions 2.3 and 2.4 define.
#include "frame_names.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace {

// Sorted by ID, so that a lookup can halve the table.
constexpr std::pair<std::string_view, std::string_view> kNames[] = {
    {"AENC", "Audio encryption"},
    {"APIC", "Picture"},
    {"ASPI", "Audio seek point index"},
    {"COMM", "Comment"},
    {"COMR", "Commercial"},
    {"ENCR", "Encryption method"},
    {"EQU2", "Equalisation"},
    {"EQUA", "Equalisation"},
    {"ETCO", "Event timing codes"},
    {"GEOB", "Encapsulated object"},
    {"GRID", "Group identification"},
    {"GRP1", "Grouping"},
    {"IPLS", "Involved people"},
    {"LINK", "Linked information"},
    {"MCDI", "Music CD identifier"},
    {"MLLT", "MPEG location lookup table"},
    {"MVIN", "Movement number"},
    {"MVNM", "Movement name"},
    {"OWNE", "Ownership"},
    {"PCNT", "Play counter"},
    {"PCST", "Podcast"},
    {"POPM", "Rating / popularimeter"},
    {"POSS", "Position synchronisation"},
    {"PRIV", "Private data"},
    {"RBUF", "Recommended buffer size"},
    {"RVA2", "Relative volume adjustment"},
    {"RVAD", "Relative volume adjustment"},
    {"RVRB", "Reverb"},
    {"SEEK", "Seek"},
    {"SIGN", "Signature"},
    {"SYLT", "Synchronised lyrics"},
    {"SYTC", "Synchronised tempo codes"},
    {"TALB", "Album"},
    {"TBPM", "BPM"},
    {"TCAT", "Podcast category"},
    {"TCMP", "Compilation"},
    {"TCOM", "Composer"},
    {"TCON", "Genre"},
    {"TCOP", "Copyright"},
    {"TDAT", "Date (day and month)"},
    {"TDEN", "Encoding time"},
    {"TDES", "Podcast description"},
    {"TDLY", "Playlist delay"},
    {"TDOR", "Original release time"},
    {"TDRC", "Recording time"},
    {"TDRL", "Release time"},
    {"TDTG", "Tagging time"},
    {"TENC", "Encoded by"},
    {"TEXT", "Lyricist / text writer"},
    {"TFLT", "File type"},
    {"TGID", "Podcast ID"},
    {"TIME", "Time"},
    {"TIPL", "Involved people"},
    {"TIT1", "Grouping / content group"},
    {"TIT2", "Title"},
    {"TIT3", "Subtitle"},
    {"TKEY", "Initial key"},
    {"TKWD", "Podcast keywords"},
    {"TLAN", "Language"},
    {"TLEN", "Length"},
    {"TMCL", "Musician credits"},
    {"TMED", "Media type"},
    {"TMOO", "Mood"},
    {"TOAL", "Original album"},
    {"TOFN", "Original file name"},
    {"TOLY", "Original lyricist"},
    {"TOPE", "Original artist"},
    {"TORY", "Original release year"},
    {"TOWN", "File owner"},
    {"TPE1", "Artist"},
    {"TPE2", "Album artist / band"},
    {"TPE3", "Conductor"},
    {"TPE4", "Remixed by"},
    {"TPOS", "Disc number"},
    {"TPRO", "Produced notice"},
    {"TPUB", "Publisher"},
    {"TRCK", "Track number"},
    {"TRDA", "Recording dates"},
    {"TRSN", "Internet radio station"},
    {"TRSO", "Internet radio station owner"},
    {"TSIZ", "Size"},
    {"TSO2", "Album artist sort order"},
    {"TSOA", "Album sort order"},
    {"TSOC", "Composer sort order"},
    {"TSOP", "Artist sort order"},
    {"TSOT", "Title sort order"},
    {"TSRC", "ISRC"},
    {"TSSE", "Encoder settings"},
    {"TSST", "Set subtitle"},
    {"TXXX", "User text"},
    {"TYER", "Year"},
    {"UFID", "Unique file identifier"},
    {"USER", "Terms of use"},
    {"USLT", "Lyrics"},
    {"WCOM", "Commercial information URL"},
    {"WCOP", "Copyright URL"},
    {"WFED", "Podcast feed URL"},
    {"WOAF", "Official audio file URL"},
    {"WOAR", "Official artist URL"},
    {"WOAS", "Official audio source URL"},
    {"WORS", "Official radio station URL"},
    {"WPAY", "Payment URL"},
    {"WPUB", "Publisher's URL"},
    {"WXXX", "User URL"},
};

constexpr bool sortedById()
{
    for (std::size_t i = 1; i < std::size(kNames); ++i)
        if (!(kNames[i - 1].first < kNames[i].first))
            return false;
    return true;
}
static_assert(sortedById(), "the lookup halves the table, so its IDs must be in order");

} // namespace

std::string_view frameIdName(std::string_view id)
{
    const auto* found = std::lower_bound(std::begin(kNames), std::end(kNames), id,
                                         [](const auto& row, std::string_view key) { return row.first < key; });
    return found != std::end(kNames) && found->first == id ? found->second : std::string_view();
}
