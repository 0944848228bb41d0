#include "FileConversion.h"

#include <cstring>

#include "../acmdriver/PcmFormats.h"
#include "../framework/FileSystem.h"
#include "ByteShift.h"
#include "Normalize.h"
#include "PathRules.h"
#include "Progress.h"
#include "WavHeader.h"
#include "WavTags.h"

namespace {
const DWORD kMinimumFreeBytes = 1024;
// Less than a file buffer left after a write failed: the disk is full.
const uint64_t kFullDiskSlack = 64 * 1024;

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

bool CanOpenShared(const std::string& path) {
    CFileHandle file(fs::Open(path, GENERIC_READ, kShareAll, OPEN_EXISTING));
    return file.IsValid();
}

// No file, folder or unreadable file holds the name.
bool IsFreeName(const std::string& path) {
    if (fs::Attributes(path) != INVALID_FILE_ATTRIBUTES) return false;
    DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// An existing output must be replaceable before any work is done for it.
bool CanReplace(const std::string& path) {
    CFileHandle file(fs::Open(path, GENERIC_WRITE, kShareAll, OPEN_EXISTING));
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

bool CFileConversion::NameOutput() {
    m_fileName = FileNamePart(m_source);
    m_mirrored = m_job.settings.keepTree && m_job.selectedFolder[0];
    const char* outputFolder = m_batch.outputFolder.c_str();
    bool named = !m_mirrored || MirrorFolder(outputFolder, m_job.selectedFolder, m_source, m_outputFolder);
    named = named && MakeOutputPath(m_mirrored ? m_outputFolder.c_str() : outputFolder, m_fileName.c_str(), m_outputPath);
    if (!named) {
        std::string tooLong = (m_mirrored && !m_outputFolder.empty() ? m_outputFolder : m_batch.outputFolder) + "\\" +
                              m_fileName;
        Fail(FileFailure::kCantCreate, tooLong);
        return false;
    }
    return true;
}

bool CFileConversion::AvoidOwnOutput() {
    if (!m_claim.Claim(m_outputPath, [this] { return !m_batch.stopRequested; })) return false;
    if (!m_job.written.Written(m_outputPath.c_str())) return true;
    std::string candidate;
    for (int n = 2; NumberedPath(m_outputPath.c_str(), n, candidate); ++n) {
        if (IsFreeName(candidate) && m_claim.MoveTo(candidate)) {
            m_outputPath = candidate;
            return true;
        }
    }
    Fail(FileFailure::kCantCreate, m_outputPath);
    return false;
}

bool CFileConversion::CreateOutput() {
    // Whatever holds the name counts, readable or not: it is asked about and must be replaceable.
    bool exists = !IsFreeName(m_outputPath);
    if (exists && m_job.settings.promptBefore && !m_job.events.AskOverwrite(m_outputPath)) {
        m_declined = true;
        return false;
    }
    // The folders of a kept tree are made as their first file needs them.
    if ((exists && !CanReplace(m_outputPath)) || (m_mirrored && !MakeFolders(m_outputFolder.c_str())) ||
        !m_temp.Create(m_outputPath.c_str()) || !m_output.Open(m_temp.Path(), "wb")) {
        Fail(FileFailure::kCantCreate, m_outputPath);
        return false;
    }
    return true;
}

bool CFileConversion::WriteHeader(uint64_t dataBytes) {
    std::vector<uint8_t> header = BuildWavHeader(m_target, m_layout, dataBytes);
    return m_output.Seek(0) && m_output.Write(header.data(), header.size()) == header.size();
}

bool CFileConversion::CompleteOutput() {
    static const BYTE kPad = 0;
    if (WavPadBytes(m_layout, m_written) && m_output.Write(&kPad, 1) != 1) return false;
    if (NeedsRf64(m_layout, m_written) && !m_layout.sizeRoom && !MakeSizeRoom()) return false;
    return WriteHeader(m_written);
}

// Only an output past 4 GiB pays for this pass: every smaller one keeps its 44 bytes.
bool CFileConversion::MakeSizeRoom() {
    const uint32_t before = WavHeaderBytes(m_layout);
    // Written so far through a stream that cannot read.
    if (!m_output.Close() || !m_output.Open(m_temp.Path(), "r+b")) return false;
    m_layout.sizeRoom = true;
    return ShiftBytesUp(m_output, before, m_written, WavHeaderBytes(m_layout) - before);
}

bool CFileConversion::Open(int type) {
    if (!CanOpenShared(m_source)) {
        Fail(FileFailure::kCantOpenShared, m_source);
        return false;
    }
    if (!NameOutput()) return false;
    if (SamePath(m_outputPath.c_str(), m_source)) {
        Fail(FileFailure::kSameFolder, m_source);
        return false;
    }
    if (!AvoidOwnOutput() || !CreateOutput()) return false;
    // A Cancel confirmed while the overwrite question was up: this file is not started.
    if (m_batch.stopRequested) return false;
    FileFailure failure = FileFailure::kNotWav;
    m_reader = OpenSource(type, m_source, [this] { return !m_batch.stopRequested; }, failure);
    if (!m_reader) {
        // A stop while the file waited for a decoder is no failure of the file.
        if (!m_batch.stopRequested) Fail(failure, m_source);
        return false;
    }
    m_target = TargetFormat(m_job.settings, m_reader->Format());
    m_layout = ChooseWavLayout(m_target);
    if (!WriteHeader(0)) {
        Fail(FileFailure::kCantWrite, m_outputPath);
        return false;
    }
    return true;
}

// The dialog's labels and bar may follow this file now.
void CFileConversion::Announce() {
    BatchNames names;
    names.currentFileName = m_fileName;
    GetParentFolderName(m_outputPath.c_str(), names.outputFolderName);
    GetParentFolderName(m_source, names.sourceFolderName);
    m_job.tracker.Started(names);
}

int CFileConversion::Run(int type) {
    m_type = type;
    if (!Open(type)) return 0;
    CAcmStream stream;
    if (!stream.Open(m_reader->Format(), m_target)) {
        Fail(FileFailure::kNotPcm, m_source);
        return 0;
    }
    m_share = m_job.settings.volumeNormalize ? 80 : 100;
    Announce();
    // A stop that came before the first block leaves no empty file in an output's place.
    const bool started = !m_batch.stopRequested;
    if (started) CopyBlocks(stream);
    stream.Close();
    // A stop that came before anything was read is no read failure.
    const bool readFailed = m_reader->Failed() && !m_batch.stopRequested;
    m_reader.reset();
    // A full disk that another file met stops this one too: what it holds is not all of it.
    if (m_diskFull || !started || (m_cut && m_batch.diskFull)) return 0;
    return Finish(readFailed);
}

double CFileConversion::SecondsWritten() const {
    return m_target.nAvgBytesPerSec ? static_cast<double>(m_written) / m_target.nAvgBytesPerSec : 0.0;
}

FileReport CFileConversion::Report(bool converted) const {
    FileReport report;
    report.source = m_source;
    report.output = m_outputPath;
    report.converted = converted;
    report.cut = converted && m_cut;
    report.stopped = m_batch.stopRequested.load() != 0;
    report.seconds = converted ? SecondsWritten() : 0.0;
    report.failure = m_failure;
    report.declined = m_declined;
    report.diskFull = m_diskFull;
    return report;
}

bool CFileConversion::SafePoint() const {
    // A Cancel is confirmed while the thread is held: the stop is read after the hold.
    m_job.pause.WaitWhilePaused();
    return !m_batch.stopRequested;
}

// The header with the final sizes, the optional normalisation, and the commit.
int CFileConversion::Finish(bool readFailed) {
    // A source cut short by an error is no converted file: the output stays as it was.
    if (readFailed || m_convertFailed) {
        Fail(readFailed ? FileFailure::kCantReadToEnd : FileFailure::kConversionFailed, m_source);
        return 0;
    }
    bool finished = !m_writeFailed && CompleteOutput();
    finished = m_output.Close() && finished;
    if (!finished) {
        // The last buffered bytes go out only now: a disk that filled up here is the full disk.
        if (!m_writeFailed && MetTheFullDisk(kFullDiskSlack)) {
            StopForFullDisk();
            return 0;
        }
        Fail(FileFailure::kCantWrite, m_outputPath);
        return 0;
    }
    if (!m_batch.stopRequested && m_job.settings.volumeNormalize && !Normalize()) {
        Fail(FileFailure::kCantWrite, m_outputPath);
        return 0;
    }
    // Onto the temporary file, so the output never shows without its tags or with
    // half of them; tags that cannot be copied leave the file as it was.
    // After the pad byte an odd extensible data chunk already has: the tags start on an even offset.
    if (m_job.settings.copyTags)
        CopySourceTags(m_type, m_source, m_temp.Path(), m_written + WavPadBytes(m_layout, m_written));
    if (!m_temp.CommitAs(m_outputPath.c_str())) {
        Fail(FileFailure::kCantWrite, m_outputPath);
        return 0;
    }
    m_job.written.Add(m_outputPath.c_str());
    return 1;
}

// Reads, converts and writes block by block until the source is exhausted, a
// write fails or the batch is stopped.
void CFileConversion::CopyBlocks(CAcmStream& stream) {
    BYTE* input = stream.Input();
    DWORD leftover = 0;
    uint64_t consumed = 0;
    CFreeSpaceMonitor freeSpace(m_job.freeSpace, m_batch.outputFolder.c_str());
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

        m_job.tracker.Progress(m_reader->Percent(consumed, m_share), SecondsWritten());
        if (!SafePoint()) {
            m_cut = true;
            break;
        }
    }
}

// Writes one converted block; false ends the file (full disk, failed write).
bool CFileConversion::WriteBlock(CFreeSpaceMonitor& freeSpace, const BYTE* block, DWORD produced) {
    m_batch.freeBytes = freeSpace.FreeBytes();
    if (m_batch.freeBytes < kMinimumFreeBytes) {
        StopForFullDisk();
        return false;
    }
    if (m_output.Write(block, produced) != produced) {
        // A disk that ran out of room mid-block is the full disk, not just this file.
        if (MetTheFullDisk(produced))
            StopForFullDisk();
        else
            m_writeFailed = true;
        return false;
    }
    freeSpace.Wrote(produced);
    m_written += produced;
    if (m_job.settings.volumeNormalize) UpdatePeak(block, produced, m_target, m_peak);
    return true;
}

// After a failed write. Another file that met the full disk first has given its
// room back by deleting its temporary file: the flag it set before that counts too.
bool CFileConversion::MetTheFullDisk(uint64_t needed) {
    const uint64_t free = m_job.freeSpace(m_batch.outputFolder.c_str());
    m_batch.freeBytes = free;
    return (free != kFreeSpaceUnknown && free < needed) || m_batch.diskFull;
}

void CFileConversion::StopForFullDisk() {
    // Several files may meet the full disk together: it is told once.
    if (m_batch.diskFull.exchange(1) == 0) m_job.events.DiskFull();
    m_batch.stopRequested = 1;
    m_diskFull = true;
}

bool CFileConversion::Normalize() {
    const CPauseGate& pause = m_job.pause;
    IFileTracker& tracker = m_job.tracker;
    // Pause holds the pass between blocks; a stop lets it finish, so no file is left part scaled.
    const double seconds = SecondsWritten();
    NormalizeResult result = NormalizeFile(m_temp.Path(), m_target, m_peak, m_job.settings.normalizeValue, m_written,
                                           m_share, [&pause, &tracker, seconds](uint32_t percent) {
                                               tracker.Progress(percent, seconds);
                                               pause.WaitWhilePaused();
                                           });
    return result != NormalizeResult::kFailed;
}
