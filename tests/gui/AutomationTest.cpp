// "Wavory.Application" created by a client, as an automation controller would.
#include <gtest/gtest.h>

#include <objbase.h>

#include <algorithm>

#include "framework/ComPtr.h"
#include "res/resource.h"
#include "tests/engine/EngineFixtures.h"
#include "tests/gui/ProgramDriver.h"

using namespace fixtures;

namespace {
// Processes that were there before this test created its object.
std::vector<DWORD> g_before;

// A dialog of a server this test started, other than the process notPid.
HWND WaitDialog(int controlId, DWORD notPid = 0) {
    std::vector<DWORD> skip = g_before;
    if (notPid) skip.push_back(notPid);
    return FindForeignDialog(controlId, skip);
}

// The visible top-level windows of a process, with their captions and texts:
// what a failure message needs to say why the program did not react.
struct FoundWindows {
    DWORD pid;
    std::string text;
};
BOOL CALLBACK AddWindow(HWND w, LPARAM p) {
    auto* f = reinterpret_cast<FoundWindows*>(p);
    DWORD owner = 0;
    GetWindowThreadProcessId(w, &owner);
    if (owner == f->pid && IsWindowVisible(w))
        f->text += "[" + ProgramDriver::Caption(w) + "] " + ProgramDriver::BoxText(w) + " / " +
                   ProgramDriver::ItemText(w, IDCANCEL) + "\n";
    return TRUE;
}
std::string WindowsOf(DWORD pid) {
    FoundWindows found{pid, ""};
    EnumWindows(AddWindow, reinterpret_cast<LPARAM>(&found));
    return found.text;
}

class Automation : public ::testing::Test {
protected:
    Automation() : env("Wavory"), folder("automation") {
        EndStrayPrograms();
        CoInitialize(nullptr);
        in = folder.MakeDir("in");
        out = folder.MakeDir("out");
        env.Set(settings::kOutputTo, settings::kOutputToFixedFolder);
        settings::Write(env.app, settings::kOutputPath, out.c_str());
        env.Set(settings::kPromptBefore, 0);
        EXPECT_TRUE(WriteBytes(in + "\\a.wav", CanonicalWav(Pcm(2, 44100, 16), Tone16(44100, 2, 44100, 8000))));
        // A normal start writes the class's registration.
        ProgramDriver plain;
        plain.Start("");
        HWND files = plain.FindDialog(1148);
        if (files) ProgramDriver::Click(files, IDCANCEL);
        plain.WaitExit(10000);
        EndStrayPrograms();
        g_before = WavoryProcesses();
    }
    ~Automation() override {
        CoUninitialize();
        EndStrayPrograms();
    }
    CComPtr<IDispatch> Create() {
        CLSID clsid{};
        CComPtr<IDispatch> object;
        if (SUCCEEDED(CLSIDFromProgID(L"Wavory.Application", &clsid)))
            CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch, object.ReceiveVoid());
        return object;
    }
    // Picks the file in the server's open-file dialog; returns its conversion dialog.
    HWND StartThroughFileDialog(const std::string& name) {
        HWND files = WaitDialog(1148);
        if (!files) return nullptr;
        TypeFileNameAndOpen(files, in + "\\" + name);
        return WaitDialog(IDC_PAUSE);
    }
    HWND ConvertThroughFileDialog() {
        HWND dialog = StartThroughFileDialog("a.wav");
        if (dialog) ProgramDriver::WaitText(dialog, IDC_PAUSE, "Open");
        return dialog;
    }
    // A long batch held after its first block: the overwrite question holds the
    // thread while Pause is pressed, then Yes lets it convert one block.
    HWND StartPausedBatch() {
        env.Set(settings::kPromptBefore, 1);
        EXPECT_TRUE(WriteBytes(in + "\\long.wav", CanonicalWav(Pcm(2, 44100, 16), Tone16(44100 * 30, 2, 44100, 8000))));
        EXPECT_TRUE(WriteBytes(in + "\\next.wav", CanonicalWav(Pcm(2, 44100, 16), Tone16(44100, 2, 44100, 8000))));
        EXPECT_TRUE(WriteBytes(out + "\\long.wav", {1, 2, 3}));
        HWND files = WaitDialog(1148);
        // The dialog may still list the folder as it was at its first visit: the
        // names typed are found all the same once it lists anything there.
        if (!files || !OpenFolderInFileDialog(files, in, 1)) return nullptr;
        TypeFileNameAndOpen(files, "\"long.wav\" \"next.wav\"");
        HWND dialog = WaitDialog(IDC_PAUSE);
        if (!dialog) return nullptr;
        HWND question = FindForeignDialogWithText("is exist!Overwrite it?");
        if (!question) return nullptr;
        ProgramDriver::Click(dialog, IDC_PAUSE);
        if (!ProgramDriver::WaitText(dialog, IDC_PAUSE, "Continue")) return nullptr;
        ProgramDriver::Click(question, IDYES);
        bool held = WaitUntil([&] { return ProgramDriver::Position(dialog, IDC_FILE_PROGRESS) == 3; });
        return held ? dialog : nullptr;
    }
    HWND FindForeignDialogWithText(const std::string& part) {
        HWND found = nullptr;
        WaitUntil([&] {
            found = WaitDialog(0xFFFF);
            return found && ProgramDriver::BoxText(found).find(part) != std::string::npos;
        });
        return found;
    }
    // The close box: hides the dialog without a prompt while the client holds it.
    bool CloseBoxHides(HWND dialog) {
        PostMessageA(dialog, WM_CLOSE, 0, 0);
        return WaitUntil([&] { return !IsWindowVisible(dialog); });
    }
    EngineApp env;
    TestFolder folder;
    std::string in, out;
};
}  // namespace

