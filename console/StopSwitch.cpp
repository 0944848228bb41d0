#include "StopSwitch.h"

namespace {
CStopSwitch* g_switch = nullptr;
// Windows ends a process this long after its console was closed; the batch
// gets what it can of it to end its file.
constexpr DWORD kCloseGraceMs = 4500;
}  // namespace

CStopSwitch::CStopSwitch() : m_finished(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
    g_switch = this;
    SetConsoleCtrlHandler(&CStopSwitch::Handler, TRUE);
}

CStopSwitch::~CStopSwitch() {
    SetConsoleCtrlHandler(&CStopSwitch::Handler, FALSE);
    g_switch = nullptr;
}

void CStopSwitch::Attach(BatchState* batch) {
    std::lock_guard<std::mutex> hold(m_lock);
    m_batch = batch;
    if (m_batch && m_stopped) m_batch->stopRequested = 1;
}

void CStopSwitch::Stop() {
    std::lock_guard<std::mutex> hold(m_lock);
    m_stopped = true;
    if (m_batch) m_batch->stopRequested = 1;
}

// Runs on a thread of its own that the system starts for each event.
BOOL WINAPI CStopSwitch::Handler(DWORD type) {
    CStopSwitch* self = g_switch;
    if (!self) return FALSE;
    self->Stop();
    // Returning ends a closing process at once: it waits until the run has finished.
    if (type == CTRL_CLOSE_EVENT || type == CTRL_LOGOFF_EVENT || type == CTRL_SHUTDOWN_EVENT)
        WaitForSingleObject(self->m_finished, kCloseGraceMs);
    return TRUE;
}
