// The real Wavory.exe under Wine and Xvfb, driven as a person would drive it.
#include <gtest/gtest.h>

#include <functional>

#include "app/AppMessages.h"
#include "dialog/JobTexts.h"
#include "framework/ComPtr.h"
#include "framework/RegKey.h"
#include "res/resource.h"
#include "tests/engine/EngineFixtures.h"
#include "tests/gui/ProgramDriver.h"
#include "tests/shellext/DropData.h"

using namespace fixtures;

namespace {
class WavoryGui : public ::testing::Test {
protected:
    WavoryGui() : env("Wavory"), folder(std::string("gui_") + ::testing::UnitTest::GetInstance()->current_test_info()->name()) {
        in = folder.MakeDir("in");
        out = folder.MakeDir("out");
        env.Set(settings::kOutputTo, settings::kOutputToFixedFolder);
        settings::Write(env.app, settings::kOutputPath, out.c_str());
        env.Set(settings::kPromptBefore, 0);
        EndStrayPrograms();
    }
    ~WavoryGui() override { EndStrayPrograms(); }
    std::string Wav(const std::string& name, size_t seconds, WORD channels = 2) {
        std::string path = in + "\\" + name;
        EXPECT_TRUE(WriteBytes(path, CanonicalWav(Pcm(channels, 44100, 16), Tone16(44100 * seconds, channels, 44100, 9000))));
        return path;
    }
    void WriteList(const std::vector<std::string>& paths) {
        std::string text = "0\r\n" + folder.Path() + "\r\n" + std::to_string(paths.size()) + "\r\n";
        for (const auto& p : paths) text += p + "\r\n";
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        std::string list = std::string(temp) + "\\filelist.flt";
        SetFileAttributesA(list.c_str(), FILE_ATTRIBUTE_NORMAL);
        ASSERT_TRUE(WriteBytes(list, std::vector<uint8_t>(text.begin(), text.end())));
    }
    // Starts a list-mode batch and returns the main dialog.
    HWND StartList(const std::vector<std::string>& paths) {
        WriteList(paths);
        EXPECT_TRUE(program.Start("-i"));
        HWND dialog = program.FindDialog(IDC_PAUSE);
        EXPECT_NE(nullptr, dialog) << "the conversion dialog did not appear";
        return dialog;
    }
    bool WaitFinished(HWND dialog, DWORD ms = 20000) { return ProgramDriver::WaitText(dialog, IDC_PAUSE, "Open", ms); }
    void Close(HWND dialog) {
        ProgramDriver::Click(dialog, IDCANCEL);
        EXPECT_TRUE(program.WaitExit(10000)) << "the program did not end";
    }
    // Every normal start registers its own path as the automation server: after
    // a test ran a copy, the real program takes that back, or later automation
    // tests would start the copy.
    void TakeBackAutomationRegistration() {
        ProgramDriver real;
        ASSERT_TRUE(real.Start("-o"));
        HWND options = real.FindDialog(IDC_NORMALIZE_LEVEL);
        ASSERT_NE(nullptr, options);
        ProgramDriver::Click(options, IDCANCEL);
        EXPECT_TRUE(real.WaitExit(10000));
    }
    // Answers a box with one of its buttons.
    void Answer(HWND box, int button) { ProgramDriver::Click(box, button); }
    // Answers a box and waits until it has gone.
    bool AnswerAndWait(HWND box, int button) {
        Answer(box, button);
        return WaitUntil([&] { return !IsWindowVisible(box); });
    }
    // A Pause pressed while the overwrite question holds the thread, then Yes:
    // the thread converts one one-second block of the 30 and holds there.
    bool PausedAfterOneBlock(HWND dialog, HWND question) {
        ProgramDriver::Click(dialog, IDC_PAUSE);
        if (!ProgramDriver::WaitText(dialog, IDC_PAUSE, "Continue")) return false;
        Answer(question, IDYES);
        return WaitUntil([&] { return ProgramDriver::Position(dialog, IDC_FILE_PROGRESS) == 3; });
    }

    EngineApp env;
    TestFolder folder;
    std::string in, out;
    ProgramDriver program;
};
}  // namespace

