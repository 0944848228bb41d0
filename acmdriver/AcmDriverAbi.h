// What an installable ACM driver receives: the driver messages and the
// structures they carry, as documented for driver writers. (The compiler's
// headers declare only the application side of the ACM.)
#pragma once
#include <windows.h>
#include <mmreg.h>
#include <msacm.h>

inline constexpr UINT kAcmdmBase = DRV_USER + 0x2000;
inline constexpr UINT kAcmdmDriverDetails = kAcmdmBase + 10;
inline constexpr UINT kAcmdmDriverAbout = kAcmdmBase + 11;
inline constexpr UINT kAcmdmFormatTagDetails = kAcmdmBase + 25;
inline constexpr UINT kAcmdmFormatDetails = kAcmdmBase + 26;
inline constexpr UINT kAcmdmFormatSuggest = kAcmdmBase + 27;
inline constexpr UINT kAcmdmStreamOpen = kAcmdmBase + 76;
inline constexpr UINT kAcmdmStreamClose = kAcmdmBase + 77;
inline constexpr UINT kAcmdmStreamSize = kAcmdmBase + 78;
inline constexpr UINT kAcmdmStreamConvert = kAcmdmBase + 79;
inline constexpr UINT kAcmdmStreamReset = kAcmdmBase + 80;
inline constexpr UINT kAcmdmStreamPrepare = kAcmdmBase + 81;
inline constexpr UINT kAcmdmStreamUnprepare = kAcmdmBase + 82;

struct AcmDrvOpenDesc {
    DWORD cbStruct;
    FOURCC fccType;
    FOURCC fccComp;
    DWORD dwVersion;
    DWORD dwFlags;
    DWORD dwError;
    LPCWSTR pszSectionName;
    LPCWSTR pszAliasName;
    DWORD dnDevNode;
};

struct AcmDrvStreamInstance {
    DWORD cbStruct;
    LPWAVEFORMATEX pwfxSrc;
    LPWAVEFORMATEX pwfxDst;
    LPWAVEFILTER pwfltr;
    DWORD_PTR dwCallback;
    DWORD_PTR dwInstance;
    DWORD fdwOpen;
    DWORD fdwDriver;
    DWORD_PTR dwDriver;
    HACMSTREAM has;
};

struct AcmDrvStreamHeader {
    DWORD cbStruct;
    DWORD fdwStatus;
    DWORD_PTR dwUser;
    LPBYTE pbSrc;
    DWORD cbSrcLength;
    DWORD cbSrcLengthUsed;
    DWORD_PTR dwSrcUser;
    LPBYTE pbDst;
    DWORD cbDstLength;
    DWORD cbDstLengthUsed;
    DWORD_PTR dwDstUser;
    DWORD fdwConvert;
    AcmDrvStreamHeader* padshNext;
    DWORD fdwDriver;
    DWORD_PTR dwDriver;
    DWORD fdwPrepared;
    DWORD_PTR dwPrepared;
    LPBYTE pbPreparedSrc;
    DWORD cbPreparedSrcLength;
    LPBYTE pbPreparedDst;
    DWORD cbPreparedDstLength;
};

struct AcmDrvStreamSize {
    DWORD cbStruct;
    DWORD fdwSize;
    DWORD cbSrcLength;
    DWORD cbDstLength;
};

struct AcmDrvFormatSuggest {
    DWORD cbStruct;
    DWORD fdwSuggest;
    LPWAVEFORMATEX pwfxSrc;
    DWORD cbwfxSrc;
    LPWAVEFORMATEX pwfxDst;
    DWORD cbwfxDst;
};

#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(AcmDrvStreamInstance) == 40);
static_assert(sizeof(AcmDrvStreamHeader) == 84);
static_assert(sizeof(AcmDrvOpenDesc) == 36);
#endif
