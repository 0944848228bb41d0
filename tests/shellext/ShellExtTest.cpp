#include <gtest/gtest.h>

#include <shlobj.h>

#include <cstring>

#include "shellext/DropList.h"
#include "shellext/Identity.h"
#include "framework/ComPtr.h"
#include "tests/engine/EngineFixtures.h"
#include "tests/shellext/DropData.h"

using namespace fixtures;

namespace {
std::string Here() {
    char cwd[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, cwd);
    return cwd;
}
std::string StandInFolder() { return Here() + "\\..\\standin"; }
std::string TempList() {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    return std::string(temp) + "\\filelist.flt";
}

// The extension loaded from the folder that holds the stand-in program.
class Extension {
public:
    Extension() : m_dll(LoadLibraryA((StandInFolder() + "\\Sonelle.dll").c_str())) {
        if (!m_dll) return;
        using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
        auto get = reinterpret_cast<GetClassObject>(reinterpret_cast<void*>(GetProcAddress(m_dll, "DllGetClassObject")));
        canUnload = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(reinterpret_cast<void*>(GetProcAddress(m_dll, "DllCanUnloadNow")));
        if (get) get(shellext::kClsid, IID_IClassFactory, factory.ReceiveVoid());
    }
    CComPtr<IShellExtInit> Create() {
        CComPtr<IShellExtInit> init;
        if (factory) factory->CreateInstance(nullptr, IID_IShellExtInit, init.ReceiveVoid());
        return init;
    }
    CModuleHandle m_dll;
    CComPtr<IClassFactory> factory;
    HRESULT(STDAPICALLTYPE* canUnload)() = nullptr;
};

struct Menu {
    CMenuHandle menu{CreatePopupMenu()};
    HRESULT result = E_FAIL;
    int Count() const { return GetMenuItemCount(menu); }
    std::string Text(int position) const {
        char text[128] = {};
        GetMenuStringA(menu, position, text, sizeof(text), MF_BYPOSITION);
        return text;
    }
};

Menu QueryMenu(IShellExtInit* init, UINT flags = CMF_NORMAL) {
    Menu m;
    CComPtr<IContextMenu> cm;
    init->QueryInterface(IID_IContextMenu, cm.ReceiveVoid());
    m.result = cm->QueryContextMenu(m.menu, 0, 100, 200, flags);
    return m;
}

HRESULT Invoke(IShellExtInit* init, UINT_PTR offset) {
    CComPtr<IContextMenu> cm;
    init->QueryInterface(IID_IContextMenu, cm.ReceiveVoid());
    CMINVOKECOMMANDINFO info{};
    info.cbSize = sizeof(info);
    info.lpVerb = reinterpret_cast<LPCSTR>(offset);
    info.nShow = SW_SHOWNORMAL;
    return cm->InvokeCommand(&info);
}

// The stand-in's command line once its file is in place and let go: its rename
// holds the file open for a moment, and a read then fails. Empty when no
// program recorded anything before the deadline.
std::string WaitForArgs() {
    const DWORD deadlineMs = 10000;
    std::string path = StandInFolder() + "\\args.txt";
    DWORD start = GetTickCount();
    for (;;) {
        std::vector<uint8_t> bytes = ReadBytes(path);  // the stand-in never records nothing
        if (!bytes.empty()) return std::string(bytes.begin(), bytes.end());
        if (GetTickCount() - start > deadlineMs) return std::string();
        Sleep(20);
    }
}

class ShellExt : public ::testing::Test {
protected:
    ShellExt() : folder(::testing::UnitTest::GetInstance()->current_test_info()->name()) {
        CoInitialize(nullptr);
        DeleteFileA((StandInFolder() + "\\args.txt").c_str());
    }
    ~ShellExt() override { CoUninitialize(); }
    CComPtr<IShellExtInit> InitWith(const std::vector<std::string>& names, HRESULT* hr = nullptr) {
        CComPtr<IShellExtInit> init = ext.Create();
        DropData data(DropBlock(names));
        HRESULT r = init ? init->Initialize(nullptr, &data, nullptr) : E_FAIL;
        if (hr) *hr = r;
        return init;
    }
    TestFolder folder;
    Extension ext;
};
}  // namespace

