#include "Normalize.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "../framework/BinaryFile.h"
#include "Progress.h"
#include "WavHeader.h"

namespace {
// Large blocks: every block costs a seek, a write and a flush. Each block is
// cut to whole frames of the file's format.
const size_t kWorkBufferSize = 1 << 20;

bool IsFloat(const WAVEFORMATEX& format) { return format.wFormatTag == WAVE_FORMAT_IEEE_FLOAT; }

// Full scale of a format in its own units: steps for integers, 1.0 for float.
double FullScale(const WAVEFORMATEX& format) {
    return IsFloat(format) ? 1.0 : std::ldexp(1.0, format.wBitsPerSample - 1);
}

int32_t ReadWide(const BYTE* p, int bytes) {
    // Into the top of 32 bits and back down: the sign extends by itself.
    uint32_t v = 0;
    for (int k = 0; k < bytes; ++k) v |= static_cast<uint32_t>(p[k]) << (8 * (4 - bytes + k));
    return static_cast<int32_t>(v) >> (8 * (4 - bytes));
}

// The 8- and 16-bit peak, in steps. The largest magnitude is the larger of the
// maximum and minus the minimum; kept apart, the loops vectorise.
int32_t NarrowPeak(const BYTE* data, size_t bytes, WORD bits) {
    if (bits == 16) {
        int16_t lo = 0, hi = 0;
        for (size_t i = 0; i < bytes / 2; ++i) {
            int16_t s;
            memcpy(&s, data + 2 * i, 2);
            lo = s < lo ? s : lo;
            hi = s > hi ? s : hi;
        }
        return -int32_t(lo) > hi ? -int32_t(lo) : hi;
    }
    uint8_t lo = 128, hi = 128;
    for (size_t i = 0; i < bytes; ++i) {
        lo = data[i] < lo ? data[i] : lo;
        hi = data[i] > hi ? data[i] : hi;
    }
    return 128 - lo > hi - 128 ? 128 - lo : hi - 128;
}

double WidePeak(const BYTE* data, size_t bytes, int width) {
    int64_t top = 0;
    for (size_t i = 0; i + width <= bytes; i += width) {
        int64_t s = ReadWide(data + i, width);
        top = s < 0 ? (-s > top ? -s : top) : (s > top ? s : top);
    }
    return static_cast<double>(top);
}

// Values that are no number, or infinite, say nothing about the level.
double FloatPeak(const BYTE* data, size_t bytes) {
    float top = 0;
    for (size_t i = 0; i + 4 <= bytes; i += 4) {
        float v;
        memcpy(&v, data + i, 4);
        if (std::isfinite(v) && std::fabs(v) > top) top = std::fabs(v);
    }
    return top;
}
}  // namespace

bool CanNormalize(const WAVEFORMATEX& target) {
    if (IsFloat(target)) return target.wBitsPerSample == 32;
    WORD bits = target.wBitsPerSample;
    return target.wFormatTag == WAVE_FORMAT_PCM && (bits == 8 || bits == 16 || bits == 24 || bits == 32);
}

void UpdatePeak(const BYTE* data, size_t bytes, const WAVEFORMATEX& format, double& peak) {
    double top = IsFloat(format)                ? FloatPeak(data, bytes)
                 : format.wBitsPerSample <= 16 ? NarrowPeak(data, bytes, format.wBitsPerSample)
                                                : WidePeak(data, bytes, format.wBitsPerSample / 8);
    if (top > peak) peak = top;
}

bool NormalizeFactor(double peak, const WAVEFORMATEX& format, int level, double& factor) {
    // Float has no steps: any sound at all can be scaled.
    const double step = IsFloat(format) ? 0.0 : 1.0;
    if (peak <= step) return false;
    double percent = (peak - step) * 100.0 / FullScale(format);
    factor = level / percent * 0.9999;
    return true;
}

int16_t ScaleSample16(int16_t s, double factor) {
    double v = s * factor;
    if (v >= 32767.0) return 32767;
    if (v <= -32768.0) return -32768;
    return static_cast<int16_t>(v);  // truncated toward zero
}

BYTE ScaleSample8(BYTE b, double factor) {
    double v = (b - 128) * factor;
    if (v >= 127.0) return 255;
    if (v <= -128.0) return 0;
    return static_cast<BYTE>(static_cast<int32_t>(v) + 128);
}

