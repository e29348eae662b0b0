// Builds the "Playlists" tab and wires its controls.
#include "form1.h"

#include "file_list_box.h"
#include "icons.h"
#include "widget_helpers.h"

#include <QComboBox>
#include <QHBoxLayout>
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
    FileListBoxMP3Playlist->setFixedWidth(ComboBoxMusicFoldersPlaylist->width());

    BitBtnToPlaylist = smallButton("BitBtnToPlaylist", IconRole::ToPlaylist,
                                   "Move selected to playlist", tab);
    BitBtnMoveUp = smallButton("BitBtnMoveUp", IconRole::MoveUp,
                               "Move selected items up on playlist", tab);
    BitBtnMoveDown = smallButton("BitBtnMoveDown", IconRole::MoveDown,
                                 "Move selected items down on playlist", tab);
    BitBtnRemoveFromPlaylist = smallButton("BitBtnRemoveFromPlaylist", IconRole::Remove,
                                           "Remove selected from playlist", tab);

    Label36 = named(boldLabel("Current Playlist:", tab), "Label36");
    EditCurrentPlaylist = named(new QLineEdit(tab), "EditCurrentPlaylist");
    EditCurrentPlaylist->setReadOnly(true);
    ListViewPlaylist = fileReportList("ListViewPlaylist", tab);

    auto* buttons = new QVBoxLayout;
    buttons->addStretch(1);
    for (QPushButton* b : {BitBtnToPlaylist, BitBtnMoveUp, BitBtnMoveDown, BitBtnRemoveFromPlaylist})
        buttons->addWidget(b);
    buttons->addStretch(1);

    auto* current = new QHBoxLayout;
    current->addWidget(Label36);
    current->addWidget(EditCurrentPlaylist, 1);
    auto* right = new QVBoxLayout;
    right->addLayout(current);
    right->addWidget(ListViewPlaylist, 1);

    layOutFolderTab(tab, bar, ComboBoxMusicFoldersPlaylist, FileListBoxMP3Playlist, buttons, right);
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
}

void TForm1::ToolButton5Click() {}
void TForm1::ToolButton7Click() {}
void TForm1::ToolButton6Click() {}
void TForm1::BitBtnToPlaylistClick() {}
void TForm1::BitBtnMoveUpClick() {}
void TForm1::BitBtnMoveDownClick() {}
void TForm1::BitBtnRemoveFromPlaylistClick() {}
void TForm1::ListViewPlaylistKeyDown(QTreeWidget*, QKeyEvent*) {}