TEST(DropList, AnsiAndWideNamesAndMalformedBlocks) {
    std::vector<std::string> names;
    auto ansi = DropBlock({"C:\\a.mp3", "C:\\b c.wav"});
    ASSERT_TRUE(ParseDropList(ansi.data(), ansi.size(), names));
    EXPECT_EQ((std::vector<std::string>{"C:\\a.mp3", "C:\\b c.wav"}), names);
    auto wide = DropBlock({"C:\\w.wma"}, true);
    ASSERT_TRUE(ParseDropList(wide.data(), wide.size(), names));
    EXPECT_EQ((std::vector<std::string>{"C:\\w.wma"}), names);

    auto cut = ansi;
    cut.resize(cut.size() - 3);  // the closing zeros are gone
    EXPECT_FALSE(ParseDropList(cut.data(), cut.size(), names));
    auto bad = ansi;
    reinterpret_cast<DROPFILES*>(bad.data())->pFiles = 5000;
    EXPECT_FALSE(ParseDropList(bad.data(), bad.size(), names));
    reinterpret_cast<DROPFILES*>(bad.data())->pFiles = 2;
    EXPECT_FALSE(ParseDropList(bad.data(), bad.size(), names));
    EXPECT_FALSE(ParseDropList(bad.data(), 3, names));
    EXPECT_FALSE(ParseDropList(nullptr, 100, names));
    auto empty = DropBlock({});
    ASSERT_TRUE(ParseDropList(empty.data(), empty.size(), names));
    EXPECT_TRUE(names.empty());
}

TEST_F(ShellExt, TheFirstItemDecidesWhetherTheMenuShows) {
    ASSERT_TRUE(ext.factory) << "DllGetClassObject";
    std::string text = folder / "notes.txt";
    for (auto [first, shows] : {std::pair<std::string, bool>{"C:\\a.mp3", true}, {"C:\\A.WAV", true},
                                {"C:\\x.wave", true}, {"C:\\y.Wma", true}, {"C:\\", true}, {folder.Path(), true},
                                {"C:\\z.mp2", false}, {text, false}}) {
        CComPtr<IShellExtInit> init = InitWith({first, text});
        ASSERT_TRUE(init);
        Menu m = QueryMenu(init.Get());
        EXPECT_EQ(shows ? 4 : 0, m.Count()) << first;
        EXPECT_EQ(MAKE_HRESULT(SEVERITY_SUCCESS, 0, shows ? 2 : 0), m.result) << first;
    }
}

TEST_F(ShellExt, TheEntriesTheirIdsTextsAndBitmaps) {
    CComPtr<IShellExtInit> init = InitWith({"C:\\a.mp3"});
    Menu m = QueryMenu(init.Get());
    ASSERT_EQ(4, m.Count());
    EXPECT_EQ(MF_SEPARATOR, GetMenuState(m.menu, 0, MF_BYPOSITION) & MF_SEPARATOR);
    EXPECT_EQ("Convert to WAV", m.Text(1));
    EXPECT_EQ("Converter Options...", m.Text(2));
    EXPECT_EQ(MF_SEPARATOR, GetMenuState(m.menu, 3, MF_BYPOSITION) & MF_SEPARATOR);
    EXPECT_EQ(100u, GetMenuItemID(m.menu, 1));
    EXPECT_EQ(101u, GetMenuItemID(m.menu, 2));
    MENUITEMINFOA info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_CHECKMARKS;
    ASSERT_TRUE(GetMenuItemInfoA(m.menu, 1, TRUE, &info));
    ASSERT_NE(nullptr, info.hbmpUnchecked);
    EXPECT_EQ(nullptr, info.hbmpChecked);
    BITMAP bm{};
    GetObjectA(info.hbmpUnchecked, sizeof(bm), &bm);
    EXPECT_EQ(12, bm.bmWidth);
    EXPECT_EQ(12, bm.bmHeight);
}

TEST_F(ShellExt, FlagRules) {
    CComPtr<IShellExtInit> init = InitWith({"C:\\a.mp3"});
    EXPECT_EQ(0, QueryMenu(init.Get(), CMF_DEFAULTONLY).Count());
    EXPECT_EQ(0, QueryMenu(init.Get(), CMF_NOVERBS).Count());
    EXPECT_EQ(4, QueryMenu(init.Get(), CMF_VERBSONLY).Count());
    EXPECT_EQ(4, QueryMenu(init.Get(), CMF_EXPLORE).Count());
    EXPECT_EQ(4, QueryMenu(init.Get(), CMF_EXPLORE | CMF_NOVERBS).Count());
    EXPECT_EQ(4, QueryMenu(init.Get(), CMF_NORMAL | CMF_EXTENDEDVERBS).Count());
}

