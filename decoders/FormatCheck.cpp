#include "FormatCheck.h"

#include <cstring>

namespace {
constexpr DWORD kLowestRate = 1000;
constexpr DWORD kHighestRate = 768000;
constexpr WORD kMostChannels = 8;

uint16_t Le16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

bool WidthFits(const WAVEFORMATEX& format) {
    WORD bits = format.wBitsPerSample;
    if (format.wFormatTag == WAVE_FORMAT_IEEE_FLOAT) return bits == 32 || bits == 64;
    return bits == 8 || bits == 16 || bits == 24 || bits == 32;
}
}  // namespace

bool IsPlainPcm(const WAVEFORMATEX& format) {
    return format.wFormatTag == WAVE_FORMAT_PCM || format.wFormatTag == WAVE_FORMAT_IEEE_FLOAT;
}

bool IsConsistentFormat(const WAVEFORMATEX& format) {
    if (format.nChannels == 0 || format.nChannels > kMostChannels) return false;
    if (format.nSamplesPerSec < kLowestRate || format.nSamplesPerSec > kHighestRate) return false;
    if (format.nBlockAlign == 0 || format.nAvgBytesPerSec == 0) return false;
    // Extensible records reach us mapped to their base tag, without their tail:
    // one that stayed extensible would be read past its end.
    if (format.wFormatTag == WAVE_FORMAT_EXTENSIBLE) return false;
    if (!IsPlainPcm(format)) return true;  // a codec's own fields: only what every reader divides by
    if (!WidthFits(format)) return false;
    DWORD blockAlign = static_cast<DWORD>(format.nChannels) * format.wBitsPerSample / 8;
    return format.nBlockAlign == blockAlign &&
           format.nAvgBytesPerSec == static_cast<DWORD>(format.nSamplesPerSec) * blockAlign;
}

uint16_t BaseFormatTag(const unsigned char* fmt, size_t size) {
    uint16_t tag = Le16(fmt);
    if (tag != WAVE_FORMAT_EXTENSIBLE || size < kExtensibleFmtSize) return tag;
    uint16_t sub = Le16(fmt + 24);
    bool baseTag = (sub == WAVE_FORMAT_PCM || sub == WAVE_FORMAT_IEEE_FLOAT) && Le16(fmt + 26) == 0;
    if (baseTag && memcmp(fmt + 28, kSubFormatGuidTail, sizeof(kSubFormatGuidTail)) == 0) return sub;
    return tag;
}
