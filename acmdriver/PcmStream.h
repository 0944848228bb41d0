// One conversion stream of our PCM converter: decode to floats, mix the
// channels, resample through libsoxr (one streaming state for the whole
// stream), dither where the width shrinks, and encode. Output that does not
// fit the caller's buffer waits in a FIFO for the next call; the end flushes
// the resampler and makes the length exactly round(n x out / in) frames.
#pragma once
#include <windows.h>
#include <mmreg.h>

#include <cstdint>
#include <vector>

#include "SampleCodec.h"

struct soxr;

class CPcmStream {
public:
    // Frames a rate change may hold back or release at once, beyond the ratio.
    static constexpr DWORD kMarginFrames = 32768;

    CPcmStream(const WAVEFORMATEX& source, const WAVEFORMATEX& target);
    ~CPcmStream();
    CPcmStream(const CPcmStream&) = delete;
    CPcmStream& operator=(const CPcmStream&) = delete;
    bool IsReady() const { return m_ready; }

    // Converts every whole source frame; returns false on a failure.
    bool Convert(const BYTE* src, DWORD srcBytes, BYTE* dst, DWORD dstBytes, bool end, DWORD& srcUsed,
                 DWORD& dstUsed);
    void Reset();

    // Room the output of srcBytes can need, and the source a room of dstBytes takes.
    static DWORD DestinationSize(const WAVEFORMATEX& source, const WAVEFORMATEX& target, DWORD srcBytes);
    static DWORD SourceSize(const WAVEFORMATEX& source, const WAVEFORMATEX& target, DWORD dstBytes);

private:
    bool Resample(const float* in, size_t frames, bool end);
    void Emit(const float* frames, size_t count);
    bool CreateResampler();

    WAVEFORMATEX m_source, m_target;
    bool m_ready = false;
    bool m_identity = false;
    bool m_dither = false;
    WORD m_workChannels = 0;
    soxr* m_soxr = nullptr;
    CTpdfDither m_ditherState;
    std::vector<float> m_in, m_out;
    std::vector<BYTE> m_fifo;
    size_t m_fifoStart = 0;
    uint64_t m_framesIn = 0, m_framesOut = 0;
};
