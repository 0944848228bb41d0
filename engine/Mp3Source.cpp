#include "Mp3Source.h"

#include "../acmdriver/PcmFormats.h"
#include "Progress.h"

bool CMp3Source::Open(const char* path, const std::function<bool()>& keepWaiting) {
    m_stream = SndStream().Acquire(keepWaiting);
    if (!m_stream || !m_stream->Open(path)) return false;
    // The decoder's PCM: 16-bit at the file's own rate and channel count.
    m_format = MakePcm(static_cast<WORD>(m_stream->m_nChannels), static_cast<DWORD>(m_stream->m_nSampleRate), 16);
    return true;
}

// As many whole decoded blocks as the room takes: a conversion and a write per
// second of sound instead of per block keeps the copy loop ahead of the decoder.
DWORD CMp3Source::Read(BYTE* dst, DWORD room) {
    DWORD total = 0;
    while (!m_ended && room - total >= PcmRingBuffer::kSlotBytes) {
        DWORD n = m_stream->Read(dst + total, room - total);
        if (n == 0) m_ended = true;
        total += n;
    }
    // Less room than a block (never in the copy loop): the host splits the block.
    if (total == 0 && !m_ended) {
        total = m_stream->Read(dst, room);
        m_ended = total == 0;
    }
    m_delivered += total;
    return total;
}

bool CMp3Source::Failed() const { return m_ended && (m_delivered == 0 || m_stream->ReadFailed()); }

uint32_t CMp3Source::Percent(uint64_t, uint32_t share) {
    int done = m_stream->GetOutputTime(), total = m_stream->GetLength();
    if (done < 0 || total <= 0) return 0;
    return SharePercent(static_cast<uint64_t>(done), share, static_cast<uint64_t>(total));
}
