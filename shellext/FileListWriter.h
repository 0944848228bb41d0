// The list file through which "Convert to WAV" hands a selection to the program:
// UTF-8 after a byte-order mark, CR LF line ends; flag 0, the extension's folder,
// the count, then one path a line. Each command writes a list of its own.
#pragma once
#include <string>
#include <vector>

namespace shellext {

// The whole list as it goes to disk; empty names are left out of it and of the count.
std::string FileListText(const std::string& extensionFolder, const std::vector<std::string>& names);

// Writes text to a new hidden file "filelist-<unique>.flt" in folder (which ends
// in a backslash) and returns its path; empty when no list could be written.
std::string WriteNewFileList(const std::string& folder, const std::string& text);

}  // namespace shellext
