#include "Mp3Source.h"

#include "../acmdriver/PcmFormats.h"
#include "../decoders/SndStreamWinAmp.h"
#include "Progress.h"

CMp3Source::~CMp3Source() {
    if (m_opened) SndStream().Close();
}

bool CMp3Source::Open(const char* path) {
    ISndStreamWinAmp& host = SndStream();
    m_opened = true;  // Close follows every Open, a failed one too
    if (!host.Open(path)) return false;
    // The decoder's PCM: 16-bit at the file's own rate and channel count.
    m_format = MakePcm(static_cast<WORD>(host.m_nChannels), static_cast<DWORD>(host.m_nSampleRate), 16);
    return true;
}

// As many whole decoded blocks as the room takes: a conversion and a write per
// second of sound instead of per block keeps the copy loop ahead of the decoder.
DWORD CMp3Source::Read(BYTE* dst, DWORD room) {
    DWORD total = 0;
    while (!m_ended && room - total >= PcmRingBuffer::kSlotBytes) {
        DWORD n = SndStream().Read(dst + total, room - total);
        if (n == 0) m_ended = true;
        total += n;
    }
    // Less room than a block (never in the copy loop): the host splits the block.
    if (total == 0 && !m_ended) {
        total = SndStream().Read(dst, room);
        m_ended = total == 0;
    }
    m_delivered += total;
    return total;
}

bool CMp3Source::Failed() const { return m_ended && (m_delivered == 0 || SndStream().ReadFailed()); }

uint32_t CMp3Source::Percent(uint64_t, uint32_t share) {
    ISndStreamWinAmp& host = SndStream();
    int done = host.GetOutputTime(), total = host.GetLength();
    if (done < 0 || total <= 0) return 0;
    return SharePercent(static_cast<uint64_t>(done), share, static_cast<uint64_t>(total));
}
