#include "Registration.h"

#include <olectl.h>
#include <oleauto.h>

#include <string>

#include "../framework/RegKey.h"
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

std::wstring Wide(const char* text) {
    wchar_t wide[MAX_PATH] = {};
    MultiByteToWideChar(CP_ACP, 0, text, -1, wide, MAX_PATH);
    return wide;
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
    std::wstring path = Wide(modulePath);
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
    for (std::string key : {ClsidKey(), HandlerKey("*"), HandlerKey("Folder"), std::string(kProgId),
                            std::string(kVersionIndependentProgId)})
        CRegKey::DeleteTree(HKEY_CLASSES_ROOT, key.c_str());
#ifdef _WIN64
    const SYSKIND kind = SYS_WIN64;
#else
    const SYSKIND kind = SYS_WIN32;
#endif
    HRESULT hr = UnRegisterTypeLib(kLibid, 1, 0, LOCALE_NEUTRAL, kind);
    // A library that was not registered is already as unregistration leaves it.
    return hr == TYPE_E_REGISTRYACCESS ? S_OK : hr;
}
