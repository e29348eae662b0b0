// Stand-ins for the playlist editor's entry points, so the search's export builds before
// the playlist tab has them; the playlist tab's own versions replace this file.
#include "form1.h"

#include <QFile>
#include <QTreeWidget>

void TForm1::AppendPlaylistEntries(const std::vector<std::string>& paths)
{
    for (const std::string& path : paths) {
        const QByteArray bytes = QByteArray::fromStdString(path);
        auto* row = new QTreeWidgetItem(ListViewPlaylist, {QFile::decodeName(bytes)});
        row->setData(0, Qt::UserRole, bytes);
    }
}

void TForm1::SaveAsNewPlaylist() {}
