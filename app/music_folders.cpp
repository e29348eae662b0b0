// Reads, changes and safely rewrites musicdirs.xml.
#include "music_folders.h"

#include <QFile>
#include <QSaveFile>
#include <QTextStream>

#include <stdexcept>

namespace {

const QString kFolderTag = QStringLiteral("folder");

[[noreturn]] void fail(const QString& text)
{
    throw std::runtime_error(text.toStdString());
}

// A folder name the file cannot hold: refused before the disk is touched.
struct UnstorableText : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The document in the encoding its declaration names (toByteArray() always gives UTF-8);
// empty when the bytes would not read back as the same document. XML holds no control
// characters, and a declared 8-bit encoding only its own characters.
QByteArray storableBytes(const QDomDocument& document)
{
    QByteArray bytes;
    {
        QTextStream out(&bytes, QIODevice::WriteOnly);
        document.save(out, 2, QDomNode::EncodingFromDocument);
    }
    QDomDocument check;
    if (!check.setContent(bytes) || check.toString(2) != document.toString(2))
        return {};
    return bytes;
}

QString nodeText(const QDomNode& node)
{
    if (node.isElement())
        return node.toElement().text();
    if (node.isText()) // CDATA sections are text nodes too
        return node.nodeValue();
    return QString();
}

} // namespace

void MusicFolderDocument::load(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        fail(QStringLiteral("Cannot open %1: %2").arg(path, file.errorString()));
    QString message;
    int line = 0, column = 0;
    QDomDocument document;
    if (!document.setContent(&file, &message, &line, &column))
        fail(QStringLiteral("%1 is not a valid XML document: %2 (line %3, column %4)")
                 .arg(path, message).arg(line).arg(column));
    if (document.documentElement().isNull())
        fail(QStringLiteral("%1 has no root element").arg(path));
    m_document = document;
    m_path = path;
}

QStringList MusicFolderDocument::listedFolders() const
{
    QStringList folders;
    for (QDomNode node = m_document.documentElement().firstChildElement(kFolderTag);
         !node.isNull(); node = node.nextSibling()) {
        const QString text = nodeText(node);
        if (!text.isEmpty())
            folders << text;
    }
    return folders;
}

bool MusicFolderDocument::isListed(const QString& folder) const
{
    return listedFolders().contains(folder, Qt::CaseSensitive);
}

void MusicFolderDocument::append(const QString& folder)
{
    QDomElement entry = m_document.createElement(kFolderTag);
    entry.appendChild(m_document.createTextNode(folder));
    m_document.documentElement().appendChild(entry);
    try {
        save();
    } catch (const UnstorableText&) {
        // Kept, it would make every later write fail as well.
        m_document.documentElement().removeChild(entry);
        throw;
    }
}

int MusicFolderDocument::childCount() const
{
    return m_document.documentElement().childNodes().count();
}

QString MusicFolderDocument::childText(int index) const
{
    return nodeText(m_document.documentElement().childNodes().at(index));
}

void MusicFolderDocument::clearChildText(int index)
{
    QDomNode node = m_document.documentElement().childNodes().at(index);
    if (node.isElement()) {
        while (node.hasChildNodes())
            node.removeChild(node.firstChild());
    } else if (node.isText()) {
        node.setNodeValue(QString());
    }
    save();
}

void MusicFolderDocument::save() const
{
    const QByteArray bytes = storableBytes(m_document);
    if (bytes.isEmpty())
        throw UnstorableText(QStringLiteral("Cannot write %1: a folder name holds characters the file cannot store")
                                 .arg(m_path)
                                 .toStdString());
    QSaveFile file(m_path);
    // Unbuffered, so a short write (disk full) shows in write() itself: a buffered flush
    // failing inside commit() would go unnoticed and put a truncated file in place.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        fail(QStringLiteral("Cannot write %1: %2").arg(m_path, file.errorString()));
    if (file.write(bytes) != bytes.size() || !file.commit())
        fail(QStringLiteral("Cannot write %1: %2").arg(m_path, file.errorString()));
}
