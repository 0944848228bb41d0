#include "BatchState.h"

#include <cstring>

BatchState::BatchState() : stoppedEvent(CreateEventA(nullptr, FALSE, FALSE, nullptr)) {}

void BatchState::AllocateSources(int32_t count) {
    sourcePaths.reset(count > 0 ? new PathBuffer[count]() : nullptr);
    sourceCount = count > 0 ? count : 0;
}

void BatchState::FreeSources() {
    sourcePaths.reset();
    sourceCount = 0;
}

bool BatchState::SetSource(int32_t index, const char* path) {
    if (index < 0 || index >= sourceCount) return false;
    char* slot = sourcePaths[index];
    memset(slot, 0, kPathBufferSize);
    size_t length = strlen(path);
    if (length >= static_cast<size_t>(kPathBufferSize)) return false;
    memcpy(slot, path, length);
    return true;
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
