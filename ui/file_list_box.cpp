// Fills a file list from one folder through the platform layer.
#include "file_list_box.h"

#include "qt_text.h"

#include "features/common/mp3_folder.h"

FileListBox::FileListBox(QWidget* parent) : QListWidget(parent)
{
    setUniformItemSizes(true);
}

UnreadableFolders FileListBox::setDirectory(const QString& folder)
{
    if (folder == m_folder)
        return {};
    m_folder = folder;
    return reread();
}

UnreadableFolders FileListBox::reread()
{
    clear();
    UnreadableFolders unreadable;
    if (m_folder.isEmpty())
        return unreadable;
    for (const std::string& name : listMp3Files(pathBytes(m_folder), m_subfolders, unreadable)) {
        auto* item = new QListWidgetItem(pathText(name), this);
        item->setData(Qt::UserRole, QByteArray(name.data(), static_cast<qsizetype>(name.size())));
    }
    return unreadable;
}

UnreadableFolders FileListBox::setSubfolders(bool on)
{
    if (on == m_subfolders)
        return {};
    m_subfolders = on;
    return reread();
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

std::string FileListBox::folderBytes() const
{
    return m_folder.isEmpty() ? std::string() : withSeparator(pathBytes(m_folder));
}

std::vector<std::string> FileListBox::selectedPaths() const
{
    const std::string folder = folderBytes();
    std::vector<std::string> paths;
    for (const std::string& name : selectedFileNames())
        paths.push_back(folder + name);
    return paths;
}
