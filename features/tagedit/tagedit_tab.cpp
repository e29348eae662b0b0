// TForm1 handlers of the "ID3 Tags" tab.
#include "ui/form1.h"

void TForm1::ToolButton4Click() {}
void TForm1::FileListBoxMP3FilesClick() {}
void TForm1::CheckBoxEnableV1Click() {}
void TForm1::CheckBoxEnableV2Click() {}
void TForm1::CheckBoxV1FieldClick(int) {}
void TForm1::CheckBoxV2FieldClick(int) {}
