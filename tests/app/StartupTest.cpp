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
    PathBuffer src = {}, dst;
    strcpy(src, path.c_str());
    FolderOfPath(src, sizeof(src), dst);
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
    PathBuffer src = {"\\a.mp3"}, dst;
    EXPECT_EQ(0, FolderOfPath(src, sizeof(src), dst));
    EXPECT_STREQ("", dst);
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
    PathBuffer folder = {};
};
}  // namespace

TEST_F(Policy, OutputToZeroIsTheFolderOfTheFirstSource) {
    EXPECT_EQ(FolderPolicyResult::kFolder, ApplyOutputFolderPolicy(nullptr, "C:\\Music\\Live", folder));
    EXPECT_STREQ("C:\\Music", folder) << "a selected folder's parent";
    ApplyOutputFolderPolicy(nullptr, "D:\\a.mp3", folder);
    EXPECT_STREQ("D:", folder);
}

TEST_F(Policy, OutputToTwoIsTheFixedFolderAndEmptyGivesNone) {
    env.Set(settings::kOutputTo, 2);
    EXPECT_EQ(FolderPolicyResult::kNoFolder, ApplyOutputFolderPolicy(nullptr, "C:\\a.mp3", folder));
    settings::Write(env.app, settings::kOutputPath, "E:\\Wav");
    EXPECT_EQ(FolderPolicyResult::kFolder, ApplyOutputFolderPolicy(nullptr, "C:\\a.mp3", folder));
    EXPECT_STREQ("E:\\Wav", folder);
    settings::Write(env.app, settings::kOutputPath, std::string(300, 'x').c_str());
    EXPECT_EQ(FolderPolicyResult::kNoFolder, ApplyOutputFolderPolicy(nullptr, "C:\\a.mp3", folder))
        << "a folder that does not fit is refused, never cut";
}

TEST_F(Policy, AnyOtherValueLeavesTheFolderEmpty) {
    env.Set(settings::kOutputTo, 5);
    strcpy(folder, "junk");
    EXPECT_EQ(FolderPolicyResult::kFolder, ApplyOutputFolderPolicy(nullptr, "C:\\a.mp3", folder));
    EXPECT_STREQ("", folder);
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
    int ReadFileList(PathBuffer& into) { return ::ReadFileList(ListFileFor(""), into); }
    ~FileListRead() override { Batch().FreeSources(); }
    EngineApp env;
    PathBuffer folder = {};
};
}  // namespace

TEST_F(FileListRead, FillsTheSourcesAndSettlesTheFolder) {
    WriteList("0\r\nC:\\Apps\r\n2\r\nC:\\Music\\a.mp3\r\nC:\\Music\\Live\r\n");
    EXPECT_EQ(0, ReadFileList(folder));
    ASSERT_EQ(2, Batch().sourceCount);
    EXPECT_STREQ("C:\\Music\\a.mp3", Batch().sourcePaths[0]);
    EXPECT_STREQ("C:\\Music\\Live", Batch().sourcePaths[1]);
    EXPECT_EQ('\0', Batch().sourcePaths[1][20]);
    EXPECT_STREQ("C:\\Music", folder);
}

TEST_F(FileListRead, PositiveFlagUsesLineTwoAndEmptyFixedFolderGivesNoFolder) {
    WriteList("1\r\nD:\\Out\r\n1\r\nC:\\Music\\a.mp3\r\n");
    EXPECT_EQ(1, ReadFileList(folder));
    EXPECT_STREQ("D:\\Out", folder);
    env.Set(settings::kOutputTo, 2);
    WriteList("0\r\nD:\\Out\r\n1\r\nC:\\Music\\a.mp3\r\n");
    EXPECT_EQ(kListNoFolder, ReadFileList(folder));
    EXPECT_EQ(nullptr, Batch().sourcePaths.get()) << "freed on the way out";
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
    const char one[] = "C:\\Music\\a.mp3\0\0";
    ASSERT_TRUE(ParseSelection(one, sizeof(one), paths));
    EXPECT_EQ((std::vector<std::string>{"C:\\Music\\a.mp3"}), paths);
    const char many[] = "C:\\Music\0a.mp3\0b.wma\0\0";
    ASSERT_TRUE(ParseSelection(many, sizeof(many), paths));
    EXPECT_EQ((std::vector<std::string>{"C:\\Music\\a.mp3", "C:\\Music\\b.wma"}), paths);
    const char root[] = "C:\\\0a.mp3\0b.mp3\0\0";
    ASSERT_TRUE(ParseSelection(root, sizeof(root), paths));
    EXPECT_EQ("C:\\a.mp3", paths[0]) << "no doubled backslash in a drive root";
}

TEST(Selection, ACutSelectionWithNoDoubleZeroIsTooMany) {
    std::vector<char> cut(kSelectionBufferSize, 'x');
    memcpy(cut.data(), "C:\\Music\0a.mp3\0b", 16);
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
