// The "Playlists" tab: its controls, and the commands that build, reorder, open and save
// the playlist.
#include "form1.h"

#include "features/playlist/playlist_edit.h"
#include "features/playlist/playlist_file.h"
#include "file_list_box.h"
#include "icons.h"
#include "qt_text.h"
#include "shared_tags.h"
#include "widget_helpers.h"
#include "window_progress.h"

#include <QComboBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QPushButton* smallButton(const char* name, IconRole image, const char* hint, QWidget* parent)
{
    auto* button = named(new QPushButton(parent), name);
    button->setIcon(makeIcon(image));
    button->setIconSize(QSize(20, 20));
    button->setFixedSize(32, 32);
    button->setToolTip(QString::fromLatin1(hint));
    return button;
}

PlaylistView viewOf(const QTreeWidget* list)
{
    PlaylistView view;
    for (int row = 0; row < list->topLevelItemCount(); ++row) {
        const QTreeWidgetItem* item = list->topLevelItem(row);
        view.rows.push_back({entryOf(item), item->isSelected()});
    }
    view.focus = list->currentIndex().isValid() ? list->currentIndex().row() : -1;
    return view;
}

void showView(QTreeWidget* list, const PlaylistView& view)
{
    for (int row = 0; row < list->topLevelItemCount(); ++row) {
        QTreeWidgetItem* item = list->topLevelItem(row);
        const PlaylistRow& shown = view.rows[static_cast<std::size_t>(row)];
        setEntry(item, shown.entry);
        item->setSelected(shown.selected);
    }
    // Moving the focus must not change the selection the command just made.
    if (QTreeWidgetItem* focused = list->topLevelItem(view.focus))
        list->selectionModel()->setCurrentIndex(list->indexFromItem(focused), QItemSelectionModel::NoUpdate);
}

void writePlaylist(QWidget* owner, const QTreeWidget* list, const std::string& fileName)
{
    WindowProgress progress(owner, QStringLiteral("Writing playlist"));
    WritePlaylistFile(fileName, entriesOf(list), SharedTagV1, SharedTagV2, progress);
}

} // namespace

void TForm1::buildPlaylistsTab()
{
    QWidget* tab = TabSheet1;
    QToolBar* bar = makeToolBar(tab);
    ToolButton14 = addToolButton(bar, "ToolButton14", 1, "Add/Open Folder");
    ToolButton5 = addToolButton(bar, "ToolButton5", 6, "Open Playlist");
    ToolButton7 = addToolButton(bar, "ToolButton7", 3, "Close current playlist without saving");
    ToolButton6 = addToolButton(bar, "ToolButton6", 0,
                                "Save current playlist or create a new playlist");

    ComboBoxMusicFoldersPlaylist = makeFolderBox(tab, "ComboBoxMusicFoldersPlaylist");
    FileListBoxMP3Playlist = named(new FileListBox(tab), "FileListBoxMP3Playlist");
    FileListBoxMP3Playlist->setSelectionMode(QAbstractItemView::ExtendedSelection);
    CheckBoxTreePlaylist = makeTreeBox(tab, "CheckBoxTreePlaylist", FileListBoxMP3Playlist);

    QVBoxLayout* buttons = buildPlaylistButtons(tab);
    Label36 = named(boldLabel(QStringLiteral("Current Playlist:"), tab), "Label36");
    EditCurrentPlaylist = named(new QLineEdit(tab), "EditCurrentPlaylist");
    EditCurrentPlaylist->setReadOnly(true);
    ListViewPlaylist = fileReportList("ListViewPlaylist", tab);

    auto* current = new QHBoxLayout;
    current->addWidget(Label36);
    current->addWidget(EditCurrentPlaylist, 1);
    auto* right = new QVBoxLayout;
    right->addLayout(current);
    right->addWidget(ListViewPlaylist, 1);

    layOutFolderTab(tab, bar, ComboBoxMusicFoldersPlaylist, CheckBoxTreePlaylist, FileListBoxMP3Playlist, buttons,
                    right);
}

// The buttons between the file list and the playlist, in a column centred on its height.
QVBoxLayout* TForm1::buildPlaylistButtons(QWidget* tab)
{
    BitBtnToPlaylist = smallButton("BitBtnToPlaylist", IconRole::ToPlaylist,
                                   "Move selected to playlist", tab);
    BitBtnMoveUp = smallButton("BitBtnMoveUp", IconRole::MoveUp,
                               "Move selected items up on playlist", tab);
    BitBtnMoveDown = smallButton("BitBtnMoveDown", IconRole::MoveDown,
                                 "Move selected items down on playlist", tab);
    BitBtnRemoveFromPlaylist = smallButton("BitBtnRemoveFromPlaylist", IconRole::Remove,
                                           "Remove selected from playlist", tab);
    auto* buttons = new QVBoxLayout;
    buttons->addStretch(1);
    for (QPushButton* b : {BitBtnToPlaylist, BitBtnMoveUp, BitBtnMoveDown, BitBtnRemoveFromPlaylist})
        buttons->addWidget(b);
    buttons->addStretch(1);
    return buttons;
}