TEST_F(Automation, ANormalStartRegistersTheClass) {
    CRegKey progId;
    std::string clsid;
    ASSERT_EQ(ERROR_SUCCESS, progId.Open(HKEY_CLASSES_ROOT, "Wavory.Application\\CLSID"));
    ASSERT_EQ(ERROR_SUCCESS, progId.QueryString(nullptr, clsid));
    EXPECT_EQ("{58223E6A-9342-4440-9B26-54B6DF7EC493}", clsid);
    CRegKey server, handler;
    std::string command, ole;
    ASSERT_EQ(ERROR_SUCCESS, server.Open(HKEY_CLASSES_ROOT, ("CLSID\\" + clsid + "\\LocalServer32").c_str()));
    ASSERT_EQ(ERROR_SUCCESS, server.QueryString(nullptr, command));
    EXPECT_NE(std::string::npos, command.find("Wavory.exe")) << command;
    ASSERT_EQ(ERROR_SUCCESS, handler.Open(HKEY_CLASSES_ROOT, ("CLSID\\" + clsid + "\\InprocHandler32").c_str()));
    ASSERT_EQ(ERROR_SUCCESS, handler.QueryString(nullptr, ole));
    EXPECT_EQ("ole32.dll", ole);
}

TEST_F(Automation, TheObjectAnswersAnEmptyDispatchInterface) {
    CComPtr<IDispatch> object = Create();
    ASSERT_TRUE(object) << "creation through COM failed";
    UINT count = 9;
    EXPECT_EQ(S_OK, object->GetTypeInfoCount(&count));
    EXPECT_EQ(0u, count);
    LPOLESTR name = const_cast<LPOLESTR>(L"Convert");
    DISPID id = 0;
    EXPECT_EQ(DISP_E_UNKNOWNNAME, object->GetIDsOfNames(IID_NULL, &name, 1, 0, &id));
    DISPPARAMS none{};
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, object->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr));
    CComPtr<IUnknown> other;
    EXPECT_EQ(E_NOINTERFACE, object.QueryInterface(IID_IClassFactory, other));

    HWND files = WaitDialog(1148);
    ASSERT_NE(nullptr, files);
    CHandle process(OpenProcess(SYNCHRONIZE, FALSE, ProcessOf(files)));
    ProgramDriver::Click(files, IDCANCEL);
    object.Release();
    EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), WaitForSingleObject(process, 10000))
        << "a cancelled file dialog ends the program as always";
}

TEST_F(Automation, EachCreationStartsItsOwnProcess) {
    CComPtr<IDispatch> first = Create();
    ASSERT_TRUE(first);
    HWND one = WaitDialog(1148);
    ASSERT_NE(nullptr, one);
    CComPtr<IDispatch> second = Create();
    ASSERT_TRUE(second);
    HWND two = WaitDialog(1148, ProcessOf(one));
    ASSERT_NE(nullptr, two) << "single use: a second server process";
    EXPECT_NE(ProcessOf(one), ProcessOf(two));
    CHandle p1(OpenProcess(SYNCHRONIZE, FALSE, ProcessOf(one))), p2(OpenProcess(SYNCHRONIZE, FALSE, ProcessOf(two)));
    ProgramDriver::Click(one, IDCANCEL);
    ProgramDriver::Click(two, IDCANCEL);
    first.Release();
    second.Release();
    EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), WaitForSingleObject(p1, 10000));
    EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), WaitForSingleObject(p2, 10000));
}

TEST_F(Automation, WhileAttachedCloseHidesAndTheReleaseEndsTheProgram) {
    CComPtr<IDispatch> object = Create();
    ASSERT_TRUE(object);
    HWND dialog = ConvertThroughFileDialog();
    ASSERT_NE(nullptr, dialog);
    ASSERT_EQ("Open", ProgramDriver::ItemText(dialog, IDC_PAUSE));
    CHandle process(OpenProcess(SYNCHRONIZE, FALSE, ProcessOf(dialog)));
    ProgramDriver::Click(dialog, IDCANCEL);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(dialog); }))
        << "hidden, not closed; visible:\n" << WindowsOf(ProcessOf(dialog));
    // What the dialog manager's modal loop does the first time its queue runs
    // empty, which can come after the Close: the dialog must stay hidden.
    ShowWindow(dialog, SW_SHOWNORMAL);
    EXPECT_FALSE(IsWindowVisible(dialog)) << "shown again after the Close";
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(process, 0)) << "the program stays";
    object.Release();
    EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), WaitForSingleObject(process, 10000))
        << "the last reference gone, the hidden program ends";
    EXPECT_EQ(176400u, ReadOutput(out + "\\a.wav").data.size());
}

