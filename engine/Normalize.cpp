#include "Normalize.h"

#include <cstring>
#include <vector>

#include "../framework/BinaryFile.h"
#include "Progress.h"
#include "WavHeader.h"

namespace {
// Large blocks: every block costs a seek, a write and a flush. A multiple of
// 4 bytes, so no block ends inside a stereo 16-bit frame.
const size_t kWorkBufferSize = 1 << 20;

}  // namespace

bool CanNormalize(const WAVEFORMATEX& target) {
    return target.wFormatTag == WAVE_FORMAT_PCM && (target.wBitsPerSample == 8 || target.wBitsPerSample == 16);
}

void UpdatePeak(const BYTE* data, size_t bytes, WORD bitsPerSample, int32_t& peak) {
    if (bitsPerSample == 16) {
        // The largest magnitude is the larger of the maximum and minus the minimum;
        // kept apart, both loops vectorise on 16-bit lanes.
        int16_t lo = 0, hi = 0;
        size_t samples = bytes / 2;
        for (size_t i = 0; i < samples; ++i) {
            int16_t s;
            memcpy(&s, data + 2 * i, 2);
            lo = s < lo ? s : lo;
            hi = s > hi ? s : hi;
        }
        int32_t top = -int32_t(lo) > hi ? -int32_t(lo) : hi;
        if (top > peak) peak = top;
    } else {
        uint8_t lo = 128, hi = 128;
        for (size_t i = 0; i < bytes; ++i) {
            lo = data[i] < lo ? data[i] : lo;
            hi = data[i] > hi ? data[i] : hi;
        }
        int32_t top = 128 - lo > hi - 128 ? 128 - lo : hi - 128;
        if (top > peak) peak = top;
    }
}

bool NormalizeFactor(int32_t peak, WORD bitsPerSample, int level, double& factor) {
    if (peak <= 1) return false;
    double percent = (peak - 1) * (bitsPerSample == 16 ? 0.0030517578125 : 0.78125);
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

CSampleScaler::CSampleScaler(WORD bitsPerSample, double factor) : m_bits(bitsPerSample) {
    // Every possible sample value, computed once per file with the same arithmetic.
    if (m_bits == 16) {
        m_table16.resize(65536);
        for (int32_t s = -32768; s <= 32767; ++s) m_table16[uint16_t(s)] = ScaleSample16(int16_t(s), factor);
    } else {
        for (int b = 0; b < 256; ++b) m_table8[b] = ScaleSample8(BYTE(b), factor);
    }
}

void CSampleScaler::Scale(BYTE* data, size_t bytes) const {
    if (m_bits == 16) {
        size_t samples = bytes / 2;
        for (size_t i = 0; i < samples; ++i) {
            uint16_t s;
            memcpy(&s, data + 2 * i, 2);
            memcpy(data + 2 * i, &m_table16[s], 2);
        }
    } else {
        for (size_t i = 0; i < bytes; ++i) data[i] = m_table8[data[i]];
    }
}

void ScaleSamples(BYTE* data, size_t bytes, WORD bitsPerSample, double factor) {
    CSampleScaler(bitsPerSample, factor).Scale(data, bytes);
}

NormalizeResult NormalizeFile(const char* path, const WAVEFORMATEX& target, int32_t peak, int level,
                              uint64_t dataBytes, uint32_t share, const std::function<void(uint32_t)>& progress) {
    double factor = 0;
    if (!CanNormalize(target) || !NormalizeFactor(peak, target.wBitsPerSample, level, factor))
        return NormalizeResult::kLeftAsItWas;
    CBinaryFile file;
    if (!file.Open(path, "r+b")) return NormalizeResult::kLeftAsItWas;
    WAVEFORMATEX format{};
    uint32_t declared = 0;
    if (!ReadWavHeader(file, format, declared)) return NormalizeResult::kLeftAsItWas;
    // Only the data this conversion wrote; a file of our own has nothing behind it.
    uint64_t remaining = dataBytes;
    std::vector<BYTE> buffer(kWorkBufferSize);
    CSampleScaler scaler(target.wBitsPerSample, factor);
    uint64_t processed = 0;
    while (remaining > 0) {
        size_t want = remaining < kWorkBufferSize ? static_cast<size_t>(remaining) : kWorkBufferSize;
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
