// The commands of Windows 11's menu, driven as Explorer drives them: created by
// the class ids the package manifest declares, asked for their texts, icon and
// state for a selection of shell items, and invoked with that selection.
#include <gtest/gtest.h>

#include <shlobj.h>
#include <shobjidl.h>

#include <map>
#include <set>

#include "PackageIdentity.h"
#include "framework/ComPtr.h"
#include "framework/FileSystem.h"
#include "framework/Handles.h"
#include "framework/Unicode.h"
#include "shellext/Identity.h"
#include "tests/engine/EngineFixtures.h"
#include "tests/shellext/DropData.h"
#include "tests/shellext/StandIn.h"

using namespace fixtures;

namespace {
// The package manifest of this tree's bitness (cmake/PackageIdentity.cmake).
std::string PackageManifest() { return ReadText(Here() + "\\..\\package\\AppxManifest.xml"); }

// The values of one attribute of every element of one name, in document order.
std::vector<std::string> Attributes(const std::string& xml, const std::string& element, const std::string& attribute) {
    std::vector<std::string> values;
    for (size_t at = xml.find("<" + element + " "); at != std::string::npos; at = xml.find("<" + element + " ", at + 1)) {
        size_t end = xml.find('>', at), value = xml.find(" " + attribute + "=\"", at);
        if (value == std::string::npos || value > end) continue;
        value += attribute.size() + 3;
        values.push_back(xml.substr(value, xml.find('"', value) - value));
    }
    return values;
}

CLSID ClassOf(const std::string& text) {
    CLSID clsid{};
    CLSIDFromString(Widen("{" + text + "}").c_str(), &clsid);
    return clsid;
}

using TextMethod = HRESULT (STDMETHODCALLTYPE IExplorerCommand::*)(IShellItemArray*, LPWSTR*);
std::string TextOf(IExplorerCommand* command, TextMethod method) {
    CCoTaskMemString text;
    HRESULT hr = (command->*method)(nullptr, text.Receive());
    return FAILED(hr) ? "failed: " + std::to_string(hr) : Narrow(text.Get());
}

// A selection as Explorer hands it over: shell items made from parsed paths.
class Selection {
public:
    explicit Selection(const std::vector<std::string>& paths) {
        for (const auto& path : paths) {
            PIDLIST_ABSOLUTE pidl = nullptr;
            parsed = parsed && SUCCEEDED(SHParseDisplayName(Widen(path).c_str(), nullptr, &pidl, 0, nullptr));
            if (pidl) m_pidls.push_back(pidl);
        }
        parsed = parsed && !m_pidls.empty() &&
                 SUCCEEDED(SHCreateShellItemArrayFromIDLists(static_cast<UINT>(m_pidls.size()),
                                                             const_cast<PCIDLIST_ABSOLUTE_ARRAY>(m_pidls.data()),
                                                             items.Receive()));
    }
    ~Selection() {
        items.Release();
        for (auto pidl : m_pidls) ILFree(const_cast<PIDLIST_ABSOLUTE>(pidl));
    }
    Selection(const Selection&) = delete;
    Selection& operator=(const Selection&) = delete;
    bool parsed = true;
    CComPtr<IShellItemArray> items;

private:
    std::vector<PCIDLIST_ABSOLUTE> m_pidls;
};

EXPCMDSTATE StateOf(IExplorerCommand* command, IShellItemArray* items) {
    EXPCMDSTATE state = 0xFF;
    HRESULT hr = command->GetState(items, TRUE, &state);
    return SUCCEEDED(hr) ? state : 0xFE;
}

class ExplorerCommand : public ::testing::Test {
protected:
    ExplorerCommand() : folder(::testing::UnitTest::GetInstance()->current_test_info()->name()) {
        CoInitialize(nullptr);
        ClearRecords(StandInFolder());
        convert = ext.CreateClass<IExplorerCommand>(shellext::kConvertCommandClsid, IID_IExplorerCommand);
        options = ext.CreateClass<IExplorerCommand>(shellext::kOptionsCommandClsid, IID_IExplorerCommand);
    }
    ~ExplorerCommand() override {
        for (const auto& list : lists) {
            fs::SetAttributes(list, FILE_ATTRIBUTE_NORMAL);
            fs::Delete(list);
        }
        convert.Release();
        options.Release();
        CoUninitialize();
    }
    // A file of this name in the test's folder, made for the shell to parse.
    std::string File(const std::string& name) {
        std::string path = folder / name;
        WriteText(path, "1");
        return path;
    }
    std::string ListOf(const std::string& line) {
        std::string list = NamedList(line);
        if (!list.empty()) lists.push_back(list);
        return list;
    }
    TestFolder folder;
    Extension ext;
    CComPtr<IExplorerCommand> convert, options;
    std::vector<std::string> lists;
};
}  // namespace

