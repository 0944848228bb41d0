// WMA sources through the Windows Media Format runtime's synchronous reader.
// The engine reaches it only through the five Wma... functions, which work on
// one process-wide reader, one file at a time.
#pragma once
#include <windows.h>
#include <mmreg.h>
#include <cstdint>

#include "../framework/ComPtr.h"

struct IWMSyncReader;
struct IWMProfile;
struct INSSBuffer;
class CFileReadStream;

enum WmaOpenResult {
    kWmaReady = 0,
    kWmaComFailed = 1,
    kWmaConfigRefused = 2,
    kWmaOpenFailed = 3,
    kWmaStartFailed = 4,
    kWmaRuntimeMissing = 5,  // the Windows Media runtime is not on this Windows
};
inline constexpr char kWmaRuntimeLibrary[] = "wmvcore.dll";
// What CWmaReader::Open answers when the runtime could not be loaded.
inline constexpr HRESULT kWmaRuntimeMissingResult = static_cast<HRESULT>(0x8007007E);  // ERROR_MOD_NOT_FOUND

int WmaOpen(const char* path);
int WmaGetFormat(WAVEFORMATEX* format);
// 1 a sample was delivered, -1 no more samples, 0 failure.
int WmaReadSample(BYTE** data, DWORD* length, DWORD* percent);
void WmaReleaseSample();
// The open file could not be read somewhere (whatever the reader made of that).
bool WmaReadFailed();
int WmaClose();

class CWmaReader {
public:
    CWmaReader();
    virtual ~CWmaReader();
    CWmaReader(const CWmaReader&) = delete;
    CWmaReader& operator=(const CWmaReader&) = delete;

    HRESULT Configure(DWORD rangeStartMs, DWORD rangeEndMs, BOOL compressed, BOOL audioSelected, BOOL videoSelected,
                      BOOL byFrame);
    HRESULT Open(const char* path);
    HRESULT EnumerateStreams(IWMProfile* profile);
    HRESULT ReadDuration(BYTE** value);
    HRESULT Start();
    // Only samples of the audio stream are delivered; others are passed over.
    HRESULT GetNextSample(BYTE** data, DWORD* length, DWORD* percent);
    void ReleaseSample();
    HRESULT Close();
    HRESULT OutputFormat(WAVEFORMATEX& format);
    bool ReadFailed() const;

    WORD AudioStream() const { return m_wAudioStream; }
    WORD VideoStream() const { return m_wVideoStream; }
    uint64_t Duration() const { return m_qwDuration; }

private:
    CComPtr<IWMSyncReader> m_reader;
    WORD m_wAudioStream = 0;
    WORD m_wVideoStream = 0;
    uint64_t m_qwRangeStart = 0;
    uint64_t m_qwRangeEnd = 0;
    BOOL m_bCompressed = FALSE;
    BOOL m_bAudioSelected = TRUE;
    BOOL m_bVideoSelected = TRUE;
    BOOL m_bByFrame = FALSE;
    CFileReadStream* m_pFileStream = nullptr;
    CComPtr<INSSBuffer> m_currentSample;
    uint64_t m_qwDuration = 0;
    uint64_t m_qwPlayedTime = 0;
};

// The progress of a sample: played time of duration, 0 when the file has no duration.
DWORD WmaPercent(uint64_t playedTime, uint64_t duration);
