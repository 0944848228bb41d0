#include "ConsoleOutput.h"

std::wstring Widen(const std::string& ansi) {
    if (ansi.empty()) return std::wstring();
    int n = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
    std::wstring wide(n, L'\0');
    MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), &wide[0], n);
    return wide;
}

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return std::string();
    int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &bytes[0], n, nullptr, nullptr);
    return bytes;
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
    std::string bytes = Utf8(text);
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
    if (line.size() < m_progressWidth) text += std::wstring(m_progressWidth - line.size(), L' ');
    m_err.Write(text);
    m_progressWidth = line.size();
}

void CConsoleOutput::ClearProgress() {
    std::lock_guard<std::mutex> hold(m_lock);
    ClearLocked();
}
