// The persisted list of music folders: musicdirs.xml held as a DOM and written at each change.
#pragma once

#include <QDomDocument>
#include <QString>
#include <QStringList>

class MusicFolderDocument {
public:
    // Reads the file; throws std::runtime_error with the reader's own text when the file is
    // missing or is not well-formed XML with a root element.
    void load(const QString& path);
    const QString& path() const { return m_path; }

    // The non-empty texts of the first `folder` element and every node after it, in file order.
    QStringList listedFolders() const;
    bool isListed(const QString& folder) const;

    // Appends a `folder` element and writes the file.
    void append(const QString& folder);

    // The root's children by index, whatever their kind or name.
    int childCount() const;
    QString childText(int index) const;
    // Empties one child's text and writes the file.
    void clearChildText(int index);

    // Writes the whole document back. The old file is replaced only once the new one is
    // completely on disk, so a failed write (disk full) never leaves a truncated list behind.
    // Throws std::runtime_error when the write fails; the in-memory change stays.
    void save() const;

private:
    QDomDocument m_document;
    QString m_path;
};
