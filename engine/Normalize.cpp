#include "Normalize.h"

#include <cstring>
#include <vector>

#include "../framework/BinaryFile.h"
#include "Progress.h"
#include "WavHeader.h"

namespace {
const size_t kWorkBufferSize = 32000;

int16_t Sample16(const BYTE* p) { return static_cast<int16_t>(p[0] | (p[1] << 8)); }
}  // namespace

bool CanNormalize(const WAVEFORMATEX& target) {
    return target.wFormatTag == WAVE_FORMAT_PCM && (target.wBitsPerSample == 8 || target.wBitsPerSample == 16);
}

void UpdatePeak(const BYTE* data, size_t bytes, WORD bitsPerSample, int32_t& peak) {
    if (bitsPerSample == 16) {
        for (size_t i = 0; i + 1 < bytes; i += 2) {
            int32_t s = Sample16(data + i);
            if (s < 0) s = -s;
            if (s > peak) peak = s;
        }
    } else {
        for (size_t i = 0; i < bytes; ++i) {
            int32_t d = data[i] - 128;
            if (d < 0) d = -d;
            if (d > peak) peak = d;
        }
    }
}

bool NormalizeFactor(int32_t peak, WORD bitsPerSample, int level, double& factor) {
    if (peak <= 1) return false;
    double percent = (peak - 1) * (bitsPerSample == 16 ? 0.0030517578125 : 0.78125);
    factor = level / percent * 0.9999;
    return true;
}

void ScaleSamples(BYTE* data, size_t bytes, WORD bitsPerSample, double factor) {
    if (bitsPerSample == 16) {
        for (size_t i = 0; i + 1 < bytes; i += 2) {
            double v = Sample16(data + i) * factor;
            int32_t s = v >= 32767.0 ? 32767 : v <= -32768.0 ? -32768 : static_cast<int32_t>(v);
            data[i] = static_cast<BYTE>(s & 0xFF);
            data[i + 1] = static_cast<BYTE>((s >> 8) & 0xFF);
        }
    } else {
        for (size_t i = 0; i < bytes; ++i) {
            double v = (data[i] - 128) * factor;
            data[i] = v >= 127.0 ? 255 : v <= -128.0 ? 0 : static_cast<BYTE>(static_cast<int32_t>(v) + 128);
        }
    }
}

bool NormalizeFile(const char* path, const WAVEFORMATEX& target, int32_t peak, int level, uint64_t dataBytes,
                   uint32_t share, const std::function<void(uint32_t)>& progress) {
    double factor = 0;
    if (!CanNormalize(target) || !NormalizeFactor(peak, target.wBitsPerSample, level, factor)) return false;
    CBinaryFile file;
    if (!file.Open(path, "r+b")) return false;
    WAVEFORMATEX format{};
    uint32_t declared = 0;
    if (!ReadWavHeader(file, format, declared)) return false;
    // Only the data this conversion wrote; a file of our own has nothing behind it.
    uint64_t remaining = dataBytes;
    std::vector<BYTE> buffer(kWorkBufferSize);
    uint64_t processed = 0;
    while (remaining > 0) {
        size_t want = remaining < kWorkBufferSize ? static_cast<size_t>(remaining) : kWorkBufferSize;
        size_t n = file.Read(buffer.data(), want);
        if (n == 0) break;
        ScaleSamples(buffer.data(), n, target.wBitsPerSample, factor);
        if (!file.Seek(-static_cast<int64_t>(n), SEEK_CUR) || file.Write(buffer.data(), n) != n || !file.Flush())
            return false;
        processed += n;
        remaining -= n;
        if (progress) progress(NormalizePercent(share, processed, dataBytes));
    }
    return file.Close();
}
