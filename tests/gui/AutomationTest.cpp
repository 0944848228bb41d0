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
    HWND ConvertThroughFileDialog() {
        HWND files = WaitDialog(1148);
        if (!files) return nullptr;
        TypeFileNameAndOpen(files, in);
        Sleep(300);
        TypeFileNameAndOpen(files, "a.wav");
        HWND dialog = WaitDialog(IDC_PAUSE);
        if (dialog) ProgramDriver::WaitText(dialog, IDC_PAUSE, "Open");
        return dialog;
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
    for (int i = 0; i < 300 && IsWindowVisible(dialog); ++i) Sleep(50);
    EXPECT_FALSE(IsWindowVisible(dialog)) << "hidden, not closed; visible:\n" << WindowsOf(ProcessOf(dialog));
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
    object.Release();
    Sleep(500);
    EXPECT_TRUE(IsWindowVisible(dialog));
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(process, 0));
    ProgramDriver::Click(dialog, IDCANCEL);
    EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), WaitForSingleObject(process, 10000))
        << "with the back pointer cleared, Close ends the program";
}

