#include "WorkerPool.h"

#include <chrono>

CWorkerPool::CWorkerPool(int workers) {
    for (int i = 0; i < workers; ++i) {
        HANDLE thread = CreateThread(nullptr, 0, ThreadMain, this, 0, nullptr);
        if (!thread) break;
        m_threads.emplace_back(thread);
        std::lock_guard<std::mutex> hold(m_lock);
        ++m_free;
    }
}

CWorkerPool::~CWorkerPool() {
    Drain();
    {
        std::lock_guard<std::mutex> hold(m_lock);
        m_quit = true;
    }
    m_changed.notify_all();
    for (CHandle& thread : m_threads) WaitForSingleObject(thread, INFINITE);
}

bool CWorkerPool::WaitForWorker(const std::function<bool()>& keepWaiting) {
    std::unique_lock<std::mutex> hold(m_lock);
    if (m_threads.empty()) return keepWaiting();
    // Asked again every moment: the stop is a flag, not something that wakes this wait.
    while (!HasFreeWorker()) {
        if (!keepWaiting()) return false;
        m_changed.wait_for(hold, std::chrono::milliseconds(20));
    }
    return true;
}

void CWorkerPool::Run(Task task) {
    if (m_threads.empty()) {
        task();
        return;
    }
    {
        std::lock_guard<std::mutex> hold(m_lock);
        m_tasks.push_back(std::move(task));
    }
    m_changed.notify_all();
}

void CWorkerPool::Drain() {
    std::unique_lock<std::mutex> hold(m_lock);
    m_changed.wait(hold, [this] { return m_tasks.empty() && m_busy == 0; });
}

DWORD WINAPI CWorkerPool::ThreadMain(void* self) {
    static_cast<CWorkerPool*>(self)->Work();
    return 0;
}

void CWorkerPool::Work() {
    std::unique_lock<std::mutex> hold(m_lock);
    for (;;) {
        m_changed.wait(hold, [this] { return m_quit || !m_tasks.empty(); });
        if (m_tasks.empty()) return;
        Task task = std::move(m_tasks.front());
        m_tasks.erase(m_tasks.begin());
        --m_free;
        ++m_busy;
        hold.unlock();
        // The one wall of a worker: whatever a task lets out ends that task only.
        try {
            task();
        } catch (...) {
        }
        hold.lock();
        --m_busy;
        ++m_free;
        m_changed.notify_all();
    }
}
