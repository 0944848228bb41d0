#include "StopSwitch.h"

#include "../decoders/SndStreamWinAmp.h"
#include "CmdResults.h"

namespace {
// Windows ends a process this long after its console was closed; the batch
// gets what it can of it to end its file.
constexpr DWORD kCloseGraceMs = 4500;
}  // namespace

CStopSwitch& CStopSwitch::Instance() {
    // Never destroyed: a handler thread may run while the process ends.
    static CStopSwitch* instance = new CStopSwitch;
    return *instance;
}

CStopSwitch::CStopSwitch() : m_finished(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
    // A parent that ignores Ctrl+C hands that on; this program wants it.
    SetConsoleCtrlHandler(nullptr, FALSE);
    SetConsoleCtrlHandler(&CStopSwitch::Handler, TRUE);
}

void CStopSwitch::Attach(BatchState* batch) {
    std::lock_guard<std::mutex> hold(m_lock);
    m_batch = batch;
    if (m_batch && m_stopped) {
        m_batch->stopRequested = 1;
        m_stoppedABatch = true;
    }
}

bool CStopSwitch::Stop() {
    std::lock_guard<std::mutex> hold(m_lock);
    bool first = !m_stopped.exchange(true);
    if (m_batch) {
        m_batch->stopRequested = 1;
        m_stoppedABatch = true;
        // A read that waits for the decoder returns what it has.
        SndStream().ReleaseReader();
    }
    return first;
}

// Runs on a thread of its own that the system starts for each event.
BOOL WINAPI CStopSwitch::Handler(DWORD type) {
    CStopSwitch& self = Instance();
    bool first = self.Stop();
    if ((type == CTRL_C_EVENT || type == CTRL_BREAK_EVENT) && !first) ExitProcess(exitcode::kCancelled);
    // Returning ends a closing process at once: it waits until the run has finished.
    if (type == CTRL_CLOSE_EVENT || type == CTRL_LOGOFF_EVENT || type == CTRL_SHUTDOWN_EVENT)
        WaitForSingleObject(self.m_finished, kCloseGraceMs);
    return TRUE;
}
