// The commands of Windows 11's own context menu (and, on Windows 10 2004 and
// later, of the classic one), declared by the sparse package: "Convert to WAV"
// and "Converter Options..." as two entries, each its own class. Two entries
// rather than one with a submenu: the menus show the same two items, each one
// click away, as the classic handler does on every other Windows.
#pragma once
#include <windows.h>
#include <shobjidl.h>

namespace shellext {

enum class Command { Convert, Options };

class CExplorerCommand : public IExplorerCommand {
public:
    explicit CExplorerCommand(Command command);

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    // IExplorerCommand
    HRESULT STDMETHODCALLTYPE GetTitle(IShellItemArray* items, LPWSTR* name) override;
    HRESULT STDMETHODCALLTYPE GetIcon(IShellItemArray* items, LPWSTR* icon) override;
    HRESULT STDMETHODCALLTYPE GetToolTip(IShellItemArray* items, LPWSTR* tip) override;
    HRESULT STDMETHODCALLTYPE GetCanonicalName(GUID* name) override;
    HRESULT STDMETHODCALLTYPE GetState(IShellItemArray* items, BOOL okToBeSlow, EXPCMDSTATE* state) override;
    HRESULT STDMETHODCALLTYPE Invoke(IShellItemArray* items, IBindCtx* context) override;
    HRESULT STDMETHODCALLTYPE GetFlags(EXPCMDFLAGS* flags) override;
    HRESULT STDMETHODCALLTYPE EnumSubCommands(IEnumExplorerCommand** commands) override;

private:
    virtual ~CExplorerCommand();
    LONG m_refs = 1;
    const Command m_command;
};

}  // namespace shellext
