// The persisted list of music folders: musicdirs.xml held as a DOM and written at each change.
#pragma once

#include "ui/music_folder_store.h"

#include <QDomDocument>
#include <QString>
#include <QStringList>

class MusicFolderDocument : public MusicFolderStore {
public:
    // Reads the file; throws std::runtime_error with the reader's own text when the file is
    // missing or is not well-formed XML with a root element.
    void load(const QString& path);
    const QString& path() const { return m_path; }

    // The non-empty texts of the first `folder` element and every node after it, in file order.
    QStringList listedFolders() const override;
    bool isListed(const QString& folder) const override;

    // Appends a `folder` element and writes the file.
    void append(const QString& folder) override;

    // The root's children by index, whatever their kind or name.
    int childCount() const override;
    QString childText(int index) const override;
    // Empties one child's text and writes the file.
    void clearChildText(int index) override;

    // Writes the whole document back. The old file is replaced only once the new one is
    // completely on disk, so a failed write (disk full) never leaves a truncated list behind.
    // Throws std::runtime_error when the write fails; the in-memory change stays.
    void save() const;

private:
    QDomDocument m_document;
    QString m_path;
};
