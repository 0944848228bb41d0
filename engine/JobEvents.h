// How a batch tells its front end what a person must see or answer. The engine
// builds no message text and knows no window: the dialog shows boxes for these,
// a console prints lines, a test records them. Called on the decode thread.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

// Why a file was not converted; the path names the source, or the output where
// the output is what failed.
enum class FileFailure {
    kCantOpenShared,     // source: cannot be opened, maybe held by another program
    kSameFolder,         // source: the output would be the source itself
    kCantCreate,         // output: cannot be created (or its path is too long)
    kCantOpenWav,        // source
    kNotWav,             // source
    kNotMp3,             // source
    kNotWma,             // source: not WMA, or protected
    kWmaHeadError,       // source: no sound format in its header
    kWmaInitFailed,      // source: COM could not be started for the Windows Media runtime
    kWmaRuntimeMissing,  // source: the Windows Media runtime is not on this Windows
    kNotPcm,             // source: no converter takes its format (or the target's)
    kCantReadToEnd,      // source: a read failed midway, or it declares sound and holds none
    kConversionFailed,   // source: the converter failed midway
    kCantWrite,          // output: writing, finishing or putting it in place failed
};

// How one file the batch took up ended, whatever the way.
struct FileReport {
    std::string source;
    std::string output;       // empty when no output name could be made
    bool converted = false;   // counts as converted (a file cut short by a stop too)
    bool cut = false;         // a stop ended its copy: the output holds what was converted until then
    bool stopped = false;     // the batch was stopping when the file ended
    double seconds = 0;       // of sound written to the output
    // Why it was not converted, as told by FileFailed; files of a batch end
    // side by side, so the reason travels with the report.
    std::optional<FileFailure> failure;
    bool declined = false;    // an existing output was kept, as the answer asked
    bool diskFull = false;    // this file met the full disk
};

class IJobEvents {
public:
    // Whether the existing output may be replaced.
    virtual bool AskOverwrite(const std::string& outputPath) = 0;
    virtual void FileFailed(FileFailure kind, const std::string& path) = 0;
    // The output drive is full: the batch stops after this.
    virtual void DiskFull() = 0;
    // A drive root that holds the output folder is not walked (told while counting).
    virtual void DriveRootRefused(const std::string& root, const std::string& outputFolder) = 0;
    // After each step of the copy (the last, flushing one aside) and each block
    // of the normalisation pass: how far the current file has come, and how
    // many seconds of sound are written (the batch record's counters say the
    // same; a front end that redraws on every step need not poll them).
    virtual void FileProgress(uint32_t filePercent, double secondsWritten) = 0;
    // After every file the batch took up, its failure (if any) told first.
    virtual void FileEnded(const FileReport& report) = 0;
    virtual void GatheringDone() = 0;
    virtual void ConversionDone() = 0;
    // The last call of every batch, however it ended.
    virtual void BatchEnded() = 0;

protected:
    ~IJobEvents() = default;
};
