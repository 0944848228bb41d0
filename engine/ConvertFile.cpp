// One source file into one WAV file, written through a temporary file beside
// the output (TempOutput.h).
#include <cstring>

#include "../acmdriver/PcmFormats.h"
#include "../decoders/AcmStream.h"
#include "../framework/BinaryFile.h"
#include "../framework/Handles.h"
#include "DecodeThread.h"
#include "FreeSpaceMonitor.h"
#include "Normalize.h"
#include "PathRules.h"
#include "Progress.h"
#include "SourceReader.h"
#include "TempOutput.h"
#include "WavHeader.h"

namespace {
const DWORD kMinimumFreeBytes = 1024;
// Less than a file buffer left after a write failed: the disk is full.
const uint64_t kFullDiskSlack = 64 * 1024;

bool CanOpenShared(const char* path) {
    CFileHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file.IsValid();
}

// An existing output must be replaceable before any work is done for it.
bool CanReplace(const char* path) {
    CFileHandle file(CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file.IsValid();
}

WAVEFORMATEX TargetFormat(const JobSettings& settings, const WAVEFORMATEX& source) {
    switch (settings.target) {
    case JobSettings::Target::kOriginal:
        return source;
    case JobSettings::Target::kStored:
        return settings.storedFormat;
    default:
        return MakePcm(2, 44100, 16);
    }
}

}  // namespace

class CFileConversion {
public:
    CFileConversion(const CDecodeThread& thread, const char* sourcePath)
        : m_thread(thread), m_batch(thread.m_batch), m_source(sourcePath) {}

    int Run(int type);

private:
    bool NameOutput();
    bool CreateOutput();
    bool WriteHeader(uint32_t dataSize);
    void CopyBlocks(CAcmStream& stream);
    bool WriteBlock(CFreeSpaceMonitor& freeSpace, const BYTE* block, DWORD produced);
    int Finish(bool readFailed);
    bool DiskIsFull() const;
    void StopForFullDisk();
    // False when the pass failed midway.
    bool Normalize();

