// A list of the files of one folder that match a mask, as the folder boxes' tabs show them.
#pragma once

#include <QListWidget>
#include <QStringList>

#include "features/common/mp3_folder.h"

#include <string>
#include <vector>

class FileListBox : public QListWidget {
    Q_OBJECT
public:
    explicit FileListBox(QWidget* parent = nullptr);

    // Shows the folder's matching files; nothing is re-read when the folder is already shown.
    // Gives the folder when it could not be read.
    UnreadableFolders setDirectory(const QString& folder);
    // Lists the shown folder again, e.g. after a file in it was renamed.
    UnreadableFolders reread();
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
    // The shown folder as bytes ending in "/" (the folder box may have been typed without
    // one), or empty without a folder; what a file name is put after.
    std::string folderBytes() const;
    std::vector<std::string> selectedPaths() const;

private:
    QString m_folder;
    bool m_subfolders = false;
};
