#include <gtest/gtest.h>

#include <thread>

#include "framework/MessageBox.h"
#include "framework/WinApp.h"
#include "tests/TestSupport.h"

TEST(MessageBoxHook, RecordsTheBoxAndReturnsTheScriptedAnswer) {
    MessageBoxRecorder boxes;
    boxes.Script({IDNO});
    HWND owner = reinterpret_cast<HWND>(0x1234);
    EXPECT_EQ(IDNO, AppMessageBox(owner, "Cancel Conversion?", "Info", MB_YESNO | MB_ICONQUESTION));
    ASSERT_EQ(1u, boxes.Count());
    MessageBoxCall call = boxes.Calls()[0];
    EXPECT_EQ(owner, call.owner);
    EXPECT_EQ("Cancel Conversion?", call.text);
    EXPECT_EQ("Info", call.caption);
    EXPECT_EQ(static_cast<UINT>(MB_ICONQUESTION), IconOf(call.type));
    EXPECT_EQ(static_cast<UINT>(MB_YESNO), ButtonsOf(call.type));
}

TEST(MessageBoxHook, ServesBoxesFromAWorkerThread) {
    MessageBoxRecorder boxes;
    boxes.Script({IDCANCEL});
    int answer = 0;
    std::thread worker([&] { answer = AppMessageBox(nullptr, "from worker", "Error", MB_ICONERROR); });
    worker.join();
    EXPECT_EQ(IDCANCEL, answer);
    ASSERT_EQ(1u, boxes.Count());
    EXPECT_EQ(static_cast<UINT>(MB_ICONERROR), IconOf(boxes.Calls()[0].type));
}

TEST(MessageBoxHook, NestedRecordersRestoreTheOuterOne) {
    MessageBoxRecorder outer;
    {
        MessageBoxRecorder inner;
        AppMessageBox(nullptr, "inner", "Info", MB_OK);
        EXPECT_EQ(1u, inner.Count());
    }
    AppMessageBox(nullptr, "outer", "Info", MB_OK);
    ASSERT_EQ(1u, outer.Count());
    EXPECT_EQ("outer", outer.Calls()[0].text);
}

TEST(MessageBoxHook, FrameworkBoxUsesTheApplicationNameAndMainWindow) {
    MessageBoxRecorder boxes;
    CWinApp app("Wavory");
    AfxMessageBox("OLE initialization failed.", MB_OK);
    ASSERT_EQ(1u, boxes.Count());
    EXPECT_EQ("Wavory", boxes.Calls()[0].caption);
    EXPECT_EQ(nullptr, boxes.Calls()[0].owner);
}
