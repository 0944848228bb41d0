// A lock and a condition to wait on, straight from the platform (slim
// reader/writer lock and condition variable, Windows Vista and later): the
// threads that meet on it are started by CreateThread, and neither needs
// anything at process exit.
#pragma once
#include <windows.h>

class CMonitor {
public:
    CMonitor() {
        InitializeSRWLock(&m_lock);
        InitializeConditionVariable(&m_changed);
    }
    CMonitor(const CMonitor&) = delete;
    CMonitor& operator=(const CMonitor&) = delete;

    // Holds the lock for its scope.
    class CHold {
    public:
        explicit CHold(CMonitor& monitor) : m_monitor(monitor) { AcquireSRWLockExclusive(&monitor.m_lock); }
        ~CHold() { ReleaseSRWLockExclusive(&m_monitor.m_lock); }
        CHold(const CHold&) = delete;
        CHold& operator=(const CHold&) = delete;
        // Lets the lock go until a wake or until ms have passed, then holds it again.
        void Wait(DWORD ms) { SleepConditionVariableSRW(&m_monitor.m_changed, &m_monitor.m_lock, ms, 0); }

    private:
        CMonitor& m_monitor;
    };

    void WakeAll() { WakeAllConditionVariable(&m_changed); }

private:
    SRWLOCK m_lock;
    CONDITION_VARIABLE m_changed;
};