TEST_F(WavoryGui, ListModeConvertsFilesAndFoldersEndToEnd) {
    // One at a time, so the labels end on the last file (side by side they stay on the one converting longest).
    env.Set(settings::kFilesAtOnce, 1);
    std::string a = Wav("a.wav", 3);
    std::string sub = folder.MakeDir("in\\album");
    std::string bPath = sub + "\\b.wav";
    ASSERT_TRUE(WriteBytes(bPath, CanonicalWav(Pcm(2, 44100, 16), Tone16(44100 * 2, 2, 44100, 5000, 220))));
    HWND dialog = StartList({a, sub});
    ASSERT_NE(nullptr, dialog);
    ASSERT_TRUE(WaitFinished(dialog));
    EXPECT_EQ("Close", ProgramDriver::ItemText(dialog, IDCANCEL));
    EXPECT_EQ("Total Progress", ProgramDriver::ItemText(dialog, IDC_STAGE));
    EXPECT_EQ(100, ProgramDriver::Position(dialog, IDC_TOTAL_PROGRESS));
    EXPECT_EQ(100, ProgramDriver::Position(dialog, IDC_FILE_PROGRESS));
    EXPECT_EQ("b.wav", ProgramDriver::ItemText(dialog, IDC_FILE_NAME));
    EXPECT_EQ("From \"album\" To \"out\"", ProgramDriver::ItemText(dialog, IDC_FOLDERS));
    char cwd[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, cwd);
    ProgramDriver::Screenshot(dialog, std::string(cwd) + "\\..\\..\\screenshot-finished.bmp");
    Close(dialog);

    EXPECT_EQ(Tone16(44100 * 3, 2, 44100, 9000), ReadOutput(out + "\\a.wav").data);
    EXPECT_EQ(Tone16(44100 * 2, 2, 44100, 5000, 220), ReadOutput(out + "\\b.wav").data);
}

TEST_F(WavoryGui, PauseThenCancelAndNoStaysPaused) {
    // The overwrite question holds the thread at a known point while Pause is pressed.
    env.Set(settings::kPromptBefore, 1);
    std::string a = Wav("long.wav", 30);
    ASSERT_TRUE(WriteBytes(out + "\\long.wav", {1, 2, 3}));
    HWND dialog = StartList({a});
    ASSERT_NE(nullptr, dialog);
    HWND question = program.FindMessageBox("is exist!Overwrite it?");
    ASSERT_NE(nullptr, question);
    char cwd[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, cwd);
    ProgramDriver::Screenshot(dialog, std::string(cwd) + "\\..\\..\\screenshot-converting.bmp");
    ASSERT_TRUE(PausedAfterOneBlock(dialog, question))
        << "file bar at " << ProgramDriver::Position(dialog, IDC_FILE_PROGRESS) << ", button "
        << ProgramDriver::ItemText(dialog, IDC_PAUSE);
    int held = ProgramDriver::Position(dialog, IDC_FILE_PROGRESS);
    ProgramDriver::Screenshot(dialog, std::string(cwd) + "\\..\\..\\screenshot-paused.bmp");

    ProgramDriver::Click(dialog, IDCANCEL);
    HWND prompt = program.FindMessageBox("Cancel Conversion?");
    ASSERT_NE(nullptr, prompt);
    EXPECT_EQ("Info", ProgramDriver::Caption(prompt));
    ASSERT_TRUE(AnswerAndWait(prompt, IDNO));
    EXPECT_TRUE(program.IsRunning());
    EXPECT_EQ("Continue", ProgramDriver::ItemText(dialog, IDC_PAUSE)) << "still paused";
    EXPECT_EQ(held, ProgramDriver::Position(dialog, IDC_FILE_PROGRESS)) << "no progress while paused";
    EXPECT_LT(held, 100);

    ProgramDriver::Click(dialog, IDC_PAUSE);
    ASSERT_TRUE(WaitFinished(dialog));
    Close(dialog);
    EXPECT_EQ(30u * 176400, ReadOutput(out + "\\long.wav").data.size()) << "continued to the end";
}

