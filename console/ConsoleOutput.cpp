#include "ConsoleOutput.h"

namespace {
bool IsWide(wchar_t c) {
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) || (c >= 0xAC00 && c <= 0xD7A3) ||
           (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
           (c >= 0xFFE0 && c <= 0xFFE6);
}
bool IsLowSurrogate(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }
size_t CellsOf(wchar_t c) { return IsLowSurrogate(c) ? 0 : (IsWide(c) || (c >= 0xD800 && c <= 0xDBFF)) ? 2 : 1; }
}  // namespace

size_t Cells(const std::wstring& text) {
    size_t cells = 0;
    for (wchar_t c : text) cells += CellsOf(c);
    return cells;
}

std::wstring KeepStart(const std::wstring& text, size_t cells) {
    size_t used = 0, i = 0;
    for (; i < text.size(); ++i) {
        size_t need = CellsOf(text[i]);
        if (used + need > cells) break;
        used += need;
    }
    while (i > 0 && i < text.size() && IsLowSurrogate(text[i])) --i;  // a pair goes whole or not at all
    return text.substr(0, i);
}

std::wstring KeepEnd(const std::wstring& text, size_t cells) {
    size_t used = 0, i = text.size();
    while (i > 0) {
        size_t need = CellsOf(text[i - 1]) + (IsLowSurrogate(text[i - 1]) && i > 1 ? CellsOf(text[i - 2]) : 0);
        if (used + need > cells) break;
        used += need;
        i -= IsLowSurrogate(text[i - 1]) && i > 1 ? 2 : 1;
    }
    return text.substr(i);
}

CConsoleStream::CConsoleStream(DWORD which) : m_handle(GetStdHandle(which)) {
    DWORD mode = 0;
    m_console = m_handle && m_handle != INVALID_HANDLE_VALUE && GetConsoleMode(m_handle, &mode);
}

size_t CConsoleStream::Columns() const {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (!m_console || !GetConsoleScreenBufferInfo(m_handle, &info)) return 0;
    return static_cast<size_t>(info.srWindow.Right - info.srWindow.Left + 1);
}

void CConsoleStream::Write(const std::wstring& text) const {
    if (!m_handle || m_handle == INVALID_HANDLE_VALUE || text.empty()) return;
    DWORD done = 0;
    if (m_console) {
        WriteConsoleW(m_handle, text.data(), static_cast<DWORD>(text.size()), &done, nullptr);
        return;
    }
    std::string bytes = Narrow(text);
    WriteFile(m_handle, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr);
}

void CConsoleOutput::ClearLocked() {
    if (!m_progressWidth) return;
    m_err.Write(L"\r" + std::wstring(m_progressWidth, L' ') + L"\r");
    m_progressWidth = 0;
}

void CConsoleOutput::Out(const std::wstring& line) {
    std::lock_guard<std::mutex> hold(m_lock);
    // Standard output may share the screen with the progress line.
    if (m_out.IsConsole()) ClearLocked();
    m_out.Write(line + L"\n");
}

void CConsoleOutput::Err(const std::wstring& line) {
    std::lock_guard<std::mutex> hold(m_lock);
    ClearLocked();
    m_err.Write(line + L"\n");
}

void CConsoleOutput::Progress(const std::wstring& line) {
    std::lock_guard<std::mutex> hold(m_lock);
    if (!m_err.IsConsole()) {
        m_err.Write(line + L"\n");
        return;
    }
    // A shorter line covers what the longer one left.
    std::wstring text = L"\r" + line;
    size_t cells = Cells(line);
    if (cells < m_progressWidth) text += std::wstring(m_progressWidth - cells, L' ');
    m_err.Write(text);
    m_progressWidth = cells;
}

void CConsoleOutput::ClearProgress() {
    std::lock_guard<std::mutex> hold(m_lock);
    ClearLocked();
}
