// Shows the options dialog modally: owned by parent, or, without one, as the
// program's main window.
#pragma once
#include "../framework/Wnd.h"

void ShowOptionsDialog(CWnd* parent);
