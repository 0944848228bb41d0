// The worker thread of one batch: a gathering pass counts the convertible
// files, a converting pass converts them, and the front end follows through
// the batch record and its listener (IJobEvents).
#pragma once
#include <cstdint>
#include <string>

#include "../framework/FileSystem.h"
#include "../framework/WinThread.h"
#include "BatchState.h"
#include "FreeSpaceMonitor.h"
#include "JobEvents.h"
#include "JobSettings.h"
#include "OutputNames.h"
#include "PauseGate.h"

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
    // 1 when the file counts as converted.
    int ConvertFile(int type, const char* sourcePath);

    // Pause holds the thread at its next safe point (between blocks, between
    // files, inside the walk); Continue lets it go on from there.
    void Pause() { m_pause.Pause(); }
    void Continue() { m_pause.Continue(); }
    bool IsPaused() const { return m_pause.IsPaused(); }
    // True while the thread is held at a safe point by Pause.
    bool IsHolding() const { return m_pause.IsHolding(); }

    // Free bytes available to the user in folder; replaceable for tests.
    CFreeSpaceMonitor::Query m_pfnFreeSpace;

private:
    void RunSources(int convert);
    void ConvertEntry(int type, const char* path);
    bool IsOutputFolder(const char* folder) const;
    // Holds while paused; false when the batch is to stop here.
    bool SafePoint() const;
    bool StopRequested() const { return m_batch.stopRequested.load() != 0; }

    IJobEvents& m_events;
    BatchState& m_batch;
    CPauseGate m_pause;
    COutputNames m_ownWritten;
    COutputNames& m_written;       // the outputs of this batch (or job) so far
    std::string m_selectedFolder;  // the source list's folder being walked; empty for a listed file
    fs::FileIdentity m_outputIdentity;  // of the output folder, when it exists as a pass starts
    bool m_outputKnown = false;
};
