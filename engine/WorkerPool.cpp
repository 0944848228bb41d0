#include "WorkerPool.h"

CWorkerPool::CWorkerPool(int workers) {
    for (int i = 0; i < workers; ++i) {
        HANDLE thread = CreateThread(nullptr, 0, ThreadMain, this, 0, nullptr);
        if (!thread) break;
        m_threads.emplace_back(thread);
        CMonitor::CHold hold(m_monitor);
        ++m_free;
    }
}

CWorkerPool::~CWorkerPool() {
    Drain();
    {
        CMonitor::CHold hold(m_monitor);
        m_quit = true;
    }
    m_monitor.WakeAll();
    for (CHandle& thread : m_threads) WaitForSingleObject(thread, INFINITE);
}

bool CWorkerPool::WaitForWorker(const std::function<bool()>& keepWaiting) {
    CMonitor::CHold hold(m_monitor);
    if (m_threads.empty()) return keepWaiting();
    // Asked again every moment: the stop is a flag, not something that wakes this wait.
    while (!HasFreeWorker()) {
        if (!keepWaiting()) return false;
        hold.Wait(20);
    }
    return true;
}

void CWorkerPool::Run(Task task) {
    if (m_threads.empty()) {
        task();
        return;
    }
    {
        CMonitor::CHold hold(m_monitor);
        m_tasks.push_back(std::move(task));
    }
    m_monitor.WakeAll();
}

void CWorkerPool::Drain() {
    CMonitor::CHold hold(m_monitor);
    while (!m_tasks.empty() || m_busy != 0) hold.Wait(INFINITE);
}

DWORD WINAPI CWorkerPool::ThreadMain(void* self) {
    static_cast<CWorkerPool*>(self)->Work();
    return 0;
}

// Takes the next task; false when the pool ends.
bool CWorkerPool::Take(Task& task) {
    CMonitor::CHold hold(m_monitor);
    while (!m_quit && m_tasks.empty()) hold.Wait(INFINITE);
    if (m_tasks.empty()) return false;
    task = std::move(m_tasks.front());
    m_tasks.erase(m_tasks.begin());
    --m_free;
    ++m_busy;
    return true;
}

void CWorkerPool::Work() {
    Task task;
    while (Take(task)) {
        // The one wall of a worker: whatever a task lets out ends that task only.
        try {
            task();
        } catch (...) {
        }
        task = nullptr;
        {
            CMonitor::CHold hold(m_monitor);
            --m_busy;
            ++m_free;
        }
        m_monitor.WakeAll();
    }
}
