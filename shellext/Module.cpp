// The DLL's entry point, its class factories and its four exports.
#include <windows.h>
#include <olectl.h>

#include <cstring>

#include "../framework/FileSystem.h"
#include "ConvShlExt.h"
#include "ExplorerCommand.h"
#include "Identity.h"
#include "Module.h"
#include "PackageIdentity.h"
#include "Registration.h"

HINSTANCE g_hModule = nullptr;

namespace {
LONG g_lockCount = 0;

// Hands the new object's interface out and drops the creator's reference.
template <typename T>
HRESULT HandOut(T* object, REFIID riid, void** ppv) {
    if (!object) return E_OUTOFMEMORY;
    HRESULT hr = object->QueryInterface(riid, ppv);
    object->Release();
    return hr;
}
HRESULT CreateClassicHandler(REFIID riid, void** ppv) { return HandOut(new (std::nothrow) CConvShlExt(), riid, ppv); }
HRESULT CreateConvertCommand(REFIID riid, void** ppv) {
    return HandOut(new (std::nothrow) shellext::CExplorerCommand(shellext::Command::Convert), riid, ppv);
}
HRESULT CreateOptionsCommand(REFIID riid, void** ppv) {
    return HandOut(new (std::nothrow) shellext::CExplorerCommand(shellext::Command::Options), riid, ppv);
}

// One static factory per class: its references keep the module loaded.
class CClassFactory : public IClassFactory {
public:
    using Create = HRESULT (*)(REFIID, void**);
    constexpr explicit CClassFactory(Create create) : m_create(create) {}
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
        return m_create(riid, ppv);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        if (lock)
            ModuleLock();
        else
            ModuleUnlock();
        return S_OK;
    }

private:
    Create m_create;
};

// The classic handler, and the two commands the sparse package declares.
CClassFactory g_classicFactory(CreateClassicHandler), g_convertFactory(CreateConvertCommand),
    g_optionsFactory(CreateOptionsCommand);
const struct {
    const CLSID& clsid;
    CClassFactory& factory;
} kClasses[] = {
    {shellext::kClsid, g_classicFactory},
    {shellext::kConvertCommandClsid, g_convertFactory},
    {shellext::kOptionsCommandClsid, g_optionsFactory},
};
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
    for (const auto& c : kClasses)
        if (clsid == c.clsid) return c.factory.QueryInterface(riid, ppv);
    return CLASS_E_CLASSNOTAVAILABLE;
}

// The install folder may hold any character: the path is taken in UTF-16.
STDAPI DllRegisterServer() { return RegisterServer(fs::ModulePath(g_hModule).c_str()); }

STDAPI DllUnregisterServer() { return UnregisterServer(fs::ModulePath(g_hModule).c_str()); }
