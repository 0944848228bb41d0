#include "OptionsEntry.h"

#include "OptionWavDlg.h"

void ShowOptionsDialog(CWnd* parent) {
    COptionWavDlg dialog(parent);
    dialog.DoModal();
}
