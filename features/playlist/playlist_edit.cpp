// The playlist editor's row commands and the naming of a new playlist file.
#include "playlist_edit.h"

#include <algorithm>
#include <cctype>
#include <utility>

void moveSelectedUp(PlaylistView& view)
{
    std::vector<PlaylistRow>& rows = view.rows;
    for (std::size_t p = 1; p < rows.size(); ++p) {
        if (!rows[p].selected)
            continue;
        std::swap(rows[p], rows[p - 1]);
        rows[p - 1].selected = true;
        view.focus = static_cast<int>(p - 1);
    }
}

void moveSelectedDown(PlaylistView& view)
{
    std::vector<PlaylistRow>& rows = view.rows;
    for (std::size_t p = rows.size() < 2 ? 0 : rows.size() - 1; p-- > 0;) {
        if (!rows[p].selected)
            continue;
        std::swap(rows[p].entry, rows[p + 1].entry);
        rows[p].selected = false;
        rows[p + 1].selected = true;
    }
}

std::string playlistFileName(const std::string& chosen)
{
    if (chosen.size() <= 4)
        return chosen;
    std::string ending = chosen.substr(chosen.size() - 4);
    std::transform(ending.begin(), ending.end(), ending.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return ending == ".M3U" ? chosen : chosen + ".m3u";
}
