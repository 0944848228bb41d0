#include "ConsoleEvents.h"

#include "ConsoleTexts.h"

void CConsoleEvents::Error(const std::wstring& name, const std::wstring& reason) {
    m_output.Err(std::wstring(cmdmsg::kProgram) + L": " + name + L": " + reason);
}

bool CConsoleEvents::AskOverwrite(const std::string& outputPath) {
    if (m_mode.overwrite) return true;
    if (!m_mode.quiet) Error(Widen(outputPath), cmdmsg::kSkippedExists);
    return false;
}

void CConsoleEvents::FileFailed(FileFailure kind, const std::string& path) { Error(Widen(path), cmdmsg::Reason(kind)); }

void CConsoleEvents::DiskFull() {
    m_output.Err(std::wstring(cmdmsg::kProgram) + L": " + cmdmsg::kDiskFull);
    std::lock_guard<std::mutex> hold(m_lock);
    m_summary.diskFull = true;
}

void CConsoleEvents::DriveRootRefused(const std::string& root, const std::string& outputFolder) {
    SourceFailed(Widen(root), cmdmsg::DriveRoot(Widen(outputFolder)));
}

void CConsoleEvents::FileProgress(uint32_t, double secondsWritten) { m_fileSeconds = secondsWritten; }

void CConsoleEvents::FileEnded(const FileReport& report) {
    FileResult result;
    result.source = Widen(report.source);
    result.output = Widen(report.output);
    result.seconds = report.seconds;
    const wchar_t* failure = report.failure ? cmdmsg::Reason(*report.failure)
                             : report.diskFull ? cmdmsg::kDiskFull
                                               : nullptr;
    if (report.converted)
        result.status = report.cut ? FileStatus::kCut : FileStatus::kConverted;
    else if (report.declined)
        result.status = FileStatus::kSkipped;
    else if (failure)
        result.status = FileStatus::kFailed;
    else
        result.status = report.stopped ? FileStatus::kStopped : FileStatus::kFailed;
    if (result.status == FileStatus::kFailed) result.reason = failure ? failure : cmdmsg::kNotConverted;
    // An output is named only where there is one: converted, or kept as it was.
    if (result.status == FileStatus::kFailed || result.status == FileStatus::kStopped) result.output.clear();
    // The file's part leaves the current figure before it joins the done one:
    // the progress line may read both at any moment, and never counts it twice.
    m_fileSeconds = 0;
    m_doneSeconds = m_doneSeconds.load() + report.seconds;
    Tell(result);
}

void CConsoleEvents::SourceFailed(const std::wstring& source, const std::wstring& reason) {
    Error(source, reason);
    FileResult result;
    result.source = source;
    result.reason = reason;
    Tell(result);
}

void CConsoleEvents::Tell(const FileResult& result) {
    {
        std::lock_guard<std::mutex> hold(m_lock);
        m_summary.Add(result);
    }
    if (m_mode.json)
        m_output.Out(FileJson(result));
    else if (!m_mode.quiet && (result.status == FileStatus::kConverted || result.status == FileStatus::kCut))
        m_output.Out(result.source + L" -> " + result.output);
}

CmdSummary CConsoleEvents::Summary() const {
    std::lock_guard<std::mutex> hold(m_lock);
    return m_summary;
}
