// The crossings between the program's byte strings and the widgets' QString: tag text is
// UTF-8, paths are whatever bytes the file system holds.
#pragma once

#include <QFile>
#include <QString>

#include <string>

inline QString toQString(const std::string& utf8)
{
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

inline std::string toUtf8(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

inline std::string pathBytes(const QString& path)
{
    const QByteArray bytes = QFile::encodeName(path);
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

// For showing only: bytes the local encoding cannot read come out replaced, so the text does
// not always turn back into the same path.
inline QString pathText(const std::string& path)
{
    return QFile::decodeName(QByteArray(path.data(), static_cast<qsizetype>(path.size())));
}
