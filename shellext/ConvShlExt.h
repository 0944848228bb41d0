// The context-menu handler: "Convert to WAV" and "Converter Options...".
#pragma once
#include <windows.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "../framework/EmptyDispatch.h"

constexpr UINT CMD_CONVERT = 0;
constexpr UINT CMD_OPTIONS = 1;

class CConvShlExt : public CEmptyDispatch, public IShellExtInit, public IContextMenu {
public:
    CConvShlExt();

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    // IShellExtInit
    HRESULT STDMETHODCALLTYPE Initialize(PCIDLIST_ABSOLUTE folder, IDataObject* data, HKEY progId) override;
    // IContextMenu
    HRESULT STDMETHODCALLTYPE QueryContextMenu(HMENU menu, UINT index, UINT first, UINT last, UINT flags) override;
    HRESULT STDMETHODCALLTYPE InvokeCommand(CMINVOKECOMMANDINFO* info) override;
    HRESULT STDMETHODCALLTYPE GetCommandString(UINT_PTR command, UINT flags, UINT* reserved, CHAR* buffer,
                                               UINT size) override;

    BOOL m_bShowMenu = 0;

private:
    virtual ~CConvShlExt();
    HRESULT ReadSelection(IDataObject* data);
    LONG m_nRefCount = 1;
    HBITMAP m_hMenuBitmap;
    // The selection, read from the drop list once in Initialize.
    std::vector<std::string> m_names;
};