TEST(GuidText, ClassIdsReadAsTheSystemReadsThem) {
    for (const char* text : {shellext::kClsidText, shellext::kLibidText, shellext::kConvertCommandClsidText,
                             shellext::kOptionsCommandClsidText, "{00000000-0000-0000-C000-000000000046}",
                             "{abcdef01-2345-6789-abcd-ef0123456789}"}) {
        CLSID expected{};
        ASSERT_EQ(S_OK, CLSIDFromString(Widen(text).c_str(), &expected)) << text;
        EXPECT_TRUE(IsEqualGUID(expected, ClassOf(std::string(text + 1, 36)))) << text;
    }
    EXPECT_TRUE(IsEqualGUID(ClassOf("DB7CFAED-842B-47E7-9FF4-92852D617958"), shellext::kClsid));
    EXPECT_TRUE(IsEqualGUID(ClassOf("5291C002-78CE-47AD-A0F6-C187F25FB2A9"), shellext::kLibid));
    EXPECT_TRUE(IsEqualGUID(ClassOf(std::string(shellext::kConvertCommandClsidText + 1, 36)),
                            shellext::kConvertCommandClsid));
}

TEST_F(ExplorerCommand, TheExtensionServesEveryCommandThePackageDeclares) {
    std::string manifest = PackageManifest();
    ASSERT_FALSE(manifest.empty()) << "no package manifest beside the tests";
    std::vector<std::string> ids = Attributes(manifest, "desktop5:Verb", "Id");
    std::vector<std::string> classes = Attributes(manifest, "desktop5:Verb", "Clsid");
    ASSERT_EQ(4u, classes.size()) << "two verbs for files, two for folders";
    const std::map<std::string, std::string> titles = {{"ConvertToWav", "Convert to WAV"},
                                                       {"ConverterOptions", "Converter Options..."}};
    for (size_t i = 0; i < classes.size(); ++i) {
        CComPtr<IExplorerCommand> command = ext.CreateClass<IExplorerCommand>(ClassOf(classes[i]), IID_IExplorerCommand);
        ASSERT_TRUE(command) << "the extension does not serve " << classes[i];
        EXPECT_EQ(titles.at(ids[i]), TextOf(command.Get(), &IExplorerCommand::GetTitle)) << ids[i];
        GUID canonical{};
        EXPECT_EQ(S_OK, command->GetCanonicalName(&canonical));
        EXPECT_TRUE(IsEqualGUID(ClassOf(classes[i]), canonical)) << ids[i];
        EXPECT_EQ(S_FALSE, ext.canUnload()) << "a live command keeps the DLL loaded";
    }
    std::vector<std::string> served = Attributes(manifest, "com:Class", "Id");
    EXPECT_EQ(std::set<std::string>(classes.begin(), classes.end()), std::set<std::string>(served.begin(), served.end()))
        << "the package's COM server declares exactly the verbs' classes";
}

TEST_F(ExplorerCommand, TitlesTooltipsIconAndFlags) {
    ASSERT_TRUE(convert && options) << "the commands could not be created";
    EXPECT_EQ("Convert to WAV", TextOf(convert.Get(), &IExplorerCommand::GetTitle));
    EXPECT_EQ("Converter Options...", TextOf(options.Get(), &IExplorerCommand::GetTitle));
    EXPECT_EQ("Convert to WAV file(s)", TextOf(convert.Get(), &IExplorerCommand::GetToolTip));
    EXPECT_EQ("Converter Options...", TextOf(options.Get(), &IExplorerCommand::GetToolTip));

    std::string icon = TextOf(convert.Get(), &IExplorerCommand::GetIcon);
    EXPECT_EQ(icon, TextOf(options.Get(), &IExplorerCommand::GetIcon));
    size_t comma = icon.rfind(",-");
    ASSERT_NE(std::string::npos, comma) << "not a resource location: " << icon;
    EXPECT_TRUE(EqualNoCase(FullPath(StandInFolder()) + "\\Sonelle.dll", icon.substr(0, comma))) << icon;
    HICON large = nullptr;
    int id = -std::stoi(icon.substr(comma + 2));
    ASSERT_EQ(1u, ExtractIconExW(Widen(icon.substr(0, comma)).c_str(), id, &large, nullptr, 1))
        << "no icon resource at " << icon;
    DestroyIcon(large);

    for (IExplorerCommand* command : {convert.Get(), options.Get()}) {
        EXPCMDFLAGS flags = 0xFF;
        EXPECT_EQ(S_OK, command->GetFlags(&flags));
        EXPECT_EQ(static_cast<EXPCMDFLAGS>(ECF_DEFAULT), flags) << "no submenu, no separator";
        IEnumExplorerCommand* sub = reinterpret_cast<IEnumExplorerCommand*>(1);
        EXPECT_EQ(E_NOTIMPL, command->EnumSubCommands(&sub));
        EXPECT_EQ(nullptr, sub);
    }
}

