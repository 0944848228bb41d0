// Volume normalisation: the peak is measured while the file is written, then a
// second pass scales every sample in place to the chosen level.
#pragma once
#include <windows.h>
#include <mmreg.h>
#include <cstdint>
#include <functional>
#include <vector>

// Only 8-bit (unsigned) and 16-bit (signed) PCM is measured and scaled.
bool CanNormalize(const WAVEFORMATEX& target);

// Raises peak to the largest absolute sample value in the block.
void UpdatePeak(const BYTE* data, size_t bytes, WORD bitsPerSample, int32_t& peak);

// The multiplier that brings peak to level percent of full scale; false when
// the peak is 0 or 1 (silence): such a file is left as it is.
bool NormalizeFactor(int32_t peak, WORD bitsPerSample, int level, double& factor);

// One sample scaled: at or beyond full scale the limit, otherwise truncated toward zero.
int16_t ScaleSample16(int16_t sample, double factor);
BYTE ScaleSample8(BYTE sample, double factor);

// Scales blocks through a table of every sample value, made once per file.
class CSampleScaler {
public:
    CSampleScaler(WORD bitsPerSample, double factor);
    // A trailing odd byte of a 16-bit block keeps its value.
    void Scale(BYTE* data, size_t bytes) const;

private:
    WORD m_bits;
    std::vector<int16_t> m_table16;
    BYTE m_table8[256] = {};
};

void ScaleSamples(BYTE* data, size_t bytes, WORD bitsPerSample, double factor);

enum class NormalizeResult {
    kScaled,
    kLeftAsItWas,  // not scalable, silent, or not to be reopened: the file is whole
    kFailed,       // a read or write failed midway: the file is part scaled
};

// Scales the data of the finished WAV file at path; progress gets each new file
// percentage after each block (and may hold the pass there).
NormalizeResult NormalizeFile(const char* path, const WAVEFORMATEX& target, int32_t peak, int level, uint64_t dataBytes,
                   uint32_t share, const std::function<void(uint32_t)>& progress);
