// Shows the options dialog, modally, owned by parent (or the main window).
#pragma once
#include "../framework/Wnd.h"

void ShowOptionsDialog(CWnd* parent);
