#include "WmaSource.h"

#include <cstring>

#include "Progress.h"

CWmaSource::OpenResult CWmaSource::Open(const char* path) {
    int result = m_file.Open(path);
    if (result == kWmaComFailed) return kComFailed;
    if (result == kWmaRuntimeMissing) return kRuntimeMissing;
    if (result != kWmaReady) return kNotWma;
    if (!m_file.GetFormat(&m_format)) return kNoFormat;
    return kOpened;
}

DWORD CWmaSource::Read(BYTE* dst, DWORD room) {
    // One reader sample a step; one larger than the room left comes in pieces.
    if (m_left == 0 && !m_ended) {
        m_file.ReleaseSample();
        DWORD length = 0, percent = 0;
        BYTE* data = nullptr;
        int result = m_file.ReadSample(&data, &length, &percent);
        if (result == 1) {
            m_data = data;
            m_left = length;
            m_percent = percent;
        } else {
            m_ended = true;
            // Not the end of the samples, or the file failed under a reader that took it for the end.
            m_failed = result == 0 || m_file.ReadFailed();
        }
    }
    DWORD n = m_left < room ? m_left : room;
    if (n) memcpy(dst, m_data, n);
    m_data += n;
    m_left -= n;
    m_delivered += n;
    return n;
}

uint32_t CWmaSource::Percent(uint64_t, uint32_t share) { return SharePercent(m_percent, share, 100); }
