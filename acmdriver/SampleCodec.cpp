#include "SampleCodec.h"

#include <emmintrin.h>

#include <cmath>
#include <cstring>

namespace {
float Sample(const BYTE* p, const WAVEFORMATEX& f) {
    if (f.wFormatTag == WAVE_FORMAT_IEEE_FLOAT) {
        float v;
        memcpy(&v, p, 4);
        return std::isfinite(v) ? v : 0.0f;
    }
    switch (f.wBitsPerSample) {
    case 8:
        return (static_cast<int>(p[0]) - 128) * (1.0f / 128);
    case 16:
        return static_cast<int16_t>(p[0] | (p[1] << 8)) * (1.0f / 32768);
    case 24:
        return static_cast<int32_t>((static_cast<uint32_t>(p[0]) << 8) | (static_cast<uint32_t>(p[1]) << 16) |
                                    (static_cast<uint32_t>(p[2]) << 24)) *
               (1.0f / 2147483648.0f);
    default: {
        int32_t v;
        memcpy(&v, p, 4);
        return static_cast<float>(v * (1.0 / 2147483648.0));
    }
    }
}
}  // namespace

void DecodeFrames(const BYTE* src, const WAVEFORMATEX& format, size_t frames, WORD outChannels, float* out) {
    const size_t bytes = format.wBitsPerSample / 8;
    const size_t align = format.nBlockAlign;
    if (format.wFormatTag == WAVE_FORMAT_PCM && bytes == 2 && format.nChannels == outChannels) {
        // The common case, sample by sample without the general path's choices.
        for (size_t i = 0; i < frames * outChannels; ++i, src += 2)
            out[i] = static_cast<int16_t>(src[0] | (src[1] << 8)) * (1.0f / 32768);
        return;
    }
    for (size_t i = 0; i < frames; ++i, src += align) {
        if (format.nChannels == outChannels) {
            for (WORD c = 0; c < outChannels; ++c) *out++ = Sample(src + c * bytes, format);
        } else if (outChannels == 2) {
            float v = Sample(src, format);
            *out++ = v;
            *out++ = v;
        } else {
            *out++ = (Sample(src, format) + Sample(src + bytes, format)) * 0.5f;
        }
    }
}

float CTpdfDither::Next() {
    auto uniform = [this] {
        m_state ^= m_state << 13;
        m_state ^= m_state >> 17;
        m_state ^= m_state << 5;
        return static_cast<float>(m_state >> 8) * (1.0f / 16777216.0f);
    };
    return uniform() - uniform();
}

namespace {
void EncodeNarrow(const float* in, size_t count, WORD copies, bool eight, CTpdfDither* dither, BYTE* dst) {
    const float scale = eight ? 128.0f : 32768.0f;
    const float low = -scale, high = scale - 1;
    for (size_t i = 0; i < count; ++i) {
        float v = in[i] * scale;
        if (dither) v += dither->Next();
        v = v < low ? low : v > high ? high : v;
        int s = _mm_cvt_ss2si(_mm_set_ss(v));  // to nearest, ties to even, without a library call
        for (WORD c = 0; c < copies; ++c) {
            if (eight) {
                *dst++ = static_cast<BYTE>(s + 128);
            } else {
                *dst++ = static_cast<BYTE>(s & 0xFF);
                *dst++ = static_cast<BYTE>((s >> 8) & 0xFF);
            }
        }
    }
}

// 24 and 32 bits in double: a float cannot hold 2^31 - 1, and its nearest
// value would round past the top of the range.
void EncodeWide(const float* in, size_t count, WORD copies, int bytes, CTpdfDither* dither, BYTE* dst) {
    const double scale = bytes == 3 ? 8388608.0 : 2147483648.0;
    const double low = -scale, high = scale - 1;
    for (size_t i = 0; i < count; ++i) {
        double v = in[i] * scale;
        if (dither) v += dither->Next();
        v = v < low ? low : v > high ? high : v;
        uint32_t s = static_cast<uint32_t>(_mm_cvtsd_si32(_mm_set_sd(v)));
        for (WORD c = 0; c < copies; ++c)
            for (int k = 0; k < bytes; ++k) *dst++ = static_cast<BYTE>(s >> (8 * k));
    }
}

// Float keeps what lies beyond full scale: nothing is clipped or rounded.
void EncodeFloat(const float* in, size_t count, WORD copies, BYTE* dst) {
    for (size_t i = 0; i < count; ++i)
        for (WORD c = 0; c < copies; ++c, dst += 4) memcpy(dst, &in[i], 4);
}
}  // namespace

void EncodeFrames(const float* in, WORD inChannels, size_t frames, const WAVEFORMATEX& format, CTpdfDither* dither,
                  BYTE* dst) {
    const WORD copies = format.nChannels > inChannels ? 2 : 1;
    const size_t count = frames * inChannels;
    if (format.wFormatTag == WAVE_FORMAT_IEEE_FLOAT)
        EncodeFloat(in, count, copies, dst);
    else if (format.wBitsPerSample <= 16)
        EncodeNarrow(in, count, copies, format.wBitsPerSample == 8, dither, dst);
    else
        EncodeWide(in, count, copies, format.wBitsPerSample / 8, dither, dst);
}
