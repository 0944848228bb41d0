// The front end's listener as the files of a batch reach it from several
// threads: one call at a time, so two boxes are never up at once and a
// console line is never cut by another. A progress step that finds a box up
// is let go rather than waiting for the answer.
#pragma once
#include <mutex>

#include "JobEvents.h"

class CSerialEvents : public IJobEvents {
public:
    explicit CSerialEvents(IJobEvents& events) : m_events(events) {}

    bool AskOverwrite(const std::string& outputPath) override {
        std::lock_guard<std::mutex> hold(m_lock);
        return m_events.AskOverwrite(outputPath);
    }
    void FileFailed(FileFailure kind, const std::string& path) override {
        std::lock_guard<std::mutex> hold(m_lock);
        m_events.FileFailed(kind, path);
    }
    void DiskFull() override {
        std::lock_guard<std::mutex> hold(m_lock);
        m_events.DiskFull();
    }
    void DriveRootRefused(const std::string& root, const std::string& outputFolder) override {
        std::lock_guard<std::mutex> hold(m_lock);
        m_events.DriveRootRefused(root, outputFolder);
    }
    void FileProgress(uint32_t filePercent, double secondsWritten) override {
        std::unique_lock<std::mutex> hold(m_lock, std::try_to_lock);
        if (hold.owns_lock()) m_events.FileProgress(filePercent, secondsWritten);
    }
    void FileEnded(const FileReport& report) override {
        std::lock_guard<std::mutex> hold(m_lock);
        m_events.FileEnded(report);
    }
    void GatheringDone() override {
        std::lock_guard<std::mutex> hold(m_lock);
        m_events.GatheringDone();
    }
    void ConversionDone() override {
        std::lock_guard<std::mutex> hold(m_lock);
        m_events.ConversionDone();
    }
    void BatchEnded() override {
        std::lock_guard<std::mutex> hold(m_lock);
        m_events.BatchEnded();
    }

private:
    IJobEvents& m_events;
    std::mutex m_lock;
};
