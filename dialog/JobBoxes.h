// The conversion dialog's side of a batch's events: message boxes with the
// program's own texts, captions and icons (owned by the dialog, shown on the
// decode thread), and the window messages that move the dialog along.
#pragma once
#include <windows.h>

#include "../engine/JobEvents.h"
#include "../engine/JobSettings.h"
#include "../framework/Wnd.h"

class CJobBoxes : public IJobEvents {
public:
    // owner may be null (no owner, no messages); serial goes with WM_BATCH_ENDED.
    CJobBoxes(CWnd* owner, const JobSettings& settings, WPARAM serial = 0);
    virtual ~CJobBoxes() = default;
    void SetOwner(CWnd* owner) { m_owner = owner; }

    bool AskOverwrite(const std::string& outputPath) override;
    void FileFailed(FileFailure kind, const std::string& path) override;
    void DiskFull() override;
    void DriveRootRefused(const std::string& root, const std::string& outputFolder) override;
    // The dialog's timer reads the batch's counters instead.
    void FileProgress(uint32_t, double) override {}
    void FileEnded(const FileReport&) override {}
    void GatheringDone() override;
    void ConversionDone() override;
    void BatchEnded() override;

private:
    int Box(const std::string& text, const char* caption, UINT type) const;
    void Post(UINT message, WPARAM wp = 0) const;

    CWnd* m_owner;
    bool m_showErrors;
    WPARAM m_serial;
    bool m_toldRuntimeMissing = false;
};

// The text of a failure's box.
std::string FailureText(FileFailure kind, const std::string& path);
