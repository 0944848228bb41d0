#include "Wavory.h"

#include "../framework/Dialog.h"
#include "../options/Settings.h"
#include "../res/resource.h"

CWavoryApp theApp;

BOOL CWavoryApp::InitInstance() {
    SetRegistryKey(settings::kRegistryKey);
    CDialog dialog(IDD_WAVORY_DIALOG);
    m_pMainWnd = &dialog;
    dialog.DoModal();
    m_pMainWnd = nullptr;
    return FALSE;
}
