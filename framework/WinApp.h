// The application object: command line, main window and the profile
// functions that keep settings under HKCU\Software\<key>\<application>\<section>.
#pragma once
#include <windows.h>
#include <string>

class CWnd;

class CWinApp {
public:
    // Without a name the application is named after the executable's base name.
    explicit CWinApp(const char* appName = nullptr);
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // The run of the program; returning FALSE ends it, TRUE enters Run.
    virtual BOOL InitInstance();
    virtual int Run();
    virtual int ExitInstance();

    void SetRegistryKey(const char* key) { m_strRegistryKey = key ? key : ""; }
    // "Software\<key>\<application>\<section>", or empty while no key is set.
    std::string SectionKeyPath(const char* section) const;

    // Reading never creates a key or a value.
    UINT GetProfileInt(const char* section, const char* entry, int defaultValue) const;
    std::string GetProfileString(const char* section, const char* entry, const char* defaultValue = "") const;
    BOOL WriteProfileInt(const char* section, const char* entry, int value);
    BOOL WriteProfileString(const char* section, const char* entry, const char* value);

    HINSTANCE m_hInstance = nullptr;
    std::string m_strAppName;
    std::string m_strRegistryKey;
    const char* m_lpCmdLine = "";
    int m_nCmdShow = SW_SHOWNORMAL;
    CWnd* m_pMainWnd = nullptr;
};

CWinApp* AfxGetApp();
HWND AfxGetMainHwnd();

// The framework's entry: runs the application object's life. WinMain calls it.
int AfxWinMain(HINSTANCE instance, const char* cmdLine, int cmdShow);
