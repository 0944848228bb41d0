#include "BatchState.h"

#include <cstring>

BatchState::BatchState() : stoppedEvent(CreateEventA(nullptr, FALSE, FALSE, nullptr)) {}

void BatchState::SetSources(std::vector<std::string> paths) {
    sourcePaths = std::move(paths);
    sourceCount = static_cast<int32_t>(sourcePaths.size());
}

void BatchState::FreeSources() {
    sourcePaths.clear();
    sourcePaths.shrink_to_fit();
    sourceCount = 0;
}

void BatchState::PublishNames(const char* fileName, const char* sourceFolder, const char* outputFolderName) {
    {
        std::lock_guard<std::mutex> guard(m_namesLock);
        m_names.currentFileName = fileName;
        m_names.sourceFolderName = sourceFolder;
        m_names.outputFolderName = outputFolderName;
    }
    fileChanged.store(1);
}

bool BatchState::TakeNames(BatchNames& names) {
    if (fileChanged.exchange(0) == 0) return false;
    std::lock_guard<std::mutex> guard(m_namesLock);
    names = m_names;
    return true;
}