// One file at a time: the later file must not have started before the Cancel.
TEST_F(WavoryGui, PauseThenCancelAndYesClosesWithAShorterValidFile) {
    env.Set(settings::kFilesAtOnce, 1);
    env.Set(settings::kPromptBefore, 1);
    std::string a = Wav("long.wav", 30);
    std::string b = Wav("later.wav", 1);
    ASSERT_TRUE(WriteBytes(out + "\\long.wav", {1, 2, 3}));
    HWND dialog = StartList({a, b});
    ASSERT_NE(nullptr, dialog);
    HWND question = program.FindMessageBox("is exist!Overwrite it?");
    ASSERT_NE(nullptr, question);
    ASSERT_TRUE(PausedAfterOneBlock(dialog, question));
    ProgramDriver::Click(dialog, IDCANCEL);
    HWND prompt = program.FindMessageBox("Cancel Conversion?");
    ASSERT_NE(nullptr, prompt);
    Answer(prompt, IDYES);
    ASSERT_TRUE(program.WaitExit(10000)) << "a confirmed Cancel ends the program";
    WavFile w = ReadOutput(out + "\\long.wav");
    ASSERT_TRUE(w.ok);
    EXPECT_EQ(w.data.size(), w.dataSize);
    EXPECT_GT(w.data.size(), 0u);
    EXPECT_LT(w.data.size(), 30u * 176400);
    EXPECT_FALSE(Exists(out + "\\later.wav"));
}

TEST_F(WavoryGui, CloseWhenFinishedEndsWithoutAPrompt) {
    HWND dialog = StartList({Wav("a.wav", 1)});
    ASSERT_NE(nullptr, dialog);
    ASSERT_TRUE(WaitFinished(dialog));
    ProgramDriver::Click(dialog, IDCANCEL);
    EXPECT_TRUE(program.WaitExit(10000));
}

TEST_F(WavoryGui, OpenThenCancellingTheFileDialogStaysFinished) {
    HWND dialog = StartList({Wav("a.wav", 1)});
    ASSERT_NE(nullptr, dialog);
    ASSERT_TRUE(WaitFinished(dialog));
    ProgramDriver::Click(dialog, IDC_PAUSE);
    HWND files = program.FindDialog(1148);  // the open-file dialog's name box
    ASSERT_NE(nullptr, files);
    ProgramDriver::Click(files, IDCANCEL);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(files); })) << "the file dialog stayed";
    EXPECT_TRUE(program.MessageBoxes().empty());
    EXPECT_EQ("Open", ProgramDriver::ItemText(dialog, IDC_PAUSE));
    EXPECT_EQ("Close", ProgramDriver::ItemText(dialog, IDCANCEL));
    Close(dialog);
}

TEST_F(WavoryGui, SummaryCountsTheConvertedFiles) {
    env.Set(settings::kDisplayInfo, 1);
    env.Set(settings::kNotDisplayErrInfo, 1);
    std::string bad1 = in + "\\bad1.wav", bad2 = in + "\\bad2.wav";
    ASSERT_TRUE(WriteBytes(bad1, std::vector<uint8_t>(100, 'x')));
    ASSERT_TRUE(WriteBytes(bad2, std::vector<uint8_t>(10, 'y')));
    HWND dialog = StartList({Wav("a.wav", 1), bad1, Wav("b.wav", 1), bad2, Wav("c.wav", 1)});
    ASSERT_NE(nullptr, dialog);
    HWND summary = program.FindMessageBox("successfully converted");
    ASSERT_NE(nullptr, summary);
    EXPECT_EQ("3 of 5 audio file(s) successfully converted!", ProgramDriver::BoxText(summary));
    EXPECT_EQ("Information", ProgramDriver::Caption(summary));
    Answer(summary, IDOK);
    ASSERT_TRUE(WaitFinished(dialog));
    Close(dialog);
}

TEST_F(WavoryGui, AnOutputFolderOnACdDriveIsRefusedBeforeTheDialog) {
    if (GetDriveTypeA("X:\\") != DRIVE_CDROM) GTEST_SKIP() << "the test prefix has no CD-ROM drive X:";
    settings::Write(env.app, settings::kOutputPath, "X:\\Out");
    WriteList({Wav("a.wav", 1)});
    ASSERT_TRUE(program.Start("-i"));
    HWND box = program.FindMessageBox("DVD/CD-ROM");
    ASSERT_NE(nullptr, box);
    EXPECT_EQ(msg::OnCdRom("X:\\Out"), ProgramDriver::BoxText(box));
    EXPECT_EQ("Error", ProgramDriver::Caption(box));
    EXPECT_EQ(nullptr, program.FindDialog(IDC_PAUSE, 200)) << "no conversion dialog";
    Answer(box, IDOK);
    EXPECT_TRUE(program.WaitExit(10000));
}

