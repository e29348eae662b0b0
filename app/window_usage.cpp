// The window's command line as --help and the manual page give it.
#include "window_usage.h"

#include <algorithm>
#include <cstring>
#include <ostream>
#include <string>

const char* const kWindowSynopsis = "[--help | --version] [FILE.mp3... | FOLDER | LIST.m3u]";

const char* const kWindowDescription =
    "Varnoli looks after a collection of MP3 files: it edits the ID3v1 and ID3v2 tags of one file\n"
    "or many at once, renames files from their tags, builds M3U playlists, searches a folder tree\n"
    "by tag and file name, and shows, sets, removes and exports cover pictures. Every batch save\n"
    "and rename can be taken back. The help pages are on its \"Help\" tab; varnoli-cli runs the\n"
    "same features without a window.\n";

const WindowArgumentHelp kWindowArguments[5] = {
    {"FILE.mp3...", "opens the \"ID3 Tags\" tab on the files: their folder listed, the files selected"},
    {"FOLDER", "opens the \"ID3 Tags\" tab on the MP3 files of the folder"},
    {"LIST.m3u", "opens the playlist on the \"Playlists\" tab"},
    {"--help", "prints this text"},
    {"--version", "prints the version"},
};

const char* const kWindowFilesText =
    "Files: the machine-wide settings /etc/xdg/Varnoli.conf hold installdir, the folder of the\n"
    "help pages (VARNOLI_SETTINGS_DIR names another folder for them); the window's size and place\n"
    "and each tab's last folder are kept in ~/.config/Varnoli.conf; the list of music folders is\n"
    "musicdirs.xml in the folder the program starts in. The undo journal is kept in\n"
    "$XDG_STATE_HOME/varnoli/journal/ (else ~/.local/state/varnoli/journal/), the records of saves\n"
    "that move the audio of a file in $XDG_STATE_HOME/varnoli/moves/.\n";

void printWindowHelp(std::ostream& s)
{
    s << "usage: varnoli " << kWindowSynopsis << "\n\n" << kWindowDescription << '\n';
    std::size_t width = 0;
    for (const WindowArgumentHelp& a : kWindowArguments)
        width = std::max(width, std::strlen(a.term));
    for (const WindowArgumentHelp& a : kWindowArguments)
        s << "  " << a.term << std::string(width + 2 - std::strlen(a.term), ' ') << a.help << '\n';
    s << '\n' << kWindowFilesText;
}
