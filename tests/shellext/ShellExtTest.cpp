#include <gtest/gtest.h>

#include <shlobj.h>

#include <algorithm>
#include <cstring>

#include "shellext/DropList.h"
#include "shellext/Identity.h"
#include "framework/ComPtr.h"
#include "framework/FileSystem.h"
#include "framework/Unicode.h"
#include "tests/engine/EngineFixtures.h"
#include "tests/shellext/DropData.h"
#include "tests/shellext/StandIn.h"

using namespace fixtures;

namespace {
// The shared list of older callers, which the extension no longer writes.
std::string TempList() { return fs::TempFolder() + "filelist.flt"; }

// A folder below parent whose full path passes 300 characters, made level by level.
std::string MakeLongFolder(const std::string& parent) {
    std::string path = parent;
    for (int level = 0; path.size() <= 300; ++level) {
        path += "\\" + std::string(40, static_cast<char>('a' + level)) + " Ordner";
        fs::MakeFolder(path);
    }
    return path;
}

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

class ShellExt : public ::testing::Test {
protected:
    ShellExt() : folder(::testing::UnitTest::GetInstance()->current_test_info()->name()) {
        CoInitialize(nullptr);
        ClearRecords(StandInFolder());
    }
    ~ShellExt() override {
        // The stand-in never deletes the lists it is named, as the program does.
        for (const auto& list : lists) {
            fs::SetAttributes(list, FILE_ATTRIBUTE_NORMAL);
            fs::Delete(list);
        }
        CoUninitialize();
    }
    CComPtr<IShellExtInit> InitWith(const std::vector<std::string>& names, HRESULT* hr = nullptr, bool wide = false,
                                    Extension* from = nullptr) {
        CComPtr<IShellExtInit> init = (from ? *from : ext).Create();
        DropData data(DropBlock(names, wide));
        HRESULT r = init ? init->Initialize(nullptr, &data, nullptr) : E_FAIL;
        if (hr) *hr = r;
        return init;
    }
    // The list a recorded start was named, kept for deletion at the end.
    std::string ListOf(const std::string& line) {
        std::string list = NamedList(line);
        if (!list.empty()) lists.push_back(list);
        return list;
    }
    // A folder for names in any characters, emptied first.
    std::string UnicodeFolder() {
        std::string path = folder / "uni";
        RemoveTree(path);
        fs::MakeFolder(path);
        return path;
    }
    TestFolder folder;
    Extension ext;
    std::vector<std::string> lists;
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
    fs::SetAttributes(older, FILE_ATTRIBUTE_NORMAL);
    ASSERT_TRUE(WriteText(older, "old"));
    fs::SetAttributes(older, FILE_ATTRIBUTE_HIDDEN);
    std::string longName = "C:\\" + std::string(300, 'l') + ".mp3";
    CComPtr<IShellExtInit> init = InitWith({"C:\\Music\\a.mp3", folder.Path(), longName, "C:\\b.wav"});
    EXPECT_EQ(E_INVALIDARG, Invoke(init.Get(), reinterpret_cast<UINT_PTR>("open"))) << "string verbs";
    ASSERT_EQ(S_OK, Invoke(init.Get(), 0));
    std::string line = WaitForArgs();
    ASSERT_FALSE(line.empty()) << "the program was not started";
    EXPECT_NE(std::string::npos, line.find("Wavory.exe")) << line;
    std::string list = ListOf(line);
    ASSERT_FALSE(list.empty()) << "the program was not named a list: " << line;
    std::string name = list.substr(list.rfind('\\') + 1);
    fs::FileIdentity listFolder, temp;
    EXPECT_TRUE(fs::Identify(list.substr(0, list.size() - name.size()), listFolder) &&
                fs::Identify(fs::TempFolder(), temp) && listFolder == temp)
        << list;
    EXPECT_EQ(0u, name.find("filelist-")) << name;
    EXPECT_EQ(".flt", name.substr(name.size() - 4)) << name;

    EXPECT_EQ(std::string(kMark) + "0\r\n" + FullPath(StandInFolder()) + "\r\n4\r\nC:\\Music\\a.mp3\r\n" + folder.Path() +
                  "\r\n" + longName + "\r\nC:\\b.wav\r\n",
              ReadText(list))
        << "every name, a long one too, whole";
    DWORD attributes = fs::Attributes(list);
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_HIDDEN);
    EXPECT_FALSE(attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM)) << "hidden, nothing more";
    EXPECT_EQ("old", ReadText(older)) << "the shared list of older callers is left alone";
}

