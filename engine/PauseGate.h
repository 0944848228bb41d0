// Pause and Continue for a batch: its thread holds at the next safe point
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
    // True while the thread is held here.
    bool IsHolding() const { return m_holding; }

    // The batch's thread: holds while paused.
    void WaitWhilePaused() const {
        if (!m_pauseRequested) return;
        m_holding = true;
        WaitForSingleObject(m_running, INFINITE);
        m_holding = false;
    }

private:
    CHandle m_running;  // manual-reset: set while not paused
    // Checked first at every safe point: waiting on the event costs a system call.
    std::atomic<bool> m_pauseRequested{false};
    mutable std::atomic<bool> m_holding{false};
};
