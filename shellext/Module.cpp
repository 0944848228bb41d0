// The DLL's entry point, its class factory and its four exports.
#include <windows.h>
#include <olectl.h>

#include <cstring>

#include "../framework/FileSystem.h"
#include "ConvShlExt.h"
#include "Identity.h"
#include "Module.h"
#include "Registration.h"

HINSTANCE g_hModule = nullptr;

namespace {
LONG g_lockCount = 0;

class CClassFactory : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IClassFactory) {
            *ppv = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    // One static factory: its references keep the module loaded.
    ULONG STDMETHODCALLTYPE AddRef() override {
        ModuleLock();
        return 2;
    }
    ULONG STDMETHODCALLTYPE Release() override {
        ModuleUnlock();
        return 1;
    }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        CConvShlExt* object = new (std::nothrow) CConvShlExt();
        if (!object) return E_OUTOFMEMORY;
        HRESULT hr = object->QueryInterface(riid, ppv);
        object->Release();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        if (lock)
            ModuleLock();
        else
            ModuleUnlock();
        return S_OK;
    }
};
CClassFactory g_factory;
}  // namespace

void ModuleLock() { InterlockedIncrement(&g_lockCount); }
void ModuleUnlock() { InterlockedDecrement(&g_lockCount); }
LONG ModuleLockCount() { return g_lockCount; }

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void*) {
    if (reason == DLL_PROCESS_ATTACH || reason == DLL_PROCESS_DETACH) {
        g_hModule = instance;
        if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

STDAPI DllCanUnloadNow() { return ModuleLockCount() == 0 ? S_OK : S_FALSE; }

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (clsid != shellext::kClsid) return CLASS_E_CLASSNOTAVAILABLE;
    return g_factory.QueryInterface(riid, ppv);
}

// The install folder may hold any character: the path is taken in UTF-16.
STDAPI DllRegisterServer() { return RegisterServer(fs::ModulePath(g_hModule).c_str()); }

STDAPI DllUnregisterServer() { return UnregisterServer(fs::ModulePath(g_hModule).c_str()); }
