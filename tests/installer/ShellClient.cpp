// Plays Explorer's part for the installer tests, built in both bitnesses: creates
// the extension by its class id (so through the registry, as Explorer does),
// picks "Convert to WAV" for one file, waits until the program it started has
// converted it, and closes that program.
//   shell_client FILE OUTPUT [HOLD_UNTIL]
// With HOLD_UNTIL it keeps the extension loaded until that file exists, as
// Explorer keeps it while the user upgrades. Prints what it saw; exit code 0
// when the conversion was done by the program in the extension's folder.
#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <string>

#include "framework/ComPtr.h"
#include "framework/Handles.h"
#include "res/resource.h"
#include "shellext/Identity.h"
#include "tests/shellext/DropData.h"

namespace {
constexpr DWORD kConversionDeadlineMs = 60000;
constexpr DWORD kHoldDeadlineMs = 300000;

template <typename Condition>
bool WaitUntil(Condition done, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(20);
    }
    return true;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

int Fail(int code, const char* what, HRESULT hr = S_OK) {
    printf("FAILED: %s (0x%08lX)\n", what, static_cast<unsigned long>(hr));
    return code;
}

// The conversion dialog of a Wavory.exe: a dialog with the Pause/Open button.
struct FoundDialog {
    HWND window = nullptr;
    DWORD pid = 0;
};
BOOL CALLBACK FindDialog(HWND window, LPARAM param) {
    char className[32] = {};
    GetClassNameA(window, className, sizeof(className));
    if (std::string(className) != "#32770" || !GetDlgItem(window, IDC_PAUSE)) return TRUE;
    auto* found = reinterpret_cast<FoundDialog*>(param);
    found->window = window;
    GetWindowThreadProcessId(window, &found->pid);
    return FALSE;
}

std::string ImageOf(DWORD pid) {
    CHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
    char path[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    if (!process.IsValid() || !QueryFullProcessImageNameA(process.Get(), 0, path, &size)) return "?";
    return path;
}

std::string ButtonText(HWND dialog, int id) {
    char text[64] = {};
    SendMessageTimeoutA(GetDlgItem(dialog, id), WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text),
                        SMTO_ABORTIFHUNG, 2000, nullptr);
    return text;
}

// Waits for the program's finished dialog, reports which program it was, closes it.
int FinishConversion(const std::string& output) {
    FoundDialog found;
    bool finished = WaitUntil([&] {
        found = FoundDialog();
        EnumWindows(FindDialog, reinterpret_cast<LPARAM>(&found));
        return found.window && ButtonText(found.window, IDC_PAUSE) == "Open";
    }, kConversionDeadlineMs);
    if (!finished) return Fail(6, found.window ? "the program did not finish its batch" : "no program dialog appeared");
    printf("program: %s\n", ImageOf(found.pid).c_str());
    printf("output: %s\n", Exists(output) ? "written" : "missing");
    CHandle process(OpenProcess(SYNCHRONIZE, FALSE, found.pid));
    PostMessageA(found.window, WM_COMMAND, IDCANCEL, 0);
    if (!process.IsValid() || WaitForSingleObject(process.Get(), kConversionDeadlineMs) != WAIT_OBJECT_0)
        return Fail(7, "the program did not end after Close");
    return Exists(output) ? 0 : 8;
}

// The file of the module that implements an object: the one holding its vtable.
std::string ModuleOf(IUnknown* object) {
    HMODULE module = nullptr;
    const auto* vtable = *reinterpret_cast<const char* const*>(object);
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            vtable, &module))
        return "?";
    char path[MAX_PATH] = {};
    GetModuleFileNameA(module, path, MAX_PATH);
    return path;
}

// The offset of the menu item with this text, or -1.
int OffsetOf(HMENU menu, UINT first, const char* text) {
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        char item[64] = {};
        GetMenuStringA(menu, i, item, sizeof(item), MF_BYPOSITION);
        if (std::string(item) == text) return static_cast<int>(GetMenuItemID(menu, i) - first);
    }
    return -1;
}

int Run(const std::string& file, const std::string& output, const std::string& holdUntil) {
    CComPtr<IShellExtInit> init;
    HRESULT hr = CoCreateInstance(shellext::kClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IShellExtInit,
                                  init.ReceiveVoid());
    if (FAILED(hr)) return Fail(2, "CoCreateInstance of the extension", hr);
    printf("extension: %s\n", ModuleOf(init.Get()).c_str());
    DropData data(DropBlock({file}));
    hr = init->Initialize(nullptr, &data, nullptr);
    if (FAILED(hr)) return Fail(3, "IShellExtInit::Initialize", hr);
    CComPtr<IContextMenu> menu;
    init->QueryInterface(IID_IContextMenu, menu.ReceiveVoid());
    CMenuHandle popup(CreatePopupMenu());
    constexpr UINT kFirst = 100;
    if (!menu || FAILED(menu->QueryContextMenu(popup, 0, kFirst, 0x7FFF, CMF_NORMAL))) return Fail(4, "QueryContextMenu");
    int offset = OffsetOf(popup, kFirst, "Convert to WAV");
    if (offset < 0) return Fail(4, "no \"Convert to WAV\" item in the menu");
    CMINVOKECOMMANDINFO invoke{};
    invoke.cbSize = sizeof(invoke);
    invoke.lpVerb = MAKEINTRESOURCEA(offset);
    invoke.nShow = SW_SHOWNORMAL;
    hr = menu->InvokeCommand(&invoke);
    if (FAILED(hr)) return Fail(5, "InvokeCommand", hr);
    int result = FinishConversion(output);
    fflush(stdout);
    if (result == 0 && !holdUntil.empty()) {
        printf("holding the extension\n");
        fflush(stdout);
        if (!WaitUntil([&] { return Exists(holdUntil); }, kHoldDeadlineMs)) return Fail(9, "nobody let go of the hold");
    }
    return result;
}
}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return Fail(1, "usage: shell_client FILE OUTPUT [HOLD_UNTIL]");
    CoInitialize(nullptr);
    int result = Run(argv[1], argv[2], argc > 3 ? argv[3] : "");
    CoUninitialize();
    printf("done: %d\n", result);
    return result;
}
