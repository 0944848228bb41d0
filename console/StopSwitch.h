// Ctrl+C, Ctrl+Break and the closing of the console stop the running batch at
// its next safe point, as the dialog's Cancel does: no temporary file is left
// and the commit rules hold. A second Ctrl+C or Ctrl+Break ends the process at
// once (for a decoder that does not come back). One switch per process, which
// lives as long as the process: the system may call its handler at any time.
#pragma once
#include <windows.h>

#include <atomic>
#include <mutex>

#include "../engine/BatchState.h"

class CStopSwitch {
public:
    static CStopSwitch& Instance();

    // The batch a stop goes to while it runs; null between batches.
    void Attach(BatchState* batch);
    // True when a stop reached a batch that was running (or about to).
    bool StoppedABatch() const { return m_stoppedABatch.load(); }
    // Everything is written: a console that is closing may now end the process.
    void Finished() { SetEvent(m_finished); }

private:
    CStopSwitch();
    static BOOL WINAPI Handler(DWORD type);
    // False when a stop had come before.
    bool Stop();

    std::atomic<bool> m_stopped{false};
    std::atomic<bool> m_stoppedABatch{false};
    std::mutex m_lock;
    BatchState* m_batch = nullptr;
    HANDLE m_finished;  // never closed: a handler may still wait on it as the process ends
};
