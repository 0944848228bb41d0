#include "DlgProxy.h"

#include <cstring>
#include <string>

#include "../framework/WinApp.h"
#include "../framework/Wnd.h"

namespace automation {
// {58223E6A-9342-4440-9B26-54B6DF7EC493}
const CLSID kClsid = {0x58223E6A, 0x9342, 0x4440, {0x9B, 0x26, 0x54, 0xB6, 0xDF, 0x7E, 0xC4, 0x93}};
// {AAE21C41-E61B-46B6-AE81-3464BE239476}
const IID kIidDispatchInterface = {0xAAE21C41, 0xE61B, 0x46B6, {0xAE, 0x81, 0x34, 0x64, 0xBE, 0x23, 0x94, 0x76}};
}  // namespace automation

namespace {
CWavoryDlgAutoProxy* g_current = nullptr;
LONG g_appLocks = 0;
DWORD g_registration = 0;

class CProxyFactory : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IClassFactory) {
            *ppv = static_cast<IClassFactory*>(this);
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        // One object a process: a second one on a factory kept by a client would
        // leave two proxies that believe they hold the one dialog.
        if (CWavoryDlgAutoProxy::Current()) return CLASS_E_CLASSNOTAVAILABLE;
        auto* proxy = new (std::nothrow) CWavoryDlgAutoProxy();
        if (!proxy) return E_OUTOFMEMORY;
        HRESULT hr = proxy->QueryInterface(riid, ppv);
        proxy->Release();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        lock ? automation::LockApp() : automation::UnlockApp();
        return S_OK;
    }
};
CProxyFactory g_factory;
}  // namespace

CWavoryDlgAutoProxy::CWavoryDlgAutoProxy() {
    automation::LockApp();
    g_current = this;
    // Attached now when the conversion dialog is the main window; otherwise (the
    // program is still in its file dialog) the dialog attaches it when it starts.
    CWinApp* app = AfxGetApp();
    if (app) Attach(dynamic_cast<IAutomationHost*>(app->m_pMainWnd));
}

CWavoryDlgAutoProxy::~CWavoryDlgAutoProxy() {
    IAutomationHost* dialog = m_pDialog;
    Attach(nullptr);
    if (g_current == this) g_current = nullptr;
    automation::UnlockApp();
    // The last lock gone and the dialog hidden: nobody controls the program any more.
    if (dialog && automation::AppLocks() == 0) dialog->OnProxyReleased();
}

CWavoryDlgAutoProxy* CWavoryDlgAutoProxy::Current() { return g_current; }

void CWavoryDlgAutoProxy::Attach(IAutomationHost* dialog) {
    if (m_pDialog) m_pDialog->SetAutoProxy(nullptr);
    m_pDialog = dialog;
    if (m_pDialog) m_pDialog->SetAutoProxy(this);
}

HRESULT CWavoryDlgAutoProxy::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDispatch || riid == automation::kIidDispatchInterface) {
        *ppv = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG CWavoryDlgAutoProxy::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&m_nRefCount)); }

ULONG CWavoryDlgAutoProxy::Release() {
    LONG count = InterlockedDecrement(&m_nRefCount);
    if (count == 0) delete this;
    return static_cast<ULONG>(count);
}

namespace automation {

bool IsAutomationStart(const char* commandLine) {
    std::string line = commandLine ? commandLine : "";
    size_t pos = 0;
    while (pos < line.size()) {
        size_t end = line.find_first_of(" \t", pos);
        if (end == std::string::npos) end = line.size();
        std::string token = line.substr(pos, end - pos);
        if (token.size() > 1 && (token[0] == '/' || token[0] == '-') &&
            (lstrcmpiA(token.c_str() + 1, "Automation") == 0 || lstrcmpiA(token.c_str() + 1, "Embedding") == 0))
            return true;
        pos = end + 1;
    }
    return false;
}

bool RegisterClassFactory() {
    return SUCCEEDED(CoRegisterClassObject(kClsid, &g_factory, CLSCTX_LOCAL_SERVER, REGCLS_SINGLEUSE, &g_registration));
}

void RevokeClassFactory() {
    if (g_registration) CoRevokeClassObject(g_registration);
    g_registration = 0;
}

void LockApp() { InterlockedIncrement(&g_appLocks); }
void UnlockApp() { InterlockedDecrement(&g_appLocks); }
LONG AppLocks() { return g_appLocks; }

}  // namespace automation
