#include "WinApp.h"

#include "FileSystem.h"
#include "RegKey.h"
#include "Wnd.h"

namespace {
CWinApp* g_app = nullptr;

std::string ExecutableBaseName() {
    std::string path = fs::ModulePath(nullptr);
    std::string base = path.substr(path.rfind('\\') + 1);
    size_t dot = base.rfind('.');
    if (dot != std::string::npos) base.erase(dot);
    return base;
}
}  // namespace

CWinApp::CWinApp(const char* appName)
    : m_strAppName(appName ? appName : ExecutableBaseName()) {
    g_app = this;
}

CWinApp::~CWinApp() {
    if (g_app == this) g_app = nullptr;
}

BOOL CWinApp::InitInstance() { return FALSE; }

int CWinApp::Run() {
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return ExitInstance();
}

int CWinApp::ExitInstance() { return 0; }

std::string CWinApp::SectionKeyPath(const char* section) const {
    if (m_strRegistryKey.empty()) return std::string();
    return "Software\\" + m_strRegistryKey + "\\" + m_strAppName + "\\" + section;
}

UINT CWinApp::GetProfileInt(const char* section, const char* entry, int defaultValue) const {
    std::string path = SectionKeyPath(section);
    CRegKey key;
    DWORD value = 0;
    if (path.empty() || key.Open(HKEY_CURRENT_USER, path.c_str()) != ERROR_SUCCESS ||
        key.QueryDWORD(entry, value) != ERROR_SUCCESS)
        return static_cast<UINT>(defaultValue);
    return value;
}

std::string CWinApp::GetProfileString(const char* section, const char* entry, const char* defaultValue) const {
    std::string path = SectionKeyPath(section);
    CRegKey key;
    std::string value;
    if (path.empty() || key.Open(HKEY_CURRENT_USER, path.c_str()) != ERROR_SUCCESS ||
        key.QueryString(entry, value) != ERROR_SUCCESS)
        return defaultValue ? defaultValue : "";
    return value;
}

BOOL CWinApp::WriteProfileInt(const char* section, const char* entry, int value) {
    std::string path = SectionKeyPath(section);
    CRegKey key;
    if (path.empty() || key.Create(HKEY_CURRENT_USER, path.c_str()) != ERROR_SUCCESS) return FALSE;
    return key.SetDWORD(entry, static_cast<DWORD>(value)) == ERROR_SUCCESS;
}

BOOL CWinApp::WriteProfileString(const char* section, const char* entry, const char* value) {
    std::string path = SectionKeyPath(section);
    CRegKey key;
    if (path.empty() || key.Create(HKEY_CURRENT_USER, path.c_str()) != ERROR_SUCCESS) return FALSE;
    if (!value) return key.DeleteValue(entry) == ERROR_SUCCESS;
    return key.SetString(entry, value) == ERROR_SUCCESS;
}

CWinApp* AfxGetApp() { return g_app; }

HWND AfxGetMainHwnd() { return g_app ? SafeHwnd(g_app->m_pMainWnd) : nullptr; }

int AfxWinMain(HINSTANCE instance, const char* cmdLine, int cmdShow) {
    CWinApp* app = AfxGetApp();
    if (!app) return -1;
    app->m_hInstance = instance;
    app->m_lpCmdLine = cmdLine ? cmdLine : "";
    app->m_nCmdShow = cmdShow;
    if (!app->InitInstance()) return app->ExitInstance();
    return app->Run();
}
