// TForm1 handlers of the "Filename Edit" tab.
#include "ui/form1.h"

#include "ui/file_list_box.h"

#include <QComboBox>

void TForm1::ComboBoxMusicFoldersFileEditChange()
{
    // Resetting the tab's current file comes first, once the filename builder exists.
    OpenMusicFolder(FileListBoxMP3FilesFileEdit, ComboBoxMusicFoldersFileEdit->currentText());
}

void TForm1::ToolButton2Click() {}
void TForm1::FileListBoxMP3FilesFileEditChange() {}
void TForm1::PageControl2Change() {}
void TForm1::ComboBoxFileChange(int) {}
void TForm1::ComboBoxFileV2Change(int) {}
void TForm1::EditDelimiterChange() {}
void TForm1::EditDelimiterV2Change() {}
