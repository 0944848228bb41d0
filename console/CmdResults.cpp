#include "CmdResults.h"

#include <cstdio>
#include <cwchar>

#include "ConsoleOutput.h"

void CmdSummary::Add(const FileResult& result) {
    switch (result.status) {
    case FileStatus::kCut: ++cut; [[fallthrough]];
    case FileStatus::kConverted: ++converted; break;
    case FileStatus::kFailed: ++failed; break;
    case FileStatus::kSkipped: ++skipped; break;
    case FileStatus::kStopped: break;
    }
    soundSeconds += result.seconds;
}

int ExitCode(const CmdSummary& summary) {
    if (summary.diskFull) return exitcode::kDiskFull;
    if (summary.cancelled) return exitcode::kCancelled;
    if (summary.failed || summary.skipped || !summary.converted) return exitcode::kSomeNotConverted;
    return exitcode::kAllConverted;
}

std::wstring Duration(double seconds) {
    long total = seconds > 0 ? static_cast<long>(seconds + 0.5) : 0;
    wchar_t text[32];
    if (total >= 3600)
        swprintf(text, 32, L"%ld:%02ld:%02ld", total / 3600, total / 60 % 60, total % 60);
    else
        swprintf(text, 32, L"%ld:%02ld", total / 60, total % 60);
    return text;
}

namespace {
std::wstring Speed(double sound, double elapsed) {
    if (elapsed <= 0 || sound <= 0) return std::wstring();
    wchar_t text[32];
    swprintf(text, 32, L"%.1fx", sound / elapsed);
    return text;
}
}  // namespace

std::wstring ProgressLine(const ProgressFigures& f, size_t width) {
    wchar_t text[64];
    swprintf(text, 64, L"%u/%u ", f.fileNumber, f.fileCount);
    const std::wstring head = text;
    swprintf(text, 64, L" %u%%  total %u%%", f.filePercent, f.totalPercent);
    const std::wstring tail = text;
    std::wstring extras, speed = Speed(f.soundSeconds, f.elapsedSeconds);
    if (!speed.empty()) extras += L"  " + speed;
    // The time left follows from the share done so far, once there is one.
    if (f.totalPercent > 0 && f.totalPercent < 100)
        extras += L"  " + Duration(f.elapsedSeconds * (100 - f.totalPercent) / f.totalPercent) + L" left";
    std::wstring name = f.fileName;
    if (width) {
        // A narrow screen loses the speed and time first, then the name's start.
        if (Cells(head + tail + extras) + 4 > width) extras.clear();
        size_t fixed = Cells(head + tail + extras);
        if (fixed + Cells(name) > width) name = width > fixed + 3 ? L"..." + KeepEnd(name, width - fixed - 3) : L"";
    }
    std::wstring line = head + name + tail + extras;
    return width ? KeepStart(line, width) : line;
}

std::wstring SummaryLine(const CmdSummary& s) {
    wchar_t text[256];
    swprintf(text, 256, L"%u converted, %u failed, %u skipped", s.converted, s.failed, s.skipped);
    std::wstring line = text;
    if (s.cut) line += L" (1 cut short by the stop)";
    wchar_t elapsed[32];
    swprintf(elapsed, 32, L"%.1f s", s.elapsedSeconds);
    line += L"; " + Duration(s.soundSeconds) + L" of sound in " + (s.elapsedSeconds < 60 ? elapsed : Duration(s.elapsedSeconds));
    std::wstring speed = Speed(s.soundSeconds, s.elapsedSeconds);
    if (!speed.empty()) line += L" (" + speed + L" real time)";
    if (s.diskFull) line += L"; stopped: the output disk is full";
    else if (s.cancelled) line += L"; cancelled";
    return line;
}

std::wstring JsonString(const std::wstring& text) {
    std::wstring out = L"\"";
    for (wchar_t c : text) {
        if (c == L'"' || c == L'\\') {
            out += L'\\';
            out += c;
        } else if (c < 0x20) {
            wchar_t escape[8];
            swprintf(escape, 8, L"\\u%04x", static_cast<unsigned>(c));
            out += escape;
        } else {
            out += c;
        }
    }
    return out + L"\"";
}

namespace {
const wchar_t* StatusName(FileStatus status) {
    switch (status) {
    case FileStatus::kConverted: return L"converted";
    case FileStatus::kCut: return L"cut";
    case FileStatus::kFailed: return L"failed";
    case FileStatus::kSkipped: return L"skipped";
    case FileStatus::kStopped: return L"stopped";
    }
    return L"failed";
}

std::wstring Seconds(double value) {
    wchar_t text[32];
    swprintf(text, 32, L"%.3f", value);
    return text;
}

std::wstring Bool(bool value) { return value ? L"true" : L"false"; }
}  // namespace

std::wstring FileJson(const FileResult& r) {
    std::wstring json = L"{\"source\":" + JsonString(r.source) + L",\"output\":" + JsonString(r.output) +
                        L",\"status\":\"" + StatusName(r.status) + L"\"";
    if (!r.reason.empty()) json += L",\"reason\":" + JsonString(r.reason);
    return json + L",\"seconds\":" + Seconds(r.seconds) + L"}";
}

std::wstring SummaryJson(const CmdSummary& s) {
    return L"{\"summary\":{\"converted\":" + std::to_wstring(s.converted) + L",\"cut\":" + std::to_wstring(s.cut) +
           L",\"failed\":" + std::to_wstring(s.failed) + L",\"skipped\":" + std::to_wstring(s.skipped) +
           L",\"cancelled\":" + Bool(s.cancelled) + L",\"diskFull\":" + Bool(s.diskFull) +
           L",\"seconds\":" + Seconds(s.soundSeconds) + L",\"elapsed\":" + Seconds(s.elapsedSeconds) +
           L",\"exitCode\":" + std::to_wstring(ExitCode(s)) + L"}}";
}
