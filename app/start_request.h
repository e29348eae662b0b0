// What the window is asked to open when it starts, from its command line or a file manager.
#pragma once

#include <QString>
#include <QStringList>

#include <string>
#include <vector>

class TForm1;
class WindowDialogs;

struct StartRequest {
    QString folder;                 // listed on the "ID3 Tags" tab; empty for none
    std::vector<std::string> names; // the files of that folder to select, as the file system's bytes
    QString playlist;               // opened on the "Playlists" tab; empty for none
    QStringList problems;           // an argument left aside, a sentence each
    QString badOption;              // an option the window does not know
};

// Files name their folder, which the first of them or a folder given decides; the first
// playlist (".m3u" in any letter case) is opened. Arguments after "--" are never options.
StartRequest startRequest(const QStringList& arguments);

// Opens what was asked on the window's tabs and says what was left aside.
void openStartRequest(TForm1& window, const StartRequest& request, WindowDialogs& dialogs);
