// The application object: the whole run of the program happens in InitInstance.
#pragma once
#include "../framework/WinApp.h"

class CWavoryApp : public CWinApp {
public:
    BOOL InitInstance() override;
    int ExitInstance() override;

    // True when BatchState's output folder lies on a CD/DVD drive.
    static bool IsOutputOnCdRom();

private:
    void RunOptionsMode();
    void RunListMode(const std::string& listPath);  // empty: the shared list
    void RunFileDialogMode();
    void RunConversionDialog();
    bool RefuseCdRomOutput();

    int m_exitCode = 0;
};
