// The driver procedure: answers the ACM's messages for a PCM converter.
#include <cstring>
#include <memory>
#include <mutex>

#include "AcmDriverAbi.h"
#include "PcmConverter.h"
#include "PcmFormats.h"
#include "PcmStream.h"

namespace {
HACMDRIVERID g_driverId = nullptr;

void CopyName(WCHAR* dst, size_t size, const wchar_t* text) {
    wcsncpy(dst, text, size - 1);
    dst[size - 1] = L'\0';
}

LRESULT DriverDetails(ACMDRIVERDETAILSW* details) {
    ACMDRIVERDETAILSW d{};
    d.cbStruct = sizeof(d);
    d.fccType = ACMDRIVERDETAILS_FCCTYPE_AUDIOCODEC;
    d.fccComp = ACMDRIVERDETAILS_FCCCOMP_UNDEFINED;
    d.wMid = 0xFFFF;
    d.wPid = 1;
    d.vdwACM = 0x03320000;
    d.vdwDriver = 0x01000000;
    d.fdwSupport = ACMDRIVERDETAILS_SUPPORTF_CONVERTER;
    d.cFormatTags = 2;
    CopyName(d.szShortName, ACMDRIVERDETAILS_SHORTNAME_CHARS, L"Wavory PCM");
    CopyName(d.szLongName, ACMDRIVERDETAILS_LONGNAME_CHARS, L"Wavory PCM converter (libsoxr resampling)");
    CopyName(d.szCopyright, ACMDRIVERDETAILS_COPYRIGHT_CHARS, L"Wavory");
    DWORD size = details->cbStruct < sizeof(d) ? details->cbStruct : sizeof(d);
    memcpy(details, &d, size);
    details->cbStruct = size;
    return MMSYSERR_NOERROR;
}

bool IsOurTag(DWORD tag) { return tag == WAVE_FORMAT_PCM || tag == WAVE_FORMAT_IEEE_FLOAT; }

// The size of a format record of the tag: float records carry cbSize.
DWORD FormatSize(DWORD tag) { return tag == WAVE_FORMAT_PCM ? sizeof(PCMWAVEFORMAT) : sizeof(WAVEFORMATEX); }

// Two tags, PCM and float, whose formats we list, read and make.
LRESULT FormatTagDetails(ACMFORMATTAGDETAILSW* tag, DWORD flags) {
    DWORD formatTag = 0;
    switch (flags & ACM_FORMATTAGDETAILSF_QUERYMASK) {
    case ACM_FORMATTAGDETAILSF_INDEX:
        if (tag->dwFormatTagIndex > 1) return ACMERR_NOTPOSSIBLE;
        formatTag = tag->dwFormatTagIndex == 0 ? WAVE_FORMAT_PCM : WAVE_FORMAT_IEEE_FLOAT;
        break;
    case ACM_FORMATTAGDETAILSF_FORMATTAG:
        if (!IsOurTag(tag->dwFormatTag)) return ACMERR_NOTPOSSIBLE;
        formatTag = tag->dwFormatTag;
        break;
    case ACM_FORMATTAGDETAILSF_LARGESTSIZE:
        if (tag->dwFormatTag != WAVE_FORMAT_UNKNOWN && !IsOurTag(tag->dwFormatTag)) return ACMERR_NOTPOSSIBLE;
        // Float's record is the larger one.
        formatTag = tag->dwFormatTag == WAVE_FORMAT_PCM ? WAVE_FORMAT_PCM : WAVE_FORMAT_IEEE_FLOAT;
        break;
    default:
        return MMSYSERR_NOTSUPPORTED;
    }
    bool pcm = formatTag == WAVE_FORMAT_PCM;
    tag->dwFormatTagIndex = pcm ? 0 : 1;
    tag->dwFormatTag = formatTag;
    tag->cbFormatSize = FormatSize(formatTag);
    tag->fdwSupport = ACMDRIVERDETAILS_SUPPORTF_CONVERTER;
    tag->cStandardFormats = static_cast<DWORD>(PcmFormatCount(static_cast<WORD>(formatTag)));
    if (pcm)
        tag->szFormatTag[0] = L'\0';  // the ACM names PCM itself
    else
        CopyName(tag->szFormatTag, ACMFORMATTAGDETAILS_FORMATTAG_CHARS, L"IEEE Float");
    return MMSYSERR_NOERROR;
}

LRESULT FormatDetails(ACMFORMATDETAILSW* details, DWORD flags) {
    const DWORD tag = details->dwFormatTag;
    if (!IsOurTag(tag) || details->cbwfx < FormatSize(tag)) return ACMERR_NOTPOSSIBLE;
    switch (flags & ACM_FORMATDETAILSF_QUERYMASK) {
    case ACM_FORMATDETAILSF_INDEX: {
        if (details->dwFormatIndex >= PcmFormatCount(static_cast<WORD>(tag))) return ACMERR_NOTPOSSIBLE;
        WAVEFORMATEX f = PcmFormatAt(static_cast<WORD>(tag), details->dwFormatIndex);
        memcpy(details->pwfx, &f, sizeof(PCMWAVEFORMAT));
        if (details->cbwfx >= sizeof(WAVEFORMATEX)) details->pwfx->cbSize = 0;
        break;
    }
    case ACM_FORMATDETAILSF_FORMAT:
        if (details->pwfx->wFormatTag != tag || !IsConvertibleTarget(*details->pwfx)) return ACMERR_NOTPOSSIBLE;
        break;
    default:
        return MMSYSERR_NOTSUPPORTED;
    }
    details->fdwSupport = ACMDRIVERDETAILS_SUPPORTF_CONVERTER;
    details->szFormat[0] = L'\0';  // the ACM writes the usual "rate, bits, channels" text
    return MMSYSERR_NOERROR;
}

LRESULT FormatSuggest(AcmDrvFormatSuggest* suggest) {
    if (suggest->cbwfxDst < sizeof(PCMWAVEFORMAT)) return ACMERR_NOTPOSSIBLE;
    WAVEFORMATEX wanted{};
    memcpy(&wanted, suggest->pwfxDst, sizeof(PCMWAVEFORMAT));
    if (!SuggestTarget(*suggest->pwfxSrc, suggest->fdwSuggest, wanted) ||
        suggest->cbwfxDst < FormatSize(wanted.wFormatTag))
        return ACMERR_NOTPOSSIBLE;
    memcpy(suggest->pwfxDst, &wanted, sizeof(PCMWAVEFORMAT));
    if (suggest->cbwfxDst >= sizeof(WAVEFORMATEX)) suggest->pwfxDst->cbSize = 0;
    return MMSYSERR_NOERROR;
}

LRESULT StreamOpen(AcmDrvStreamInstance* instance) {
    if (instance->pwfltr || !IsConvertibleSource(*instance->pwfxSrc) || !IsConvertibleTarget(*instance->pwfxDst))
        return ACMERR_NOTPOSSIBLE;
    if (instance->fdwOpen & ACM_STREAMOPENF_ASYNC) return ACMERR_NOTPOSSIBLE;
    if (instance->fdwOpen & ACM_STREAMOPENF_QUERY) return MMSYSERR_NOERROR;
    auto stream = std::make_unique<CPcmStream>(*instance->pwfxSrc, *instance->pwfxDst);
    if (!stream->IsReady()) return MMSYSERR_NOMEM;
    instance->dwDriver = reinterpret_cast<DWORD_PTR>(stream.release());
    return MMSYSERR_NOERROR;
}

LRESULT StreamClose(AcmDrvStreamInstance* instance) {
    // A query open leaves no stream behind, yet may be closed too.
    delete reinterpret_cast<CPcmStream*>(instance->dwDriver);
    instance->dwDriver = 0;
    return MMSYSERR_NOERROR;
}

LRESULT StreamSize(AcmDrvStreamInstance* instance, AcmDrvStreamSize* size) {
    const WAVEFORMATEX& src = *instance->pwfxSrc;
    const WAVEFORMATEX& dst = *instance->pwfxDst;
    switch (size->fdwSize & ACM_STREAMSIZEF_QUERYMASK) {
    case ACM_STREAMSIZEF_SOURCE:
        size->cbDstLength = CPcmStream::DestinationSize(src, dst, size->cbSrcLength);
        return size->cbDstLength ? MMSYSERR_NOERROR : ACMERR_NOTPOSSIBLE;
    case ACM_STREAMSIZEF_DESTINATION:
        size->cbSrcLength = CPcmStream::SourceSize(src, dst, size->cbDstLength);
        return size->cbSrcLength ? MMSYSERR_NOERROR : ACMERR_NOTPOSSIBLE;
    default:
        return MMSYSERR_INVALFLAG;
    }
}

LRESULT StreamConvert(AcmDrvStreamInstance* instance, AcmDrvStreamHeader* header) {
    auto* stream = reinterpret_cast<CPcmStream*>(instance->dwDriver);
    if (!stream) return MMSYSERR_INVALHANDLE;
    if (header->fdwConvert & ACM_STREAMCONVERTF_START) stream->Reset();
    DWORD used = 0, produced = 0;
    if (!stream->Convert(header->pbSrc, header->cbSrcLength, header->pbDst, header->cbDstLength,
                         (header->fdwConvert & ACM_STREAMCONVERTF_END) != 0, used, produced))
        return MMSYSERR_ERROR;
    header->cbSrcLengthUsed = used;
    header->cbDstLengthUsed = produced;
    return MMSYSERR_NOERROR;
}

// Callers built by other compilers keep the stack only 4-byte aligned.
__attribute__((force_align_arg_pointer)) LRESULT CALLBACK PcmDriverProc(DWORD_PTR id, HDRVR driver, UINT message,
                                                                        LPARAM lParam1, LPARAM lParam2) {
    switch (message) {
    case DRV_LOAD:
    case DRV_FREE:
    case DRV_ENABLE:
    case DRV_DISABLE:
    case DRV_CLOSE:
        return 1;
    case DRV_OPEN: {
        auto* desc = reinterpret_cast<AcmDrvOpenDesc*>(lParam2);
        if (desc && desc->fccType != ACMDRIVERDETAILS_FCCTYPE_AUDIOCODEC) return 0;
        if (desc) desc->dwError = MMSYSERR_NOERROR;
        return 1;
    }
    case DRV_QUERYCONFIGURE:
        return 0;
    case kAcmdmDriverDetails:
        return DriverDetails(reinterpret_cast<ACMDRIVERDETAILSW*>(lParam1));
    case kAcmdmFormatTagDetails:
        return FormatTagDetails(reinterpret_cast<ACMFORMATTAGDETAILSW*>(lParam1), static_cast<DWORD>(lParam2));
    case kAcmdmFormatDetails:
        return FormatDetails(reinterpret_cast<ACMFORMATDETAILSW*>(lParam1), static_cast<DWORD>(lParam2));
    case kAcmdmFormatSuggest:
        return FormatSuggest(reinterpret_cast<AcmDrvFormatSuggest*>(lParam1));
    case kAcmdmStreamOpen:
        return StreamOpen(reinterpret_cast<AcmDrvStreamInstance*>(lParam1));
    case kAcmdmStreamClose:
        return StreamClose(reinterpret_cast<AcmDrvStreamInstance*>(lParam1));
    case kAcmdmStreamSize:
        return StreamSize(reinterpret_cast<AcmDrvStreamInstance*>(lParam1), reinterpret_cast<AcmDrvStreamSize*>(lParam2));
    case kAcmdmStreamConvert:
        return StreamConvert(reinterpret_cast<AcmDrvStreamInstance*>(lParam1),
                             reinterpret_cast<AcmDrvStreamHeader*>(lParam2));
    case kAcmdmStreamReset:
        return MMSYSERR_NOERROR;
    default:
        if (message >= kAcmdmBase && message < kAcmdmBase + 0x100) return MMSYSERR_NOTSUPPORTED;
        return DefDriverProc(id, driver, message, lParam1, lParam2);
    }
}
}  // namespace

bool InstallPcmConverter() {
    // Streams may open on several threads at once: the driver is added once.
    static std::mutex lock;
    std::lock_guard<std::mutex> hold(lock);
    if (g_driverId) return true;
    HACMDRIVERID id = nullptr;
    // Never change driver priorities: some ACMs store them for every later process.
    if (acmDriverAdd(&id, GetModuleHandleA(nullptr), reinterpret_cast<LPARAM>(PcmDriverProc), 0,
                     ACM_DRIVERADDF_FUNCTION | ACM_DRIVERADDF_LOCAL) != MMSYSERR_NOERROR)
        return false;
    g_driverId = id;
    return true;
}

HACMDRIVERID PcmConverterId() { return g_driverId; }
