// How both menus hand a command to the program beside the extension.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace shellext {

// Writes the names into a list of their own (FileListWriter) and starts
// "Wavory.exe -i "<list>""; E_FAIL when either step fails.
HRESULT StartConversion(const std::vector<std::string>& names);
// Starts "Wavory.exe -o"; E_FAIL when it cannot be started.
HRESULT StartOptions();

}  // namespace shellext
