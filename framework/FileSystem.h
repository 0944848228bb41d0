// The file system by UTF-8 paths of any length: each call converts the path to
// UTF-16 and calls the wide function, with the "\\?\" form where a path
// passes MAX_PATH (Windows 7 and 8 know no other way past it).
#pragma once
#include <windows.h>
#include <cstdint>
#include <string>

#include "Handles.h"

namespace fs {

// The path as the wide functions take it.
std::wstring SystemPath(const std::string& path);

HANDLE Open(const std::string& path, DWORD access, DWORD share, DWORD disposition,
            DWORD flags = FILE_ATTRIBUTE_NORMAL);
DWORD Attributes(const std::string& path);  // INVALID_FILE_ATTRIBUTES when absent
bool IsFolder(const std::string& path);
bool SetAttributes(const std::string& path, DWORD attributes);
bool Delete(const std::string& path);
bool Move(const std::string& from, const std::string& to, DWORD flags);
bool MakeFolder(const std::string& path);
bool FreeSpace(const std::string& folder, uint64_t& available);
UINT DriveType(const std::string& root);
// The user's temporary folder, ending in a backslash.
std::string TempFolder();
std::string ModulePath(HMODULE module);
// What names one file or folder, however its path is spelled (case, trailing
// backslash, 8.3 name, a second mapping of the same share).
struct FileIdentity {
    DWORD volume = 0;
    DWORD indexHigh = 0;
    DWORD indexLow = 0;
    bool operator==(const FileIdentity& o) const {
        return volume == o.volume && indexHigh == o.indexHigh && indexLow == o.indexLow;
    }
};
// False when the path cannot be opened.
bool Identify(const std::string& path, FileIdentity& identity);

// The entries of a folder that match a pattern ("*", "wvy*.tmp"), names in UTF-8.
class CListing {
public:
    bool Open(const std::string& folder, const char* pattern);
    bool Next();
    std::string Name() const;
    const WIN32_FIND_DATAW& Data() const { return m_found; }
    bool IsFolder() const { return (m_found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }

private:
    CFindHandle m_find;
    WIN32_FIND_DATAW m_found{};
};

}  // namespace fs
