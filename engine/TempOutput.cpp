#include "TempOutput.h"

#include <cctype>
#include <cstring>
#include <string>

#include "../framework/FileSystem.h"
#include "PathRules.h"

namespace {
const char kPrefix[] = "wvy";

uint64_t FileTimeValue(const FILETIME& t) { return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime; }
}  // namespace

CTempOutput::~CTempOutput() {
    if (!m_path.empty()) fs::Delete(m_path);
}

// As GetTempFileName names them ("wvy" and up to four hex digits), but in a
// folder of any path length: that function stops at MAX_PATH.
bool CTempOutput::Create(const char* outputPath) {
    std::string folder(outputPath, FileNamePart(outputPath));
    if (folder.empty()) folder = ".\\";
    const unsigned start = GetTickCount() & 0xFFFF;
    for (unsigned n = 0; n < 0x10000; ++n) {
        const unsigned number = (start + n) & 0xFFFF;
        if (number == 0) continue;
        char name[16];
        snprintf(name, sizeof(name), "%s%X.tmp", kPrefix, number);
        std::string path = folder + name;
        CFileHandle file(fs::Open(path, GENERIC_WRITE, 0, CREATE_NEW));
        if (file.IsValid()) {
            m_path = path;
            return true;
        }
        DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS && error != ERROR_ACCESS_DENIED) return false;
    }
    return false;
}

bool CTempOutput::CommitAs(const char* outputPath) {
    {
        // Best effort: some redirectors cannot flush, and a scanner may hold the file a moment.
        CFileHandle file(fs::Open(m_path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  OPEN_EXISTING));
        if (file.IsValid()) FlushFileBuffers(file);
    }
    if (!fs::Move(m_path, outputPath, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return false;
    m_path.clear();
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
    fs::CListing listing;
    if (!listing.Open(folder, (std::string(kPrefix) + "*.tmp").c_str())) return 0;
    FILETIME nowTime;
    GetSystemTimeAsFileTime(&nowTime);
    const uint64_t now = FileTimeValue(nowTime), maxAge = maxAgeMs * 10000;  // in 100 ns
    int removed = 0;
    do {
        const std::string name = listing.Name();
        if (listing.IsFolder() || !IsTempOutputName(name.c_str())) continue;
        uint64_t written = FileTimeValue(listing.Data().ftLastWriteTime);
        if (written > now || now - written < maxAge) continue;
        std::string path;
        if (JoinPath(folder, name.c_str(), path) && fs::Delete(path)) ++removed;
    } while (listing.Next());
    return removed;
}