void TForm1::wirePlaylistsTab()
{
    wire(ToolButton14, &QToolButton::clicked, [this] { ToolButton14Click(); });
    wire(ToolButton5, &QToolButton::clicked, [this] { ToolButton5Click(); });
    wire(ToolButton7, &QToolButton::clicked, [this] { ToolButton7Click(); });
    wire(ToolButton6, &QToolButton::clicked, [this] { ToolButton6Click(); });
    wire(ComboBoxMusicFoldersPlaylist, &QComboBox::editTextChanged,
         [this] { ComboBoxMusicFoldersPlaylistChange(); });
    wire(BitBtnToPlaylist, &QPushButton::clicked, [this] { BitBtnToPlaylistClick(); });
    wire(BitBtnMoveUp, &QPushButton::clicked, [this] { BitBtnMoveUpClick(); });
    wire(BitBtnMoveDown, &QPushButton::clicked, [this] { BitBtnMoveDownClick(); });
    wire(BitBtnRemoveFromPlaylist, &QPushButton::clicked,
         [this] { BitBtnRemoveFromPlaylistClick(); });
    // Whatever adds, moves or drops rows changes the playlist; opening, saving and closing it
    // mark it as matching its file again.
    QAbstractItemModel* rows = ListViewPlaylist->model();
    for (auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(rows, signal, this, [this] { m_playlistChanged = true; });
    connect(rows, &QAbstractItemModel::dataChanged, this, [this] { m_playlistChanged = true; });
}

void TForm1::ToolButton14Click() { AddOpenFolder(FolderTab::Playlists); }

void TForm1::ComboBoxMusicFoldersPlaylistChange()
{
    OpenMusicFolder(FileListBoxMP3Playlist, ComboBoxMusicFoldersPlaylist->currentText());
}

void TForm1::AppendPlaylistEntries(const std::vector<std::string>& paths)
{
    for (const std::string& path : paths)
        setEntry(new QTreeWidgetItem(ListViewPlaylist), path);
}

void TForm1::BitBtnToPlaylistClick()
{
    if (FileListBoxMP3Playlist->count() == 0)
        return;
    // The folder whose files are listed, not the box's text, which may be half typed.
    AppendPlaylistEntries(FileListBoxMP3Playlist->selectedPaths());
}

void TForm1::BitBtnRemoveFromPlaylistClick()
{
    qDeleteAll(ListViewPlaylist->selectedItems());
}

void TForm1::ListViewPlaylistKeyDown(QTreeWidget* sender, QKeyEvent* event)
{
    if (event->key() == Qt::Key_Delete)
        qDeleteAll(sender->selectedItems());
}

void TForm1::BitBtnMoveUpClick()
{
    PlaylistView view = viewOf(ListViewPlaylist);
    moveSelectedUp(view);
    showView(ListViewPlaylist, view);
}

void TForm1::BitBtnMoveDownClick()
{
    PlaylistView view = viewOf(ListViewPlaylist);
    moveSelectedDown(view);
    showView(ListViewPlaylist, view);
}

bool TForm1::PlaylistMayBeDropped()
{
    if (!m_playlistChanged)
        return true;
    const QString name = EditCurrentPlaylist->text().isEmpty() ? QStringLiteral("The new playlist")
                                                               : QStringLiteral("The playlist '%1'").arg(EditCurrentPlaylist->text());
    switch (m_dialogs.askSaveChanges(name + QStringLiteral(" has changes that are not saved. Save them?"))) {
    case Dialogs::Yes:
        ToolButton6Click();
        return !m_playlistChanged; // a save-as dialog cancelled keeps the changes
    case Dialogs::No: return true;
    default: return false;
    }
}

QString TForm1::playlistDialogFolder() const
{
    const QString current = EditCurrentPlaylist->text();
    return current.isEmpty() ? FileListBoxMP3Playlist->directory() : QFileInfo(current).absolutePath();
}

void TForm1::ToolButton5Click()
{
    if (!PlaylistMayBeDropped())
        return;
    OpenDialogPlaylist.folder = playlistDialogFolder();
    const QString chosen = m_dialogs.openFile(OpenDialogPlaylist);
    if (!chosen.isEmpty())
        OpenPlaylistFile(chosen);
}

void TForm1::OpenPlaylistFile(const QString& path)
{
    // An empty file keeps the rows but still becomes the file the next save writes; rows
    // kept that way are not in that file yet.
    const auto entries = ReadPlaylistFile(pathBytes(path));
    if (entries) {
        ListViewPlaylist->clear();
        AppendPlaylistEntries(*entries);
    }
    EditCurrentPlaylist->setText(path);
    m_playlistChanged = !entries && ListViewPlaylist->topLevelItemCount() > 0;
}

void TForm1::ToolButton7Click()
{
    if (!PlaylistMayBeDropped())
        return;
    ListViewPlaylist->clear();
    EditCurrentPlaylist->clear();
    playlistSaved();
}

void TForm1::ToolButton6Click()
{
    if (EditCurrentPlaylist->text().isEmpty())
        SaveAsNewPlaylist();
    else {
        writePlaylist(this, ListViewPlaylist, pathBytes(EditCurrentPlaylist->text()));
        playlistSaved();
    }
}

void TForm1::SaveAsNewPlaylist()
{
    SaveDialogPlaylist.folder = playlistDialogFolder();
    const QString chosen = m_dialogs.saveFile(SaveDialogPlaylist, QString());
    if (chosen.isEmpty())
        return;
    const std::string typed = pathBytes(chosen);
    const std::string name = playlistFileName(typed);
    const QString shownName = pathText(name);
    // The dialog asked about the name typed; a file under the longer name is asked about here.
    if (name != typed && QFileInfo::exists(shownName) &&
        m_dialogs.confirm("'" + name + "' already exists. Do you want to replace it?") != Dialogs::Yes)
        return;
    writePlaylist(this, ListViewPlaylist, name);
    EditCurrentPlaylist->setText(shownName);
    playlistSaved();
}
