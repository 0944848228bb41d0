// One source file into one WAV file, written through a temporary file beside
// the output (TempOutput.h) that takes the output's place only when the file
// counts. The steps: open the source and the output, open the conversion
// stream, copy block by block, finish (sizes, normalisation), commit.
#pragma once
#include <windows.h>
#include <mmreg.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "../decoders/AcmStream.h"
#include "../framework/BinaryFile.h"
#include "BatchState.h"
#include "FileTracker.h"
#include "FreeSpaceMonitor.h"
#include "JobEvents.h"
#include "JobSettings.h"
#include "OutputNames.h"
#include "PauseGate.h"
#include "SourceReader.h"
#include "TempOutput.h"
#include "WavHeader.h"

// What one file's conversion takes from its batch.
struct FileJob {
    const JobSettings& settings;
    IJobEvents& events;
    BatchState& batch;
    const CPauseGate& pause;
    CFreeSpaceMonitor::Query freeSpace;
    COutputNames& written;       // what this batch wrote so far, and the names under way
    const char* selectedFolder;  // the source list's folder the file was found in; empty for a listed file
    IFileTracker& tracker;
};

class CFileConversion {
public:
    CFileConversion(const FileJob& job, const char* sourcePath)
        : m_job(job), m_batch(job.batch), m_source(sourcePath), m_claim(job.written) {}
    CFileConversion(const CFileConversion&) = delete;
    CFileConversion& operator=(const CFileConversion&) = delete;

    // 1 when the file counts as converted (a cancelled file's shorter output too).
    int Run(int type);
    // How the file ended, once Run has returned.
    FileReport Report(bool converted) const;

private:
    // The source checked and opened, the output named and created, its header written.
    bool Open(int type);
    bool NameOutput();
    // Waits while another file of the batch writes the same name; a name this
    // batch wrote already gets the next free number instead.
    bool AvoidOwnOutput();
    bool CreateOutput();
    bool WriteHeader(uint64_t dataBytes);
    // The pad byte and the final header; past 4 GiB a 44-byte header first gets room for ds64.
    bool CompleteOutput();
    bool MakeSizeRoom();
    void Announce();
    void CopyBlocks(CAcmStream& stream);
    bool WriteBlock(CFreeSpaceMonitor& freeSpace, const BYTE* block, DWORD produced);
    // Holds while paused; false when the batch is to stop here.
    bool SafePoint() const;
    int Finish(bool readFailed);
    bool MetTheFullDisk(uint64_t needed);
    void StopForFullDisk();
    // False when the pass failed midway.
    bool Normalize();
    double SecondsWritten() const;
    void Fail(FileFailure kind, const std::string& path) {
        m_failure = kind;
        m_job.events.FileFailed(kind, path);
    }

    const FileJob m_job;
    BatchState& m_batch;
    const char* m_source;
    int m_type = 0;                  // the source's SourceType
    bool m_mirrored = false;         // the output goes to a copy of the source's folder tree
    std::string m_outputFolder;  // that copy's folder
    std::string m_outputPath;
    std::string m_fileName;
    COutputClaim m_claim;  // released after the output is in place and recorded
    CTempOutput m_temp;
    CBinaryFile m_output;
    std::unique_ptr<ISourceReader> m_reader;
    WAVEFORMATEX m_target{};
    WavLayout m_layout;
    uint64_t m_written = 0;
    double m_peak = 0;
    uint32_t m_share = 100;
    bool m_diskFull = false;
    bool m_writeFailed = false;
    bool m_convertFailed = false;
    bool m_cut = false;  // the copy was ended by a stop
    std::optional<FileFailure> m_failure;
    bool m_declined = false;
};
