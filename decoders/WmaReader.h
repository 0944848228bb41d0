// WMA sources through the Windows Media Format runtime's synchronous reader,
// one reader for each file (CWmaFile).
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

// One WMA file through a reader of its own, so files are read side by side.
// COM is entered on the thread that opens and left by Close on that thread.
class CWmaFile {
public:
    CWmaFile() = default;
    ~CWmaFile() { Close(); }
    CWmaFile(const CWmaFile&) = delete;
    CWmaFile& operator=(const CWmaFile&) = delete;

    // A WmaOpenResult.
    int Open(const char* path);
    int GetFormat(WAVEFORMATEX* format);
    // 1 a sample was delivered, -1 no more samples, 0 failure.
    int ReadSample(BYTE** data, DWORD* length, DWORD* percent);
    void ReleaseSample() { m_reader.ReleaseSample(); }
    // The open file could not be read somewhere (whatever the reader made of that).
    bool ReadFailed() const { return m_reader.ReadFailed(); }
    // 1 when closed cleanly; nothing to do after the first.
    int Close();

private:
    CWmaReader m_reader;
    bool m_comInitialised = false;  // CoInitialize succeeded for the open file
    bool m_open = false;
};

// The progress of a sample: played time of duration, 0 when the file has no duration.
DWORD WmaPercent(uint64_t playedTime, uint64_t duration);
