// What a run of WavoryCmd did, file by file and in sum, and how it is told:
// the progress line, the summary, JSON for scripts and the exit code.
#pragma once
#include <cstdint>
#include <string>

enum class FileStatus {
    kConverted,
    kCut,      // a stop came during the file: its output holds what was converted until then
    kFailed,
    kSkipped,  // its output existed and was kept
    kStopped,  // the batch stopped before the file was converted
};

struct FileResult {
    std::wstring source;
    std::wstring output;  // empty when the file failed or was not started
    FileStatus status = FileStatus::kFailed;
    std::wstring reason;  // for failures
    double seconds = 0;   // of sound written
};

struct CmdSummary {
    uint32_t converted = 0;  // the cut file among them
    uint32_t cut = 0;
    uint32_t failed = 0;
    uint32_t skipped = 0;
    bool cancelled = false;
    bool diskFull = false;
    double soundSeconds = 0;
    double elapsedSeconds = 0;

    void Add(const FileResult& result);
};

namespace exitcode {
inline constexpr int kAllConverted = 0;
inline constexpr int kSomeNotConverted = 1;
inline constexpr int kUsage = 2;
inline constexpr int kCancelled = 3;
inline constexpr int kDiskFull = 4;
}  // namespace exitcode

int ExitCode(const CmdSummary& summary);

// What the progress line shows at a moment.
struct ProgressFigures {
    std::wstring fileName;
    uint32_t fileNumber = 0;  // 1-based, within the files counted so far
    uint32_t fileCount = 0;
    uint32_t filePercent = 0;
    uint32_t totalPercent = 0;
    double soundSeconds = 0;  // written so far in the whole run
    double elapsedSeconds = 0;
};

// 0:07, 12:34, 1:02:03.
std::wstring Duration(double seconds);
// "3/10 name.mp3 45%  total 27%  12.5x  0:42 left", the name cut to fit width characters.
std::wstring ProgressLine(const ProgressFigures& figures, size_t width);
std::wstring SummaryLine(const CmdSummary& summary);

// A JSON string, quoted and escaped (written out as UTF-8 like every line).
std::wstring JsonString(const std::wstring& text);
// One line each: {"source":..,"output":..,"status":..,"reason":..,"seconds":..}
// and {"summary":{..,"exitCode":N}}.
std::wstring FileJson(const FileResult& result);
std::wstring SummaryJson(const CmdSummary& summary);
