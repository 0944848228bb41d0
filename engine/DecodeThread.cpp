#include "DecodeThread.h"

#include <string>

#include "FreeSpaceMonitor.h"
#include "TempOutput.h"

uint64_t QueryFreeSpace(const char* folder) {
    ULARGE_INTEGER available{};
    // A share's root is answered only with the trailing backslash.
    std::string directory = folder;
    if (!directory.empty() && directory.back() != '\\') directory += '\\';
    if (!GetDiskFreeSpaceExA(directory.c_str(), &available, nullptr, nullptr)) return kFreeSpaceUnknown;
    return available.QuadPart;
}

namespace {
// A conversion writes its temporary file all the time; one untouched for an
// hour was left by a run that was killed.
constexpr uint64_t kStaleTempAgeMs = 60 * 60 * 1000;

}  // namespace

CDecodeThread::CDecodeThread(const JobSettings& settings, IJobEvents& events, BatchState& batch)
    : m_bVolumeNormalize(settings.volumeNormalize),
      m_nNormalizeValue(settings.normalizeValue),
      m_bNotDisplayErrInfo(settings.notDisplayErrInfo),
      m_bPromptBefore(settings.promptBefore),
      m_settings(settings),
      m_pfnFreeSpace(&QueryFreeSpace),
      m_events(events),
      m_batch(batch),
      m_running(CreateEventA(nullptr, TRUE, TRUE, nullptr)) {
    m_batch.totalCount = 0;
}

// Announces the end of the batch on every way out, an exception's included, so
// the dialog never stays "converting" and a Cancel never waits for ever.
class CBatchEndAnnouncer {
public:
    explicit CBatchEndAnnouncer(CDecodeThread& thread) : m_thread(thread) {}
    ~CBatchEndAnnouncer() {
        SetEvent(m_thread.m_batch.stoppedEvent);
        m_thread.m_events.BatchEnded();
    }
    CBatchEndAnnouncer(const CBatchEndAnnouncer&) = delete;
    CBatchEndAnnouncer& operator=(const CBatchEndAnnouncer&) = delete;

private:
    CDecodeThread& m_thread;
};

BOOL CDecodeThread::InitInstance() {
    CBatchEndAnnouncer announcer(*this);
    BatchState& batch = m_batch;
    batch.phase = 0;
    GatherInformation();
    batch.phase = 1;
    if (!StopRequested()) ConvertAll();
    return FALSE;
}

int CDecodeThread::ExitInstance() { return CWinThread::ExitInstance(); }

void CDecodeThread::GatherInformation() {
    RunSources(0);
    m_events.GatheringDone();
}

void CDecodeThread::ConvertAll() {
    BatchState& batch = m_batch;
    SweepStaleTempOutputs(batch.outputFolder, kStaleTempAgeMs);
    batch.processedCount = 0;
    batch.totalPercent = 0;
    batch.convertedCount = 0;
    RunSources(1);
    batch.filePercent = 100;
    batch.totalPercent = 100;
    m_events.ConversionDone();
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
