// The enumeration of a batch: the list of sources, and the recursive walk of
// each folder in it, run once counting and once converting.
#include <cstring>

#include "../framework/FileSystem.h"
#include "DecodeThread.h"
#include "PathRules.h"

namespace {
bool IsDriveRoot(const char* entry) { return strlen(entry) == 3; }

// Junctions and links are never followed: one that points at an ancestor
// would make the walk recurse for ever.
bool IsWalkableFolder(const WIN32_FIND_DATAW& found) {
    return !(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

bool IsSkippedFolderName(const std::string& name) { return name[0] == '.' || SamePath(name.c_str(), "PAGEFILE.SYS"); }

}  // namespace

void CDecodeThread::ConvertEntry(int type, const char* path) {
    if (m_pool) {
        ConvertOnWorker(type, path);
        return;
    }
    BatchState& batch = m_batch;
    if (ConvertFile(type, path) == 1) ++batch.convertedCount;
    ++batch.processedCount;
}

void CDecodeThread::RunSources(int convert) {
    BatchState& batch = m_batch;
    m_outputKnown = fs::Identify(batch.outputFolder, m_outputIdentity);
    for (int32_t i = 0; i < batch.sourceCount && SafePoint(); ++i) {
        const char* entry = batch.sourcePaths[i].c_str();
        DWORD attributes = fs::Attributes(entry);
        bool isFolder = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
        if (isFolder) {
            if (IsDriveRoot(entry) && entry[0] == batch.outputFolder[0]) {
                if (!convert) m_events.DriveRootRefused(entry, batch.outputFolder);
                continue;
            }
            if (IsOutputFolder(entry)) continue;
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
    fs::CListing listing;
    if (!listing.Open(folder, "*")) return 0;
    do {
        if (!SafePoint()) return 1;
        const std::string name = listing.Name();
        std::string full;
        if (!listing.IsFolder()) {
            int type = GetFileType(name.c_str());
            if (type != kNotConvertible && JoinPath(folder, name.c_str(), full)) {
                if (!convert) {
                    ++batch.totalCount;
                } else {
                    if (StopRequested()) return 0;
                    ConvertEntry(type, full.c_str());
                }
            }
        } else if (m_settings.walkSubfolders && !IsSkippedFolderName(name) && IsWalkableFolder(listing.Data()) &&
                   JoinPath(folder, name.c_str(), full) && !IsOutputFolder(full.c_str())) {
            WalkFolder(full.c_str(), convert);
        }
        if (StopRequested()) return 1;
    } while (listing.Next());
    return 1;
}

// The output folder however its path is spelled (an 8.3 name, another mapping
// of the same share): its files are the batch's own and are never sources.
bool CDecodeThread::IsOutputFolder(const char* folder) const {
    if (SameFolder(folder, m_batch.outputFolder.c_str())) return true;
    fs::FileIdentity identity;
    return m_outputKnown && fs::Identify(folder, identity) && identity == m_outputIdentity;
}
