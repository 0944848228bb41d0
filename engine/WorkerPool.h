// The threads that convert a batch's files side by side. Files are handed out
// one at a time, in order, each to a worker that is free.
#pragma once
#include <windows.h>

#include <functional>
#include <vector>

#include "../framework/Handles.h"
#include "../framework/Monitor.h"

class CWorkerPool {
public:
    using Task = std::function<void()>;

    // Starts up to workers threads (fewer when the system refuses more).
    explicit CWorkerPool(int workers);
    // Waits for the tasks under way, then ends the threads.
    ~CWorkerPool();
    CWorkerPool(const CWorkerPool&) = delete;
    CWorkerPool& operator=(const CWorkerPool&) = delete;

    // Waits until a worker is free; false when keepWaiting said to give up.
    bool WaitForWorker(const std::function<bool()>& keepWaiting);
    // Hands task to the free worker WaitForWorker found (on this thread when
    // no worker could be started).
    void Run(Task task);
    // Waits until every task handed out has ended.
    void Drain();

private:
    static DWORD WINAPI ThreadMain(void* self);
    void Work();
    bool Take(Task& task);
    bool HasFreeWorker() const { return m_tasks.size() < static_cast<size_t>(m_free); }

    CMonitor m_monitor;  // guards all below but m_threads
    std::vector<Task> m_tasks;  // handed out, not yet taken
    int m_free = 0;             // started workers without a task
    int m_busy = 0;
    bool m_quit = false;
    std::vector<CHandle> m_threads;
};
