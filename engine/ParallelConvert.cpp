// The converting pass on a pool of workers: files handed out in order, each
// to a free worker, and the batch's end only once every file has ended.
#include "../decoders/SndStreamWinAmp.h"
#include "DecodeThread.h"
#include "PathRules.h"

void CDecodeThread::StartWorkers() {
    if (m_settings.jobs <= 1) return;
    m_progress = std::make_unique<CBatchProgress>(m_batch, m_events);
    m_pool = std::make_unique<CWorkerPool>(m_settings.jobs);
    m_mp3Instances = SndStream().StreamCount();
}

// Every file under way ends before the batch does: nothing is touched after its end.
void CDecodeThread::EndWorkers() {
    if (!m_pool) return;
    --m_active;
    m_pool.reset();
    ++m_active;
    m_progress.reset();
}

// With fewer decoder instances than workers, an MP3 file that would wait for
// one is held back, and the workers take the files after it meanwhile.
void CDecodeThread::ConvertOnWorker(int type, const char* path) {
    PendingFile file{type, path, m_selectedFolder};
    const bool decoderShort = m_mp3Instances > 0 && m_mp3Instances < m_settings.jobs;
    if (type == kTypeMp3 && decoderShort) {
        m_heldBack.push_back(std::move(file));
        StartHeldBackFiles(false);
        return;
    }
    StartHeldBackFiles(false);
    Hand(file);
}

// The held-back MP3 files whose decoder is free; with all, every one, waiting for them.
void CDecodeThread::StartHeldBackFiles(bool all) {
    while (!m_heldBack.empty() && !StopRequested()) {
        if (m_mp3Running >= m_mp3Instances) {
            if (!all) return;
            // Waiting changes nothing: this thread counts as held meanwhile.
            --m_active;
            WaitForSingleObject(m_decoderFreed, 50);
            ++m_active;
            continue;
        }
        PendingFile file = std::move(m_heldBack.front());
        m_heldBack.pop_front();
        Hand(file);
    }
    if (StopRequested()) m_heldBack.clear();
}

void CDecodeThread::Hand(const PendingFile& file) {
    // Waiting for a worker changes nothing: this thread counts as held meanwhile.
    --m_active;
    const bool free = m_pool->WaitForWorker([this] { return !StopRequested(); });
    ++m_active;
    if (!free) return;
    const uint32_t place = m_progress->Begin();
    if (file.type == kTypeMp3) ++m_mp3Running;
    m_pool->Run([this, place, file] { WorkerTask(place, file); });
}

void CDecodeThread::WorkerTask(uint32_t place, const PendingFile& file) {
    ++m_active;
    std::optional<FileReport> report;
    // A file handed out just before a Pause or a stop waits, or is not started.
    if (SafePoint()) {
        report.emplace();
        report->source = file.path;
        CBatchProgress::CTracker tracker(*m_progress, place);
        // This worker's wall: a file that fails this way is not converted, and the batch goes on.
        try {
            Convert(file.type, file.path.c_str(), file.selectedFolder.c_str(), tracker, *report);
        } catch (...) {
            report->converted = false;
        }
    }
    // Its decoder instance went back as the conversion ended.
    if (file.type == kTypeMp3) {
        --m_mp3Running;
        SetEvent(m_decoderFreed);
    }
    // Telling the end changes the counts: the worker is active until it is told.
    m_progress->End(place, report);
    --m_active;
}
