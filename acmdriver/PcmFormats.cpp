#include "PcmFormats.h"

#include <msacm.h>

namespace {
const DWORD kRates[] = {8000,  11025, 12000, 16000, 22050,  24000, 32000,
                        44100, 48000, 88200, 96000, 176400, 192000};
constexpr size_t kRateCount = sizeof(kRates) / sizeof(kRates[0]);
const WORD kPcmBits[] = {8, 16, 24, 32};
constexpr size_t kPcmWidths = sizeof(kPcmBits) / sizeof(kPcmBits[0]);
constexpr WORD kFloatBits = 32;
constexpr DWORD kMinRate = 1000, kMaxRate = 384000;

bool Consistent(const WAVEFORMATEX& f) {
    return (f.nChannels == 1 || f.nChannels == 2) && f.nSamplesPerSec >= kMinRate && f.nSamplesPerSec <= kMaxRate &&
           f.nBlockAlign == f.nChannels * f.wBitsPerSample / 8 && f.nAvgBytesPerSec == f.nSamplesPerSec * f.nBlockAlign;
}

bool IsPcmWidth(WORD bits) { return bits == 8 || bits == 16 || bits == 24 || bits == 32; }
}  // namespace

WAVEFORMATEX MakePcm(WORD channels, DWORD rate, WORD bits) {
    WAVEFORMATEX f{};
    f.wFormatTag = WAVE_FORMAT_PCM;
    f.nChannels = channels;
    f.nSamplesPerSec = rate;
    f.wBitsPerSample = bits;
    f.nBlockAlign = static_cast<WORD>(channels * bits / 8);
    f.nAvgBytesPerSec = rate * f.nBlockAlign;
    return f;
}

WAVEFORMATEX MakeFloat(WORD channels, DWORD rate) {
    WAVEFORMATEX f = MakePcm(channels, rate, kFloatBits);
    f.wFormatTag = WAVE_FORMAT_IEEE_FLOAT;
    return f;
}

size_t PcmFormatCount(WORD tag) {
    if (tag == WAVE_FORMAT_PCM) return kRateCount * kPcmWidths * 2;
    return tag == WAVE_FORMAT_IEEE_FLOAT ? kRateCount * 2 : 0;
}

// By rate, then width, then mono before stereo: the chooser keeps this order.
WAVEFORMATEX PcmFormatAt(WORD tag, size_t index) {
    WORD channels = static_cast<WORD>(index % 2 + 1);
    if (tag == WAVE_FORMAT_IEEE_FLOAT) return MakeFloat(channels, kRates[index / 2]);
    size_t perRate = kPcmWidths * 2;
    return MakePcm(channels, kRates[index / perRate], kPcmBits[index % perRate / 2]);
}

bool IsConvertibleSource(const WAVEFORMATEX& f) {
    if (f.wFormatTag == WAVE_FORMAT_PCM) return IsPcmWidth(f.wBitsPerSample) && Consistent(f);
    return f.wFormatTag == WAVE_FORMAT_IEEE_FLOAT && f.wBitsPerSample == kFloatBits && Consistent(f);
}

bool IsConvertibleTarget(const WAVEFORMATEX& f) { return IsConvertibleSource(f); }

bool NarrowsSamples(const WAVEFORMATEX& source, const WAVEFORMATEX& target) {
    if (target.wFormatTag == WAVE_FORMAT_IEEE_FLOAT) return false;
    return source.wFormatTag == WAVE_FORMAT_IEEE_FLOAT || source.wBitsPerSample > target.wBitsPerSample;
}

bool SuggestTarget(const WAVEFORMATEX& source, DWORD flags, WAVEFORMATEX& suggested) {
    if (!IsConvertibleSource(source)) return false;
    WORD tag = (flags & ACM_FORMATSUGGESTF_WFORMATTAG) ? suggested.wFormatTag : WAVE_FORMAT_PCM;
    if (tag != WAVE_FORMAT_PCM && tag != WAVE_FORMAT_IEEE_FLOAT) return false;
    WORD channels = (flags & ACM_FORMATSUGGESTF_NCHANNELS) ? suggested.nChannels : source.nChannels;
    DWORD rate = (flags & ACM_FORMATSUGGESTF_NSAMPLESPERSEC) ? suggested.nSamplesPerSec : source.nSamplesPerSec;
    // Unasked, the suggestion stays with the widths every player takes.
    WORD bits = (flags & ACM_FORMATSUGGESTF_WBITSPERSAMPLE) ? suggested.wBitsPerSample
                : tag == WAVE_FORMAT_IEEE_FLOAT             ? kFloatBits
                : source.wBitsPerSample == 8                ? 8
                                                            : 16;
    WAVEFORMATEX f = MakePcm(channels, rate, bits);
    f.wFormatTag = tag;
    if (!IsConvertibleTarget(f)) return false;
    suggested = f;
    return true;
}
