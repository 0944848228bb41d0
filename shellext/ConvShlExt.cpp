#include "ConvShlExt.h"

#include "../framework/ComWall.h"
#include "../framework/Handles.h"
#include "../framework/Unicode.h"
#include "DropList.h"
#include "HandOff.h"
#include "Identity.h"
#include "Module.h"
#include "PackagedMenu.h"
#include "Texts.h"
#include "resource.h"

using namespace shellext;

namespace {
// Owns a storage medium obtained from a data object.
class CStgMedium {
public:
    STGMEDIUM medium{};
    ~CStgMedium() {
        if (medium.tymed != TYMED_NULL) ReleaseStgMedium(&medium);
    }
};
}  // namespace

CConvShlExt::CConvShlExt() : m_hMenuBitmap(LoadBitmapA(g_hModule, MAKEINTRESOURCEA(IDB_MENU))) { ModuleLock(); }

CConvShlExt::~CConvShlExt() {
    if (m_hMenuBitmap) DeleteObject(m_hMenuBitmap);
    ModuleUnlock();
}

HRESULT CConvShlExt::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDispatch || riid == shellext::kIidConvShlExt)
        *ppv = static_cast<IDispatch*>(this);
    else if (riid == IID_IShellExtInit)
        *ppv = static_cast<IShellExtInit*>(this);
    else if (riid == IID_IContextMenu)
        *ppv = static_cast<IContextMenu*>(this);
    else {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG CConvShlExt::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&m_nRefCount)); }

ULONG CConvShlExt::Release() {
    LONG count = InterlockedDecrement(&m_nRefCount);
    if (count == 0) delete this;
    return static_cast<ULONG>(count);
}

HRESULT CConvShlExt::Initialize(PCIDLIST_ABSOLUTE, IDataObject* data, HKEY) {
    return ComWall([&] { return ReadSelection(data); });
}

HRESULT CConvShlExt::ReadSelection(IDataObject* data) {
    // A second call replaces what the first one read.
    m_names.clear();
    m_bShowMenu = 0;
    if (!data) return E_INVALIDARG;
    FORMATETC format = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    CStgMedium storage;
    if (FAILED(data->GetData(&format, &storage.medium)) || storage.medium.tymed != TYMED_HGLOBAL)
        return E_INVALIDARG;
    CGlobalLock<void> lock(storage.medium.hGlobal);
    if (!lock.Get()) return E_INVALIDARG;
    std::vector<std::string> names;
    if (!ParseDropList(lock.Get(), lock.Size(), names) || names.empty()) return E_INVALIDARG;
    if (names[0].empty()) return E_INVALIDARG;
    m_bShowMenu = QualifiesForMenu(names[0]);
    m_names = std::move(names);
    return S_OK;
}

HRESULT CConvShlExt::QueryContextMenu(HMENU menu, UINT index, UINT first, UINT, UINT flags) {
    if ((flags & CMF_DEFAULTONLY) || !m_bShowMenu) return MAKE_HRESULT(SEVERITY_SUCCESS, 0, 0);
    if ((flags & 0x0F) && !(flags & (CMF_VERBSONLY | CMF_EXPLORE))) return MAKE_HRESULT(SEVERITY_SUCCESS, 0, 0);
    if (PackagedCommandsServeThisProcess()) return MAKE_HRESULT(SEVERITY_SUCCESS, 0, 0);
    InsertMenuA(menu, index, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
    InsertMenuA(menu, index + 1, MF_BYPOSITION | MF_STRING, first + CMD_CONVERT, kConvertTitle);
    InsertMenuA(menu, index + 2, MF_BYPOSITION | MF_STRING, first + CMD_OPTIONS, kOptionsTitle);
    InsertMenuA(menu, index + 3, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
    SetMenuItemBitmaps(menu, index + 1, MF_BYPOSITION, m_hMenuBitmap, nullptr);
    SetMenuItemBitmaps(menu, index + 2, MF_BYPOSITION, m_hMenuBitmap, nullptr);
    return MAKE_HRESULT(SEVERITY_SUCCESS, 0, 2);
}

HRESULT CConvShlExt::GetCommandString(UINT_PTR command, UINT flags, UINT*, CHAR* buffer, UINT size) {
    if (!(flags & GCS_HELPTEXTA) || !buffer || size == 0) return S_OK;
    const char* text = command == CMD_CONVERT ? kConvertHelp : command == CMD_OPTIONS ? kOptionsHelp : "default";
    return ComWall([&] {
        if (flags & GCS_UNICODE)
            lstrcpynW(reinterpret_cast<wchar_t*>(buffer), Widen(text).c_str(), static_cast<int>(size));
        else
            lstrcpynA(buffer, text, static_cast<int>(size));
        return S_OK;
    });
}

HRESULT CConvShlExt::InvokeCommand(CMINVOKECOMMANDINFO* info) {
    // Verbs by name are not ours; an offset comes with a zero high word.
    if (!info || HIWORD(reinterpret_cast<UINT_PTR>(info->lpVerb)) != 0) return E_INVALIDARG;
    return ComWall([&] {
        switch (LOWORD(reinterpret_cast<UINT_PTR>(info->lpVerb))) {
        case CMD_CONVERT:
            return StartConversion(m_names);
        case CMD_OPTIONS:
            return StartOptions();
        default:
            return S_OK;
        }
    });
}
