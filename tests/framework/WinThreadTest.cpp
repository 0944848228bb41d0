#include <gtest/gtest.h>

#include <atomic>

#include "framework/WinThread.h"
#include "tests/TestSupport.h"

namespace {
const UINT WM_HELLO = WM_APP + 1;
const UINT WM_PING = WM_APP + 2;

// A message-only window on the test's thread that counts what reaches it.
class Receiver {
public:
    Receiver() {
        WNDCLASSA wc{};
        wc.lpfnWndProc = &Receiver::Proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "WavoryTestReceiver";
        RegisterClassA(&wc);
        hwnd = CreateWindowA(wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~Receiver() { DestroyWindow(hwnd); }
    HWND hwnd;
    std::vector<UINT> received;
    std::vector<LPARAM> params;

private:
    static LRESULT CALLBACK Proc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
        auto* self = reinterpret_cast<Receiver*>(GetWindowLongPtrA(h, GWLP_USERDATA));
        if (self && msg >= WM_APP) {
            self->received.push_back(msg);
            self->params.push_back(lp);
            return 0;
        }
        return DefWindowProcA(h, msg, wp, lp);
    }
};

class EchoThread : public CWinThread {
public:
    explicit EchoThread(HWND target, BOOL keepRunning) : m_target(target), m_keepRunning(keepRunning) {}
    std::atomic<DWORD> initThreadId{0};
    std::atomic<int> exits{0};

    BOOL InitInstance() override {
        initThreadId = GetCurrentThreadId();
        PostMessageA(m_target, WM_HELLO, 0, static_cast<LPARAM>(initThreadId.load()));
        return m_keepRunning;
    }
    int Run() override {
        MSG msg;
        while (GetMessageA(&msg, nullptr, 0, 0) > 0)
            if (msg.message == WM_PING) PostMessageA(m_target, WM_PING, 0, msg.lParam);
        return ExitInstance();
    }
    int ExitInstance() override {
        ++exits;
        return 5;
    }

private:
    HWND m_target;
    BOOL m_keepRunning;
};
}  // namespace

TEST(WinThread, InitInstanceRunsOnTheNewThreadAndPostsToAWindow) {
    Receiver receiver;
    EchoThread thread(receiver.hwnd, FALSE);
    ASSERT_TRUE(thread.CreateThread());
    ASSERT_TRUE(PumpUntil([&] { return !receiver.received.empty(); }));
    EXPECT_EQ(WM_HELLO, receiver.received[0]);
    EXPECT_NE(GetCurrentThreadId(), thread.initThreadId.load());
    EXPECT_EQ(static_cast<LPARAM>(thread.m_nThreadID), receiver.params[0]);
    EXPECT_TRUE(thread.Join(5000)) << "InitInstance returning FALSE ends the thread";
    EXPECT_EQ(1, thread.exits.load());
    EXPECT_EQ(5, thread.m_nExitCode);
}

TEST(WinThread, MessageLoopServesPostsUntilQuit) {
    Receiver receiver;
    EchoThread thread(receiver.hwnd, TRUE);
    ASSERT_TRUE(thread.CreateThread());
    // Posting right after the start must not be lost: the queue exists already.
    ASSERT_TRUE(thread.PostThreadMessage(WM_PING, 0, 42));
    ASSERT_TRUE(PumpUntil([&] { return receiver.received.size() >= 2; }));
    EXPECT_EQ(WM_PING, receiver.received[1]);
    EXPECT_EQ(42, receiver.params[1]);
    EXPECT_TRUE(thread.IsRunning());
    ASSERT_TRUE(thread.Quit());
    EXPECT_TRUE(thread.Join(5000));
    EXPECT_FALSE(thread.IsRunning());
    EXPECT_EQ(1, thread.exits.load());
}

TEST(WinThread, DestroyingARunningThreadObjectEndsItsLoopFirst) {
    Receiver receiver;
    auto* thread = new EchoThread(receiver.hwnd, TRUE);
    ASSERT_TRUE(thread->CreateThread());
    delete thread;  // must neither hang nor leave the thread using freed memory
    SUCCEED();
}
