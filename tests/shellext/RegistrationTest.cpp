#include <gtest/gtest.h>

#include <shlobj.h>

#include "shellext/Identity.h"
#include "framework/ComPtr.h"
#include "tests/engine/EngineFixtures.h"

using namespace fixtures;

namespace {
DWORD RunCommand(const std::string& command) {
    STARTUPINFOA si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    std::vector<char> line(command.begin(), command.end());
    line.push_back('\0');
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi))
        return 0xFFFFFFFF;
    WaitForSingleObject(pi.hProcess, 60000);
    DWORD code = 0xFFFFFFFF;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return code;
}

// The registry as reg.exe exports it, for the keys registration touches.
std::string Export(const std::string& folder, const std::string& name) {
    std::string all;
    int i = 0;
    for (const char* key : {"HKCR\\*", "HKCR\\Folder", "HKCR\\CLSID\\{DB7CFAED-842B-47E7-9FF4-92852D617958}",
                            "HKCR\\Sonelle.ConvShlExt", "HKCR\\Sonelle.ConvShlExt.1",
                            "HKCR\\TypeLib\\{5291C002-78CE-47AD-A0F6-C187F25FB2A9}",
                            "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved"}) {
        std::string file = folder + "\\" + name + std::to_string(i++) + ".reg";
        DeleteFileA(file.c_str());
        RunCommand("reg.exe export \"" + std::string(key) + "\" \"" + file + "\" /y");
        std::vector<uint8_t> bytes = ReadBytes(file);
        all += std::string(key) + ":" + std::string(bytes.begin(), bytes.end()) + "\n";
    }
    return all;
}

std::string Default(HKEY root, const std::string& key, const char* name = nullptr) {
    CRegKey k;
    std::string value;
    if (k.Open(root, key.c_str()) != ERROR_SUCCESS) return "<missing>";
    if (k.QueryString(name, value) != ERROR_SUCCESS) return "<no value>";
    return value;
}

std::string DllPath() {
    char cwd[MAX_PATH], full[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, cwd);
    GetFullPathNameA((std::string(cwd) + "\\..\\standin\\Sonelle.dll").c_str(), MAX_PATH, full, nullptr);
    return full;
}
}  // namespace

TEST(Registration, RegistersAsTheTableSaysAndUnregistrationRestoresTheRegistry) {
    TestFolder folder("registration");
    std::string before = Export(folder.Path(), "before");
    std::string dll = DllPath();
    ASSERT_EQ(0u, RunCommand("regsvr32.exe /s \"" + dll + "\"")) << "regsvr32 reports failure";

    const std::string clsid = std::string("CLSID\\") + shellext::kClsidText;
    EXPECT_EQ("ConvShlExt Class", Default(HKEY_CLASSES_ROOT, clsid));
    EXPECT_EQ(dll, Default(HKEY_CLASSES_ROOT, clsid + "\\InprocServer32"));
    EXPECT_EQ("Apartment", Default(HKEY_CLASSES_ROOT, clsid + "\\InprocServer32", "ThreadingModel"));
    EXPECT_EQ("Sonelle.ConvShlExt.1", Default(HKEY_CLASSES_ROOT, clsid + "\\ProgID"));
    EXPECT_EQ("Sonelle.ConvShlExt", Default(HKEY_CLASSES_ROOT, clsid + "\\VersionIndependentProgID"));
    EXPECT_EQ("{5291C002-78CE-47AD-A0F6-C187F25FB2A9}", Default(HKEY_CLASSES_ROOT, clsid + "\\TypeLib"));
    EXPECT_NE("<missing>", Default(HKEY_CLASSES_ROOT, clsid + "\\Programmable")) << "an empty key";
    EXPECT_EQ("Sonelle.ConvShlExt.1", Default(HKEY_CLASSES_ROOT, "Sonelle.ConvShlExt\\CurVer"));
    EXPECT_EQ(shellext::kClsidText, Default(HKEY_CLASSES_ROOT, "Sonelle.ConvShlExt.1\\CLSID"));
    EXPECT_EQ(shellext::kClsidText, Default(HKEY_CLASSES_ROOT, "*\\shellex\\ContextMenuHandlers\\ConvShlExt"));
    EXPECT_EQ(shellext::kClsidText, Default(HKEY_CLASSES_ROOT, "Folder\\shellex\\ContextMenuHandlers\\ConvShlExt"));
    EXPECT_EQ("ConvShlExt", Default(HKEY_LOCAL_MACHINE, shellext::kApprovedKey, shellext::kClsidText));

    // Created through COM as Explorer does.
    CoInitialize(nullptr);
    CComPtr<IContextMenu> menu;
    EXPECT_EQ(S_OK, CoCreateInstance(shellext::kClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IContextMenu,
                                     menu.ReceiveVoid()));
    menu.Release();
    CoFreeUnusedLibraries();
    CoUninitialize();

    ASSERT_EQ(0u, RunCommand("regsvr32.exe /s /u \"" + dll + "\""));
    EXPECT_EQ(before, Export(folder.Path(), "after"));
    EXPECT_EQ("<missing>", Default(HKEY_CLASSES_ROOT, clsid));
}
