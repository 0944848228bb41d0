#include <gtest/gtest.h>

#include "app/FileList.h"
#include "app/OutputFolder.h"
#include "app/ProgramBatch.h"
#include "app/SourceDialog.h"
#include "framework/Wnd.h"
#include "ui/DlgProxy.h"
#include "app/CommandLine.h"
#include "tests/engine/EngineFixtures.h"

using namespace fixtures;

namespace {
std::string Folder(const std::string& path) {
    std::string dst;
    FolderOfPath(path.c_str(), dst);
    return dst;
}
}  // namespace

TEST(FolderOfPath, ExamplesIncludingRootsAndUncPaths) {
    EXPECT_EQ("C:\\Music", Folder("C:\\Music\\a.mp3"));
    EXPECT_EQ("C:", Folder("C:\\a.mp3"));
    EXPECT_EQ("\\\\server\\share", Folder("\\\\server\\share\\a.mp3"));
    EXPECT_EQ("C:\\Music", Folder("C:\\Music\\\\a.mp3")) << "a doubled separator leaves no backslash";
    EXPECT_EQ("C:\\Music\\Live", Folder("C:\\Music\\Live\\")) << "a trailing backslash is dropped";
    EXPECT_EQ("", Folder("a.mp3"));
    // A CP932 name whose second byte would be 0x5C: in UTF-8 no character holds a backslash byte.
    EXPECT_EQ("C:\\\xE9\x9F\xB3\xE6\xA5\xBD", Folder("C:\\\xE9\x9F\xB3\xE6\xA5\xBD\\\xE3\x82\xBD\xE3\x83\xB3\xE3\x82\xB0.mp3"));
    std::string dst = "junk";
    EXPECT_EQ(0, FolderOfPath("\\a.mp3", dst));
    EXPECT_EQ("", dst);
}

TEST(CdRomCheck, LooksAtTheRootOfTheFolder) {
    EXPECT_FALSE(IsFolderOnCdRom("C:\\Out"));
    EXPECT_FALSE(IsFolderOnCdRom("C:")) << "a bare drive letter and colon";
    EXPECT_FALSE(IsFolderOnCdRom(""));
    if (GetDriveTypeA("X:\\") != DRIVE_CDROM) GTEST_SKIP() << "the test prefix has no CD-ROM drive X:";
    EXPECT_TRUE(IsFolderOnCdRom("X:\\Out"));
    EXPECT_TRUE(IsFolderOnCdRom("x:\\"));
}

TEST(CommandLine, WholeLineComparedIgnoringCase) {
    EXPECT_EQ(StartMode::kOptions, ParseCommandLine("-o").mode);
    EXPECT_EQ(StartMode::kOptions, ParseCommandLine("-O").mode);
    EXPECT_EQ(StartMode::kList, ParseCommandLine("-I").mode);
    EXPECT_EQ("", ParseCommandLine("-I").listPath) << "the shared list";
    EXPECT_EQ(StartMode::kList, ParseCommandLine("-i extra").mode) << "a list of its own";
    EXPECT_EQ("extra", ParseCommandLine("-i extra").listPath);
    EXPECT_EQ(StartMode::kFileDialog, ParseCommandLine("-i ").mode);
    EXPECT_EQ(StartMode::kFileDialog, ParseCommandLine("-o extra").mode);
    EXPECT_EQ(StartMode::kFileDialog, ParseCommandLine("-ix").mode);
    EXPECT_EQ(StartMode::kFileDialog, ParseCommandLine("").mode);
    EXPECT_EQ(StartMode::kFileDialog, ParseCommandLine("/Automation -Embedding").mode);
}

namespace {
class Policy : public ::testing::Test {
protected:
    Policy() : env("WavoryPolicyTest") {}
    EngineApp env;
    std::string folder;
};
}  // namespace

TEST_F(Policy, OutputToZeroIsTheFolderOfTheFirstSource) {
    EXPECT_EQ(FolderPolicyResult::kFolder, ApplyOutputFolderPolicy(nullptr, "C:\\Music\\Live", folder));
    EXPECT_EQ("C:\\Music", folder) << "a selected folder's parent";
    ApplyOutputFolderPolicy(nullptr, "D:\\a.mp3", folder);
    EXPECT_EQ("D:", folder);
}

TEST_F(Policy, OutputToTwoIsTheFixedFolderAndEmptyGivesNone) {
    env.Set(settings::kOutputTo, 2);
    EXPECT_EQ(FolderPolicyResult::kNoFolder, ApplyOutputFolderPolicy(nullptr, "C:\\a.mp3", folder));
    settings::Write(env.app, settings::kOutputPath, "E:\\Wav");
    EXPECT_EQ(FolderPolicyResult::kFolder, ApplyOutputFolderPolicy(nullptr, "C:\\a.mp3", folder));
    EXPECT_EQ("E:\\Wav", folder);
    // Stored through the wide registry functions: every character and every length comes back whole.
    std::string deep = "E:\\\xE6\x97\xA5\xE6\x9C\xAC\xF0\x9F\x8E\xB5\\" + std::string(300, 'x');
    settings::Write(env.app, settings::kOutputPath, deep.c_str());
    EXPECT_EQ(FolderPolicyResult::kFolder, ApplyOutputFolderPolicy(nullptr, "C:\\a.mp3", folder));
    EXPECT_EQ(deep, folder);
}

