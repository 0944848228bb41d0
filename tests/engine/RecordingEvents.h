// What a batch tells its front end, recorded in order: the engine's own words
// (kinds and paths), not the dialog's boxes. Called on the decode thread.
#pragma once
#include <windows.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "engine/JobEvents.h"
#include "framework/Handles.h"

inline const char* FailureName(FileFailure kind) {
    switch (kind) {
    case FileFailure::kCantOpenShared: return "can't open shared";
    case FileFailure::kSameFolder: return "same folder";
    case FileFailure::kCantCreate: return "can't create";
    case FileFailure::kCantOpenWav: return "can't open wav";
    case FileFailure::kNotWav: return "not wav";
    case FileFailure::kNotMp3: return "not mp3";
    case FileFailure::kNotWma: return "not wma";
    case FileFailure::kWmaHeadError: return "wma head error";
    case FileFailure::kWmaInitFailed: return "wma init failed";
    case FileFailure::kWmaRuntimeMissing: return "wma runtime missing";
    case FileFailure::kNotPcm: return "not pcm";
    case FileFailure::kCantReadToEnd: return "can't read to end";
    case FileFailure::kConversionFailed: return "conversion failed";
    case FileFailure::kCantWrite: return "can't write";
    }
    return "?";
}

// The recorded words of one event, for expectations.
inline std::string Failed(FileFailure kind, const std::string& path) {
    return std::string("failed: ") + FailureName(kind) + ": " + path;
}
inline std::string OverwriteAsked(const std::string& path) { return "overwrite? " + path; }

class CRecordingEvents : public IJobEvents {
public:
    CRecordingEvents() : m_ended(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
    virtual ~CRecordingEvents() = default;

    bool overwrite = true;       // the answer to every overwrite question
    std::atomic<int> steps{0};  // FileProgress calls so far
    std::atomic<double> lastSeconds{0};  // as the last step told
    std::function<void(FileFailure)> onFailure;  // runs on the decode thread, as a box would
    std::function<void()> onDriveRoot;
    std::function<void()> onOverwrite;  // runs while the question is up
    // Runs at every step of a file, on the decode thread: the tests' clock.
    std::function<void(uint32_t)> onProgress;

    bool AskOverwrite(const std::string& outputPath) override {
        Add(OverwriteAsked(outputPath));
        if (onOverwrite) onOverwrite();
        return overwrite;
    }
    void FileFailed(FileFailure kind, const std::string& path) override {
        Add(Failed(kind, path));
        if (onFailure) onFailure(kind);
    }
    void DiskFull() override { Add("disk full"); }
    void DriveRootRefused(const std::string& root, const std::string&) override {
        Add("drive root " + root);
        if (onDriveRoot) onDriveRoot();
    }
    // Steps are counted, not recorded: their number depends on block sizes.
    void FileProgress(uint32_t percent, double seconds) override {
        ++steps;
        lastSeconds = seconds;
        if (onProgress) onProgress(percent);
    }
    // Kept apart from the events, whose lists the tests compare whole.
    void FileEnded(const FileReport& report) override {
        std::lock_guard<std::mutex> hold(m_lock);
        m_reports.push_back(report);
    }
    void GatheringDone() override { Add("gathering done"); }
    void ConversionDone() override { Add("conversion done"); }
    void BatchEnded() override {
        Add("batch ended");
        SetEvent(m_ended);
    }

    std::vector<std::string> Events() const {
        std::lock_guard<std::mutex> hold(m_lock);
        return m_events;
    }
    std::vector<FileReport> Reports() const {
        std::lock_guard<std::mutex> hold(m_lock);
        return m_reports;
    }
    size_t Count() const { return Events().size(); }
    std::string Last() const {
        std::lock_guard<std::mutex> hold(m_lock);
        return m_events.empty() ? std::string() : m_events.back();
    }
    // Everything told, one a line: for failure messages.
    std::string Text() const {
        std::string all;
        for (const auto& e : Events()) all += e + "\n";
        return all;
    }
    // Forgets what was told and every answer and action, for the next test.
    void Reset() {
        std::lock_guard<std::mutex> hold(m_lock);
        m_events.clear();
        m_reports.clear();
        overwrite = true;
        onFailure = nullptr;
        onDriveRoot = nullptr;
        onOverwrite = nullptr;
        onProgress = nullptr;
        steps = 0;
        lastSeconds = 0;
        ResetEvent(m_ended);
    }
    bool WaitEnded(DWORD ms = 10000) const { return WaitForSingleObject(m_ended, ms) == WAIT_OBJECT_0; }

private:
    void Add(const std::string& event) {
        std::lock_guard<std::mutex> hold(m_lock);
        m_events.push_back(event);
    }
    mutable std::mutex m_lock;
    std::vector<std::string> m_events;
    std::vector<FileReport> m_reports;
    CHandle m_ended;
};
