// A worker thread: InitInstance runs on the new thread; when it returns TRUE
// the thread serves a message loop until Quit, then ExitInstance runs.
#pragma once
#include <windows.h>
#include "Handles.h"

class CWinThread {
public:
    CWinThread();
    virtual ~CWinThread();
    CWinThread(const CWinThread&) = delete;
    CWinThread& operator=(const CWinThread&) = delete;

    // Starts the thread; returns only once it can take posted messages.
    BOOL CreateThread(UINT stackSize = 0);

    virtual BOOL InitInstance();
    virtual int Run();
    virtual int ExitInstance();

    BOOL PostThreadMessage(UINT msg, WPARAM wp = 0, LPARAM lp = 0) const;
    // Asks the message loop to end.
    BOOL Quit() const { return PostThreadMessage(WM_QUIT); }
    // Waits for the thread to end; true when it has ended.
    bool Join(DWORD timeoutMs = INFINITE) const;
    bool IsRunning() const;

    HANDLE m_hThread = nullptr;
    DWORD m_nThreadID = 0;
    int m_nExitCode = 0;

private:
    static DWORD WINAPI ThreadProc(void* param);
    CHandle m_thread;
    CHandle m_started;
};