TEST_F(ShellExt, OptionsStartsTheProgramWithOAndLeavesTheListAlone) {
    std::string list = TempList();
    fs::SetAttributes(list, FILE_ATTRIBUTE_NORMAL);
    ASSERT_TRUE(WriteText(list, "keep"));
    CComPtr<IShellExtInit> init = InitWith({"C:\\a.mp3"});
    ASSERT_EQ(S_OK, Invoke(init.Get(), 1));
    std::string line = WaitForArgs();
    ASSERT_FALSE(line.empty()) << "the program was not started";
    EXPECT_EQ(" -o", line.substr(line.size() - 3)) << line;
    EXPECT_EQ("keep", ReadText(list));
}

TEST_F(ShellExt, AThousandFilesGiveAThousandLines) {
    std::vector<std::string> names;
    for (int i = 0; i < 1000; ++i) names.push_back("C:\\Music\\track " + std::to_string(i) + ".mp3");
    CComPtr<IShellExtInit> init = InitWith(names);
    ASSERT_EQ(S_OK, Invoke(init.Get(), 0));
    std::string line = WaitForArgs();
    ASSERT_FALSE(line.empty()) << "the program was not started";
    std::string text = ReadText(ListOf(line));
    size_t lines = 0;
    for (char c : text) lines += c == '\n';
    EXPECT_EQ(1003u, lines);
    EXPECT_NE(std::string::npos, text.find("\r\n1000\r\n"));
    EXPECT_NE(std::string::npos, text.find("track 999.mp3\r\n"));
}

TEST_F(ShellExt, ARealShellDataObjectFromPidls) {
    std::string uni = UnicodeFolder();
    std::string a = uni + "\\日本語の曲.mp3", b = uni + "\\Łódź.txt";
    ASSERT_TRUE(WriteText(a, "1"));
    ASSERT_TRUE(WriteText(b, "1"));
    ASSERT_TRUE(WriteText(uni + "\\Lódz.txt", "1")) << "the twin a best fit would give";
    using CreateFromIdArray = HRESULT(WINAPI*)(PCIDLIST_ABSOLUTE, UINT, PCUIDLIST_RELATIVE_ARRAY, IDataObject**);
    auto create = reinterpret_cast<CreateFromIdArray>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("shell32.dll"), MAKEINTRESOURCEA(83))));
    ASSERT_NE(nullptr, create);
    PIDLIST_ABSOLUTE parent = nullptr, one = nullptr, two = nullptr;
    ASSERT_EQ(S_OK, SHParseDisplayName(Widen(uni).c_str(), nullptr, &parent, 0, nullptr));
    ASSERT_EQ(S_OK, SHParseDisplayName(Widen(a).c_str(), nullptr, &one, 0, nullptr));
    ASSERT_EQ(S_OK, SHParseDisplayName(Widen(b).c_str(), nullptr, &two, 0, nullptr));
    PCUITEMID_CHILD children[2] = {ILFindLastID(one), ILFindLastID(two)};
    CComPtr<IDataObject> data;
    ASSERT_EQ(S_OK, create(parent, 2, reinterpret_cast<PCUIDLIST_RELATIVE_ARRAY>(children), data.Receive()));
    CComPtr<IShellExtInit> init = ext.Create();
    EXPECT_EQ(S_OK, init->Initialize(parent, data.Get(), nullptr));
    EXPECT_EQ(4, QueryMenu(init.Get()).Count()) << "a Japanese first name";
    ASSERT_EQ(S_OK, Invoke(init.Get(), 0));
    ILFree(parent);
    ILFree(one);
    ILFree(two);
    std::string line = WaitForArgs();
    ASSERT_FALSE(line.empty()) << "the program was not started";
    std::string text = ReadText(ListOf(line));
    EXPECT_NE(std::string::npos, text.find("\r\n2\r\n" + a + "\r\n" + b + "\r\n")) << text;
}

