// TForm1 handlers of the "Playlists" tab.
#include "ui/form1.h"

void TForm1::ToolButton5Click() {}
void TForm1::ToolButton7Click() {}
void TForm1::ToolButton6Click() {}
void TForm1::BitBtnToPlaylistClick() {}
void TForm1::BitBtnMoveUpClick() {}
void TForm1::BitBtnMoveDownClick() {}
void TForm1::BitBtnRemoveFromPlaylistClick() {}
void TForm1::ListViewPlaylistKeyDown(QTreeWidget*, QKeyEvent*) {}
