#include "AcmStream.h"

#include <cstring>
#include <mutex>

#include "../acmdriver/PcmConverter.h"
#include "FormatCheck.h"

namespace {
// Files open and close their streams on several threads at once, and an ACM
// may keep its lists of open drivers without a lock of its own (two streams
// closing together then free the same entry): opening and closing take turns.
// Converting, the long part, needs none.
std::mutex g_openCloseTurn;
}  // namespace

bool CAcmStream::Open(const WAVEFORMATEX& source, const WAVEFORMATEX& target, DWORD sourceBufferSize) {
    Close();
    if (!IsConsistentFormat(source) || !IsConsistentFormat(target) || sourceBufferSize == 0) return false;
    InstallPcmConverter();  // at the first stream at the latest
    std::lock_guard<std::mutex> turn(g_openCloseTurn);
    if (OpenStream(source, target, sourceBufferSize)) return true;
    Release();
    return false;
}

bool CAcmStream::OpenStream(const WAVEFORMATEX& source, const WAVEFORMATEX& target, DWORD sourceBufferSize) {
    // PCM to PCM goes to our converter only: another one the system has may
    // convert what ours refused, badly or not safely.
    if (IsPlainPcm(source) && IsPlainPcm(target) &&
        (!PcmConverterId() || acmDriverOpen(&m_driver, PcmConverterId(), 0) != 0)) {
        m_driver = nullptr;
        return false;
    }
    // ACM takes non-const formats but does not change them.
    WAVEFORMATEX src = source, dst = target;
    if (acmStreamOpen(&m_stream, m_driver, &src, &dst, nullptr, 0, 0, ACM_STREAMOPENF_NONREALTIME) != 0) {
        m_stream = nullptr;
        return false;
    }
    m_sourceSize = sourceBufferSize;
    return acmStreamSize(m_stream, m_sourceSize, &m_destinationSize, ACM_STREAMSIZEF_SOURCE) == 0 &&
           m_destinationSize != 0 && Prepare();
}

bool CAcmStream::Prepare() {
    m_source.reset(new (std::nothrow) BYTE[m_sourceSize]());
    m_destination.reset(new (std::nothrow) BYTE[m_destinationSize]());
    if (!m_source || !m_destination) return false;
    memset(&m_header, 0, sizeof(m_header));
    m_header.cbStruct = sizeof(ACMSTREAMHEADER);
    m_header.pbSrc = m_source.get();
    m_header.cbSrcLength = m_sourceSize;
    m_header.pbDst = m_destination.get();
    m_header.cbDstLength = m_destinationSize;
    m_prepared = acmStreamPrepareHeader(m_stream, &m_header, 0) == 0;
    return m_prepared;
}

std::optional<CAcmStream::Step> CAcmStream::Convert(DWORD sourceBytes, bool end) {
    if (!m_prepared || sourceBytes > m_sourceSize) return std::nullopt;
    m_header.cbSrcLength = sourceBytes;
    m_header.cbDstLengthUsed = 0;
    DWORD flags = ACM_STREAMCONVERTF_BLOCKALIGN | (end ? ACM_STREAMCONVERTF_END : 0);
    if (acmStreamConvert(m_stream, &m_header, flags) != 0) return std::nullopt;
    // The stream was opened without a callback, so the call has finished on return.
    if (!(m_header.fdwStatus & ACMSTREAMHEADER_STATUSF_DONE)) return std::nullopt;
    // A driver's word on what it used and made is checked against the buffers.
    if (m_header.cbSrcLengthUsed > sourceBytes || m_header.cbDstLengthUsed > m_destinationSize) return std::nullopt;
    return Step{sourceBytes - m_header.cbSrcLengthUsed, m_header.cbDstLengthUsed};
}

HACMDRIVERID CAcmStream::Driver() const {
    HACMDRIVERID id = nullptr;
    if (!m_stream || acmDriverID(reinterpret_cast<HACMOBJ>(m_stream), &id, 0) != 0) return nullptr;
    return id;
}

bool CAcmStream::Close() {
    std::lock_guard<std::mutex> turn(g_openCloseTurn);
    return Release();
}

bool CAcmStream::Release() {
    bool unprepared = true;
    if (m_prepared) {
        // Unprepared with the lengths it was prepared with.
        m_header.cbSrcLength = m_sourceSize;
        m_header.cbDstLength = m_destinationSize;
        unprepared = acmStreamUnprepareHeader(m_stream, &m_header, 0) == 0;
        m_prepared = false;
    }
    // Closed even when the unprepare failed, or the next file could open none.
    bool closed = !m_stream || acmStreamClose(m_stream, 0) == 0;
    m_stream = nullptr;
    if (m_driver) acmDriverClose(m_driver, 0);
    m_driver = nullptr;
    m_source.reset();
    m_destination.reset();
    m_sourceSize = m_destinationSize = 0;
    return unprepared && closed;
}
