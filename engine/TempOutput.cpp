#include "TempOutput.h"

#include <cctype>
#include <cstring>
#include <string>

#include "../framework/Handles.h"
#include "PathRules.h"

namespace {
const char kPrefix[] = "wvy";  // GetTempFileName takes three characters

uint64_t FileTimeValue(const FILETIME& t) { return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime; }
}  // namespace

CTempOutput::~CTempOutput() {
    if (m_path[0]) DeleteFileA(m_path);
}

bool CTempOutput::Create(const char* outputPath) {
    char folder[MAX_PATH] = {};
    const char* name = FileNamePart(outputPath);
    memcpy(folder, outputPath, static_cast<size_t>(name - outputPath));
    if (!folder[0]) strcpy(folder, ".");
    return GetTempFileNameA(folder, kPrefix, 0, m_path) != 0;
}

bool CTempOutput::CommitAs(const char* outputPath) {
    {
        // Best effort: some redirectors cannot flush, and a scanner may hold the file a moment.
        CFileHandle file(CreateFileA(m_path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file.IsValid()) FlushFileBuffers(file);
    }
    if (!MoveFileExA(m_path, outputPath, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return false;
    m_path[0] = '\0';
    return true;
}

bool IsTempOutputName(const char* name) {
    size_t length = strlen(name);
    const size_t prefix = sizeof(kPrefix) - 1, suffix = 4;
    if (length < prefix + 1 + suffix || length > prefix + 4 + suffix) return false;
    if (_strnicmp(name, kPrefix, prefix) != 0 || _stricmp(name + length - suffix, ".tmp") != 0) return false;
    for (size_t i = prefix; i < length - suffix; ++i)
        if (!isxdigit(static_cast<unsigned char>(name[i]))) return false;
    return true;
}

int SweepStaleTempOutputs(const char* folder, uint64_t maxAgeMs) {
    PathBuffer pattern;
    if (!JoinPath(folder, (std::string(kPrefix) + "*.tmp").c_str(), pattern)) return 0;
    WIN32_FIND_DATAA found;
    CFindHandle listing(FindFirstFileA(pattern, &found));
    if (!listing.IsValid()) return 0;
    FILETIME nowTime;
    GetSystemTimeAsFileTime(&nowTime);
    const uint64_t now = FileTimeValue(nowTime), maxAge = maxAgeMs * 10000;  // in 100 ns
    int removed = 0;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY || !IsTempOutputName(found.cFileName)) continue;
        uint64_t written = FileTimeValue(found.ftLastWriteTime);
        if (written > now || now - written < maxAge) continue;
        PathBuffer path;
        if (JoinPath(folder, found.cFileName, path) && DeleteFileA(path)) ++removed;
    } while (FindNextFileA(listing, &found));
    return removed;
}
