// The record that start-up, the conversion dialog and the decode thread share
// for one batch. Progress fields are single aligned 32-bit values (64-bit for
// the free space), written by one side and read by the other.
#pragma once
#include <windows.h>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "../framework/Handles.h"

struct BatchNames {
    std::string currentFileName;
    std::string sourceFolderName;
    std::string outputFolderName;
};

struct BatchState {
    BatchState();

    std::string outputFolder;  // UTF-8, as every path here
    int32_t sourceCount = 0;
    std::vector<std::string> sourcePaths;

    std::atomic<int32_t> phase{0};  // 0 gathering, 1 converting
    std::atomic<uint32_t> totalCount{0};
    std::atomic<uint32_t> processedCount{0};
    std::atomic<uint32_t> convertedCount{0};
    std::atomic<uint32_t> filePercent{0};
    std::atomic<int32_t> totalPercent{0};
    std::atomic<uint32_t> stopRequested{0};
    std::atomic<uint32_t> diskFull{0};  // the batch stopped for a full output disk
    CHandle stoppedEvent;  // auto-reset
    std::atomic<uint32_t> fileChanged{0};
    std::atomic<uint64_t> freeBytes{0};

    // The batch's sources in their order; the previous list is freed.
    void SetSources(std::vector<std::string> paths);
    void FreeSources();

    // Thread side: replaces the three names, then raises fileChanged.
    void PublishNames(const char* fileName, const char* sourceFolder, const char* outputFolderName);
    // Dialog side: when fileChanged is set, clears it and copies the names.
    bool TakeNames(BatchNames& names);

private:
    std::mutex m_namesLock;  // held only while the strings are copied
    BatchNames m_names;
};
