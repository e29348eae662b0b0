// The playlist editor's row commands that do not need the list widget: moving the selected
// rows and naming a new playlist file.
#pragma once

#include <string>
#include <vector>

// One row of the playlist as the editor shows it.
struct PlaylistRow {
    std::string entry;
    bool selected = false;
};

// The rows in order and the row that has the keyboard focus (-1 for none).
struct PlaylistView {
    std::vector<PlaylistRow> rows;
    int focus = -1;
};

// Each selected row but the first changes places with the row above it, visited from the
// top, and then is selected and takes the focus; a run of selected rows moves as a block.
void moveSelectedUp(PlaylistView& view);
// Visited from the second-to-last row upwards, each selected row changes places with the
// row below it; the place it left is then unselected and the place it took selected.
// The focus stays where it was.
void moveSelectedDown(PlaylistView& view);

// The name a new playlist is saved under: ".m3u" is added to a name longer than four
// characters that does not already end in ".m3u" in any letter case.
std::string playlistFileName(const std::string& chosen);
