#include "Maintenance.h"

#include <windows.h>

#include <string>

#include "../framework/RegKey.h"
#include "../framework/WinApp.h"
#include "../options/Settings.h"
#include "../ui/AutomationRegistry.h"

namespace {
bool Gone(LONG rc) { return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND; }

// The program's key under the company's, and the company's when nothing else is in it.
bool RemoveSettings() {
    const std::string company = std::string("Software\\") + settings::kRegistryKey;
    CWinApp* app = AfxGetApp();
    const std::string program = company + "\\" + (app ? app->m_strAppName : std::string(settings::kProgramName));
    if (!Gone(CRegKey::DeleteTree(HKEY_CURRENT_USER, program.c_str()))) return false;
    LONG rc = RegDeleteKeyA(HKEY_CURRENT_USER, company.c_str());  // fails while other programs' keys remain
    return Gone(rc) || rc == ERROR_ACCESS_DENIED;
}
}  // namespace

Maintenance MaintenanceOf(const char* commandLine) {
    if (!commandLine || (commandLine[0] != '/' && commandLine[0] != '-')) return Maintenance::kNone;
    const char* name = commandLine + 1;
    if (lstrcmpiA(name, "RegServer") == 0) return Maintenance::kRegServer;
    if (lstrcmpiA(name, "UnregServer") == 0) return Maintenance::kUnregServer;
    if (lstrcmpiA(name, "RemoveSettings") == 0) return Maintenance::kRemoveSettings;
    return Maintenance::kNone;
}

int RunMaintenance(Maintenance task) {
    bool done = false;
    switch (task) {
    case Maintenance::kRegServer:
        done = automation::RegisterMachineWide();
        break;
    case Maintenance::kUnregServer:
        done = automation::UnregisterEverywhere();
        break;
    case Maintenance::kRemoveSettings:
        done = RemoveSettings();
        break;
    case Maintenance::kNone:
        break;
    }
    return done ? 0 : 1;
}