TEST(DropList, WideNamesComeOutAsUtf8WhateverTheirCharactersAndLength) {
    std::string deep = "C:\\" + std::string(150, 'd') + "\\" + std::string(150, 'e') + "\\long.mp3";
    std::vector<std::string> utf8 = {"C:\\日本語の曲.mp3", "C:\\🎵 emoji.mp3", "C:\\Dvořák.mp3", "C:\\Łódź.mp3",
                                     "C:\\ソ\\表能.wav", deep};
    auto block = DropBlock(utf8, true);
    std::vector<std::string> names;
    ASSERT_TRUE(ParseDropList(block.data(), block.size(), names));
    EXPECT_EQ(utf8, names) << "every name, in UTF-8, none best-fitted, none cut";
    EXPECT_EQ("C:\\\xF0\x9F\x8E\xB5 emoji.mp3", names[1]) << "a surrogate pair is one four-byte character";

    auto lone = WideDropBlock({std::wstring(L"C:\\a") + wchar_t(0xD800) + L".mp3", L"C:\\b.mp3"});
    ASSERT_TRUE(ParseDropList(lone.data(), lone.size(), names));
    EXPECT_EQ((std::vector<std::string>{"C:\\a\xEF\xBF\xBD.mp3", "C:\\b.mp3"}), names)
        << "an unpaired surrogate is replaced, the name kept";

    // An odd offset: the names need not be aligned in the block.
    std::vector<uint8_t> odd(block.begin(), block.begin() + sizeof(DROPFILES));
    odd.push_back(0);
    odd.insert(odd.end(), block.begin() + sizeof(DROPFILES), block.end());
    reinterpret_cast<DROPFILES*>(odd.data())->pFiles = sizeof(DROPFILES) + 1;
    ASSERT_TRUE(ParseDropList(odd.data(), odd.size(), names));
    EXPECT_EQ(utf8, names);
}

TEST(DropList, AnsiNamesAreReadInTheirCodePage) {
    std::vector<std::string> names;
    // Each of these characters ends in 0x5C, a backslash in ASCII.
    auto japanese = DropBlock({"C:\\\x83\x5C\\\x95\x5C\x94\x5C.mp3"});
    ASSERT_TRUE(ParseDropList(japanese.data(), japanese.size(), names, 932));
    EXPECT_EQ((std::vector<std::string>{"C:\\ソ\\表能.mp3"}), names);
    auto polish = DropBlock({"C:\\\xA3\xF3\x64\x9F.mp3", "C:\\Dvo\xF8\xE1k.mp3"});
    ASSERT_TRUE(ParseDropList(polish.data(), polish.size(), names, 1250));
    EXPECT_EQ((std::vector<std::string>{"C:\\Łódź.mp3", "C:\\Dvořák.mp3"}), names);
    auto western = DropBlock({"C:\\Caf\xE9.mp3"});
    ASSERT_TRUE(ParseDropList(western.data(), western.size(), names, 1252));
    EXPECT_EQ((std::vector<std::string>{"C:\\Café.mp3"}), names);
}

TEST(DropList, TheMenuQualifiesNamesOfAnyCharactersAndLength) {
    TestFolder folder("MenuQualifies");
    std::string japanese = folder / "日本語のフォルダ";
    ASSERT_TRUE(fs::MakeFolder(japanese));
    std::string deep = MakeLongFolder(folder.Path());
    ASSERT_TRUE(fs::IsFolder(deep)) << "could not make " << deep;
    EXPECT_TRUE(QualifiesForMenu(japanese));
    EXPECT_TRUE(QualifiesForMenu(deep)) << deep.size() << " characters";
    EXPECT_TRUE(QualifiesForMenu(deep + "\\" + std::string(200, 'x') + ".MP3"));
    EXPECT_TRUE(QualifiesForMenu("C:\\日本語の曲.Wave"));
    EXPECT_TRUE(QualifiesForMenu("C:\\🎵 emoji.WMA"));
    EXPECT_FALSE(QualifiesForMenu(folder / "日本語のメモ.txt"));
    EXPECT_FALSE(QualifiesForMenu(japanese + "\\missing"));
    EXPECT_FALSE(QualifiesForMenu("C:\\a.mp3x"));
    RemoveTree(folder.Path());
}

