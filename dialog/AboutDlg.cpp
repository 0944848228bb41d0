#include "AboutDlg.h"

#include "../res/resource.h"

namespace {
const char kHomePage[] = "https://www.wavory.example/";
}

CAboutDlg::CAboutDlg(CWnd* parent) : CDialog(IDD_ABOUTBOX, parent) {}

void CAboutDlg::DoDataExchange(CDataExchange& dx) { DDX_Control(dx, IDC_HOMEPAGE_LINK, m_ctlHomeLink); }

BOOL CAboutDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    m_ctlHomeLink.SetLinkUrl(kHomePage);
    m_ctlHomeLink.SetUnderlined(TRUE);
    m_ctlHomeLink.m_hLinkCursor = LoadCursorA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDC_HAND_CURSOR));
    return TRUE;
}
