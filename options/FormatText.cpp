#include "FormatText.h"

#include <cstdio>
#include <cstring>

#include "Settings.h"

std::string DescribeFormat(const WAVEFORMATEX& format) {
    char text[64];
    snprintf(text, sizeof(text), "%6.3fkHz,%2dbit,", format.nSamplesPerSec / 1000.0, format.wBitsPerSample);
    return std::string(text) + (format.nChannels == 1 ? "Mono" : "Stereo");
}

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
