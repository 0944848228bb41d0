// The About box, reached from the system menu.
#pragma once
#include "../framework/Dialog.h"
#include "../ui/HyperLink.h"

class CAboutDlg : public CDialog {
public:
    explicit CAboutDlg(CWnd* parent);
    CHyperLink m_ctlHomeLink;

protected:
    void DoDataExchange(CDataExchange& dx) override;
    BOOL OnInitDialog() override;
};
