#include "WmaSource.h"

#include <cstring>

#include "../decoders/WmaReader.h"
#include "Progress.h"

CWmaSource::~CWmaSource() {
    if (!m_needsClose) return;
    WmaReleaseSample();
    WmaClose();
}

CWmaSource::OpenResult CWmaSource::Open(const char* path) {
    int result = WmaOpen(path);
    if (result == kWmaComFailed) return kComFailed;
    m_needsClose = true;
    if (result != kWmaReady) return kNotWma;
    if (!WmaGetFormat(&m_format)) return kNoFormat;
    return kOpened;
}

DWORD CWmaSource::Read(BYTE* dst, DWORD room) {
    // Fill the block from as many samples as fit: one conversion step per
    // second of sound, not per sample of a few milliseconds.
    DWORD total = 0;
    while (total < room) {
        if (m_left == 0) {
            if (m_ended) break;
            WmaReleaseSample();
            DWORD length = 0, percent = 0;
            BYTE* data = nullptr;
            if (WmaReadSample(&data, &length, &percent) != 1) {
                m_ended = true;  // the end of the samples, or a reader error
                break;
            }
            m_data = data;
            m_left = length;
            m_percent = percent;
        }
        DWORD n = m_left < room - total ? m_left : room - total;
        memcpy(dst + total, m_data, n);
        m_data += n;
        m_left -= n;
        total += n;
    }
    return total;
}

uint32_t CWmaSource::Percent(uint64_t, uint32_t share) { return SharePercent(m_percent, share, 100); }
