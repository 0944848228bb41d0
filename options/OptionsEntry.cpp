#include "OptionsEntry.h"

#include "../framework/WinApp.h"
#include "OptionWavDlg.h"

void ShowOptionsDialog(CWnd* parent) {
    COptionWavDlg dialog(parent);
    // Without an owner it is the program's one window (the options mode): boxes
    // and the folder browser are then owned by it.
    CWinApp* app = AfxGetApp();
    const bool isMain = !parent && app && !app->m_pMainWnd;
    if (isMain) app->m_pMainWnd = &dialog;
    dialog.DoModal();
    if (isMain) app->m_pMainWnd = nullptr;
}
