// What the window opens when it is started on files, a folder or a playlist.
#include "form1.h"

#include "file_list_box.h"

#include <QComboBox>
#include <QSignalBlocker>
#include <QEventLoop>
#include <QTabWidget>
#include <QTimer>

#include <algorithm>

std::vector<std::string> TForm1::ShowFilesOnTagsTab(const QString& folder, const std::vector<std::string>& names)
{
    PageControl1->setCurrentWidget(TabSheet2);
    setBoxText(ComboBoxMusicFolders, folder);
    OpenMusicFolder(FileListBoxMP3Files, folder);
    // A folder still being listed holds the names only once its listing ends; the window
    // answers meanwhile.
    if (FileListBoxMP3Files->listing()) {
        QEventLoop loop;
        QTimer poll;
        connect(&poll, &QTimer::timeout, &loop, [this, &loop] {
            if (!FileListBoxMP3Files->listing())
                loop.quit();
        });
        poll.start(20);
        loop.exec();
    }
    std::vector<std::string> missing = names;
    {
        // The tag view is filled once, for the whole selection.
        const QSignalBlocker blocker(FileListBoxMP3Files);
        FileListBoxMP3Files->clearSelection();
        std::vector<int> rows;
        for (int row = FileListBoxMP3Files->count() - 1; row >= 0; --row) {
            const auto given = std::find(missing.begin(), missing.end(), FileListBoxMP3Files->fileNameAt(row));
            if (given == missing.end())
                continue;
            missing.erase(given);
            rows.insert(rows.begin(), row);
            FileListBoxMP3Files->setCurrentRow(row, QItemSelectionModel::NoUpdate);
        }
        FileListBoxMP3Files->selectRows(rows);
    }
    if (!names.empty())
        guarded([this] { FileListBoxMP3FilesClick(); });
    return missing;
}
