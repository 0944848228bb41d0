#include "Settings.h"

#include "../framework/WinApp.h"

namespace settings {

WAVEFORMATEX CdFormat() {
    WAVEFORMATEX format{};
    format.wFormatTag = static_cast<WORD>(kFormatTag.defaultValue);
    format.nChannels = static_cast<WORD>(kChannels.defaultValue);
    format.nSamplesPerSec = static_cast<DWORD>(kSamplesPerSec.defaultValue);
    format.nAvgBytesPerSec = static_cast<DWORD>(kAvgBytesPerSec.defaultValue);
    format.nBlockAlign = static_cast<WORD>(kBlockAlign.defaultValue);
    format.wBitsPerSample = static_cast<WORD>(kBitsPerSample.defaultValue);
    format.cbSize = 0;
    return format;
}

int Read(const CWinApp& app, const IntSetting& setting) {
    return static_cast<int>(app.GetProfileInt(setting.section, setting.name, setting.defaultValue));
}

std::string Read(const CWinApp& app, const StringSetting& setting) {
    return app.GetProfileString(setting.section, setting.name, setting.defaultValue);
}

BOOL Write(CWinApp& app, const IntSetting& setting, int value) {
    return app.WriteProfileInt(setting.section, setting.name, value);
}

BOOL Write(CWinApp& app, const StringSetting& setting, const char* value) {
    return app.WriteProfileString(setting.section, setting.name, value);
}

WAVEFORMATEX ReadStoredFormat(const CWinApp& app) {
    WAVEFORMATEX format{};
    format.wFormatTag = static_cast<WORD>(Read(app, kFormatTag));
    format.nChannels = static_cast<WORD>(Read(app, kChannels));
    format.nSamplesPerSec = static_cast<DWORD>(Read(app, kSamplesPerSec));
    format.nAvgBytesPerSec = static_cast<DWORD>(Read(app, kAvgBytesPerSec));
    format.nBlockAlign = static_cast<WORD>(Read(app, kBlockAlign));
    format.wBitsPerSample = static_cast<WORD>(Read(app, kBitsPerSample));
    format.cbSize = 0;
    return format;
}

void WriteStoredFormat(CWinApp& app, const WAVEFORMATEX& format) {
    Write(app, kFormatTag, format.wFormatTag);
    Write(app, kChannels, format.nChannels);
    Write(app, kSamplesPerSec, static_cast<int>(format.nSamplesPerSec));
    Write(app, kAvgBytesPerSec, static_cast<int>(format.nAvgBytesPerSec));
    Write(app, kBlockAlign, format.nBlockAlign);
    Write(app, kBitsPerSample, format.wBitsPerSample);
}

int ProcessorCount() {
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    return static_cast<int>(info.dwNumberOfProcessors);
}

JobSettings ReadJobSettings(const CWinApp& app) {
    JobSettings job;
    switch (Read(app, kFormat)) {
    case kFormatOriginal:
        job.target = JobSettings::Target::kOriginal;
        break;
    case kFormatStored:
        job.target = JobSettings::Target::kStored;
        break;
    default:
        job.target = JobSettings::Target::kCd;
        break;
    }
    job.storedFormat = ReadStoredFormat(app);
    job.volumeNormalize = Read(app, kVolumeNormalize) != 0;
    job.normalizeValue = Read(app, kNormalizeValue);
    job.notDisplayErrInfo = Read(app, kNotDisplayErrInfo) != 0;
    job.promptBefore = Read(app, kPromptBefore) != 0;
    job.keepTree = Read(app, kKeepTree) != 0;
    job.copyTags = Read(app, kCopyTags) != 0;
    job.jobs = ResolveJobs(Read(app, kFilesAtOnce), ProcessorCount());
    return job;
}

}  // namespace settings
