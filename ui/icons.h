// The tool bar images, button glyphs and the application icon, drawn in code.
#pragma once

#include <QIcon>

enum class IconRole {
    Save,       // tool bar image 0
    AddFolder,  // image 1
    Close,      // image 3
    Search,     // image 4
    Export,     // image 5
    Open,       // image 6
    ToPlaylist,
    MoveUp,
    MoveDown,
    Remove,
    Application,
};

QIcon makeIcon(IconRole role);
