// The switches the installer and the uninstaller start the program with.
#include <gtest/gtest.h>

#include "app/Maintenance.h"
#include "framework/RegKey.h"
#include "options/Settings.h"
#include "tests/TestSupport.h"
#include "ui/AutomationRegistry.h"

namespace {
// The real program, built beside the results folder.
std::string Program() {
    char cwd[MAX_PATH], full[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, cwd);
    GetFullPathNameA((std::string(cwd) + "\\..\\app\\Wavory.exe").c_str(), MAX_PATH, full, nullptr);
    return full;
}
DWORD RunProgram(const char* arguments) { return RunAndWait("\"" + Program() + "\" " + arguments, 30000); }

bool KeyExists(HKEY root, const std::string& key) {
    CRegKey k;
    return k.Open(root, key.c_str()) == ERROR_SUCCESS;
}
const std::string kSettingsKey = std::string("Software\\") + settings::kRegistryKey + "\\Wavory";
const std::string kServerKey = std::string("CLSID\\") + automation::kClsidText + "\\LocalServer32";
}  // namespace

TEST(Maintenance, TheSwitchesAreTheWholeCommandLineInEitherSpelling) {
    EXPECT_EQ(Maintenance::kRegServer, MaintenanceOf("/RegServer"));
    EXPECT_EQ(Maintenance::kRegServer, MaintenanceOf("-regserver"));
    EXPECT_EQ(Maintenance::kUnregServer, MaintenanceOf("/UNREGSERVER"));
    EXPECT_EQ(Maintenance::kRemoveSettings, MaintenanceOf("/RemoveSettings"));
    EXPECT_EQ(Maintenance::kNone, MaintenanceOf("/RegServer x"));
    EXPECT_EQ(Maintenance::kNone, MaintenanceOf("RegServer"));
    EXPECT_EQ(Maintenance::kNone, MaintenanceOf("-i"));
    EXPECT_EQ(Maintenance::kNone, MaintenanceOf(""));
    EXPECT_EQ(Maintenance::kNone, MaintenanceOf(nullptr));
}

TEST(Maintenance, TheProgramRegistersAndUnregistersItsClassAndSaysSoInItsExitCode) {
    ASSERT_EQ(0u, RunProgram("/UnregServer"));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "Wavory.Application"));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kServerKey));
    ASSERT_EQ(0u, RunProgram("/RegServer"));
    CRegKey server;
    std::string command;
    ASSERT_EQ(ERROR_SUCCESS, server.Open(HKEY_CLASSES_ROOT, kServerKey.c_str()));
    server.QueryString(nullptr, command);
    EXPECT_EQ("\"" + Program() + "\" /Automation", command);
}

TEST(Maintenance, TheProgramRemovesOnlyItsOwnSettings) {
    CRegKey settingsKey, neighbour;
    ASSERT_EQ(ERROR_SUCCESS, settingsKey.Create(HKEY_CURRENT_USER, (kSettingsKey + "\\Genenal").c_str()));
    settingsKey.SetDWORD("OutputTo", 2);
    settingsKey.Close();
    const std::string other = std::string("Software\\") + settings::kRegistryKey + "\\SomeOtherProgram";
    ASSERT_EQ(ERROR_SUCCESS, neighbour.Create(HKEY_CURRENT_USER, other.c_str()));
    neighbour.Close();
    EXPECT_EQ(0u, RunProgram("/RemoveSettings"));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kSettingsKey));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, other)) << "another program of the company keeps its settings";
    CRegKey::DeleteTree(HKEY_CURRENT_USER, other.c_str());
    EXPECT_EQ(0u, RunProgram("/RemoveSettings")) << "nothing left to remove is no failure";
}
