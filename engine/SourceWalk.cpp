// The enumeration of a batch: the list of sources, and the recursive walk of
// each folder in it, run once counting and once converting.
#include <cstring>

#include "../framework/Handles.h"
#include "DecodeThread.h"
#include "PathRules.h"

namespace {
bool IsDriveRoot(const char* entry) { return strlen(entry) == 3; }

// Junctions and links are never followed: one that points at an ancestor
// would make the walk recurse for ever.
bool IsWalkableFolder(const WIN32_FIND_DATAA& found) {
    return !(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

bool IsSkippedFolderName(const char* name) { return name[0] == '.' || lstrcmpiA(name, "PAGEFILE.SYS") == 0; }

}  // namespace

void CDecodeThread::ConvertEntry(int type, const char* path) {
    BatchState& batch = m_batch;
    if (ConvertFile(type, path) == 1) ++batch.convertedCount;
    ++batch.processedCount;
}

void CDecodeThread::RunSources(int convert) {
    BatchState& batch = m_batch;
    for (int32_t i = 0; i < batch.sourceCount && SafePoint(); ++i) {
        const char* entry = batch.sourcePaths[i];
        DWORD attributes = GetFileAttributesA(entry);
        bool isFolder = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
        if (isFolder) {
            if (IsDriveRoot(entry) && entry[0] == batch.outputFolder[0]) {
                if (!convert) m_events.DriveRootRefused(entry, batch.outputFolder);
                continue;
            }
            if (SameFolder(entry, batch.outputFolder)) continue;
            if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;
            m_selectedFolder = entry;
            WalkFolder(entry, convert);
            m_selectedFolder.clear();
            continue;
        }
        int type = GetFileType(entry);
        if (type == kNotConvertible) continue;
        if (convert)
            ConvertEntry(type, entry);
        else
            ++batch.totalCount;
    }
}

// Lists the folder by its full path: the process's current directory is never
// changed (another part of the program, or a second batch, may rely on it).
int CDecodeThread::WalkFolder(const char* folder, int convert) {
    BatchState& batch = m_batch;
    if (!SafePoint()) return 0;
    PathBuffer pattern;
    if (!JoinPath(folder, "*", pattern)) return 0;
    WIN32_FIND_DATAA found;
    CFindHandle listing(FindFirstFileA(pattern, &found));
    if (!listing.IsValid()) return 0;
    do {
        if (!SafePoint()) return 1;
        const char* name = found.cFileName;
        PathBuffer full;
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            int type = GetFileType(name);
            if (type != kNotConvertible && JoinPath(folder, name, full)) {
                if (!convert) {
                    ++batch.totalCount;
                } else {
                    if (StopRequested()) return 0;
                    ConvertEntry(type, full);
                }
            }
        } else if (m_settings.walkSubfolders && !IsSkippedFolderName(name) && IsWalkableFolder(found) &&
                   JoinPath(folder, name, full) && !SameFolder(full, batch.outputFolder)) {
            WalkFolder(full, convert);
        }
        if (StopRequested()) return 1;
    } while (FindNextFileA(listing, &found));
    return 1;
}