TEST_F(Policy, AnyOtherValueLeavesTheFolderEmpty) {
    env.Set(settings::kOutputTo, 5);
    folder = "junk";
    EXPECT_EQ(FolderPolicyResult::kFolder, ApplyOutputFolderPolicy(nullptr, "C:\\a.mp3", folder));
    EXPECT_EQ("", folder);
}

TEST(FileListParsing, TheWritersFormatWithCrLfOrLf) {
    FileListContent c;
    EXPECT_EQ(0, ParseFileList("0\r\nC:\\Apps\\Wav\r\n2\r\nC:\\Music\\a.mp3\r\nC:\\Music\\Live\r\n", c));
    EXPECT_EQ("C:\\Apps\\Wav", c.folder);
    EXPECT_EQ((std::vector<std::string>{"C:\\Music\\a.mp3", "C:\\Music\\Live"}), c.paths);
    FileListContent lf;
    EXPECT_EQ(0, ParseFileList("0\nC:\\Apps\\Wav\n2\nC:\\Music\\a.mp3\nC:\\Music\\Live\n", lf));
    EXPECT_EQ(c.paths, lf.paths);
}

TEST(FileListParsing, BlankLinesAndLeadingBlanksAreSkippedTrailingBlanksKept) {
    FileListContent c;
    EXPECT_EQ(0, ParseFileList("0\n\nC:\\F\n\n2\n\n   C:\\a b.mp3 \n\n\n\tC:\\c.wav", c));
    EXPECT_EQ((std::vector<std::string>{"C:\\a b.mp3 ", "C:\\c.wav"}), c.paths);
}

TEST(FileListParsing, CountsAndMalformedFiles) {
    FileListContent c;
    EXPECT_EQ(kListEmpty, ParseFileList("0\nC:\\F\n0\nC:\\a.mp3\n", c)) << "a count of 0 even with paths";
    EXPECT_EQ(kListMalformed, ParseFileList("0\nC:\\F\n3\nC:\\a.mp3\nC:\\b.mp3\n", c)) << "short list";
    EXPECT_EQ(kListMalformed, ParseFileList("", c));
    EXPECT_EQ(kListMalformed, ParseFileList("x\nC:\\F\n1\nC:\\a.mp3\n", c));
    EXPECT_EQ(kListMalformed, ParseFileList("0\nC:\\F\ntwo\nC:\\a.mp3\n", c));
    EXPECT_EQ(kListMalformed, ParseFileList("0\nC:\\F\n-1\nC:\\a.mp3\n", c));
    EXPECT_EQ(kListMalformed, ParseFileList("-3\nC:\\F\n1\nC:\\a.mp3\n", c)) << "never mistaken for a result code";
    EXPECT_EQ(kListMalformed, ParseFileList("0\nC:\\F\n99999999999\nC:\\a.mp3\n", c));
    EXPECT_EQ(kListMalformed, ParseFileList("0\nC:\\F\n1\n" + std::string(32768, 'p') + "\n", c))
        << "longer than any path";
    EXPECT_EQ(0, ParseFileList("0\nC:\\F\n1\n" + std::string(32767, 'p') + "\n", c));
    EXPECT_EQ(0, ParseFileList("0\nC:\\F\n1\n" + std::string(260, 'p') + "\n", c)) << "no 260-byte limit";
    EXPECT_EQ(0, ParseFileList("0\nC:\\F\n1\nC:\\a.mp3\nC:\\extra.mp3\n", c)) << "lines past the count are ignored";
    EXPECT_EQ(3, ParseFileList("3\nD:\\Out\n1\nC:\\a.mp3\n", c)) << "a positive flag is passed on";
}

namespace {
class FileListRead : public ::testing::Test {
protected:
    FileListRead() : env("Wavory") {}
    void WriteList(const std::string& text) {
        std::string path = FileListPath();
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        ASSERT_TRUE(WriteBytes(path, std::vector<uint8_t>(text.begin(), text.end())));
    }
    int ReadFileList(std::string& into) { return ::ReadFileList(ListFileFor(""), into); }
    ~FileListRead() override { Batch().FreeSources(); }
    EngineApp env;
    std::string folder;
};
}  // namespace