TEST_F(WavoryGui, AListThatCannotBeReadGivesTheInternalErrorAndTheSupportBox) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::string list = std::string(temp) + "\\filelist.flt";
    ASSERT_TRUE(WriteBytes(list, {'0', '\r', '\n', 'C', ':', '\r', '\n', '5', '\r', '\n'}));
    ASSERT_TRUE(program.Start("-I"));
    HWND box = program.FindMessageBox("Internal error #0.");
    ASSERT_NE(nullptr, box);
    Answer(box, IDOK);
    HWND support = program.FindMessageBox("Please email us");
    ASSERT_NE(nullptr, support);
    EXPECT_EQ("Email us", ProgramDriver::Caption(support));
    Answer(support, IDOK);
    EXPECT_TRUE(program.WaitExit(10000));
}


TEST_F(WavoryGui, FileDialogModeConvertsTheChosenFiles) {
    std::string a = Wav("a.wav", 2), b = Wav("b.wav", 1);
    ASSERT_TRUE(program.Start(""));
    HWND files = program.FindDialog(1148);
    ASSERT_NE(nullptr, files);
    ASSERT_TRUE(OpenFolderInFileDialog(files, in, 2)) << "Look in: " << ProgramDriver::ItemText(files, 1137);
    TypeFileNameAndOpen(files, "\"a.wav\" \"b.wav\"");
    HWND dialog = program.FindDialog(IDC_PAUSE);
    ASSERT_NE(nullptr, dialog);
    ASSERT_TRUE(WaitFinished(dialog));
    Close(dialog);
    EXPECT_EQ(2u * 176400, ReadOutput(out + "\\a.wav").data.size());
    EXPECT_EQ(176400u, ReadOutput(out + "\\b.wav").data.size());
}

TEST_F(WavoryGui, FileDialogTakesNamesOfAnyScriptWhole) {
    const std::string japanese = "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E", emoji = "\xF0\x9F\x8E\xB5 emoji";
    const std::string polish = "\xC5\x81\xC3\xB3" "d\xC5\xBA", twin = "L\xC3\xB3" "dz";
    Wav(japanese + ".wav", 1);
    Wav(emoji + ".wav", 2);
    Wav(polish + ".wav", 3);
    Wav(twin + ".wav", 1);
    ASSERT_TRUE(program.Start(""));
    HWND files = program.FindDialog(1148);
    ASSERT_NE(nullptr, files);
    ASSERT_TRUE(OpenFolderInFileDialog(files, in, 4)) << "Look in: " << ProgramDriver::ItemText(files, 1137);
    TypeFileNameAndOpen(files, "\"" + japanese + ".wav\" \"" + emoji + ".wav\" \"" + polish + ".wav\"");
    HWND dialog = program.FindDialog(IDC_PAUSE);
    ASSERT_NE(nullptr, dialog);
    ASSERT_TRUE(WaitFinished(dialog));
    Close(dialog);
    EXPECT_EQ(176400u, ReadOutput(out + "\\" + japanese + ".wav").data.size());
    EXPECT_EQ(2u * 176400, ReadOutput(out + "\\" + emoji + ".wav").data.size());
    EXPECT_EQ(3u * 176400, ReadOutput(out + "\\" + polish + ".wav").data.size()) << "never its best-fit twin";
    EXPECT_FALSE(Exists(out + "\\" + twin + ".wav")) << "the twin was not chosen";
}

TEST_F(WavoryGui, ASelectionThatDoesNotFitIsTooManyNeverACutPath) {
    std::string names;
    for (int i = 0; i < 160; ++i) {
        char name[64];
        snprintf(name, sizeof(name), "a rather long name for track %03d.wav", i);
        ASSERT_TRUE(WriteBytes(in + "\\" + name, CanonicalWav(Pcm(2, 44100, 16), Counting(400))));
        names += std::string("\"") + name + "\" ";
    }
    ASSERT_TRUE(program.Start(""));
    HWND files = program.FindDialog(1148);
    ASSERT_NE(nullptr, files);
    ASSERT_TRUE(OpenFolderInFileDialog(files, in, 160)) << "Look in: " << ProgramDriver::ItemText(files, 1137);
    TypeFileNameAndOpen(files, names);
    HWND box = program.FindMessageBox("too many");
    ASSERT_NE(nullptr, box);
    EXPECT_EQ("Your selected files are too many to be converted!", ProgramDriver::BoxText(box));
    EXPECT_EQ("Error", ProgramDriver::Caption(box));
    Answer(box, IDOK);
    EXPECT_TRUE(program.WaitExit(10000));
    EXPECT_TRUE(FilesIn(out).empty()) << "nothing converted";
}

