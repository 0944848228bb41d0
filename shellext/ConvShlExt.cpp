#include "ConvShlExt.h"

#include <shellapi.h>

#include <cstdio>
#include <cstring>

#include "../framework/Handles.h"
#include "DropList.h"
#include "Identity.h"
#include "Module.h"

namespace {
const char kConvert[] = "Convert to WAV";
const char kOptions[] = "Converter Options...";
const char kConvertHelp[] = "Convert to WAV file(s)";

// Owns a storage medium obtained from a data object.
class CStgMedium {
public:
    STGMEDIUM medium{};
    ~CStgMedium() {
        if (medium.tymed != TYMED_NULL) ReleaseStgMedium(&medium);
    }
};
}  // namespace

CConvShlExt::CConvShlExt() : m_hMenuBitmap(LoadBitmapA(g_hModule, MAKEINTRESOURCEA(210))) { ModuleLock(); }

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
    const std::string& first = names[0];
    if (first.empty() || first.size() >= MAX_PATH) return E_INVALIDARG;
    m_bShowMenu = QualifiesForMenu(first);
    m_names = std::move(names);
    return S_OK;
}

HRESULT CConvShlExt::QueryContextMenu(HMENU menu, UINT index, UINT first, UINT, UINT flags) {
    if ((flags & CMF_DEFAULTONLY) || !m_bShowMenu) return MAKE_HRESULT(SEVERITY_SUCCESS, 0, 0);
    if ((flags & 0x0F) && !(flags & (CMF_VERBSONLY | CMF_EXPLORE))) return MAKE_HRESULT(SEVERITY_SUCCESS, 0, 0);
    InsertMenuA(menu, index, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
    InsertMenuA(menu, index + 1, MF_BYPOSITION | MF_STRING, first + CMD_CONVERT, kConvert);
    InsertMenuA(menu, index + 2, MF_BYPOSITION | MF_STRING, first + CMD_OPTIONS, kOptions);
    InsertMenuA(menu, index + 3, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
    SetMenuItemBitmaps(menu, index + 1, MF_BYPOSITION, m_hMenuBitmap, nullptr);
    SetMenuItemBitmaps(menu, index + 2, MF_BYPOSITION, m_hMenuBitmap, nullptr);
    return MAKE_HRESULT(SEVERITY_SUCCESS, 0, 2);
}

HRESULT CConvShlExt::GetCommandString(UINT_PTR command, UINT flags, UINT*, CHAR* buffer, UINT size) {
    if (!(flags & GCS_HELPTEXTA) || !buffer || size == 0) return S_OK;
    const char* text = command == CMD_CONVERT ? kConvertHelp : command == CMD_OPTIONS ? kOptions : "default";
    if (flags & GCS_UNICODE) {
        wchar_t wide[64] = {};
        MultiByteToWideChar(CP_ACP, 0, text, -1, wide, 64);
        lstrcpynW(reinterpret_cast<wchar_t*>(buffer), wide, static_cast<int>(size));
    } else {
        lstrcpynA(buffer, text, static_cast<int>(size));
    }
    return S_OK;
}

int CConvShlExt::WriteFileList(const char* listPath) {
    FILE* probe = fopen(listPath, "rt");
    if (probe) {
        fclose(probe);
        SetFileAttributesA(listPath, FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(listPath);
    }
    FILE* list = fopen(listPath, "w+t");
    if (!list) return 0;
    // Only names that fit the reader's 260-byte slots are listed, never cut ones;
    // the count is of the names listed, so the reader finds every line it expects.
    std::vector<const std::string*> listed;
    for (const auto& name : m_names)
        if (!name.empty() && name.size() < MAX_PATH) listed.push_back(&name);
    fprintf(list, "0\n%s\n%d\n", m_szDllFolder, static_cast<int>(listed.size()));
    for (const auto* name : listed) fprintf(list, "%s\n", name->c_str());
    fclose(list);
    SetFileAttributesA(listPath, FILE_ATTRIBUTE_HIDDEN);
    return 1;
}

HRESULT CConvShlExt::InvokeCommand(CMINVOKECOMMANDINFO* info) {
    // Verbs by name are not ours; an offset comes with a zero high word.
    if (!info || HIWORD(reinterpret_cast<UINT_PTR>(info->lpVerb)) != 0) return E_INVALIDARG;
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    std::string listPath = std::string(temp) + "\\filelist.flt";

    memset(m_szDllFolder, 0, sizeof(m_szDllFolder));
    memset(m_szProgramPath, 0, sizeof(m_szProgramPath));
    const char* slash = strrchr(g_szModulePath, '\\');
    if (slash) {
        const char* end = slash;
        while (end > g_szModulePath && end[-1] == '\\') --end;
        memcpy(m_szDllFolder, g_szModulePath, static_cast<size_t>(end - g_szModulePath));
    }
    snprintf(m_szProgramPath, sizeof(m_szProgramPath), "%s\\Wavory.exe", m_szDllFolder);

    switch (LOWORD(reinterpret_cast<UINT_PTR>(info->lpVerb))) {
    case CMD_CONVERT:
        WriteFileList(listPath.c_str());
        ShellExecuteA(nullptr, "open", m_szProgramPath, "-i", nullptr, SW_SHOWNORMAL);
        break;
    case CMD_OPTIONS:
        ShellExecuteA(nullptr, "open", m_szProgramPath, "-o", nullptr, SW_SHOWNORMAL);
        break;
    default:
        break;
    }
    return S_OK;
}
