// Where a batch's WAV files go: the policy that the "OutputTo" setting chooses
// (the folder of a path and the CD/DVD check are path rules of the engine).
#pragma once
#include <windows.h>

#include <string>

#include "../engine/PathRules.h"

enum class FolderPolicyResult { kFolder, kNoFolder };

// Fills folder by the "OutputTo" setting from the first source; the folder
// browser (OutputTo 1) is owned by owner. kNoFolder when the browser was
// cancelled, or the fixed folder is empty.
// Other values of OutputTo leave the folder empty and count as a folder.
FolderPolicyResult ApplyOutputFolderPolicy(HWND owner, const char* firstSource, std::string& folder);

// The folder browser of OutputTo 1; false when cancelled or no file-system folder was picked.
bool BrowseForOutputFolder(HWND owner, std::string& folder);
