// Ctrl+C, Ctrl+Break and the closing of the console stop the running batch at
// its next safe point, as the dialog's Cancel does: no temporary file is left
// and the commit rules hold. One switch per process.
#pragma once
#include <windows.h>

#include <atomic>
#include <mutex>

#include "../engine/BatchState.h"
#include "../framework/Handles.h"

class CStopSwitch {
public:
    CStopSwitch();
    ~CStopSwitch();
    CStopSwitch(const CStopSwitch&) = delete;
    CStopSwitch& operator=(const CStopSwitch&) = delete;

    bool Stopped() const { return m_stopped.load(); }
    // The batch a stop goes to while it runs; null between batches.
    void Attach(BatchState* batch);
    // Everything is written: a console that is closing may now end the process.
    void Finished() { SetEvent(m_finished); }

private:
    static BOOL WINAPI Handler(DWORD type);
    void Stop();

    std::atomic<bool> m_stopped{false};
    std::mutex m_lock;
    BatchState* m_batch = nullptr;
    CHandle m_finished;
};
