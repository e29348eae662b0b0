// Fills a file list from one folder through the platform layer.
#include "file_list_box.h"

#include "platform/file_system.h"

#include <QFile>

#include <algorithm>
#include <cctype>

namespace {

bool hasMp3Extension(const std::string& name)
{
    static const char kExt[] = ".mp3";
    if (name.size() < 4)
        return false;
    for (std::size_t i = 0; i < 4; ++i)
        if (std::tolower(static_cast<unsigned char>(name[name.size() - 4 + i])) != kExt[i])
            return false;
    return true;
}

} // namespace

std::vector<std::string> listMp3Files(const std::string& folder)
{
    std::vector<std::string> names;
    for (const platform::DirEntry& entry : platform::listDirectory(folder))
        if (!entry.isDirectory && entry.name[0] != '.' && hasMp3Extension(entry.name))
            names.push_back(entry.name);
    // Ties under case folding fall back to byte order, so the order never depends on the
    // order the file system listed the names in.
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        const int c = QFile::decodeName(a.c_str()).compare(QFile::decodeName(b.c_str()),
                                                           Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
    return names;
}

FileListBox::FileListBox(QWidget* parent) : QListWidget(parent)
{
    setUniformItemSizes(true);
}

void FileListBox::setDirectory(const QString& folder)
{
    if (folder == m_folder)
        return;
    m_folder = folder;
    reread();
}

void FileListBox::reread()
{
    clear();
    if (m_folder.isEmpty())
        return;
    for (const std::string& name : listMp3Files(QFile::encodeName(m_folder).toStdString())) {
        auto* item = new QListWidgetItem(QFile::decodeName(name.c_str()), this);
        item->setData(Qt::UserRole, QByteArray(name.data(), static_cast<qsizetype>(name.size())));
    }
}

void FileListBox::clearDirectory()
{
    m_folder.clear();
    clear();
}

std::string FileListBox::fileNameAt(int row) const
{
    const QListWidgetItem* it = item(row);
    return it ? it->data(Qt::UserRole).toByteArray().toStdString() : std::string();
}

std::vector<std::string> FileListBox::selectedFileNames() const
{
    std::vector<std::string> names;
    for (int row = 0; row < count(); ++row)
        if (item(row)->isSelected())
            names.push_back(fileNameAt(row));
    return names;
}
