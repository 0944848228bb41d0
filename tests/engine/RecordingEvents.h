// What a batch tells its front end, recorded in order: the engine's own words
// (kinds and paths), not the dialog's boxes. Called on the decode thread.
#pragma once
#include <windows.h>

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "engine/JobEvents.h"
#include "framework/Handles.h"

class CRecordingEvents : public IJobEvents {
public:
    CRecordingEvents() : m_ended(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
    virtual ~CRecordingEvents() = default;

    bool overwrite = false;                      // the answer to every overwrite question
    std::function<void(FileFailure)> onFailure;  // runs on the decode thread, as a box would
    std::function<void()> onDriveRoot;

    bool AskOverwrite(const std::string& outputPath) override { return Add("overwrite? " + outputPath), overwrite; }
    void FileFailed(FileFailure kind, const std::string& path) override {
        Add("failed " + std::to_string(static_cast<int>(kind)) + " " + path);
        if (onFailure) onFailure(kind);
    }
    void DiskFull() override { Add("disk full"); }
    void DriveRootRefused(const std::string& root, const std::string&) override {
        Add("drive root " + root);
        if (onDriveRoot) onDriveRoot();
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
    bool WaitEnded(DWORD ms = 10000) const { return WaitForSingleObject(m_ended, ms) == WAIT_OBJECT_0; }

private:
    void Add(const std::string& event) {
        std::lock_guard<std::mutex> hold(m_lock);
        m_events.push_back(event);
    }
    mutable std::mutex m_lock;
    std::vector<std::string> m_events;
    CHandle m_ended;
};
