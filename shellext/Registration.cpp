#include "Registration.h"

#include <olectl.h>
#include <oleauto.h>

#include <string>

#include "../framework/RegKey.h"
#include "../framework/Unicode.h"
#include "Identity.h"

namespace {
using namespace shellext;

bool IsNtFamily() { return !(GetVersion() & 0x80000000u); }

LONG SetDefault(const std::string& key, const char* value) {
    CRegKey k;
    LONG rc = k.Create(HKEY_CLASSES_ROOT, key.c_str(), KEY_WRITE);
    return rc == ERROR_SUCCESS ? k.SetString(nullptr, value) : rc;
}

std::string ClsidKey() { return std::string("CLSID\\") + kClsidText; }
std::string HandlerKey(const char* root) { return std::string(root) + "\\shellex\\ContextMenuHandlers\\" + kHandlerName; }

// The registry view of the other bitness. On 32-bit Windows the flag is
// ignored and names our own view, from which the class is already gone.
#ifdef _WIN64
constexpr REGSAM kOtherView = KEY_WOW64_32KEY;
#else
constexpr REGSAM kOtherView = KEY_WOW64_64KEY;
#endif

// The class key is per view, the handler keys and (on some versions) the
// Approved key are shared: while the other bitness is registered, its
// Explorer still needs them.
bool OtherViewHasClass() {
    CRegKey server;
    return server.Open(HKEY_CLASSES_ROOT, (ClsidKey() + "\\InprocServer32").c_str(), KEY_READ | kOtherView) ==
           ERROR_SUCCESS;
}

void SetApproval(REGSAM view) {
    CRegKey approved;
    if (approved.Open(HKEY_LOCAL_MACHINE, kApprovedKey, KEY_SET_VALUE | view) == ERROR_SUCCESS)
        approved.SetString(kClsidText, kHandlerName);
}

#ifdef _WIN64
constexpr SYSKIND kTypeLibKind = SYS_WIN64;
constexpr char kTypeLibPlatform[] = "win64";
#else
constexpr SYSKIND kTypeLibKind = SYS_WIN32;
constexpr char kTypeLibPlatform[] = "win32";
#endif

bool TypeLibRegistered() {
    CRegKey key;
    const std::string path = std::string("TypeLib\\") + kLibidText + "\\1.0\\0\\" + kTypeLibPlatform;
    return key.Open(HKEY_CLASSES_ROOT, path.c_str()) == ERROR_SUCCESS;
}

HRESULT WriteKeys(const char* modulePath) {
    const std::string clsid = ClsidKey();
    // The class key and the handler keys are replaced whole.
    CRegKey::DeleteTree(HKEY_CLASSES_ROOT, clsid.c_str());
    CRegKey::DeleteTree(HKEY_CLASSES_ROOT, HandlerKey("*").c_str());
    CRegKey::DeleteTree(HKEY_CLASSES_ROOT, HandlerKey("Folder").c_str());
    const struct {
        std::string key;
        const char* value;
    } entries[] = {
        {kProgId, kDescription},
        {std::string(kProgId) + "\\CLSID", kClsidText},
        {kVersionIndependentProgId, kDescription},
        {std::string(kVersionIndependentProgId) + "\\CLSID", kClsidText},
        {std::string(kVersionIndependentProgId) + "\\CurVer", kProgId},
        {clsid, kDescription},
        {clsid + "\\ProgID", kProgId},
        {clsid + "\\VersionIndependentProgID", kVersionIndependentProgId},
        {clsid + "\\InprocServer32", modulePath},
        {clsid + "\\TypeLib", kLibidText},
        {HandlerKey("*"), kClsidText},
        {HandlerKey("Folder"), kClsidText},
    };
    for (const auto& e : entries)
        if (SetDefault(e.key, e.value) != ERROR_SUCCESS) return SELFREG_E_CLASS;
    CRegKey programmable;
    if (programmable.Create(HKEY_CLASSES_ROOT, (clsid + "\\Programmable").c_str(), KEY_WRITE) != ERROR_SUCCESS)
        return SELFREG_E_CLASS;
    CRegKey server;
    if (server.Open(HKEY_CLASSES_ROOT, (clsid + "\\InprocServer32").c_str(), KEY_WRITE) != ERROR_SUCCESS ||
        server.SetString("ThreadingModel", "Apartment") != ERROR_SUCCESS)
        return SELFREG_E_CLASS;
    return S_OK;
}
}  // namespace

HRESULT RegisterServer(const char* modulePath) {
    if (IsNtFamily()) {
        CRegKey approved;
        if (approved.Open(HKEY_LOCAL_MACHINE, kApprovedKey, KEY_SET_VALUE) != ERROR_SUCCESS ||
            approved.SetString(kClsidText, kHandlerName) != ERROR_SUCCESS)
            return E_ACCESSDENIED;
    }
    HRESULT hr = WriteKeys(modulePath);
    if (FAILED(hr)) return hr;
    ITypeLib* typeLib = nullptr;
    std::wstring path = Widen(modulePath);
    hr = LoadTypeLibEx(path.c_str(), REGKIND_NONE, &typeLib);
    if (FAILED(hr)) return SELFREG_E_TYPELIB;
    hr = RegisterTypeLib(typeLib, &path[0], nullptr);
    typeLib->Release();
    return FAILED(hr) ? SELFREG_E_TYPELIB : S_OK;
}

HRESULT UnregisterServer(const char*) {
    if (IsNtFamily()) {
        CRegKey approved;
        if (approved.Open(HKEY_LOCAL_MACHINE, kApprovedKey, KEY_SET_VALUE) == ERROR_SUCCESS)
            approved.DeleteValue(kClsidText);
    }
    CRegKey::DeleteTree(HKEY_CLASSES_ROOT, ClsidKey().c_str());
    if (OtherViewHasClass()) {
        if (IsNtFamily()) SetApproval(kOtherView);
    } else {
        for (std::string key : {HandlerKey("*"), HandlerKey("Folder"), std::string(kProgId),
                                std::string(kVersionIndependentProgId)})
            CRegKey::DeleteTree(HKEY_CLASSES_ROOT, key.c_str());
    }
    // The other bitness's registration may hold the library's key alone: then
    // there is nothing of ours to unregister.
    if (!TypeLibRegistered()) return S_OK;
    HRESULT hr = UnRegisterTypeLib(kLibid, 1, 0, LOCALE_NEUTRAL, kTypeLibKind);
    // A library that was not registered is already as unregistration leaves it.
    return hr == TYPE_E_REGISTRYACCESS ? S_OK : hr;
}
