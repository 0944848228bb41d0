#include "PcmFormats.h"

#include <msacm.h>

namespace {
const DWORD kRates[] = {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000, 88200, 96000};
const WORD kBits[] = {8, 16};
const WORD kChannels[] = {1, 2};
constexpr size_t kPerRate = 4;
constexpr DWORD kMinRate = 1000, kMaxRate = 384000;

bool Consistent(const WAVEFORMATEX& f) {
    return (f.nChannels == 1 || f.nChannels == 2) && f.nSamplesPerSec >= kMinRate && f.nSamplesPerSec <= kMaxRate &&
           f.nBlockAlign == f.nChannels * f.wBitsPerSample / 8 && f.nAvgBytesPerSec == f.nSamplesPerSec * f.nBlockAlign;
}
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

size_t PcmFormatCount() { return sizeof(kRates) / sizeof(kRates[0]) * kPerRate; }

WAVEFORMATEX PcmFormatAt(size_t index) {
    size_t rate = index / kPerRate, rest = index % kPerRate;
    return MakePcm(kChannels[rest % 2], kRates[rate], kBits[rest / 2]);
}

bool IsConvertibleSource(const WAVEFORMATEX& f) {
    if (f.wFormatTag == WAVE_FORMAT_PCM)
        return (f.wBitsPerSample == 8 || f.wBitsPerSample == 16 || f.wBitsPerSample == 24 || f.wBitsPerSample == 32) &&
               Consistent(f);
    return f.wFormatTag == WAVE_FORMAT_IEEE_FLOAT && f.wBitsPerSample == 32 && Consistent(f);
}

bool IsConvertibleTarget(const WAVEFORMATEX& f) {
    return f.wFormatTag == WAVE_FORMAT_PCM && (f.wBitsPerSample == 8 || f.wBitsPerSample == 16) && Consistent(f);
}

bool SuggestTarget(const WAVEFORMATEX& source, DWORD flags, WAVEFORMATEX& suggested) {
    if (!IsConvertibleSource(source)) return false;
    if ((flags & ACM_FORMATSUGGESTF_WFORMATTAG) && suggested.wFormatTag != WAVE_FORMAT_PCM) return false;
    WORD channels = (flags & ACM_FORMATSUGGESTF_NCHANNELS) ? suggested.nChannels : source.nChannels;
    DWORD rate = (flags & ACM_FORMATSUGGESTF_NSAMPLESPERSEC) ? suggested.nSamplesPerSec : source.nSamplesPerSec;
    WORD bits = (flags & ACM_FORMATSUGGESTF_WBITSPERSAMPLE) ? suggested.wBitsPerSample
                : source.wBitsPerSample == 8                ? 8
                                                            : 16;
    WAVEFORMATEX f = MakePcm(channels, rate, bits);
    if (!IsConvertibleTarget(f)) return false;
    suggested = f;
    return true;
}
