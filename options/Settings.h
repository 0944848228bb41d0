// Every persistent setting: its section, name and default, in one place.
// Readers ask the application's profile functions at the moment they need a value.
#pragma once
#include <windows.h>
#include <mmreg.h>
#include <string>

#include "../engine/JobSettings.h"

class CWinApp;

namespace settings {

inline constexpr char kRegistryKey[] = "Tarn Sonelle";
// The program's settings live under its name; the console converter reads them there.
inline constexpr char kProgramName[] = "Wavory";
inline constexpr char kSectionGeneral[] = "Genenal";  // the stored name, typo and all
inline constexpr char kSectionWav[] = "WAV";

struct IntSetting {
    const char* section;
    const char* name;
    int defaultValue;
};
struct StringSetting {
    const char* section;
    const char* name;
    const char* defaultValue;
};

// Where the WAV files go.
enum OutputTo { kOutputToSourceFolder = 0, kOutputToAskEachBatch = 1, kOutputToFixedFolder = 2 };
// Which format they are written in.
enum FormatChoice { kFormatCd = 0, kFormatOriginal = 1, kFormatStored = 2 };

inline constexpr IntSetting kOutputTo{kSectionGeneral, "OutputTo", kOutputToSourceFolder};
inline constexpr StringSetting kOutputPath{kSectionGeneral, "OutputPath", ""};
inline constexpr IntSetting kVolumeNormalize{kSectionGeneral, "VolumeNormalize", 0};
inline constexpr IntSetting kNormalizeValue{kSectionGeneral, "NormalizeValue", 98};
inline constexpr IntSetting kPromptBefore{kSectionGeneral, "PromptBefore", 1};
inline constexpr IntSetting kDisplayInfo{kSectionGeneral, "DisplayInfo", 0};
inline constexpr IntSetting kNotDisplayErrInfo{kSectionGeneral, "NotDisplayErrInfo", 0};
// Files found in a folder keep their folders below the output folder (off: all in one folder).
inline constexpr IntSetting kKeepTree{kSectionGeneral, "KeepTree", 0};
// The sources' tags (title, artist, album, ...) are written into the outputs.
inline constexpr IntSetting kCopyTags{kSectionGeneral, "CopyTags", 1};
// Files converted at once; 0 is one a core.
inline constexpr IntSetting kFilesAtOnce{kSectionGeneral, "FilesAtOnce", 0};

inline constexpr IntSetting kFormat{kSectionWav, "Format", kFormatCd};
inline constexpr IntSetting kFormatTag{kSectionWav, "wFormatTag", WAVE_FORMAT_PCM};
inline constexpr IntSetting kChannels{kSectionWav, "nChannels", 2};
inline constexpr IntSetting kSamplesPerSec{kSectionWav, "nSamplesPerSec", 44100};
inline constexpr IntSetting kAvgBytesPerSec{kSectionWav, "nAvgBytesPerSec", 176400};
inline constexpr IntSetting kBlockAlign{kSectionWav, "nBlockAlign", 4};
inline constexpr IntSetting kBitsPerSample{kSectionWav, "wBitsPerSample", 16};

// The target levels the options dialog offers, in its order (percent of full scale).
inline constexpr int kNormalizeLevels[] = {100, 99, 98, 96, 94, 92, 90, 88, 86, 84, 82,
                                           80, 75, 70, 65, 60, 55, 50, 40, 30, 20};

// The CD format: 44100 Hz, 16 bits, stereo PCM. Its numbers are the stored format's defaults.
WAVEFORMATEX CdFormat();

int Read(const CWinApp& app, const IntSetting& setting);
std::string Read(const CWinApp& app, const StringSetting& setting);
BOOL Write(CWinApp& app, const IntSetting& setting, int value);
BOOL Write(CWinApp& app, const StringSetting& setting, const char* value);

// The six stored format values; 16-bit fields keep the low half of what is stored.
WAVEFORMATEX ReadStoredFormat(const CWinApp& app);
void WriteStoredFormat(CWinApp& app, const WAVEFORMATEX& format);

// The processors Windows gives this program.
int ProcessorCount();
// The settings a batch takes, as stored now.
JobSettings ReadJobSettings(const CWinApp& app);

}  // namespace settings
