#include <gtest/gtest.h>

#include <shlobj.h>

#include "shellext/Identity.h"
#include "framework/ComPtr.h"
#include "tests/engine/EngineFixtures.h"

using namespace fixtures;

namespace {
// The registry views reg.exe exports: the 64-bit build looks at both.
#ifdef _WIN64
const char* const kViews[] = {" /reg:64", " /reg:32"};
#else
const char* const kViews[] = {""};
#endif

// The keys registration touches.
const char* const kTouchedKeys[] = {"HKCR\\*", "HKCR\\Folder", "HKCR\\CLSID\\{DB7CFAED-842B-47E7-9FF4-92852D617958}",
                                    "HKCR\\Sonelle.ConvShlExt", "HKCR\\Sonelle.ConvShlExt.1",
                                    "HKCR\\TypeLib\\{5291C002-78CE-47AD-A0F6-C187F25FB2A9}",
                                    "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved"};

// The registry as reg.exe exports it, for the keys registration touches.
std::string Export(const std::string& folder, const std::string& name) {
    std::string all;
    int i = 0;
    for (const char* view : kViews) {
        for (const char* key : kTouchedKeys) {
            std::string file = folder + "\\" + name + std::to_string(i++) + ".reg";
            DeleteFileA(file.c_str());
            RunAndWait("reg.exe export \"" + std::string(key) + "\" \"" + file + "\" /y" + view);
            std::vector<uint8_t> bytes = ReadBytes(file);
            all += std::string(key) + view + ":" + std::string(bytes.begin(), bytes.end()) + "\n";
        }
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
    ASSERT_EQ(0u, RunAndWait("regsvr32.exe /s \"" + dll + "\"")) << "regsvr32 reports failure";

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

    ASSERT_EQ(0u, RunAndWait("regsvr32.exe /s /u \"" + dll + "\""));
    EXPECT_EQ(before, Export(folder.Path(), "after"));
    EXPECT_EQ("<missing>", Default(HKEY_CLASSES_ROOT, clsid));
}

#ifdef _WIN64
// Both bitnesses on one Windows: the class keys are per registry view, the
// handler keys are shared, so neither registration may take the other's away.
namespace {
std::string SystemFolder(const char* name) {
    char windows[MAX_PATH] = {};
    GetWindowsDirectoryA(windows, MAX_PATH);
    return std::string(windows) + "\\" + name;
}
// regsvr32 of one bitness on one DLL; the DLL of the 32-bit tree lies beside ours.
DWORD RegSvr32(bool sixtyFour, const std::string& arguments) {
    char cwd[MAX_PATH], dll32[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, cwd);
    GetFullPathNameA((std::string(cwd) + "\\..\\..\\x86\\standin\\Sonelle.dll").c_str(), MAX_PATH, dll32, nullptr);
    const std::string dll = sixtyFour ? DllPath() : dll32;
    return RunAndWait(SystemFolder(sixtyFour ? "system32" : "syswow64") + "\\regsvr32.exe /s " + arguments + " \"" + dll + "\"");
}
std::string ServerIn(REGSAM view) {
    CRegKey key;
    std::string value = "<missing>";
    if (key.Open(HKEY_CLASSES_ROOT, (std::string("CLSID\\") + shellext::kClsidText + "\\InprocServer32").c_str(),
                 KEY_READ | view) == ERROR_SUCCESS)
        key.QueryString(nullptr, value);
    return value;
}
std::string ApprovalIn(REGSAM view) {
    CRegKey key;
    std::string value = "<missing>";
    if (key.Open(HKEY_LOCAL_MACHINE, shellext::kApprovedKey, KEY_READ | view) == ERROR_SUCCESS)
        key.QueryString(shellext::kClsidText, value);
    return value;
}
// What Explorer needs of the handler keys, in one line for a failure message.
std::string Handlers() {
    return Default(HKEY_CLASSES_ROOT, "*\\shellex\\ContextMenuHandlers\\ConvShlExt") + " " +
           Default(HKEY_CLASSES_ROOT, "Folder\\shellex\\ContextMenuHandlers\\ConvShlExt");
}
const std::string kBothHandlers = std::string(shellext::kClsidText) + " " + shellext::kClsidText;

HRESULT Create64() {
    CoInitialize(nullptr);
    CComPtr<IContextMenu> menu;
    HRESULT hr = CoCreateInstance(shellext::kClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IContextMenu, menu.ReceiveVoid());
    menu.Release();
    CoFreeUnusedLibraries();
    CoUninitialize();
    return hr;
}

class RegistrationViews : public ::testing::Test {
protected:
    RegistrationViews() : folder("registration-views"), before(Export(folder.Path(), "before")) {}
    ~RegistrationViews() override {
        RegSvr32(true, "/u");
        RegSvr32(false, "/u");
    }
    TestFolder folder;
    std::string before;
};
}  // namespace

TEST_F(RegistrationViews, The64BitRegistrationOutlivesUnregisteringThe32BitOne) {
    ASSERT_EQ(0u, RegSvr32(true, ""));
    ASSERT_EQ(0u, RegSvr32(false, "/u")) << "unregistering what was never registered succeeds";
    EXPECT_EQ(DllPath(), ServerIn(KEY_WOW64_64KEY));
    EXPECT_EQ(kBothHandlers, Handlers());
    EXPECT_EQ("ConvShlExt", ApprovalIn(KEY_WOW64_64KEY));
    EXPECT_EQ(S_OK, Create64()) << "64-bit Explorer creates the extension by its class id";
    ASSERT_EQ(0u, RegSvr32(true, "/u"));
    EXPECT_EQ(before, Export(folder.Path(), "after"));
}

TEST_F(RegistrationViews, The32BitRegistrationOutlivesUnregisteringThe64BitOne) {
    ASSERT_EQ(0u, RegSvr32(false, ""));
    ASSERT_EQ(0u, RegSvr32(true, "/u"));
    EXPECT_NE(std::string::npos, ServerIn(KEY_WOW64_32KEY).find("Sonelle.dll")) << ServerIn(KEY_WOW64_32KEY);
    EXPECT_EQ("<missing>", ServerIn(KEY_WOW64_64KEY));
    EXPECT_EQ(kBothHandlers, Handlers());
    EXPECT_EQ("ConvShlExt", ApprovalIn(KEY_WOW64_32KEY)) << "the 32-bit Explorer's approval stays";
    ASSERT_EQ(0u, RegSvr32(false, "/u"));
    EXPECT_EQ(before, Export(folder.Path(), "after"));
}

TEST_F(RegistrationViews, BothRegisteredEachUnregistrationKeepsTheOtherUntilTheLastGoes) {
    ASSERT_EQ(0u, RegSvr32(false, ""));
    ASSERT_EQ(0u, RegSvr32(true, ""));
    EXPECT_EQ(DllPath(), ServerIn(KEY_WOW64_64KEY));
    EXPECT_NE(std::string::npos, ServerIn(KEY_WOW64_32KEY).find("x86")) << ServerIn(KEY_WOW64_32KEY);
    ASSERT_EQ(0u, RegSvr32(false, "/u"));
    EXPECT_EQ(kBothHandlers, Handlers());
    EXPECT_EQ(S_OK, Create64()) << "64-bit Explorer still creates it after the 32-bit one went";
    ASSERT_EQ(0u, RegSvr32(true, "/u"));
    EXPECT_EQ("<missing> <missing>", Handlers()) << "the last unregistration takes the shared keys";
    EXPECT_EQ(before, Export(folder.Path(), "after"));
}
#endif
