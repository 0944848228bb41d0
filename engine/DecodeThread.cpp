#include "DecodeThread.h"

#include <string>

#include "../framework/FileSystem.h"
#include "FileConversion.h"
#include "FreeSpaceMonitor.h"
#include "TempOutput.h"

uint64_t QueryFreeSpace(const char* folder) {
    uint64_t available = 0;
    // A share's root is answered only with the trailing backslash.
    std::string directory = folder;
    if (!directory.empty() && directory.back() != '\\') directory += '\\';
    return fs::FreeSpace(directory, available) ? available : kFreeSpaceUnknown;
}

namespace {
// A conversion writes its temporary file all the time; one untouched for an
// hour was left by a run that was killed.
constexpr uint64_t kStaleTempAgeMs = 60 * 60 * 1000;

}  // namespace

CDecodeThread::CDecodeThread(const JobSettings& settings, IJobEvents& events, BatchState& batch, COutputNames* written)
    : m_settings(settings), m_pfnFreeSpace(&QueryFreeSpace), m_events(events), m_batch(batch),
      m_written(written ? *written : m_ownWritten) {
    m_batch.totalCount = 0;
}

// Announces the end of the batch on every way out, an exception's included, so
// the dialog never stays "converting" and a Cancel never waits for ever.
class CBatchEndAnnouncer {
public:
    CBatchEndAnnouncer(BatchState& batch, IJobEvents& events) : m_batch(batch), m_events(events) {}
    ~CBatchEndAnnouncer() {
        SetEvent(m_batch.stoppedEvent);
        m_events.BatchEnded();
    }
    CBatchEndAnnouncer(const CBatchEndAnnouncer&) = delete;
    CBatchEndAnnouncer& operator=(const CBatchEndAnnouncer&) = delete;

private:
    BatchState& m_batch;
    IJobEvents& m_events;
};

BOOL CDecodeThread::InitInstance() {
    CBatchEndAnnouncer announcer(m_batch, m_events);
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
    SweepStaleTempOutputs(batch.outputFolder.c_str(), kStaleTempAgeMs);
    batch.processedCount = 0;
    batch.totalPercent = 0;
    batch.convertedCount = 0;
    RunSources(1);
    batch.filePercent = 100;
    batch.totalPercent = 100;
    m_events.ConversionDone();
}

// A Cancel is confirmed while the thread is held, so the stop request must be
// read after the hold, not only before it.
bool CDecodeThread::SafePoint() const {
    m_pause.WaitWhilePaused();
    return !StopRequested();
}

int CDecodeThread::ConvertFile(int type, const char* sourcePath) {
    FileJob job{m_settings, m_events, m_batch, m_pause, m_pfnFreeSpace, m_written, m_selectedFolder.c_str()};
    CFileConversion conversion(job, sourcePath);
    int converted = conversion.Run(type);
    m_events.FileEnded(conversion.Report(converted == 1));
    return converted;
}