int32_t ScaleSampleWide(int32_t s, double factor, WORD bitsPerSample) {
    const double low = -std::ldexp(1.0, bitsPerSample - 1), high = -low - 1;
    double v = s * factor;
    if (v >= high) return static_cast<int32_t>(high);
    if (v <= low) return static_cast<int32_t>(low);
    return static_cast<int32_t>(v);
}

CSampleScaler::CSampleScaler(const WAVEFORMATEX& format, double factor)
    : m_bits(format.wBitsPerSample), m_float(IsFloat(format)), m_factor(factor) {
    // Every possible sample value of the narrow widths, computed once per file with the same arithmetic.
    if (m_float || m_bits > 16) return;
    if (m_bits == 16) {
        m_table16.resize(65536);
        for (int32_t s = -32768; s <= 32767; ++s) m_table16[uint16_t(s)] = ScaleSample16(int16_t(s), factor);
    } else {
        for (int b = 0; b < 256; ++b) m_table8[b] = ScaleSample8(BYTE(b), factor);
    }
}

void CSampleScaler::Scale(BYTE* data, size_t bytes) const {
    if (m_float) return ScaleFloat(data, bytes);
    if (m_bits > 16) return ScaleWide(data, bytes);
    if (m_bits == 16) {
        for (size_t i = 0; i < bytes / 2; ++i) {
            uint16_t s;
            memcpy(&s, data + 2 * i, 2);
            memcpy(data + 2 * i, &m_table16[s], 2);
        }
    } else {
        for (size_t i = 0; i < bytes; ++i) data[i] = m_table8[data[i]];
    }
}

void CSampleScaler::ScaleWide(BYTE* data, size_t bytes) const {
    const int width = m_bits / 8;
    for (size_t i = 0; i + width <= bytes; i += width) {
        uint32_t v = static_cast<uint32_t>(ScaleSampleWide(ReadWide(data + i, width), m_factor, m_bits));
        for (int k = 0; k < width; ++k) data[i + k] = static_cast<BYTE>(v >> (8 * k));
    }
}

void CSampleScaler::ScaleFloat(BYTE* data, size_t bytes) const {
    for (size_t i = 0; i + 4 <= bytes; i += 4) {
        float v;
        memcpy(&v, data + i, 4);
        v = static_cast<float>(v * m_factor);
        memcpy(data + i, &v, 4);
    }
}

void ScaleSamples(BYTE* data, size_t bytes, const WAVEFORMATEX& format, double factor) {
    CSampleScaler(format, factor).Scale(data, bytes);
}

NormalizeResult NormalizeFile(const char* path, const WAVEFORMATEX& target, double peak, int level,
                              uint64_t dataBytes, uint32_t share, const std::function<void(uint32_t)>& progress) {
    double factor = 0;
    if (!CanNormalize(target) || !NormalizeFactor(peak, target, level, factor)) return NormalizeResult::kLeftAsItWas;
    CBinaryFile file;
    if (!file.Open(path, "r+b")) return NormalizeResult::kLeftAsItWas;
    WAVEFORMATEX format{};
    uint64_t declared = 0;
    if (!ReadWavHeader(file, format, declared)) return NormalizeResult::kLeftAsItWas;
    // Only the data this conversion wrote; a file of our own has nothing behind it.
    uint64_t remaining = dataBytes;
    const size_t block = kWorkBufferSize - kWorkBufferSize % (target.nBlockAlign ? target.nBlockAlign : 1);
    std::vector<BYTE> buffer(block);
    CSampleScaler scaler(target, factor);
    uint64_t processed = 0;
    while (remaining > 0) {
        size_t want = remaining < block ? static_cast<size_t>(remaining) : block;
        size_t n = file.Read(buffer.data(), want);
        if (n == 0) return processed == 0 ? NormalizeResult::kLeftAsItWas : NormalizeResult::kFailed;
        scaler.Scale(buffer.data(), n);
        if (!file.Seek(-static_cast<int64_t>(n), SEEK_CUR) || file.Write(buffer.data(), n) != n || !file.Flush())
            return NormalizeResult::kFailed;
        processed += n;
        remaining -= n;
        if (progress) progress(NormalizePercent(share, processed, dataBytes));
    }
    return file.Close() ? NormalizeResult::kScaled : NormalizeResult::kFailed;
}
