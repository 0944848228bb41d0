#include "WavSource.h"

#include "Progress.h"
#include "WavHeader.h"

CWavSource::OpenResult CWavSource::Open(const char* path) {
    if (!m_file.Open(path, "rb")) return kCannotOpen;
    if (!ReadWavHeader(m_file, m_format, m_declaredSize)) return kNotWav;
    int64_t dataOffset = m_file.Tell();
    int64_t fileSize = m_file.Size();
    if (dataOffset < 0 || fileSize < 0) return kNotWav;
    m_bytesToConvert = WavBytesToConvert(static_cast<uint64_t>(fileSize), static_cast<uint64_t>(dataOffset),
                                         m_declaredSize);
    m_remaining = m_bytesToConvert;
    return kOpened;
}

DWORD CWavSource::Read(BYTE* dst, DWORD room) {
    DWORD want = m_remaining < room ? static_cast<DWORD>(m_remaining) : room;
    if (want == 0) return 0;
    DWORD got = static_cast<DWORD>(m_file.Read(dst, want));
    m_remaining -= got;
    return got;
}

bool CWavSource::Failed() const {
    // A real size declared (not 0 or the "unknown" size) without one whole sample frame behind it.
    bool declaredButEmpty = m_declaredSize != 0 && m_declaredSize != kWavSizeUnknown &&
                            m_bytesToConvert < (m_format.nBlockAlign ? m_format.nBlockAlign : 1u);
    return m_file.HadError() || declaredButEmpty;
}

uint32_t CWavSource::Percent(uint64_t consumed, uint32_t share) {
    // A header that declares no size shows no progress, as it always has.
    if (m_declaredSize == 0) return 0;
    return SharePercent(consumed, share, m_bytesToConvert);
}
