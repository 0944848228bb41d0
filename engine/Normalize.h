// Volume normalisation: the peak is measured while the file is written, then a
// second pass scales every sample in place to the chosen level.
#pragma once
#include <windows.h>
#include <mmreg.h>
#include <cstdint>
#include <functional>

// Only 8-bit (unsigned) and 16-bit (signed) PCM is measured and scaled.
bool CanNormalize(const WAVEFORMATEX& target);

// Raises peak to the largest absolute sample value in the block.
void UpdatePeak(const BYTE* data, size_t bytes, WORD bitsPerSample, int32_t& peak);

// The multiplier that brings peak to level percent of full scale; false when
// the peak is 0 or 1 (silence): such a file is left as it is.
bool NormalizeFactor(int32_t peak, WORD bitsPerSample, int level, double& factor);

// Scales the samples of the block in place; a trailing odd byte of a 16-bit block keeps its value.
void ScaleSamples(BYTE* data, size_t bytes, WORD bitsPerSample, double factor);

// Scales the data of the finished WAV file at path; progress gets each new file percentage.
// Returns false when the file was left as it was (not scalable, silent, unreadable).
bool NormalizeFile(const char* path, const WAVEFORMATEX& target, int32_t peak, int level, uint64_t dataBytes,
                   uint32_t share, const std::function<void(uint32_t)>& progress);
