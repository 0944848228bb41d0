#include "FormatText.h"

#include <cstdio>
#include <cstring>

#include "../acmdriver/PcmFormats.h"
#include "Settings.h"

std::string DescribeFormat(const WAVEFORMATEX& format) {
    char text[64];
    const char* kind = format.wFormatTag == WAVE_FORMAT_IEEE_FLOAT ? " float" : "";
    snprintf(text, sizeof(text), "%6.3fkHz,%2dbit%s,", format.nSamplesPerSec / 1000.0, format.wBitsPerSample, kind);
    return std::string(text) + (format.nChannels == 1 ? "Mono" : "Stereo");
}

bool ChooserListsTag(DWORD tag) { return tag == WAVE_FORMAT_PCM || tag == WAVE_FORMAT_IEEE_FLOAT; }

bool ChooserListsFormat(const WAVEFORMATEX& format) { return IsConvertibleTarget(format); }

int NormalizeLevelIndex(int storedValue) {
    char digits[16];
    snprintf(digits, sizeof(digits), "%d", storedValue);
    int index = 0;
    for (int level : settings::kNormalizeLevels) {
        char item[16];
        snprintf(item, sizeof(item), "%d", level);
        if (strncmp(item, digits, strlen(digits)) == 0) return index;
        ++index;
    }
    return 2;
}
