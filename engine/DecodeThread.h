// The thread of one batch: a gathering pass counts the convertible files, a
// converting pass converts them (one at a time on this thread, or several at
// once on a pool of workers), and the front end follows through the batch
// record and its listener (IJobEvents).
#pragma once
#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>

#include "../framework/FileSystem.h"
#include "../framework/WinThread.h"
#include "BatchProgress.h"
#include "BatchState.h"
#include "FileTracker.h"
#include "FreeSpaceMonitor.h"
#include "JobEvents.h"
#include "JobSettings.h"
#include "OutputNames.h"
#include "PauseGate.h"
#include "SerialEvents.h"
#include "WorkerPool.h"

class CDecodeThread : public CWinThread {
public:
    // The thread runs its batch on batch and tells events everything a person
    // must see; both outlive the thread object. A front end that runs several
    // batches as one job hands them one record of the outputs written, so no
    // batch replaces another's.
    CDecodeThread(const JobSettings& settings, IJobEvents& events, BatchState& batch, COutputNames* written = nullptr);

    // The settings as they were when the batch started, for all its files.
    const JobSettings m_settings;

    // Runs the whole batch, then lets the thread end. However it ends, the end is
    // announced: stoppedEvent is set and the listener told BatchEnded, last of all.
    BOOL InitInstance() override;
    int ExitInstance() override;

    void GatherInformation();
    void ConvertAll();
    // Walks folder and its subfolders; 1 when walked to its end or stopped, 0 otherwise.
    int WalkFolder(const char* folder, int convert);
    // Converts one file on this thread; 1 when the file counts as converted.
    int ConvertFile(int type, const char* sourcePath);

    // Pause holds every thread of the batch at its next safe point (between
    // blocks, between files, inside the walk); Continue lets them go on from there.
    void Pause() { m_pause.Pause(); }
    void Continue() { m_pause.Continue(); }
    bool IsPaused() const { return m_pause.IsPaused(); }
    // True while every thread of the batch that could change anything is held by Pause.
    bool IsHolding() const;

    // Free bytes available to the user in folder; replaceable for tests.
    CFreeSpaceMonitor::Query m_pfnFreeSpace;

private:
    // Writes the batch record straight away: the one file under way is the dialog's.
    class CSoleTracker : public IFileTracker {
    public:
        CSoleTracker(BatchState& batch, IJobEvents& events) : m_batch(batch), m_events(events) {}
        void Started(const BatchNames& names) override;
        void Progress(uint32_t percent, double seconds) override;

    private:
        BatchState& m_batch;
        IJobEvents& m_events;
    };

    void RunSources(int convert);
    void ConvertEntry(int type, const char* path);
    // A file the pool converts.
    struct PendingFile {
        int type;
        std::string path;
        std::string selectedFolder;
    };
    void StartWorkers();
    // Hands the file to a free worker of the pool.
    void ConvertOnWorker(int type, const char* path);
    void StartHeldBackFiles(bool all);
    void Hand(const PendingFile& file);
    void EndWorkers();
    void WorkerTask(uint32_t place, const PendingFile& file);
    int Convert(int type, const char* path, const char* selectedFolder, IFileTracker& tracker, FileReport& report);
    bool IsOutputFolder(const char* folder) const;
    // Holds while paused; false when the batch is to stop here.
    bool SafePoint() const;
    bool StopRequested() const { return m_batch.stopRequested.load() != 0; }

    CSerialEvents m_events;
    BatchState& m_batch;
    CPauseGate m_pause;
    CSoleTracker m_soleTracker;
    // While the converting pass runs files side by side.
    std::unique_ptr<CBatchProgress> m_progress;
    std::unique_ptr<CWorkerPool> m_pool;
    // This thread while it walks, and each worker with a file: what IsHolding waits for.
    std::atomic<int> m_active{0};
    // MP3 files wait here while every decoder instance of the library is in use.
    std::deque<PendingFile> m_heldBack;
    int m_mp3Instances = 0;
    std::atomic<int> m_mp3Running{0};
    CHandle m_decoderFreed{CreateEventA(nullptr, FALSE, FALSE, nullptr)};
    COutputNames m_ownWritten;
    COutputNames& m_written;       // the outputs of this batch (or job) so far
    std::string m_selectedFolder;  // the source list's folder being walked; empty for a listed file
    fs::FileIdentity m_outputIdentity;  // of the output folder, when it exists as a pass starts
    bool m_outputKnown = false;
};
