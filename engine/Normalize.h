// Volume normalisation: the peak is measured while the file is written, then a
// second pass scales every sample in place to the chosen level.
#pragma once
#include <windows.h>
#include <mmreg.h>
#include <cstdint>
#include <functional>
#include <vector>

// Integer PCM of 8 (unsigned), 16, 24 and 32 bits (signed), and 32-bit float.
bool CanNormalize(const WAVEFORMATEX& target);

// Raises peak to the largest absolute sample value in the block: in steps of
// an integer format (full scale is 128 for 8 bits, 32768 for 16, 2^23 for 24,
// 2^31 for 32), in full scale (1.0) for float, whose values past it count too.
void UpdatePeak(const BYTE* data, size_t bytes, const WAVEFORMATEX& format, double& peak);

// The multiplier that brings peak to level percent of full scale, one step
// taken off an integer peak first; false for silence (a peak of at most one
// step, or 0 for float): such a file is left as it is.
bool NormalizeFactor(double peak, const WAVEFORMATEX& format, int level, double& factor);

// One sample scaled: at or beyond full scale the limit, otherwise truncated toward zero.
int16_t ScaleSample16(int16_t sample, double factor);
BYTE ScaleSample8(BYTE sample, double factor);
int32_t ScaleSampleWide(int32_t sample, double factor, WORD bitsPerSample);

// Scales blocks of whole samples (a trailing part of a sample keeps its value):
// 8 and 16 bits through a table of every sample value, made once per file;
// 24 and 32 bits sample by sample; float multiplied, never clipped or rounded.
class CSampleScaler {
public:
    CSampleScaler(const WAVEFORMATEX& format, double factor);
    void Scale(BYTE* data, size_t bytes) const;

private:
    void ScaleWide(BYTE* data, size_t bytes) const;
    void ScaleFloat(BYTE* data, size_t bytes) const;

    WORD m_bits;
    bool m_float;
    double m_factor;
    std::vector<int16_t> m_table16;
    BYTE m_table8[256] = {};
};

void ScaleSamples(BYTE* data, size_t bytes, const WAVEFORMATEX& format, double factor);

enum class NormalizeResult {
    kScaled,
    kLeftAsItWas,  // not scalable, silent, or not to be reopened: the file is whole
    kFailed,       // a read or write failed midway: the file is part scaled
};

// Scales the data of the finished WAV file at path; progress gets each new file
// percentage after each block (and may hold the pass there).
NormalizeResult NormalizeFile(const char* path, const WAVEFORMATEX& target, double peak, int level, uint64_t dataBytes,
                              uint32_t share, const std::function<void(uint32_t)>& progress);