TEST_F(ExplorerCommand, TheFirstItemDecidesAsInTheClassicMenu) {
    ASSERT_TRUE(convert && options) << "the commands could not be created";
    std::string mp3 = File("a.mp3"), wave = File("B.WAVE"), text = File("notes.txt"), mp2 = File("c.mp2");
    std::string sub = folder.MakeDir("sub");
    for (auto [paths, shown] : std::vector<std::pair<std::vector<std::string>, bool>>{
             {{mp3}, true}, {{wave, text}, true}, {{sub}, true}, {{"C:\\"}, true},
             {{text, mp3}, false}, {{mp2}, false}, {{text}, false}}) {
        Selection selection(paths);
        ASSERT_TRUE(selection.parsed) << paths[0];
        EXPCMDSTATE expected = shown ? ECS_ENABLED : ECS_HIDDEN;
        EXPECT_EQ(expected, StateOf(convert.Get(), selection.items.Get())) << paths[0];
        EXPECT_EQ(expected, StateOf(options.Get(), selection.items.Get())) << paths[0];
    }
    EXPECT_EQ(static_cast<EXPCMDSTATE>(ECS_HIDDEN), StateOf(convert.Get(), nullptr)) << "nothing selected";
    EXPECT_EQ(static_cast<EXPCMDSTATE>(ECS_HIDDEN), StateOf(options.Get(), nullptr)) << "nothing selected";
}

TEST_F(ExplorerCommand, ConvertHandsOverUnicodeNamesExactlyAsTheClassicMenuDoes) {
    ASSERT_TRUE(convert) << "the command could not be created";
    std::vector<std::string> names = {File("日本語の曲.mp3"), File("🎵 emoji.mp3"), File("Łódź.wav"),
                                      folder.MakeDir("Dvořák"), File("notes.txt")};
    Selection selection(names);
    ASSERT_TRUE(selection.parsed);
    ASSERT_EQ(S_OK, convert->Invoke(selection.items.Get(), nullptr));
    std::string line = WaitForArgs();
    ASSERT_FALSE(line.empty()) << "the program was not started";
    EXPECT_NE(std::string::npos, line.find("Wavory.exe")) << line;
    std::string packaged = ReadText(ListOf(line));
    EXPECT_EQ(ExpectedList(FullPath(StandInFolder()), names), packaged) << line;

    ClearRecords(StandInFolder());
    CComPtr<IShellExtInit> classic = ext.Create();
    DropData data(DropBlock(names, true));
    ASSERT_EQ(S_OK, classic->Initialize(nullptr, &data, nullptr));
    CComPtr<IContextMenu> menu;
    classic->QueryInterface(IID_IContextMenu, menu.ReceiveVoid());
    CMINVOKECOMMANDINFO info{};
    info.cbSize = sizeof(info);
    info.lpVerb = MAKEINTRESOURCEA(0);
    ASSERT_EQ(S_OK, menu->InvokeCommand(&info));
    std::string classicLine = WaitForArgs();
    ASSERT_FALSE(classicLine.empty()) << "the classic menu did not start the program";
    EXPECT_EQ(ReadText(ListOf(classicLine)), packaged) << "both menus write the same list";
    EXPECT_EQ(line.substr(0, line.find(" -i ")), classicLine.substr(0, classicLine.find(" -i ")))
        << "both start the same program the same way";
}

TEST_F(ExplorerCommand, OptionsStartsTheProgramWithOAndWritesNoList) {
    ASSERT_TRUE(options) << "the command could not be created";
    Selection selection({File("a.mp3")});
    ASSERT_TRUE(selection.parsed);
    ASSERT_EQ(S_OK, options->Invoke(selection.items.Get(), nullptr));
    std::string line = WaitForArgs();
    ASSERT_FALSE(line.empty()) << "the program was not started";
    EXPECT_EQ(" -o", line.substr(line.size() - 3)) << line;
    EXPECT_EQ("", NamedList(line)) << line;
}

TEST_F(ExplorerCommand, ConvertWithNothingSelectedStartsNothing) {
    ASSERT_TRUE(convert && options) << "the commands could not be created";
    EXPECT_EQ(E_INVALIDARG, convert->Invoke(nullptr, nullptr));
    // The options start is the marker: once it is recorded, any start before it would be too.
    ASSERT_EQ(S_OK, options->Invoke(nullptr, nullptr));
    std::vector<std::string> lines = WaitForStarts(1);
    ASSERT_EQ(1u, lines.size());
    EXPECT_EQ(" -o", lines[0].substr(lines[0].size() - 3)) << lines[0];
}