TEST_F(ShellExt, BadDataObjectsAreRefusedAndASecondInitializeReplacesTheFirst) {
    HRESULT hr;
    InitWith({}, &hr);
    EXPECT_EQ(E_INVALIDARG, hr) << "no names";
    CComPtr<IShellExtInit> init = ext.Create();
    std::vector<uint8_t> broken = DropBlock({"C:\\a.mp3"});
    broken.resize(broken.size() - 2);
    DropData bad(broken);
    EXPECT_EQ(E_INVALIDARG, init->Initialize(nullptr, &bad, nullptr));
    EXPECT_EQ(E_INVALIDARG, init->Initialize(nullptr, nullptr, nullptr));
    DropData mp3(DropBlock({"C:\\a.mp3"}));
    EXPECT_EQ(S_OK, init->Initialize(nullptr, &mp3, nullptr));
    DropData txt(DropBlock({"C:\\a.txt"}));
    EXPECT_EQ(S_OK, init->Initialize(nullptr, &txt, nullptr));
    EXPECT_EQ(0, QueryMenu(init.Get()).Count()) << "the second selection counts";
}

TEST_F(ShellExt, HelpTextsInAnsiAndUtf16WithTruncation) {
    CComPtr<IShellExtInit> init = InitWith({"C:\\a.mp3"});
    CComPtr<IContextMenu> cm;
    init->QueryInterface(IID_IContextMenu, cm.ReceiveVoid());
    char a[64];
    EXPECT_EQ(S_OK, cm->GetCommandString(0, GCS_HELPTEXTA, nullptr, a, sizeof(a)));
    EXPECT_STREQ("Convert to WAV file(s)", a);
    EXPECT_EQ(S_OK, cm->GetCommandString(1, GCS_HELPTEXTA, nullptr, a, 10));
    EXPECT_STREQ("Converter", a);
    EXPECT_EQ(S_OK, cm->GetCommandString(7, GCS_HELPTEXTA, nullptr, a, sizeof(a)));
    EXPECT_STREQ("default", a);
    wchar_t w[64];
    EXPECT_EQ(S_OK, cm->GetCommandString(1, GCS_HELPTEXTW, nullptr, reinterpret_cast<char*>(w), 64));
    EXPECT_STREQ(L"Converter Options...", w);
    EXPECT_EQ(S_OK, cm->GetCommandString(0, GCS_HELPTEXTW, nullptr, reinterpret_cast<char*>(w), 8));
    EXPECT_STREQ(L"Convert", w);
    strcpy(a, "untouched");
    EXPECT_EQ(S_OK, cm->GetCommandString(0, GCS_VERBA, nullptr, a, sizeof(a)));
    EXPECT_STREQ("untouched", a) << "verbs are not answered";
}

TEST_F(ShellExt, ConvertWritesTheExactListAndStartsTheProgramWithI) {
    std::string older = TempList();
    SetFileAttributesA(older.c_str(), FILE_ATTRIBUTE_NORMAL);
    ASSERT_TRUE(WriteBytes(older, {'o', 'l', 'd'}));
    SetFileAttributesA(older.c_str(), FILE_ATTRIBUTE_HIDDEN);
    std::string tooLong = "C:\\" + std::string(300, 'l') + ".mp3";
    CComPtr<IShellExtInit> init = InitWith({"C:\\Music\\a.mp3", folder.Path(), tooLong, "C:\\b.wav"});
    EXPECT_EQ(E_INVALIDARG, Invoke(init.Get(), reinterpret_cast<UINT_PTR>("open"))) << "string verbs";
    ASSERT_EQ(S_OK, Invoke(init.Get(), 0));
    std::string line = WaitForArgs();
    ASSERT_FALSE(line.empty()) << "the program was not started";
    EXPECT_NE(std::string::npos, line.find("Wavory.exe")) << line;
    EXPECT_EQ(" -i", line.substr(line.size() - 3)) << line;

    std::vector<uint8_t> bytes = ReadBytes(TempList());
    std::string text(bytes.begin(), bytes.end());
    char full[MAX_PATH];
    GetFullPathNameA(StandInFolder().c_str(), MAX_PATH, full, nullptr);
    EXPECT_EQ("0\r\n" + std::string(full) + "\r\n3\r\nC:\\Music\\a.mp3\r\n" + folder.Path() + "\r\nC:\\b.wav\r\n", text)
        << "a name that does not fit is left out, never cut";
    DWORD attributes = GetFileAttributesA(TempList().c_str());
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_HIDDEN);
    EXPECT_FALSE(attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM)) << "hidden, nothing more";
}

