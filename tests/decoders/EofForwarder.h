// Stands in for the conversion dialog: a window on a thread of its own that
// hands the decoder library's end-of-file message to the host, so a test may
// block in the host's Read on its own thread.
#pragma once
#include <windows.h>

#include <atomic>
#include <thread>

#include "decoders/SndStreamWinAmp.h"

class CEofForwarder {
public:
    CEofForwarder() {
        HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        m_thread = std::thread([this, ready] {
            m_threadId = GetCurrentThreadId();
            m_window = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
            SetEvent(ready);
            MSG m;
            while (GetMessageA(&m, nullptr, 0, 0) > 0) {
                if (m.message == kPluginEndOfFileMessage) {
                    ++m_forwarded;
                    SndStream().SignalEndOfFile();
                } else {
                    DispatchMessageA(&m);
                }
            }
            DestroyWindow(m_window);
        });
        WaitForSingleObject(ready, INFINITE);
        CloseHandle(ready);
    }
    ~CEofForwarder() {
        PostThreadMessageA(m_threadId, WM_QUIT, 0, 0);
        m_thread.join();
    }
    HWND Window() const { return m_window; }
    int Forwarded() const { return m_forwarded; }

private:
    HWND m_window = nullptr;
    DWORD m_threadId = 0;
    std::atomic<int> m_forwarded{0};
    std::thread m_thread;
};
