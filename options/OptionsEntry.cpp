#include "OptionsEntry.h"

#include "../framework/MessageBox.h"

// Until the options dialog is built, say so instead of showing nothing.
void ShowOptionsDialog(CWnd* parent) {
    AppMessageBox(SafeHwnd(parent), "The options dialog is not available in this version yet.", "Information",
                  MB_OK | MB_ICONINFORMATION);
}
