#include "PcmStream.h"

#include <soxr.h>

#include <algorithm>
#include <cstring>

#include "PcmFormats.h"

CPcmStream::CPcmStream(const WAVEFORMATEX& source, const WAVEFORMATEX& target) : m_source(source), m_target(target) {
    m_identity = source.wFormatTag == target.wFormatTag && source.nChannels == target.nChannels &&
                 source.nSamplesPerSec == target.nSamplesPerSec && source.wBitsPerSample == target.wBitsPerSample;
    m_workChannels = std::min(source.nChannels, target.nChannels);
    // Only a narrower target is dithered; the same width or a wider one (a rate
    // or channel change of 16-bit sound, 16 to 24 bits, anything to float) is rounded.
    m_dither = NarrowsSamples(source, target);
    m_ready = m_identity || source.nSamplesPerSec == target.nSamplesPerSec || CreateResampler();
}

CPcmStream::~CPcmStream() {
    if (m_soxr) soxr_delete(m_soxr);
}

bool CPcmStream::CreateResampler() {
    soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
    soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
    soxr_runtime_spec_t runtime = soxr_runtime_spec(1);
    soxr_error_t error = nullptr;
    m_soxr = soxr_create(m_source.nSamplesPerSec, m_target.nSamplesPerSec, m_workChannels, &error, &io, &quality,
                         &runtime);
    return m_soxr && !error;
}

void CPcmStream::Reset() {
    if (m_soxr) soxr_clear(m_soxr);
    m_fifo.clear();
    m_fifoStart = 0;
    m_framesIn = m_framesOut = 0;
}

DWORD CPcmStream::DestinationSize(const WAVEFORMATEX& source, const WAVEFORMATEX& target, DWORD srcBytes) {
    uint64_t frames = srcBytes / source.nBlockAlign;
    uint64_t out = (frames * target.nSamplesPerSec + source.nSamplesPerSec - 1) / source.nSamplesPerSec;
    if (source.nSamplesPerSec != target.nSamplesPerSec) out += kMarginFrames;
    uint64_t bytes = out * target.nBlockAlign;
    return bytes > 0x7FFFFFFF ? 0 : static_cast<DWORD>(bytes);
}

DWORD CPcmStream::SourceSize(const WAVEFORMATEX& source, const WAVEFORMATEX& target, DWORD dstBytes) {
    uint64_t frames = dstBytes / target.nBlockAlign;
    uint64_t in = frames * source.nSamplesPerSec / target.nSamplesPerSec;
    uint64_t bytes = in * source.nBlockAlign;
    return bytes > 0x7FFFFFFF ? 0 : static_cast<DWORD>(bytes);
}

void CPcmStream::Emit(const float* frames, size_t count) {
    size_t at = m_fifo.size();
    m_fifo.resize(at + count * m_target.nBlockAlign);
    EncodeFrames(frames, m_workChannels, count, m_target, m_dither ? &m_ditherState : nullptr, m_fifo.data() + at);
    m_framesOut += count;
}

bool CPcmStream::Resample(const float* in, size_t frames, bool end) {
    const WORD ch = m_workChannels;
    size_t room = static_cast<size_t>(static_cast<uint64_t>(frames) * m_target.nSamplesPerSec /
                                      m_source.nSamplesPerSec) + 4096;
    if (m_out.size() < room * ch) m_out.resize(room * ch);
    size_t used = 0;
    while (used < frames) {
        size_t idone = 0, odone = 0;
        if (soxr_process(m_soxr, in + used * ch, frames - used, &idone, m_out.data(), room, &odone)) return false;
        used += idone;
        Emit(m_out.data(), odone);
        if (idone == 0 && odone == 0) break;
    }
    if (!end) return true;
    for (;;) {  // no more input: what the filter still holds
        size_t odone = 0;
        if (soxr_process(m_soxr, nullptr, 0, nullptr, m_out.data(), room, &odone)) return false;
        if (odone == 0) break;
        Emit(m_out.data(), odone);
    }
    // Exactly round(n x out / in) frames: trim the filter's tail or pad it.
    uint64_t exact = (m_framesIn * m_target.nSamplesPerSec + m_source.nSamplesPerSec / 2) / m_source.nSamplesPerSec;
    if (m_framesOut > exact) {
        m_fifo.resize(m_fifo.size() - static_cast<size_t>(m_framesOut - exact) * m_target.nBlockAlign);
    } else if (m_framesOut < exact) {
        std::vector<float> silence(static_cast<size_t>(exact - m_framesOut) * ch, 0.0f);
        Emit(silence.data(), static_cast<size_t>(exact - m_framesOut));
    }
    m_framesOut = exact;
    return true;
}

bool CPcmStream::Convert(const BYTE* src, DWORD srcBytes, BYTE* dst, DWORD dstBytes, bool end, DWORD& srcUsed,
                         DWORD& dstUsed) {
    size_t frames = srcBytes / m_source.nBlockAlign;
    srcUsed = static_cast<DWORD>(frames * m_source.nBlockAlign);
    m_framesIn += frames;
    if (m_identity && m_fifo.empty()) {
        // The same format: a straight copy, bit for bit.
        DWORD n = std::min(srcUsed, dstBytes - dstBytes % m_target.nBlockAlign);
        memcpy(dst, src, n);
        m_fifo.assign(src + n, src + srcUsed);
        dstUsed = n;
        return true;
    }
    if (m_identity) {
        m_fifo.insert(m_fifo.end(), src, src + srcUsed);
    } else {
        if (m_in.size() < frames * m_workChannels) m_in.resize(frames * m_workChannels);
        DecodeFrames(src, m_source, frames, m_workChannels, m_in.data());
        if (m_soxr) {
            if (!Resample(m_in.data(), frames, end)) return false;
        } else {
            Emit(m_in.data(), frames);
        }
    }
    // Hand over what fits, whole frames only; the rest waits for the next call.
    size_t pending = m_fifo.size() - m_fifoStart;
    size_t n = std::min<size_t>(pending, dstBytes - dstBytes % m_target.nBlockAlign);
    memcpy(dst, m_fifo.data() + m_fifoStart, n);
    m_fifoStart += n;
    if (m_fifoStart == m_fifo.size()) {
        m_fifo.clear();
        m_fifoStart = 0;
    } else if (m_fifoStart > (1u << 20)) {
        m_fifo.erase(m_fifo.begin(), m_fifo.begin() + static_cast<long>(m_fifoStart));
        m_fifoStart = 0;
    }
    dstUsed = static_cast<DWORD>(n);
    return true;
}
