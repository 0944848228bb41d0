#include "JobBoxes.h"

#include "DialogMessages.h"
#include "../framework/MessageBox.h"
#include "JobTexts.h"

std::string FailureText(FileFailure kind, const std::string& path) {
    switch (kind) {
    case FileFailure::kCantOpenShared: return msg::CantOpenShared(path);
    case FileFailure::kSameFolder: return msg::SameFolder(path);
    case FileFailure::kCantCreate: return msg::CantCreate(path);
    case FileFailure::kCantOpenWav: return msg::CantOpenWav(path);
    case FileFailure::kNotWav: return msg::NotWav(path);
    case FileFailure::kNotMp3: return msg::NotMp3(path);
    case FileFailure::kNotWma: return msg::NotWma(path);
    case FileFailure::kWmaHeadError: return msg::WmaHeadError(path);
    case FileFailure::kWmaInitFailed: return msg::kWmaInitFailed;
    case FileFailure::kWmaRuntimeMissing: return msg::kWmaRuntimeMissing;
    case FileFailure::kNotPcm: return msg::NotPcm(path);
    case FileFailure::kCantReadToEnd: return msg::CantReadToEnd(path);
    case FileFailure::kConversionFailed: return msg::ConversionFailed(path);
    case FileFailure::kCantWrite: return msg::CantWrite(path);
    }
    return std::string();
}

CJobBoxes::CJobBoxes(CWnd* owner, const JobSettings& settings, WPARAM serial)
    : m_owner(owner), m_showErrors(!settings.notDisplayErrInfo), m_serial(serial) {}

int CJobBoxes::Box(const std::string& text, const char* caption, UINT type) const {
    return AppMessageBox(SafeHwnd(m_owner), text.c_str(), caption, type);
}

void CJobBoxes::Post(UINT message, WPARAM wp) const {
    HWND owner = SafeHwnd(m_owner);
    if (owner) PostMessageA(owner, message, wp, 0);
}

bool CJobBoxes::AskOverwrite(const std::string& outputPath) {
    return Box(msg::OverwritePrompt(outputPath), msg::kCaptionInformation, MB_YESNO | MB_ICONINFORMATION) == IDYES;
}

void CJobBoxes::FileFailed(FileFailure kind, const std::string& path) {
    // The Windows Media runtime's own troubles are told even with error boxes off.
    if (kind == FileFailure::kWmaInitFailed) {
        Box(FailureText(kind, path), msg::kCaptionInformation, MB_OK);
    } else if (kind == FileFailure::kWmaRuntimeMissing) {
        // Once a batch: a folder of WMA files would otherwise give a box each.
        if (!m_toldRuntimeMissing) Box(FailureText(kind, path), msg::kCaptionInformation, MB_OK | MB_ICONERROR);
        m_toldRuntimeMissing = true;
    } else if (m_showErrors) {
        Box(FailureText(kind, path), msg::kCaptionError, MB_OK | MB_ICONERROR);
    }
}

void CJobBoxes::DiskFull() { Box(msg::kDiskFull, msg::kCaptionInformation, MB_OK | MB_ICONEXCLAMATION); }

void CJobBoxes::DriveRootRefused(const std::string& root, const std::string& outputFolder) {
    Box(msg::DriveRoot(root, outputFolder), msg::kCaptionInfo, MB_OK | MB_ICONEXCLAMATION);
}

void CJobBoxes::GatheringDone() { Post(WM_GATHERING_DONE); }
void CJobBoxes::ConversionDone() { Post(WM_CONVERSION_DONE); }
void CJobBoxes::BatchEnded() { Post(WM_BATCH_ENDED, m_serial); }
