// WavoryCmd's listener of a batch: failures and skips as lines on standard
// error, each file's result (as a line or as JSON) on standard output, and the
// figures the progress line is drawn from. Called on the batch's threads, one call at a time.
#pragma once
#include <atomic>
#include <mutex>
#include <string>

#include "../engine/JobEvents.h"
#include "CmdResults.h"
#include "ConsoleOutput.h"

struct ConsoleMode {
    bool overwrite = false;
    bool quiet = false;
    bool json = false;
};

class CConsoleEvents : public IJobEvents {
public:
    CConsoleEvents(CConsoleOutput& output, const ConsoleMode& mode) : m_output(output), m_mode(mode) {}

    bool AskOverwrite(const std::string& outputPath) override;
    void FileFailed(FileFailure kind, const std::string& path) override;
    void DiskFull() override;
    void DriveRootRefused(const std::string& root, const std::string& outputFolder) override;
    void FileProgress(uint32_t filePercent, double secondsWritten) override;
    void FileEnded(const FileReport& report) override;
    void GatheringDone() override {}
    void ConversionDone() override {}
    void BatchEnded() override {}

    // A failure found before any batch ran (a source that is not there).
    void SourceFailed(const std::wstring& source, const std::wstring& reason);
    // Sound written so far, the current file's part included.
    double SoundSeconds() const { return m_doneSeconds.load() + m_fileSeconds.load(); }
    CmdSummary Summary() const;

private:
    void Error(const std::wstring& name, const std::wstring& reason);
    void Tell(const FileResult& result);

    CConsoleOutput& m_output;
    const ConsoleMode m_mode;
    mutable std::mutex m_lock;
    CmdSummary m_summary;
    std::atomic<double> m_doneSeconds{0};
    std::atomic<double> m_fileSeconds{0};
};
