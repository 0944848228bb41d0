#include "AcmConvert.h"

#include <msacm.h>

#include <cstring>

#include "../acmdriver/PcmConverter.h"
#include "FormatCheck.h"

namespace {
struct AcmState {
    HACMDRIVER driver = nullptr;  // ours, for PCM to PCM
    HACMSTREAM stream = nullptr;
    ACMSTREAMHEADER header{};
    bool prepared = false;
    BYTE* source = nullptr;
    BYTE* destination = nullptr;
};
AcmState g_acm;

BYTE* AllocateLocked(DWORD size) {
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    if (!memory) return nullptr;
    BYTE* p = static_cast<BYTE*>(GlobalLock(memory));
    if (!p) GlobalFree(memory);
    return p;
}

void FreeLocked(BYTE*& p) {
    if (!p) return;
    HGLOBAL memory = GlobalHandle(p);
    GlobalUnlock(memory);
    GlobalFree(memory);
    p = nullptr;
}

// Releases whatever an open acquired; used after a failed open and by the close.
void Release() {
    if (g_acm.stream) acmStreamClose(g_acm.stream, 0);
    g_acm.stream = nullptr;
    if (g_acm.driver) acmDriverClose(g_acm.driver, 0);
    g_acm.driver = nullptr;
    FreeLocked(g_acm.source);
    FreeLocked(g_acm.destination);
    g_acm.prepared = false;
}
}  // namespace

int AcmOpenStream(const WAVEFORMATEX& source, DWORD sourceBufferSize, const WAVEFORMATEX& target,
                  DWORD* destinationBufferSize, BYTE** sourceBuffer, BYTE** destinationBuffer) {
    if (g_acm.stream) return 0;  // one stream at a time
    if (!IsConsistentFormat(source) || !IsConsistentFormat(target)) return 0;
    InstallPcmConverter();  // at the first stream at the latest
    // PCM to PCM goes to our converter only: another one the system has may
    // convert what ours refused, badly or not safely.
    if (IsPlainPcm(source) && IsPlainPcm(target) &&
        (!PcmConverterId() || acmDriverOpen(&g_acm.driver, PcmConverterId(), 0) != 0)) {
        g_acm.driver = nullptr;
        return 0;
    }
    // ACM takes non-const formats but does not change them.
    WAVEFORMATEX src = source, dst = target;
    if (acmStreamOpen(&g_acm.stream, g_acm.driver, &src, &dst, nullptr, 0, 0, ACM_STREAMOPENF_NONREALTIME) != 0) {
        g_acm.stream = nullptr;
        Release();
        return 0;
    }
    DWORD destinationSize = 0;
    if (acmStreamSize(g_acm.stream, sourceBufferSize, &destinationSize, ACM_STREAMSIZEF_SOURCE) != 0 ||
        destinationSize == 0) {
        Release();
        return 0;
    }
    g_acm.source = AllocateLocked(sourceBufferSize);
    g_acm.destination = AllocateLocked(destinationSize);
    if (!g_acm.source || !g_acm.destination) {
        Release();
        return 0;
    }
    ACMSTREAMHEADER& h = g_acm.header;
    memset(&h, 0, sizeof(h));
    h.cbStruct = sizeof(ACMSTREAMHEADER);
    h.pbSrc = g_acm.source;
    h.cbSrcLength = sourceBufferSize;
    h.cbSrcLengthUsed = sourceBufferSize;
    h.dwSrcUser = sourceBufferSize;
    h.pbDst = g_acm.destination;
    h.cbDstLength = destinationSize;
    h.cbDstLengthUsed = 0;
    h.dwDstUser = destinationSize;
    if (acmStreamPrepareHeader(g_acm.stream, &h, 0) != 0) {
        Release();
        return 0;
    }
    g_acm.prepared = true;
    *destinationBufferSize = destinationSize;
    *sourceBuffer = g_acm.source;
    *destinationBuffer = g_acm.destination;
    return 1;
}

int AcmConvert(DWORD sourceBytes, DWORD* leftover, DWORD* produced, bool end) {
    if (!g_acm.prepared || sourceBytes > g_acm.header.dwSrcUser) return 0;
    g_acm.header.cbSrcLength = sourceBytes;
    g_acm.header.cbDstLengthUsed = 0;
    DWORD flags = ACM_STREAMCONVERTF_BLOCKALIGN | (end ? ACM_STREAMCONVERTF_END : 0);
    if (acmStreamConvert(g_acm.stream, &g_acm.header, flags) != 0) return 0;
    // The stream was opened without a callback, so the call has finished on return.
    if (!(g_acm.header.fdwStatus & ACMSTREAMHEADER_STATUSF_DONE)) return 0;
    // A driver's word on what it used and made is checked against the buffers.
    if (g_acm.header.cbSrcLengthUsed > sourceBytes || g_acm.header.cbDstLengthUsed > g_acm.header.dwDstUser) return 0;
    *leftover = sourceBytes - g_acm.header.cbSrcLengthUsed;
    *produced = g_acm.header.cbDstLengthUsed;
    return 1;
}

HACMDRIVERID AcmStreamDriver() {
    HACMDRIVERID id = nullptr;
    if (!g_acm.stream || acmDriverID(reinterpret_cast<HACMOBJ>(g_acm.stream), &id, 0) != 0) return nullptr;
    return id;
}

int AcmCloseStream(DWORD sourceBufferSize, DWORD destinationBufferSize) {
    if (!g_acm.stream) return 0;
    if (g_acm.prepared) {
        g_acm.header.cbSrcLength = sourceBufferSize;
        g_acm.header.cbDstLength = destinationBufferSize;
        bool unprepared = acmStreamUnprepareHeader(g_acm.stream, &g_acm.header, 0) == 0;
        g_acm.prepared = false;
        if (!unprepared) {
            // The stream is closed all the same, or the next file could open none.
            Release();
            return 0;
        }
    }
    Release();
    return 1;
}
