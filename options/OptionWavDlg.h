// The options dialog: every setting, loaded each time it is shown and stored on OK.
#pragma once
#include <string>

#include "../framework/Dialog.h"
#include "../ui/HyperLink.h"

class COptionWavDlg : public CDialog {
public:
    explicit COptionWavDlg(CWnd* parent = nullptr);

    CHyperLink m_linkMail;
    CHyperLink m_linkHome;
    int m_nOutputTo = -1;
    std::string m_strOutputPath;
    int m_bVolumeNormalize = 0;
    int m_bPromptBefore = 0;
    int m_bDisplayInfo = 0;
    int m_bNotDisplayErrInfo = 0;
    int m_bKeepTree = 0;
    int m_bCopyTags = 0;
    int m_nFilesAtOnce = 0;  // the list's choice: 0 one a core, else that many files
    int m_nFormat = -1;
    WAVEFORMATEX m_wfxOther{};

protected:
    void DoDataExchange(CDataExchange& dx) override;
    BOOL OnInitDialog() override;
    void OnShowWindow(bool show, UINT status) override;
    bool OnCommand(UINT id, UINT code, HWND control) override;
    void OnOK() override;

private:
    void Load();
    void OnBrowse();
    void OnChangeFormat();
    void EnableOutputPath(bool enable);
    void EnableFormatChoice(bool enable);
    void EnableLevelList();
    void FillFilesAtOnce();
};
