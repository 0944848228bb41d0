// Standard output and error as a person or a script reads them: the wide
// console API on a console, so every name shows, and UTF-8 when redirected.
// Standard error carries one progress line, redrawn in place on a console;
// every other line first clears it. Safe from any thread.
#pragma once
#include <windows.h>

#include <mutex>
#include <string>

#include "../framework/Unicode.h"


// Screen cells text takes in a console: two for East Asian wide characters
// and for characters beyond the basic plane (a surrogate pair), else one.
size_t Cells(const std::wstring& text);
// The start or the end of text within cells, never splitting a surrogate pair.
std::wstring KeepStart(const std::wstring& text, size_t cells);
std::wstring KeepEnd(const std::wstring& text, size_t cells);

class CConsoleStream {
public:
    explicit CConsoleStream(DWORD which);
    bool IsConsole() const { return m_console; }
    // The screen's width in characters; 0 when not a console.
    size_t Columns() const;
    void Write(const std::wstring& text) const;

private:
    HANDLE m_handle;
    bool m_console;
};

class CConsoleOutput {
public:
    CConsoleOutput() : m_out(STD_OUTPUT_HANDLE), m_err(STD_ERROR_HANDLE) {}
    void Out(const std::wstring& line);
    void Err(const std::wstring& line);
    // Redraws the progress line on a console; writes it as a line of its own when redirected.
    void Progress(const std::wstring& line);
    void ClearProgress();
    bool ProgressInPlace() const { return m_err.IsConsole(); }
    // How long a progress line may be: one less than the screen, so it never wraps.
    size_t ProgressWidth() const { return m_err.Columns() > 1 ? m_err.Columns() - 1 : 0; }

private:
    void ClearLocked();
    CConsoleStream m_out;
    CConsoleStream m_err;
    std::mutex m_lock;
    size_t m_progressWidth = 0;  // characters of the progress line on screen
};