TEST_F(WavoryGui, TheSystemMenuOpensTheAboutBoxWithItsLink) {
    HWND dialog = StartList({Wav("a.wav", 1)});
    ASSERT_NE(nullptr, dialog);
    ASSERT_TRUE(WaitFinished(dialog));
    // The About item's command (the menu itself is not readable from another process here).
    PostMessageA(dialog, WM_SYSCOMMAND, 16, 0);
    HWND about = program.FindDialog(IDC_HOMEPAGE_LINK);
    ASSERT_NE(nullptr, about);
    EXPECT_EQ("www.wavory.example", ProgramDriver::ItemText(about, IDC_HOMEPAGE_LINK));
    EXPECT_TRUE(GetWindowLongA(GetDlgItem(about, IDC_HOMEPAGE_LINK), GWL_STYLE) & SS_NOTIFY) << "clickable";
    ProgramDriver::Click(about, IDOK);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(about); })) << "the About box stayed";
    Close(dialog);
}

// The options and the About box belong to the conversion dialog: it is disabled
// while they are up (so they cannot be stacked) and they have no taskbar button.
TEST_F(WavoryGui, OptionsAndAboutAreOwnedByTheConversionDialog) {
    HWND dialog = StartList({Wav("a.wav", 1)});
    ASSERT_NE(nullptr, dialog);
    ASSERT_TRUE(WaitFinished(dialog));
    struct Opener {
        const char* name;
        int controlId;
        std::function<void()> open;
    };
    const Opener openers[] = {
        {"options", IDC_OUTPUT_PATH, [&] { ProgramDriver::Click(dialog, IDC_OPTION); }},
        {"About box", IDC_HOMEPAGE_LINK, [&] { PostMessageA(dialog, WM_SYSCOMMAND, 16, 0); }},
    };
    for (const Opener& o : openers) {
        o.open();
        HWND window = program.FindDialog(o.controlId);
        ASSERT_NE(nullptr, window) << o.name;
        EXPECT_EQ(dialog, GetWindow(window, GW_OWNER)) << o.name << " owned by " << GetWindow(window, GW_OWNER);
        EXPECT_FALSE(IsWindowEnabled(dialog)) << "the conversion dialog is disabled under the " << o.name;
        EXPECT_FALSE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_APPWINDOW) << o.name;
        ProgramDriver::Click(window, IDCANCEL);
        ASSERT_TRUE(WaitUntil([&] { return !IsWindow(window); })) << o.name << " stayed";
        EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(dialog) != FALSE; })) << "enabled again after the " << o.name;
    }
    Close(dialog);
}

// While Cancel waits for the thread (here held by its own error box), the dialog
// still paints; after Yes no further file is started.
TEST_F(WavoryGui, WhileCancelWaitsForTheThreadTheDialogRepaints) {
    env.Set(settings::kFilesAtOnce, 1);  // b.wav waits for the bad file's box
    std::string bad = in + "\\bad.wav";
    ASSERT_TRUE(WriteBytes(bad, std::vector<uint8_t>(100, 'x')));
    HWND dialog = StartList({bad, Wav("b.wav", 1)});
    ASSERT_NE(nullptr, dialog);
    HWND error = program.FindMessageBox("bad.wav");
    ASSERT_NE(nullptr, error) << "the thread's box about the bad file";
    ProgramDriver::Click(dialog, IDCANCEL);
    HWND prompt = program.FindMessageBox("Cancel Conversion?");
    ASSERT_NE(nullptr, prompt);
    ASSERT_TRUE(AnswerAndWait(prompt, IDYES));
    InvalidateRect(dialog, nullptr, TRUE);
    EXPECT_TRUE(WaitUntil([&] { return !GetUpdateRect(dialog, nullptr, FALSE); }, 5000))
        << "the dialog did not repaint while waiting";
    Answer(error, IDOK);
    ASSERT_TRUE(program.WaitExit(10000)) << "the stopped batch ends the program";
    EXPECT_FALSE(Exists(out + "\\b.wav")) << "no file is started after Yes";
}

