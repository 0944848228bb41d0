// The automation object "Wavory.Application": an empty dispatch interface
// whose life keeps the program alive and makes its dialog hide, not close.
#pragma once
#include <windows.h>
#include <oaidl.h>

#include "../framework/EmptyDispatch.h"
#include "AutomationRegistry.h"

class CWavoryDlgAutoProxy;

// What the automation object needs of the window whose life it extends.
class IAutomationHost {
public:
    // The proxy attaches itself, or detaches with null.
    virtual void SetAutoProxy(CWavoryDlgAutoProxy* proxy) = 0;
    // The client let go of the object.
    virtual void OnProxyReleased() = 0;

protected:
    ~IAutomationHost() = default;
};

class CWavoryDlgAutoProxy : public CEmptyDispatch {
public:
    CWavoryDlgAutoProxy();

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // Attaches to the dialog (both back pointers); detaches with null.
    void Attach(IAutomationHost* dialog);
    IAutomationHost* m_pDialog = nullptr;

    // The proxy that lives now, if any (the class is single use: one a process).
    static CWavoryDlgAutoProxy* Current();

private:
    virtual ~CWavoryDlgAutoProxy();
    LONG m_nRefCount = 1;
};

// Class factory, registration and the automation start.
namespace automation {
extern const CLSID kClsid;
extern const IID kIidDispatchInterface;

// True when the command line carries the framework's automation or embedding switch.
bool IsAutomationStart(const char* commandLine);
// Registers the class factory as running, single use; Revoke undoes it.
bool RegisterClassFactory();
void RevokeClassFactory();
// The application lock: the program stays alive while it is held.
void LockApp();
void UnlockApp();
LONG AppLocks();
}  // namespace automation
