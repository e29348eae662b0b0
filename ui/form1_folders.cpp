// What the music folder boxes of three tabs share: filling them, adding, opening and dropping folders.
#include "form1.h"

#include "file_list_box.h"
#include "qt_text.h"
#include "platform/file_system.h"

#include <QComboBox>
#include <QSignalBlocker>

#include <algorithm>

bool TForm1::isExistingDirectory(const QString& path)
{
    return !path.isEmpty() && platform::directoryExists(pathBytes(path));
}

void TForm1::setBoxText(QComboBox* box, const QString& text)
{
    const QSignalBlocker blocker(box);
    box->setEditText(text);
}

void TForm1::ReloadFolderBoxes()
{
    QStringList folders = m_musicFolders->listedFolders();
    std::stable_sort(folders.begin(), folders.end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    const auto refill = [&folders](QComboBox* box) {
        const QSignalBlocker blocker(box);
        const QString shown = box->currentText();
        box->clear();
        box->addItems(folders);
        box->setCurrentIndex(-1);
        box->setEditText(shown);
    };
    for (const FolderTab tab : kFolderTabs)
        refill(folderBox(tab));
    refill(ComboBoxMusicFoldersTable);
}

bool TForm1::IsMusicFolderListed(const QString& path) const
{
    return m_musicFolders->isListed(path);
}

void TForm1::AddMusicFolder(const QString& path)
{
    m_musicFolders->append(path);
    ReloadFolderBoxes();
}

void TForm1::RemoveMusicFolder(const QString& path)
{
    const int count = m_musicFolders->childCount();
    for (int i = 0; i < count; ++i) {
        if (m_musicFolders->childText(i) == path) {
            m_musicFolders->clearChildText(i);
            ReloadFolderBoxes();
        }
    }
}

void TForm1::OpenMusicFolder(FileListBox* fileList, const QString& path)
{
    if (isExistingDirectory(path)) {
        const UnreadableFolders unreadable = fileList->setDirectory(path);
        rememberFolder(fileList);
        if (!unreadable.empty())
            m_dialogs.error(unreadableFoldersText(unreadable));
    } else {
        // The old folder's files must not stay listed under the new name.
        fileList->clearDirectory();
        rememberFolder(fileList);
        RemoveMusicFolder(path);
        m_dialogs.error(QStringLiteral("The folder '") + path +
                        QStringLiteral("' no longer exists; it was taken off the music folder list."));
    }
}

QString TForm1::BrowseForFolder(const QString& title, const QString& start)
{
    return m_dialogs.browseForFolder(title, start);
}

TForm1::FolderControls TForm1::folderControls(FolderTab tab) const
{
    switch (tab) {
    case FolderTab::Id3Tags: return {ComboBoxMusicFolders, FileListBoxMP3Files, CheckBoxTree};
    case FolderTab::FilenameEdit: return {ComboBoxMusicFoldersFileEdit, FileListBoxMP3FilesFileEdit, CheckBoxTreeFileEdit};
    case FolderTab::Playlists: break;
    }
    return {ComboBoxMusicFoldersPlaylist, FileListBoxMP3Playlist, CheckBoxTreePlaylist};
}

void TForm1::AddOpenFolder(FolderTab tab)
{
    const QString path = BrowseForFolder(QStringLiteral("Choose a folder with mp3 files"), folderList(tab)->directory());
    if (path.isEmpty())
        return;
    if (IsMusicFolderListed(path)) {
        m_dialogs.info(QStringLiteral("'") + path + QStringLiteral("' has already been added."));
        return;
    }
    AddMusicFolder(path);
    setBoxText(folderBox(tab), path);
    OpenMusicFolder(folderList(tab), path);
}