    const CDecodeThread& m_thread;
    BatchState& m_batch;
    const char* m_source;
    PathBuffer m_outputPath = {};
    std::string m_fileName;
    CTempOutput m_temp;
    CBinaryFile m_output;
    std::unique_ptr<ISourceReader> m_reader;
    WAVEFORMATEX m_target{};
    uint64_t m_written = 0;
    int32_t m_peak = 0;
    uint32_t m_share = 100;
    bool m_diskFull = false;
    bool m_writeFailed = false;
    bool m_convertFailed = false;
};

bool CFileConversion::NameOutput() {
    m_fileName = FileNamePart(m_source);
    if (!MakeOutputPath(m_batch.outputFolder, m_fileName.c_str(), m_outputPath)) {
        std::string tooLong = std::string(m_batch.outputFolder) + "\\" + m_fileName;
        m_thread.m_events.FileFailed(FileFailure::kCantCreate, tooLong);
        return false;
    }
    return true;
}

bool CFileConversion::CreateOutput() {
    bool exists = CanOpenShared(m_outputPath);
    if (exists && m_thread.m_bPromptBefore && !m_thread.m_events.AskOverwrite(m_outputPath)) return false;
    if ((exists && !CanReplace(m_outputPath)) || !m_temp.Create(m_outputPath) || !m_output.Open(m_temp.Path(), "wb")) {
        m_thread.m_events.FileFailed(FileFailure::kCantCreate, m_outputPath);
        return false;
    }
    return true;
}

bool CFileConversion::WriteHeader(uint32_t dataSize) {
    WavHeader header = MakeWavHeader(m_target, dataSize);
    return m_output.Seek(0) && m_output.Write(&header, sizeof(header)) == sizeof(header);
}

int CFileConversion::Run(int type) {
    if (!CanOpenShared(m_source)) {
        m_thread.m_events.FileFailed(FileFailure::kCantOpenShared, m_source);
        return 0;
    }
    if (!NameOutput()) return 0;
    if (SamePath(m_outputPath, m_source)) {
        m_thread.m_events.FileFailed(FileFailure::kSameFolder, m_source);
        return 0;
    }
    if (!CreateOutput()) return 0;
    // A Cancel confirmed while the overwrite question was up: this file is not started.
    if (m_batch.stopRequested) return 0;
    PathBuffer outputFolderName, sourceFolderName;
    GetParentFolderName(m_outputPath, kPathBufferSize, outputFolderName);

    FileFailure failure = FileFailure::kNotWav;
    m_reader = OpenSource(type, m_source, failure);
    if (!m_reader) {
        m_thread.m_events.FileFailed(failure, m_source);
        return 0;
    }
    GetParentFolderName(m_source, kPathBufferSize, sourceFolderName);
    m_target = TargetFormat(m_thread.m_settings, m_reader->Format());

    if (!WriteHeader(0)) {
        m_thread.m_events.FileFailed(FileFailure::kCantWrite, m_outputPath);
        return 0;
    }
    CAcmStream stream;
    if (!stream.Open(m_reader->Format(), m_target)) {
        m_thread.m_events.FileFailed(FileFailure::kNotPcm, m_source);
        return 0;
    }
    m_share = m_thread.m_bVolumeNormalize ? 80 : 100;
    m_batch.filePercent = 0;
    m_batch.PublishNames(m_fileName.c_str(), sourceFolderName, outputFolderName);

    // A stop that came before the first block leaves no empty file in an output's place.
    const bool started = !m_batch.stopRequested;
    if (started) CopyBlocks(stream);
    stream.Close();
    // A stop that came before anything was read is no read failure.
    const bool readFailed = m_reader->Failed() && !m_batch.stopRequested;
    m_reader.reset();

    if (m_diskFull || !started) return 0;
    return Finish(readFailed);
}

// The header with the final sizes, the optional normalisation, and the commit.
int CFileConversion::Finish(bool readFailed) {
    // A source cut short by an error is no converted file: the output stays as it was.
    if (readFailed || m_convertFailed) {
        m_thread.m_events.FileFailed(readFailed ? FileFailure::kCantReadToEnd : FileFailure::kConversionFailed, m_source);
        return 0;
    }
    bool finished = !m_writeFailed && WriteHeader(static_cast<uint32_t>(m_written));
    finished = m_output.Close() && finished;
    if (!finished) {
        // The last buffered bytes go out only now: a disk that filled up here is the full disk.
        if (!m_writeFailed && DiskIsFull()) {
            StopForFullDisk();
            return 0;
        }
        m_thread.m_events.FileFailed(FileFailure::kCantWrite, m_outputPath);
        return 0;
    }
    if (!m_batch.stopRequested && m_thread.m_bVolumeNormalize && !Normalize()) {
        m_thread.m_events.FileFailed(FileFailure::kCantWrite, m_outputPath);
        return 0;
    }
    if (!m_temp.CommitAs(m_outputPath)) {
        m_thread.m_events.FileFailed(FileFailure::kCantWrite, m_outputPath);
        return 0;
    }
    return 1;
}

// Reads, converts and writes block by block until the source is exhausted, a
// write fails or the batch is stopped.
void CFileConversion::CopyBlocks(CAcmStream& stream) {
    BYTE* input = stream.Input();
    DWORD leftover = 0;
    uint64_t consumed = 0;
    CFreeSpaceMonitor freeSpace(m_thread.m_pfnFreeSpace, m_batch.outputFolder);
    for (;;) {
        DWORD got = m_reader->Read(input + leftover, stream.InputSize() - leftover);
        // The source is exhausted: one last call hands out what the converter holds back.
        bool last = got == 0;
        DWORD inBuffer = leftover + got;
        std::optional<CAcmStream::Step> step = stream.Convert(inBuffer, last);
        if (!step) {
            m_convertFailed = true;
            break;
        }
        leftover = step->leftover;
        consumed += inBuffer - leftover;
        // A converter may hold samples back, or wait for a whole block: a step that
        // gives nothing reads on (a full buffer reads 0 bytes, which ends the file).
        if (step->produced && !WriteBlock(freeSpace, stream.Output(), step->produced)) break;
        if (last) break;
        memmove(input, input + inBuffer - leftover, leftover);

        m_batch.filePercent = m_reader->Percent(consumed, m_share);
        m_batch.totalPercent = TotalPercent(m_batch.processedCount, m_batch.totalCount, m_batch.filePercent);
        m_thread.m_events.FileProgress(m_batch.filePercent);
        if (!m_thread.SafePoint()) break;
    }
}

// Writes one converted block; false ends the file (full disk, failed write, 4 GiB).
bool CFileConversion::WriteBlock(CFreeSpaceMonitor& freeSpace, const BYTE* block, DWORD produced) {
    m_batch.freeBytes = freeSpace.FreeBytes();
    if (m_batch.freeBytes < kMinimumFreeBytes) {
        StopForFullDisk();
        return false;
    }
    // The RIFF sizes are 32-bit: a file that would pass them fails instead of wrapping.
    if (m_written + produced > kMaxWavDataSize) {
        m_writeFailed = true;
        return false;
    }
    if (m_output.Write(block, produced) != produced) {
        // A disk that ran out of room mid-block is the full disk, not just this file.
        m_batch.freeBytes = m_thread.m_pfnFreeSpace(m_batch.outputFolder);
        if (m_batch.freeBytes < produced)
            StopForFullDisk();
        else
            m_writeFailed = true;
        return false;
    }
    freeSpace.Wrote(produced);
    m_written += produced;
    if (m_thread.m_bVolumeNormalize) UpdatePeak(block, produced, m_target.wBitsPerSample, m_peak);
    return true;
}

bool CFileConversion::DiskIsFull() const {
    uint64_t free = m_thread.m_pfnFreeSpace(m_batch.outputFolder);
    return free != kFreeSpaceUnknown && free < kFullDiskSlack;
}

void CFileConversion::StopForFullDisk() {
    m_thread.m_events.DiskFull();
    m_batch.stopRequested = 1;
    m_diskFull = true;
}

bool CFileConversion::Normalize() {
    BatchState& batch = m_batch;
    const CDecodeThread& thread = m_thread;
    IJobEvents& events = m_thread.m_events;
    // Pause holds the pass between blocks; a stop lets it finish, so no file is left part scaled.
    NormalizeResult result = NormalizeFile(m_temp.Path(), m_target, m_peak, m_thread.m_nNormalizeValue, m_written,
                                           m_share, [&batch, &thread, &events](uint32_t percent) {
                                               batch.filePercent = percent;
                                               batch.totalPercent =
                                                   TotalPercent(batch.processedCount, batch.totalCount, percent);
                                               events.FileProgress(percent);
                                               thread.WaitWhilePaused();
                                           });
    return result != NormalizeResult::kFailed;
}

int CDecodeThread::ConvertFile(int type, const char* sourcePath) {
    CFileConversion conversion(*this, sourcePath);
    return conversion.Run(type);
}
