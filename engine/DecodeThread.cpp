#include "DecodeThread.h"

#include "../framework/MessageBox.h"
#include "DialogMessages.h"
#include "EngineMessages.h"
#include "FreeSpaceMonitor.h"
#include "TempOutput.h"

uint64_t QueryFreeSpace(const char* folder) {
    ULARGE_INTEGER available{};
    if (!GetDiskFreeSpaceExA(folder, &available, nullptr, nullptr)) return kFreeSpaceUnknown;
    return available.QuadPart;
}

namespace {
// A conversion writes its temporary file all the time; one untouched for an
// hour was left by a run that was killed.
constexpr uint64_t kStaleTempAgeMs = 60 * 60 * 1000;

}  // namespace

CDecodeThread::CDecodeThread(const JobSettings& settings)
    : m_bVolumeNormalize(settings.volumeNormalize),
      m_nNormalizeValue(settings.normalizeValue),
      m_bNotDisplayErrInfo(settings.notDisplayErrInfo),
      m_bPromptBefore(settings.promptBefore),
      m_settings(settings),
      m_pfnFreeSpace(&QueryFreeSpace),
      m_running(CreateEventA(nullptr, TRUE, TRUE, nullptr)) {
    Batch().totalCount = 0;
}

namespace {
// Announces the end of the batch on every way out, an exception's included, so
// the dialog never stays "converting" and a Cancel never waits for ever.
class CBatchEndAnnouncer {
public:
    explicit CBatchEndAnnouncer(const CDecodeThread& thread) : m_thread(thread) {}
    ~CBatchEndAnnouncer() {
        SetEvent(Batch().stoppedEvent);
        HWND owner = SafeHwnd(m_thread.m_pOwnerWnd);
        if (owner) PostMessageA(owner, WM_BATCH_ENDED, m_thread.m_nBatchSerial, 0);
    }
    CBatchEndAnnouncer(const CBatchEndAnnouncer&) = delete;
    CBatchEndAnnouncer& operator=(const CBatchEndAnnouncer&) = delete;

private:
    const CDecodeThread& m_thread;
};
}  // namespace

BOOL CDecodeThread::InitInstance() {
    CBatchEndAnnouncer announcer(*this);
    BatchState& batch = Batch();
    batch.phase = 0;
    GatherInformation();
    batch.phase = 1;
    if (!StopRequested()) ConvertAll();
    return FALSE;
}

int CDecodeThread::ExitInstance() { return CWinThread::ExitInstance(); }

void CDecodeThread::GatherInformation() {
    RunSources(0);
    PostToOwner(WM_GATHERING_DONE);
}

void CDecodeThread::ConvertAll() {
    BatchState& batch = Batch();
    SweepStaleTempOutputs(batch.outputFolder, kStaleTempAgeMs);
    batch.processedCount = 0;
    batch.totalPercent = 0;
    batch.convertedCount = 0;
    RunSources(1);
    batch.filePercent = 100;
    batch.totalPercent = 100;
    PostToOwner(WM_CONVERSION_DONE);
}

void CDecodeThread::Pause() {
    ResetEvent(m_running);
    m_pauseRequested = true;
}

void CDecodeThread::Continue() {
    m_pauseRequested = false;
    SetEvent(m_running);
}

bool CDecodeThread::IsPaused() const { return WaitForSingleObject(m_running, 0) == WAIT_TIMEOUT; }

void CDecodeThread::WaitWhilePaused() const {
    if (!m_pauseRequested) return;
    m_holding = true;
    WaitForSingleObject(m_running, INFINITE);
    m_holding = false;
}

// A Cancel is confirmed while the thread is held, so the stop request must be
// read after the hold, not only before it.
bool CDecodeThread::SafePoint() const {
    WaitWhilePaused();
    return !StopRequested();
}

int CDecodeThread::Box(const std::string& text, const char* caption, UINT type) const {
    return AppMessageBox(SafeHwnd(m_pOwnerWnd), text.c_str(), caption, type);
}

void CDecodeThread::ErrorBox(const std::string& text) const {
    if (!m_bNotDisplayErrInfo) Box(text, msg::kCaptionError, MB_OK | MB_ICONERROR);
}

void CDecodeThread::PostToOwner(UINT message) const {
    HWND owner = SafeHwnd(m_pOwnerWnd);
    if (owner) PostMessageA(owner, message, 0, 0);
}
