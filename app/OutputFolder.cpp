#include "OutputFolder.h"

#include <shlobj.h>

#include <cstring>
#include <vector>

#include "../framework/ComPtr.h"
#include "../framework/MessageBox.h"
#include "../framework/Unicode.h"
#include "../framework/WinApp.h"
#include "../options/Settings.h"
#include "AppMessages.h"

bool BrowseForOutputFolder(HWND owner, std::string& folder) {
    std::wstring title = Widen(msg::kChooseOutputFolder);
    BROWSEINFOW info{};
    info.hwndOwner = owner;
    info.lpszTitle = title.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_EDITBOX | BIF_VALIDATE | BIF_NEWDIALOGSTYLE;
    wchar_t display[MAX_PATH] = {};
    info.pszDisplayName = display;
    LPITEMIDLIST item = SHBrowseForFolderW(&info);
    if (!item) return false;
    // The Ex call (Windows Vista and later) names folders past MAX_PATH too; a
    // folder with no file system path is told, never taken.
    std::vector<wchar_t> path(kMaxPathBytes + 1, L'\0');
    bool ok = SHGetPathFromIDListEx(item, path.data(), static_cast<DWORD>(path.size()), GPFIDL_DEFAULT) && path[0];
    CoTaskMemFree(item);
    if (!ok) {
        AppMessageBox(owner, msg::kFolderNotUsable, msg::kCaptionError, MB_OK | MB_ICONERROR);
        return false;
    }
    folder = Narrow(path.data());
    return true;
}

FolderPolicyResult ApplyOutputFolderPolicy(HWND owner, const char* firstSource, std::string& folder) {
    folder.clear();
    const CWinApp* app = AfxGetApp();
    int outputTo = app ? settings::Read(*app, settings::kOutputTo) : settings::kOutputToSourceFolder;
    switch (outputTo) {
    case settings::kOutputToSourceFolder:
        FolderOfPath(firstSource, folder);
        return FolderPolicyResult::kFolder;
    case settings::kOutputToAskEachBatch:
        return BrowseForOutputFolder(owner, folder) ? FolderPolicyResult::kFolder : FolderPolicyResult::kNoFolder;
    case settings::kOutputToFixedFolder: {
        std::string fixed = app ? settings::Read(*app, settings::kOutputPath) : std::string();
        if (fixed.empty() || fixed.size() > kMaxPathBytes) return FolderPolicyResult::kNoFolder;
        folder = fixed;
        return FolderPolicyResult::kFolder;
    }
    default:
        return FolderPolicyResult::kFolder;
    }
}
