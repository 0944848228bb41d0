#include "NoticeWindow.h"

#include "InputPlugin.h"

namespace {
const char kClassName[] = "WavoryDecoderNotices";
}  // namespace

CNoticeWindow::CNoticeWindow(Handler onEndOfFile)
    : m_onEndOfFile(onEndOfFile), m_ready(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
    if (!m_ready.IsValid()) return;
    m_thread.Attach(CreateThread(nullptr, 0, &CNoticeWindow::ThreadProc, this, 0, &m_threadId));
    if (!m_thread.IsValid()) return;
    HANDLE waits[2] = {m_ready.Get(), m_thread.Get()};
    WaitForMultipleObjects(2, waits, FALSE, INFINITE);
}

CNoticeWindow::~CNoticeWindow() {
    if (!m_thread.IsValid()) return;
    PostThreadMessageA(m_threadId, WM_QUIT, 0, 0);
    WaitForSingleObject(m_thread, INFINITE);
}

DWORD WINAPI CNoticeWindow::ThreadProc(void* param) {
    auto* self = static_cast<CNoticeWindow*>(param);
    WNDCLASSA wc{};
    wc.lpfnWndProc = &CNoticeWindow::WindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kClassName;
    RegisterClassA(&wc);  // fails harmlessly when an earlier window registered it
    HWND window = CreateWindowExA(0, kClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    if (window) SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    self->m_window = window;
    SetEvent(self->m_ready);
    if (!window) return 1;
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
    DestroyWindow(window);
    return 0;
}

LRESULT CALLBACK CNoticeWindow::WindowProc(HWND window, UINT message, WPARAM wp, LPARAM lp) {
    if (message == kPluginEndOfFileMessage) {
        auto* self = reinterpret_cast<CNoticeWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (self) self->m_onEndOfFile(wp);
        return 0;
    }
    return DefWindowProcA(window, message, wp, lp);
}
