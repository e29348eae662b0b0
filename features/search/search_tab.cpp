// TForm1 handlers of the "Search" tab.
#include "ui/form1.h"

void TForm1::ToolButton8Click() {}
void TForm1::ToolButton13Click() {}
void TForm1::ButtonBrowseSearchClick() {}
void TForm1::ButtonSearchClick() {}