TEST_F(WavoryGui, AWmaFileConvertsEndToEnd) {
    char cwd[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, cwd);
    std::string wma = std::string(cwd) + "\\..\\..\\fixtures\\wmav2_stereo_44100.wma";
    HWND dialog = StartList({wma});
    ASSERT_NE(nullptr, dialog);
    ASSERT_TRUE(WaitFinished(dialog));
    Close(dialog);
    WavFile w = ReadOutput(out + "\\wmav2_stereo_44100.wav");
    ASSERT_TRUE(w.ok);
    EXPECT_NEAR(4 * 176400.0, static_cast<double>(w.data.size()), 4096 * 4.0 * 2);
}


// As on Windows editions without the media features: the Windows Media runtime
// cannot be loaded (here Wine is told to refuse it to Wavory.exe while this test
// runs a copy of the program). The program starts, WAV converts, and the WMA
// file gets one box that names what is missing.
TEST_F(WavoryGui, WithoutTheWindowsMediaRuntimeWavConvertsAndWmaIsExplained) {
    std::string bare = folder.MakeDir("nomedia");
    for (const char* file : {"Wavory.exe", "libsoxr.dll", "libtag.dll", "mjm.dll", "libmpg123-0.dll"})
        ASSERT_TRUE(CopyFileA((ProgramDriver::ProgramFolder() + "\\" + file).c_str(), (bare + "\\" + file).c_str(), FALSE));
    struct RefusedRuntime {
        const char* key = "Software\\Wine\\AppDefaults\\Wavory.exe";
        RefusedRuntime() {
            CRegKey overrides;
            overrides.Create(HKEY_CURRENT_USER, (std::string(key) + "\\DllOverrides").c_str(), KEY_WRITE);
            overrides.SetString("wmvcore", "");  // "" is "disabled"
        }
        ~RefusedRuntime() { RegDeleteTreeA(HKEY_CURRENT_USER, key); }
    };
    char cwd[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, cwd);
    std::string wma = std::string(cwd) + "\\..\\..\\fixtures\\wmav2_stereo_44100.wma";
    {
        RefusedRuntime refused;
        WriteList({Wav("a.wav", 1), wma, wma});
        ASSERT_TRUE(program.Start("-i", bare + "\\Wavory.exe"));
        HWND dialog = program.FindDialog(IDC_PAUSE);
        ASSERT_NE(nullptr, dialog) << "the program did not start";
        HWND box = program.FindMessageBox("wmvcore.dll");
        std::string seen;
        for (HWND b : program.MessageBoxes()) seen += "[" + ProgramDriver::BoxText(b) + "] ";
        ASSERT_NE(nullptr, box) << "no box about the missing runtime; boxes: " << seen;
        EXPECT_EQ(msg::kWmaRuntimeMissing, ProgramDriver::BoxText(box));
        EXPECT_EQ("Information", ProgramDriver::Caption(box));
        Answer(box, IDOK);
        ASSERT_TRUE(WaitFinished(dialog)) << "a second box for the second WMA file? boxes: " << program.MessageBoxes().size();
        EXPECT_TRUE(program.MessageBoxes().empty()) << "one box a batch";
        Close(dialog);
    }
    EXPECT_EQ(176400u, ReadOutput(out + "\\a.wav").data.size());
    EXPECT_FALSE(Exists(out + "\\wmav2_stereo_44100.wav"));
    TakeBackAutomationRegistration();
}

