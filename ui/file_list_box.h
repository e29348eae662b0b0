// A list of the files of one folder that match a mask, as the folder boxes' tabs show them.
#pragma once

#include <QFileSystemWatcher>
#include <QListWidget>
#include <QStringList>
#include <QTimer>

#include "features/common/mp3_folder.h"

#include <memory>
#include <string>
#include <vector>

class BackgroundTask;

class FileListBox : public QListWidget {
    Q_OBJECT
public:
    explicit FileListBox(QWidget* parent = nullptr);
    // Stops a listing still running.
    ~FileListBox() override;

    // Shows the folder's matching files; nothing is re-read when the folder is already shown.
    // Gives the folder when it could not be read.
    UnreadableFolders setDirectory(const QString& folder);
    // Lists the shown folder again, e.g. after a file in it was renamed. The folder is read on
    // a worker: a listing done within a moment is shown at once, with the folders it could
    // not read given; a longer one adds its rows in order as it finds them, a slice at a time
    // so that the window keeps answering, and then sends listingEnded with those folders.
    UnreadableFolders reread();
    bool listing() const;
    // With subfolders the rows are the MP3 files of the whole tree, as paths relative to the
    // folder; the list is read again when this changes.
    UnreadableFolders setSubfolders(bool on);
    bool subfolders() const { return m_subfolders; }
    // Back to no folder and no files.
    void clearDirectory();
    const QString& directory() const { return m_folder; }

    // A row's file name (its path below the folder with subfolders) as the file system's bytes (the shown text is only decoded for display).
    std::string fileNameAt(int row) const;
    std::vector<std::string> selectedFileNames() const;
    // Adds the rows to the selection in one change, so the selection is read once.
    void selectRows(const std::vector<int>& rows);
    // The shown folder as bytes ending in "/" (the folder box may have been typed without
    // one), or empty without a folder; what a file name is put after.
    std::string folderBytes() const;
    std::vector<std::string> selectedPaths() const;

signals:
    // A listing that outlasted reread ended; the folders it could not read.
    void listingEnded(const UnreadableFolders& unreadable);
    // Another program changed, added or removed files of the folder or a selected file; the
    // list was read again, keeping the selection.
    void changedOutside();

private:
    void addRows(std::vector<std::string> names);
    // Adds queued rows in order until the slice's time is up, or all of them; ends a listing
    // whose worker ended once nothing is left.
    void feedRows(bool all);
    void dropQueued();
    // The names kept through a re-read selected again, the folder watched.
    void listingDone();
    void watchSelection();
    void rereadChanged();
    QFileSystemWatcher m_watcher;
    QTimer m_settle; // gathers a burst of changes into one re-read
    bool m_folderChanged = false; // files were added, removed or renamed, not only written
    std::vector<std::string> m_keepSelected;
    std::unique_ptr<BackgroundTask> m_listing;
    std::vector<std::vector<std::string>> m_queued; // found by the worker, not yet rows
    std::size_t m_queuedAt = 0;                     // of the first queued batch
    QTimer m_feed;
    std::unique_ptr<UnreadableFolders> m_ended; // the worker ended; told once the rows are in
    QString m_folder;
    bool m_subfolders = false;
};
