// The open-file dialog that picks a batch's sources.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

constexpr size_t kSelectionBufferSize = 4096;  // characters
constexpr size_t kSelectionOverrunRoom = 65536;  // characters a faulty dialog may write past them

enum class SelectionResult { kSelected, kCancelled, kTooMany };

// Splits the dialog's result (one full path, or a folder and names, zero-
// separated, ending in a double zero) into full paths. False when no double
// zero lies inside the buffer: the platform cut a selection that did not fit.
// Paths come out in UTF-8.
bool ParseSelection(const wchar_t* buffer, size_t size, std::vector<std::string>& paths);

// Shows the dialog; paths longer than the file functions take are left out and reported in tooLong.
SelectionResult ChooseSourceFiles(HWND owner, std::vector<std::string>& paths, std::vector<std::string>& tooLong);
