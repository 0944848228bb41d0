#include "WinThread.h"

CWinThread::CWinThread() : m_started(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}

CWinThread::~CWinThread() {
    // An object must not vanish under its own running thread.
    if (IsRunning()) {
        Quit();
        Join();
    }
}

BOOL CWinThread::CreateThread(UINT stackSize) {
    if (m_thread.IsValid() || !m_started.IsValid()) return FALSE;
    m_thread.Attach(::CreateThread(nullptr, stackSize, &CWinThread::ThreadProc, this, 0, &m_nThreadID));
    if (!m_thread.IsValid()) return FALSE;
    m_hThread = m_thread.Get();
    HANDLE waits[2] = {m_started.Get(), m_thread.Get()};
    WaitForMultipleObjects(2, waits, FALSE, INFINITE);
    return TRUE;
}

DWORD WINAPI CWinThread::ThreadProc(void* param) {
    CWinThread* self = static_cast<CWinThread*>(param);
    MSG msg;
    // Make the message queue before anyone may post to this thread.
    PeekMessageA(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
    SetEvent(self->m_started);
    int code;
    try {
        code = self->InitInstance() ? self->Run() : self->ExitInstance();
    } catch (...) {
        code = -1;
    }
    self->m_nExitCode = code;
    return static_cast<DWORD>(code);
}

BOOL CWinThread::InitInstance() { return FALSE; }

int CWinThread::Run() {
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return ExitInstance();
}

int CWinThread::ExitInstance() { return 0; }

BOOL CWinThread::PostThreadMessage(UINT msg, WPARAM wp, LPARAM lp) const {
    return m_nThreadID ? ::PostThreadMessageA(m_nThreadID, msg, wp, lp) : FALSE;
}

bool CWinThread::Join(DWORD timeoutMs) const {
    return !m_thread.IsValid() || WaitForSingleObject(m_thread.Get(), timeoutMs) == WAIT_OBJECT_0;
}

bool CWinThread::IsRunning() const {
    return m_thread.IsValid() && WaitForSingleObject(m_thread.Get(), 0) == WAIT_TIMEOUT;
}
