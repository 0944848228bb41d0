// Drives the real Wavory.exe from a test: starts it, finds its windows by
// control ids, reads labels, clicks buttons and answers its message boxes.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/Handles.h"

// Polls the condition every 20 ms until it holds (true) or the time is up (false).
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = 10000);

// Ids of the running Wavory.exe processes.
std::vector<DWORD> WavoryProcesses();
// Ends every Wavory.exe still running, so one test's program never meets the next test.
void EndStrayPrograms();

// A visible dialog of a Wavory process started by someone else (COM, the shell)
// that has the control; processes in skip are passed over.
HWND FindForeignDialog(int controlId, const std::vector<DWORD>& skip = {}, DWORD timeoutMs = 15000);
DWORD ProcessOf(HWND window);
// Types into an open-file dialog's name box and presses Open.
void TypeFileNameAndOpen(HWND fileDialog, const std::string& text);
// Opens folder in the open-file dialog and waits until the dialog shows it and
// lists at least items entries of it.
bool OpenFolderInFileDialog(HWND fileDialog, const std::string& folder, int items);

class ProgramDriver {
public:
    ProgramDriver() = default;
    ~ProgramDriver();
    // Starts ..\app\Wavory.exe (from the results folder), or the given copy
    // of it, with the command line.
    bool Start(const std::string& arguments, const std::string& program = "");
    // The folder of the program under test.
    static std::string ProgramFolder();
    // Waits for the process to end; its exit code through code.
    bool WaitExit(DWORD timeoutMs, DWORD* code = nullptr);
    bool IsRunning() const;

    // A visible dialog-class window of the program that has a control with this id.
    HWND FindDialog(int controlId, DWORD timeoutMs = 10000) const;
    // A visible message box of the program whose text contains part.
    HWND FindMessageBox(const std::string& part, DWORD timeoutMs = 10000) const;
    // Every visible message box of the program now.
    std::vector<HWND> MessageBoxes() const;

    static std::string Text(HWND window);
    static std::string ItemText(HWND dialog, int id) { return Text(GetDlgItem(dialog, id)); }
    static std::string BoxText(HWND box) { return ItemText(box, 0xFFFF); }
    static std::string Caption(HWND window) { return Text(window); }
    static int Position(HWND dialog, int progressId);
    // Clicks by posting the command, as a click does; works on a disabled owner too.
    static void Click(HWND dialog, int id);
    // Waits until the control's text is expected.
    static bool WaitText(HWND dialog, int id, const std::string& expected, DWORD timeoutMs = 10000);
    // Saves the window as it is on screen into a BMP file.
    static bool Screenshot(HWND window, const std::string& path);

    DWORD ProcessId() const { return m_pid; }

private:
    std::vector<HWND> Windows() const;
    CHandle m_process;
    DWORD m_pid = 0;
};
