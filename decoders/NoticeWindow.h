// The MP3 host's own window for the decoder library's end-of-file notice: a
// message-only window on a thread of its own, so the notice arrives however
// busy (or gone) the program's windows are, and nobody has to pump for it.
#pragma once
#include <windows.h>

#include "../framework/Handles.h"

class CNoticeWindow {
public:
    using Handler = void (*)(WPARAM word);
    // Calls onEndOfFile on the window's thread for every end-of-file notice, with its wParam.
    explicit CNoticeWindow(Handler onEndOfFile);
    ~CNoticeWindow();
    CNoticeWindow(const CNoticeWindow&) = delete;
    CNoticeWindow& operator=(const CNoticeWindow&) = delete;

    // Null when the window could not be made.
    HWND Window() const { return m_window; }

private:
    static DWORD WINAPI ThreadProc(void* self);
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wp, LPARAM lp);

    Handler m_onEndOfFile;
    HWND m_window = nullptr;
    DWORD m_threadId = 0;
    CHandle m_ready;
    CHandle m_thread;
};
