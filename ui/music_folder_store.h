// The saved list of music folders as the window sees it; start-up hands the window the
// store that keeps it on disk.
#pragma once

#include <QString>
#include <QStringList>

class MusicFolderStore {
public:
    virtual ~MusicFolderStore() = default;

    // The non-empty folder texts, in saved order.
    virtual QStringList listedFolders() const = 0;
    virtual bool isListed(const QString& folder) const = 0;
    // Adds a folder and saves the list; throws std::runtime_error when it cannot be saved.
    virtual void append(const QString& folder) = 0;

    // The saved entries by index, whatever their kind.
    virtual int childCount() const = 0;
    virtual QString childText(int index) const = 0;
    // Empties one entry and saves the list.
    virtual void clearChildText(int index) = 0;
};