TEST_F(ShellExt, TheMenuShowsForAJapaneseOrLongFirstName) {
    std::string uni = UnicodeFolder();
    std::string japanese = uni + "\\日本語のフォルダ", deep = MakeLongFolder(uni);
    ASSERT_TRUE(fs::MakeFolder(japanese));
    ASSERT_TRUE(fs::IsFolder(deep)) << "could not make " << deep;
    std::string text = uni + "\\notes.txt";
    for (auto [first, shows] : {std::pair<std::string, bool>{uni + "\\日本語の曲.mp3", true}, {japanese, true},
                                {deep, true}, {deep + "\\" + std::string(100, 's') + ".wav", true},
                                {uni + "\\Łódź.mp2", false}, {japanese + "\\メモ.txt", false}}) {
        HRESULT hr = E_FAIL;
        CComPtr<IShellExtInit> init = InitWith({first, text}, &hr, true);
        ASSERT_TRUE(init);
        EXPECT_EQ(S_OK, hr) << first;
        EXPECT_EQ(shows ? 4 : 0, QueryMenu(init.Get()).Count()) << first;
    }
}

TEST_F(ShellExt, WideNamesReachTheListInUtf8AndNoTwinIsTaken) {
    std::string uni = UnicodeFolder();
    ASSERT_TRUE(WriteText(uni + "\\Łódź.mp3", "1"));
    ASSERT_TRUE(WriteText(uni + "\\Lódz.mp3", "1")) << "the twin a best fit would give";
    std::string deep = MakeLongFolder(uni);
    std::vector<std::string> names = {uni + "\\日本語の曲.mp3", uni + "\\🎵 emoji.mp3", uni + "\\Dvořák.mp3",
                                      uni + "\\Łódź.mp3",        uni + "\\ソ表能.wav",    deep};
    CComPtr<IShellExtInit> init = InitWith(names, nullptr, true);
    ASSERT_EQ(4, QueryMenu(init.Get()).Count());
    ASSERT_EQ(S_OK, Invoke(init.Get(), 0));
    std::string line = WaitForArgs();
    ASSERT_FALSE(line.empty()) << "the program was not started";
    std::string text = ReadText(ListOf(line));
    EXPECT_EQ(ExpectedList(FullPath(StandInFolder()), names), text);
    EXPECT_EQ(std::string::npos, text.find("Lódz")) << text;
}

TEST_F(ShellExt, TwoQuickCommandsEachHandTheProgramAListOfItsOwn) {
    std::vector<std::string> first = {"C:\\one\\日本語の曲.mp3"}, second = {"C:\\two\\a.mp3", "C:\\two\\b.wav"};
    CComPtr<IShellExtInit> one = InitWith(first, nullptr, true), two = InitWith(second, nullptr, true);
    ASSERT_EQ(S_OK, Invoke(one.Get(), 0));
    ASSERT_EQ(S_OK, Invoke(two.Get(), 0));
    std::vector<std::string> lines = WaitForStarts(2);
    ASSERT_EQ(2u, lines.size()) << "two programs were not started";
    std::vector<std::string> texts;
    for (const auto& line : lines) {
        std::string list = ListOf(line);
        ASSERT_FALSE(list.empty()) << line;
        texts.push_back(ReadText(list));
    }
    EXPECT_NE(NamedList(lines[0]), NamedList(lines[1]));
    std::string folder = FullPath(StandInFolder());
    std::vector<std::string> expected = {ExpectedList(folder, first), ExpectedList(folder, second)};
    std::sort(texts.begin(), texts.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(expected, texts) << "each list is whole and holds its own selection";
}

TEST_F(ShellExt, AnExtensionInAFolderWithAJapaneseName) {
    std::string installed = UnicodeFolder() + "\\ソフト表示能";
    ASSERT_TRUE(fs::MakeFolder(installed));
    for (const char* file : {"Sonelle.dll", "Wavory.exe"})
        ASSERT_TRUE(CopyFileW(fs::SystemPath(StandInFolder() + "\\" + file).c_str(),
                              fs::SystemPath(installed + "\\" + file).c_str(), FALSE))
            << file;
    {
        Extension copy(installed);
        ASSERT_TRUE(copy.factory) << "the extension did not load from " << installed;
        CComPtr<IShellExtInit> init = InitWith({"C:\\a.mp3"}, nullptr, true, &copy);
        ASSERT_EQ(S_OK, Invoke(init.Get(), 0));
        std::string line = WaitForArgs(installed);
        ASSERT_FALSE(line.empty()) << "the program beside the extension was not started";
        EXPECT_NE(std::string::npos, line.find(installed)) << line;
        EXPECT_EQ(ExpectedList(FullPath(installed), {"C:\\a.mp3"}), ReadText(ListOf(line)));
    }
    RemoveTree(UnicodeFolder());
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