// Names as Explorer gives them: a wide drop list, here of Japanese and emoji names.
TEST_F(WavoryGui, ConvertToWavFromTheExplorerExtensionThroughTheRealProgram) {
    const std::string japanese = "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E", emoji = "\xF0\x9F\x8E\xB5";
    std::string a = Wav(japanese + ".wav", 2), b = Wav("b.wav", 1);
    std::string sub = folder.MakeDir("in\\" + emoji + " album");
    ASSERT_TRUE(WriteBytes(sub + "\\c.wav", CanonicalWav(Pcm(2, 44100, 16), Tone16(44100, 2, 44100, 3000))));
    char cwd[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, cwd);
    CModuleHandle dll(LoadLibraryA((std::string(cwd) + "\\..\\app\\Sonelle.dll").c_str()));
    ASSERT_TRUE(dll.IsValid()) << "Sonelle.dll beside Wavory.exe";
    using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
    auto get = reinterpret_cast<GetClassObject>(reinterpret_cast<void*>(GetProcAddress(dll, "DllGetClassObject")));
    ASSERT_NE(nullptr, get);
    const CLSID clsid = {0xDB7CFAED, 0x842B, 0x47E7, {0x9F, 0xF4, 0x92, 0x85, 0x2D, 0x61, 0x79, 0x58}};
    CoInitialize(nullptr);
    {
        CComPtr<IClassFactory> factory;
        ASSERT_EQ(S_OK, get(clsid, IID_IClassFactory, factory.ReceiveVoid()));
        CComPtr<IShellExtInit> init;
        ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IShellExtInit, init.ReceiveVoid()));
        DropData data(DropBlock({a, b, sub}, true));
        ASSERT_EQ(S_OK, init->Initialize(nullptr, &data, nullptr));
        CComPtr<IContextMenu> menu;
        init->QueryInterface(IID_IContextMenu, menu.ReceiveVoid());
        CMINVOKECOMMANDINFO info{};
        info.cbSize = sizeof(info);
        info.lpVerb = MAKEINTRESOURCEA(0);
        info.nShow = SW_SHOWNORMAL;
        ASSERT_EQ(S_OK, menu->InvokeCommand(&info));
    }
    CoUninitialize();
    HWND dialog = FindForeignDialog(IDC_PAUSE);
    ASSERT_NE(nullptr, dialog) << "Wavory.exe did not show its conversion dialog";
    ASSERT_TRUE(WaitFinished(dialog));
    CHandle process(OpenProcess(SYNCHRONIZE, FALSE, ProcessOf(dialog)));
    ProgramDriver::Click(dialog, IDCANCEL);
    EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), WaitForSingleObject(process, 10000));
    EXPECT_EQ(2u * 176400, ReadOutput(out + "\\" + japanese + ".wav").data.size());
    EXPECT_EQ(176400u, ReadOutput(out + "\\b.wav").data.size());
    EXPECT_EQ(Tone16(44100, 2, 44100, 3000), ReadOutput(out + "\\c.wav").data) << "the folder was walked";
}

TEST_F(WavoryGui, AFolderOfMp3FilesConvertsEndToEnd) {
    std::string album = folder.MakeDir("in\\album");
    std::string fixtures = ProgramDriver::ProgramFolder() + "\\..\\..\\fixtures\\";
    ASSERT_TRUE(CopyFileA((fixtures + "cbr128.mp3").c_str(), (album + "\\one.mp3").c_str(), FALSE));
    ASSERT_TRUE(CopyFileA((fixtures + "mpeg2_22050.mp3").c_str(), (album + "\\two.MP3").c_str(), FALSE));
    HWND dialog = StartList({album});
    ASSERT_NE(nullptr, dialog);
    ASSERT_TRUE(WaitFinished(dialog));
    EXPECT_EQ(100, ProgramDriver::Position(dialog, IDC_TOTAL_PROGRESS));
    Close(dialog);
    WavFile one = ReadOutput(out + "\\one.wav"), two = ReadOutput(out + "\\two.wav");
    ASSERT_TRUE(one.ok && two.ok);
    EXPECT_EQ(882000u, one.data.size()) << "CD-format MP3: the source's length exactly";
    EXPECT_EQ(44100u, two.format.nSamplesPerSec);
    EXPECT_NEAR(4.0 * 176400, static_cast<double>(two.data.size()), 256.0);
}

TEST_F(WavoryGui, WithoutTheDecoderLibraryTheDialogSaysSoAndEnds) {
    std::string bare = folder.MakeDir("bare");
    for (const char* file : {"Wavory.exe", "libsoxr.dll", "libtag.dll"})
        ASSERT_TRUE(CopyFileA((ProgramDriver::ProgramFolder() + "\\" + file).c_str(), (bare + "\\" + file).c_str(), FALSE));
    WriteList({Wav("a.wav", 1)});
    ASSERT_TRUE(program.Start("-i", bare + "\\Wavory.exe"));
    HWND box = program.FindMessageBox(msg::kDecoderMissing);
    ASSERT_NE(nullptr, box);
    EXPECT_EQ("Information", ProgramDriver::Caption(box));
    Answer(box, IDOK);
    EXPECT_TRUE(program.WaitExit(10000)) << "the dialog ended itself";
    EXPECT_FALSE(Exists(out + "\\a.wav")) << "no batch was started";
    TakeBackAutomationRegistration();
}
