// Pause and Continue for a batch: each of its threads holds at its next safe point
// (between blocks, between files, inside the walk) until Continue.
#pragma once
#include <windows.h>

#include <atomic>

#include "../framework/Handles.h"

class CPauseGate {
public:
    CPauseGate() : m_running(CreateEventA(nullptr, TRUE, TRUE, nullptr)) {}
    CPauseGate(const CPauseGate&) = delete;
    CPauseGate& operator=(const CPauseGate&) = delete;

    void Pause() {
        ResetEvent(m_running);
        m_pauseRequested = true;
    }
    void Continue() {
        m_pauseRequested = false;
        SetEvent(m_running);
    }
    bool IsPaused() const { return WaitForSingleObject(m_running, 0) == WAIT_TIMEOUT; }
    // How many of the batch's threads are held here now.
    int Holding() const { return m_holding; }

    // A thread of the batch: holds while paused.
    void WaitWhilePaused() const {
        if (!m_pauseRequested) return;
        ++m_holding;
        WaitForSingleObject(m_running, INFINITE);
        --m_holding;
    }

private:
    CHandle m_running;  // manual-reset: set while not paused
    // Checked first at every safe point: waiting on the event costs a system call.
    std::atomic<bool> m_pauseRequested{false};
    mutable std::atomic<int> m_holding{0};
};
