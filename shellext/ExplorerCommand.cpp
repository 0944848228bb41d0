#include "ExplorerCommand.h"

#include <shlwapi.h>

#include <string>
#include <vector>

#include "../framework/ComPtr.h"
#include "../framework/ComWall.h"
#include "../framework/FileSystem.h"
#include "../framework/Handles.h"
#include "../framework/Unicode.h"
#include "DropList.h"
#include "HandOff.h"
#include "Module.h"
#include "PackageIdentity.h"
#include "Texts.h"
#include "resource.h"

namespace shellext {
namespace {
// A string the caller frees with CoTaskMemFree, as the interface wants.
HRESULT HandOutText(const std::string& text, LPWSTR* out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    return SHStrDupW(Widen(text).c_str(), out);
}

// False for an item outside the file system (a library's root, a phone).
bool FileSystemPath(IShellItem* item, std::string& path) {
    CCoTaskMemString name;
    if (FAILED(item->GetDisplayName(SIGDN_FILESYSPATH, name.Receive())) || !name.IsValid()) return false;
    path = Narrow(name.Get());
    return !path.empty();
}

// The selection's paths in UTF-8, in the order of the array; the classic menu
// sees no item without a path either (its drop list holds none).
std::vector<std::string> SelectedPaths(IShellItemArray* items) {
    std::vector<std::string> paths;
    DWORD count = 0;
    if (!items || FAILED(items->GetCount(&count))) return paths;
    for (DWORD i = 0; i < count; ++i) {
        CComPtr<IShellItem> item;
        std::string path;
        if (SUCCEEDED(items->GetItemAt(i, item.Receive())) && FileSystemPath(item.Get(), path))
            paths.push_back(path);
    }
    return paths;
}

// The classic handler's rule: the first item decides.
bool FirstItemQualifies(IShellItemArray* items) {
    DWORD count = 0;
    CComPtr<IShellItem> first;
    std::string path;
    if (!items || FAILED(items->GetCount(&count)) || count == 0) return false;
    if (FAILED(items->GetItemAt(0, first.Receive())) || !FileSystemPath(first.Get(), path)) return false;
    return QualifiesForMenu(path);
}
}  // namespace

CExplorerCommand::CExplorerCommand(Command command) : m_command(command) { ModuleLock(); }

CExplorerCommand::~CExplorerCommand() { ModuleUnlock(); }

HRESULT CExplorerCommand::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (riid != IID_IUnknown && riid != IID_IExplorerCommand) {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    *ppv = static_cast<IExplorerCommand*>(this);
    AddRef();
    return S_OK;
}

ULONG CExplorerCommand::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&m_refs)); }

ULONG CExplorerCommand::Release() {
    LONG count = InterlockedDecrement(&m_refs);
    if (count == 0) delete this;
    return static_cast<ULONG>(count);
}

HRESULT CExplorerCommand::GetTitle(IShellItemArray*, LPWSTR* name) {
    return ComWall([&] { return HandOutText(m_command == Command::Convert ? kConvertTitle : kOptionsTitle, name); });
}

HRESULT CExplorerCommand::GetIcon(IShellItemArray*, LPWSTR* icon) {
    return ComWall([&] {
        return HandOutText(fs::ModulePath(g_hModule) + ",-" + std::to_string(IDI_COMMAND), icon);
    });
}

HRESULT CExplorerCommand::GetToolTip(IShellItemArray*, LPWSTR* tip) {
    return ComWall([&] { return HandOutText(m_command == Command::Convert ? kConvertHelp : kOptionsHelp, tip); });
}

HRESULT CExplorerCommand::GetCanonicalName(GUID* name) {
    if (!name) return E_POINTER;
    *name = m_command == Command::Convert ? kConvertCommandClsid : kOptionsCommandClsid;
    return S_OK;
}

HRESULT CExplorerCommand::GetState(IShellItemArray* items, BOOL, EXPCMDSTATE* state) {
    return ComWall([&] {
        if (!state) return E_POINTER;
        // Looking for a folder may touch the disk even when Explorer asks for
        // speed; the classic handler does the same in Initialize.
        *state = FirstItemQualifies(items) ? ECS_ENABLED : ECS_HIDDEN;
        return S_OK;
    });
}

HRESULT CExplorerCommand::Invoke(IShellItemArray* items, IBindCtx*) {
    return ComWall([&] {
        if (m_command == Command::Options) return StartOptions();
        std::vector<std::string> names = SelectedPaths(items);
        return names.empty() ? E_INVALIDARG : StartConversion(names);
    });
}

HRESULT CExplorerCommand::GetFlags(EXPCMDFLAGS* flags) {
    if (!flags) return E_POINTER;
    *flags = ECF_DEFAULT;
    return S_OK;
}

HRESULT CExplorerCommand::EnumSubCommands(IEnumExplorerCommand** commands) {
    if (commands) *commands = nullptr;
    return E_NOTIMPL;
}

}  // namespace shellext