TEST_F(Automation, ReleasedWhileVisibleTheDialogWorksAsBefore) {
    CComPtr<IDispatch> object = Create();
    ASSERT_TRUE(object);
    HWND dialog = ConvertThroughFileDialog();
    ASSERT_NE(nullptr, dialog);
    CHandle process(OpenProcess(SYNCHRONIZE, FALSE, ProcessOf(dialog)));
    object.Release();  // returns once the server has taken the release
    EXPECT_TRUE(IsWindowVisible(dialog));
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(process, 0));
    ProgramDriver::Click(dialog, IDCANCEL);
    EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), WaitForSingleObject(process, 10000))
        << "with the back pointer cleared, Close ends the program";
}


// The client lets go while the hidden dialog's batch is paused: nobody can
// continue it any more, so it stops at its safe point and the program ends.
TEST_F(Automation, ReleasedWhileHiddenAndPausedTheBatchStopsAndTheProgramEnds) {
    env.Set(settings::kFilesAtOnce, 1);  // the next file must not have started with the first
    CComPtr<IDispatch> object = Create();
    ASSERT_TRUE(object);
    HWND dialog = StartPausedBatch();
    ASSERT_NE(nullptr, dialog) << "no batch held after its first block";
    CHandle process(OpenProcess(SYNCHRONIZE, FALSE, ProcessOf(dialog)));
    ASSERT_TRUE(CloseBoxHides(dialog));
    object.Release();
    ASSERT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), WaitForSingleObject(process, 15000))
        << "the program did not end; windows:\n" << WindowsOf(ProcessOf(dialog));
    WavFile w = ReadOutput(out + "\\long.wav");
    ASSERT_TRUE(w.ok) << "the stopped file is a valid WAV";
    EXPECT_EQ(w.data.size(), w.dataSize);
    EXPECT_EQ(176400u, w.data.size()) << "the one block converted before the pause";
    EXPECT_FALSE(Exists(out + "\\next.wav")) << "no file started after the stop";
}

// Continued while hidden, then released: the batch finishes before the program ends.
TEST_F(Automation, ReleasedWhileHiddenAndConvertingTheBatchFinishesFirst) {
    CComPtr<IDispatch> object = Create();
    ASSERT_TRUE(object);
    HWND dialog = StartPausedBatch();
    ASSERT_NE(nullptr, dialog);
    CHandle process(OpenProcess(SYNCHRONIZE, FALSE, ProcessOf(dialog)));
    ASSERT_TRUE(CloseBoxHides(dialog));
    ProgramDriver::Click(dialog, IDC_PAUSE);
    // The rest of the file takes a fraction of a second: the button may read "Open" already.
    ASSERT_TRUE(WaitUntil([&] { return ProgramDriver::ItemText(dialog, IDC_PAUSE) != "Continue"; })) << "not continued";
    object.Release();
    ASSERT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), WaitForSingleObject(process, 20000)) << "the program did not end";
    EXPECT_EQ(30u * 176400, ReadOutput(out + "\\long.wav").data.size()) << "converted to its end";
    EXPECT_EQ(176400u, ReadOutput(out + "\\next.wav").data.size()) << "and the batch to its last file";
}

// A client that keeps the class factory and asks it twice gets one object only:
// two proxies would each believe they hold the one dialog.
TEST_F(Automation, ASecondObjectFromAKeptFactoryIsRefused) {
    CLSID clsid{};
    ASSERT_EQ(S_OK, CLSIDFromProgID(L"Wavory.Application", &clsid));
    CComPtr<IClassFactory> factory;
    ASSERT_EQ(S_OK, CoGetClassObject(clsid, CLSCTX_LOCAL_SERVER, nullptr, IID_IClassFactory, factory.ReceiveVoid()));
    CComPtr<IDispatch> first, second;
    ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IDispatch, first.ReceiveVoid()));
    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, factory->CreateInstance(nullptr, IID_IDispatch, second.ReceiveVoid()));
    HWND files = WaitDialog(1148);
    ASSERT_NE(nullptr, files);
    CHandle process(OpenProcess(SYNCHRONIZE, FALSE, ProcessOf(files)));
    ProgramDriver::Click(files, IDCANCEL);
    first.Release();
    second.Release();
    factory.Release();
    EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), WaitForSingleObject(process, 10000));
}