TEST_F(FileListRead, FillsTheSourcesAndSettlesTheFolder) {
    WriteList("0\r\nC:\\Apps\r\n2\r\nC:\\Music\\a.mp3\r\nC:\\Music\\Live\r\n");
    EXPECT_EQ(0, ReadFileList(folder));
    ASSERT_EQ(2, Batch().sourceCount);
    EXPECT_EQ("C:\\Music\\a.mp3", Batch().sourcePaths[0]);
    EXPECT_EQ("C:\\Music\\Live", Batch().sourcePaths[1]);
    EXPECT_EQ("C:\\Music", folder);
}

TEST_F(FileListRead, PositiveFlagUsesLineTwoAndEmptyFixedFolderGivesNoFolder) {
    WriteList("1\r\nD:\\Out\r\n1\r\nC:\\Music\\a.mp3\r\n");
    EXPECT_EQ(1, ReadFileList(folder));
    EXPECT_EQ("D:\\Out", folder);
    env.Set(settings::kOutputTo, 2);
    WriteList("0\r\nD:\\Out\r\n1\r\nC:\\Music\\a.mp3\r\n");
    EXPECT_EQ(kListNoFolder, ReadFileList(folder));
    EXPECT_TRUE(Batch().sourcePaths.empty()) << "freed on the way out";
}

TEST_F(FileListRead, AMissingFileIsMalformed) {
    std::string path = FileListPath();
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(path.c_str());
    EXPECT_EQ(kListMalformed, ReadFileList(folder));
    EXPECT_EQ(kListMalformed, ::ReadFileList(ListFileFor(path + ".named"), folder));
}

TEST(Selection, OnePathOrAFolderAndNames) {
    std::vector<std::string> paths;
    const wchar_t one[] = L"C:\\Music\\a.mp3\0\0";
    ASSERT_TRUE(ParseSelection(one, std::size(one), paths));
    EXPECT_EQ((std::vector<std::string>{"C:\\Music\\a.mp3"}), paths);
    const wchar_t many[] = L"C:\\Music\0a.mp3\0\x65E5\x672C.wma\0\0";
    ASSERT_TRUE(ParseSelection(many, std::size(many), paths));
    EXPECT_EQ((std::vector<std::string>{"C:\\Music\\a.mp3", "C:\\Music\\\xE6\x97\xA5\xE6\x9C\xAC.wma"}), paths)
        << "names come out in UTF-8";
    const wchar_t root[] = L"C:\\\0a.mp3\0b.mp3\0\0";
    ASSERT_TRUE(ParseSelection(root, std::size(root), paths));
    EXPECT_EQ("C:\\a.mp3", paths[0]) << "no doubled backslash in a drive root";
}

TEST(Selection, ACutSelectionWithNoDoubleZeroIsTooMany) {
    std::vector<wchar_t> cut(kSelectionBufferSize, L'x');
    memcpy(cut.data(), L"C:\\Music\0a.mp3\0b", 16 * sizeof(wchar_t));
    std::vector<std::string> paths;
    EXPECT_FALSE(ParseSelection(cut.data(), cut.size(), paths));
    EXPECT_TRUE(paths.empty()) << "never a cut path";
}

TEST(AutomationSwitch, EitherPrefixAnyCaseAnyPlace) {
    EXPECT_TRUE(automation::IsAutomationStart("/Automation -Embedding"));
    EXPECT_TRUE(automation::IsAutomationStart("-embedding"));
    EXPECT_TRUE(automation::IsAutomationStart("/AUTOMATION"));
    EXPECT_FALSE(automation::IsAutomationStart(""));
    EXPECT_FALSE(automation::IsAutomationStart("-i"));
    EXPECT_FALSE(automation::IsAutomationStart("Automation"));
    EXPECT_FALSE(automation::IsAutomationStart("/Automationx"));
}

TEST(AutomationProxy, AnswersItsInterfacesAndAttachesToNoOtherWindow) {
    CWinApp app("WavoryProxyTest");
    CWnd notADialog;
    app.m_pMainWnd = &notADialog;
    auto* proxy = new CWavoryDlgAutoProxy();
    EXPECT_EQ(nullptr, proxy->m_pDialog) << "the main window is not the conversion dialog";
    EXPECT_EQ(proxy, CWavoryDlgAutoProxy::Current());
    EXPECT_EQ(1, automation::AppLocks());
    void* p = nullptr;
    EXPECT_EQ(S_OK, proxy->QueryInterface(automation::kIidDispatchInterface, &p));
    proxy->Release();
    EXPECT_EQ(S_OK, proxy->QueryInterface(IID_IDispatch, &p));
    proxy->Release();
    EXPECT_EQ(E_NOINTERFACE, proxy->QueryInterface(IID_IClassFactory, &p));
    proxy->Release();
    EXPECT_EQ(0, automation::AppLocks()) << "the lock goes with the object";
    EXPECT_EQ(nullptr, CWavoryDlgAutoProxy::Current());
}
