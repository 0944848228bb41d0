#include "OutputFolder.h"

#include <shlobj.h>

#include <cstring>

#include "../framework/ComPtr.h"
#include "../framework/WinApp.h"
#include "../options/Settings.h"
#include "AppMessages.h"

bool BrowseForOutputFolder(HWND owner, PathBuffer& folder) {
    BROWSEINFOA info{};
    info.hwndOwner = owner;
    info.lpszTitle = msg::kChooseOutputFolder;
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_EDITBOX | BIF_VALIDATE | BIF_NEWDIALOGSTYLE;
    char display[MAX_PATH] = {};
    info.pszDisplayName = display;
    LPITEMIDLIST item = SHBrowseForFolderA(&info);
    if (!item) return false;
    char path[MAX_PATH] = {};
    bool ok = SHGetPathFromIDListA(item, path) && path[0];
    CoTaskMemFree(item);
    if (!ok) return false;
    memset(folder, 0, sizeof(folder));
    strcpy(folder, path);
    return true;
}

FolderPolicyResult ApplyOutputFolderPolicy(HWND owner, const char* firstSource, PathBuffer& folder) {
    memset(folder, 0, sizeof(folder));
    const CWinApp* app = AfxGetApp();
    int outputTo = app ? settings::Read(*app, settings::kOutputTo) : settings::kOutputToSourceFolder;
    switch (outputTo) {
    case settings::kOutputToSourceFolder: {
        PathBuffer source = {};
        strncpy(source, firstSource, sizeof(source) - 1);
        FolderOfPath(source, sizeof(source), folder);
        return FolderPolicyResult::kFolder;
    }
    case settings::kOutputToAskEachBatch:
        return BrowseForOutputFolder(owner, folder) ? FolderPolicyResult::kFolder : FolderPolicyResult::kNoFolder;
    case settings::kOutputToFixedFolder: {
        std::string fixed = app ? settings::Read(*app, settings::kOutputPath) : std::string();
        // A stored folder that does not fit is refused, never cut into another folder.
        if (fixed.empty() || fixed.size() >= sizeof(folder)) return FolderPolicyResult::kNoFolder;
        strcpy(folder, fixed.c_str());
        return FolderPolicyResult::kFolder;
    }
    default:
        return FolderPolicyResult::kFolder;
    }
}
