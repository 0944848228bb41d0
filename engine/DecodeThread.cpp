#include "DecodeThread.h"

#include <string>

#include "../framework/FileSystem.h"
#include "FileConversion.h"
#include "FreeSpaceMonitor.h"
#include "Progress.h"
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
      m_soleTracker(batch, m_events), m_written(written ? *written : m_ownWritten) {
    m_batch.totalCount = 0;
    m_batch.diskFull = 0;
}

void CDecodeThread::CSoleTracker::Started(const BatchNames& names) {
    m_batch.filePercent = 0;
    m_batch.PublishNames(names.currentFileName.c_str(), names.sourceFolderName.c_str(),
                         names.outputFolderName.c_str());
}

void CDecodeThread::CSoleTracker::Progress(uint32_t percent, double seconds) {
    m_batch.filePercent = percent;
    m_batch.totalPercent = TotalPercent(m_batch.processedCount, m_batch.totalCount, percent);
    m_events.FileProgress(percent, seconds);
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
    m_active = 1;
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
    StartWorkers();
    try {
        RunSources(1);
        StartHeldBackFiles(true);
    } catch (...) {
        EndWorkers();
        throw;
    }
    EndWorkers();
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

bool CDecodeThread::IsHolding() const {
    const int held = m_pause.Holding();
    return m_pause.IsPaused() && held > 0 && held >= m_active.load();
}

int CDecodeThread::Convert(int type, const char* path, const char* selectedFolder, IFileTracker& tracker,
                           FileReport& report) {
    FileJob job{m_settings, m_events, m_batch, m_pause, m_pfnFreeSpace, m_written, selectedFolder, tracker};
    CFileConversion conversion(job, path);
    int converted = conversion.Run(type);
    report = conversion.Report(converted == 1);
    return converted;
}

int CDecodeThread::ConvertFile(int type, const char* sourcePath) {
    FileReport report;
    int converted = Convert(type, sourcePath, m_selectedFolder.c_str(), m_soleTracker, report);
    m_events.FileEnded(report);
    return converted;
}
