#include "AutomationRegistry.h"

#include <vector>

#include "../framework/FileSystem.h"
#include "../framework/RegKey.h"
#include "../framework/Unicode.h"

namespace automation {
namespace {
const std::string kClassKey = std::string("CLSID\\") + kClsidText;

std::string ServerCommandLine(const std::string& exePath) { return "\"" + exePath + "\" /Automation"; }

struct Entry {
    std::string key;
    std::string value;
};

// Every key and default value of the registration, in writing order.
std::vector<Entry> Table(const std::string& exePath) {
    return {
        {kProgId, kProgId},
        {std::string(kProgId) + "\\CLSID", kClsidText},
        {kClassKey, kProgId},
        {kClassKey + "\\ProgID", kProgId},
        {kClassKey + "\\LocalServer32", ServerCommandLine(exePath)},
        {kClassKey + "\\InprocHandler32", "ole32.dll"},
    };
}

bool HasClass(HKEY root) {
    CRegKey key;
    return root && key.Open(root, kClassKey.c_str()) == ERROR_SUCCESS;
}

// Software\Classes of the machine or of the user, opened for writing when allowed.
HKEY OpenClasses(HKEY hive, CRegKey& owner) {
    if (owner.Open(hive, "Software\\Classes", KEY_READ | KEY_WRITE) == ERROR_SUCCESS) return owner.Get();
    if (owner.Open(hive, "Software\\Classes", KEY_READ) == ERROR_SUCCESS) return owner.Get();
    return nullptr;
}

std::string ThisExecutable() { return fs::ModulePath(nullptr); }
}  // namespace

bool IsRegisteredFor(HKEY root, const std::string& exePath) {
    if (!root) return false;
    for (const Entry& entry : Table(exePath)) {
        CRegKey key;
        std::string value;
        if (key.Open(root, entry.key.c_str()) != ERROR_SUCCESS || key.QueryString(nullptr, value) != ERROR_SUCCESS ||
            !EqualNoCase(value, entry.value))
            return false;
    }
    return true;
}

bool WriteRegistration(HKEY root, const std::string& exePath) {
    if (!root) return false;
    for (const Entry& entry : Table(exePath)) {
        CRegKey key;
        if (key.Create(root, entry.key.c_str(), KEY_WRITE) != ERROR_SUCCESS ||
            key.SetString(nullptr, entry.value.c_str()) != ERROR_SUCCESS)
            return false;
    }
    return true;
}

bool DeleteRegistration(HKEY root) {
    if (!root) return true;
    bool removed = true;
    for (const std::string& key : {std::string(kProgId), kClassKey}) {
        LONG rc = CRegKey::DeleteTree(root, key.c_str());
        removed = removed && (rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND);
    }
    return removed;
}

void RefreshRegistration(const ClassesRoots& roots, const std::string& exePath) {
    // The user's keys, when there are any, hide the machine's.
    HKEY effective = HasClass(roots.user) ? roots.user : roots.machine;
    if (IsRegisteredFor(effective, exePath)) return;
    if (effective == roots.user && roots.user) {
        WriteRegistration(roots.user, exePath);
        return;
    }
    // A standard user cannot write the machine's keys; the user's then serve.
    if (!WriteRegistration(roots.machine, exePath)) WriteRegistration(roots.user, exePath);
}

// The real hives' Software\Classes keys, opened for as long as the object lives.
// The owners come first: they must exist before roots is filled from them.
class RealRoots {
    CRegKey m_machine, m_user;

public:
    RealRoots() : roots{OpenClasses(HKEY_LOCAL_MACHINE, m_machine), OpenClasses(HKEY_CURRENT_USER, m_user)} {}
    ClassesRoots roots;
};

bool RegisterMachineWide() {
    RealRoots real;
    return WriteRegistration(real.roots.machine, ThisExecutable());
}

bool UnregisterEverywhere() {
    RealRoots real;
    bool machineGone = DeleteRegistration(real.roots.machine);
    bool userGone = DeleteRegistration(real.roots.user);
    return machineGone && userGone;
}

void RefreshThisProgram() {
    RealRoots real;
    RefreshRegistration(real.roots, ThisExecutable());
}

}  // namespace automation