TEST_F(ShellExt, OptionsStartsTheProgramWithOAndLeavesTheListAlone) {
    std::string list = TempList();
    SetFileAttributesA(list.c_str(), FILE_ATTRIBUTE_NORMAL);
    ASSERT_TRUE(WriteBytes(list, {'k', 'e', 'e', 'p'}));
    CComPtr<IShellExtInit> init = InitWith({"C:\\a.mp3"});
    ASSERT_EQ(S_OK, Invoke(init.Get(), 1));
    std::string line = WaitForArgs();
    ASSERT_FALSE(line.empty()) << "the program was not started";
    EXPECT_EQ(" -o", line.substr(line.size() - 3)) << line;
    EXPECT_EQ((std::vector<uint8_t>{'k', 'e', 'e', 'p'}), ReadBytes(list));
}

TEST_F(ShellExt, AThousandFilesGiveAThousandLines) {
    std::vector<std::string> names;
    for (int i = 0; i < 1000; ++i) names.push_back("C:\\Music\\track " + std::to_string(i) + ".mp3");
    CComPtr<IShellExtInit> init = InitWith(names);
    ASSERT_EQ(S_OK, Invoke(init.Get(), 0));
    std::vector<uint8_t> bytes = ReadBytes(TempList());
    std::string text(bytes.begin(), bytes.end());
    size_t lines = 0;
    for (char c : text) lines += c == '\n';
    EXPECT_EQ(1003u, lines);
    EXPECT_NE(std::string::npos, text.find("\r\n1000\r\n"));
    EXPECT_NE(std::string::npos, text.find("track 999.mp3\r\n"));
    ASSERT_FALSE(WaitForArgs().empty()) << "the program was not started";
}

TEST_F(ShellExt, ARealShellDataObjectFromPidls) {
    std::string a = folder / "one.mp3", b = folder / "two.txt";
    ASSERT_TRUE(WriteBytes(a, {1}));
    ASSERT_TRUE(WriteBytes(b, {1}));
    using CreateFromIdArray = HRESULT(WINAPI*)(PCIDLIST_ABSOLUTE, UINT, PCUIDLIST_RELATIVE_ARRAY, IDataObject**);
    auto create = reinterpret_cast<CreateFromIdArray>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("shell32.dll"), MAKEINTRESOURCEA(83))));
    ASSERT_NE(nullptr, create);
    std::wstring wfolder(folder.Path().begin(), folder.Path().end());
    PIDLIST_ABSOLUTE parent = nullptr, one = nullptr, two = nullptr;
    ASSERT_EQ(S_OK, SHParseDisplayName(wfolder.c_str(), nullptr, &parent, 0, nullptr));
    ASSERT_EQ(S_OK, SHParseDisplayName((wfolder + L"\\one.mp3").c_str(), nullptr, &one, 0, nullptr));
    ASSERT_EQ(S_OK, SHParseDisplayName((wfolder + L"\\two.txt").c_str(), nullptr, &two, 0, nullptr));
    PCUITEMID_CHILD children[2] = {ILFindLastID(one), ILFindLastID(two)};
    CComPtr<IDataObject> data;
    ASSERT_EQ(S_OK, create(parent, 2, reinterpret_cast<PCUIDLIST_RELATIVE_ARRAY>(children), data.Receive()));
    CComPtr<IShellExtInit> init = ext.Create();
    EXPECT_EQ(S_OK, init->Initialize(parent, data.Get(), nullptr));
    EXPECT_EQ(4, QueryMenu(init.Get()).Count());
    ASSERT_EQ(S_OK, Invoke(init.Get(), 0));
    std::vector<uint8_t> bytes = ReadBytes(TempList());
    std::string text(bytes.begin(), bytes.end());
    EXPECT_NE(std::string::npos, text.find("\r\n2\r\n" + a + "\r\n" + b + "\r\n")) << text;
    ILFree(parent);
    ILFree(one);
    ILFree(two);
    ASSERT_FALSE(WaitForArgs().empty()) << "the program was not started";
}

TEST_F(ShellExt, TheModuleCountsItsObjects) {
    ASSERT_NE(nullptr, ext.canUnload);
    {
        CComPtr<IShellExtInit> init = InitWith({"C:\\a.mp3"});
        EXPECT_EQ(S_FALSE, ext.canUnload());
    }
    ext.factory.Release();
    EXPECT_EQ(S_OK, ext.canUnload());
    using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
    auto get = reinterpret_cast<GetClassObject>(reinterpret_cast<void*>(GetProcAddress(ext.m_dll, "DllGetClassObject")));
    void* p = nullptr;
    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, get(IID_IUnknown, IID_IClassFactory, &p));
}
