#include "WmaReader.h"

#include <initguid.h>
#include <nserror.h>
#include <wmsdk.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "FileReadStream.h"
#include "FormatCheck.h"

// The format type of a WAVEFORMATEX block; mingw's headers lack it.
DEFINE_GUID(kFormatWaveFormatEx, 0x05589f81, 0xc356, 0x11ce, 0xbf, 0x01, 0x00, 0xaa, 0x00, 0x55, 0x59, 0x5a);

namespace {
const HRESULT kAsfNotFound = static_cast<HRESULT>(0xC00D07F0);

// The runtime is loaded when the first WMA file comes, not at start-up: Windows
// editions without the media features lack it, and WAV and MP3 must work there.
using CreateSyncReaderProc = HRESULT(WINAPI*)(IUnknown*, DWORD, IWMSyncReader**);
CreateSyncReaderProc CreateSyncReaderEntry() {
    static CreateSyncReaderProc entry = [] {
        // From the system folder only: where it is missing, a copy beside a music file must not be loaded.
        char path[MAX_PATH] = {};
        UINT length = GetSystemDirectoryA(path, MAX_PATH);
        if (length == 0 || length + 1 + sizeof(kWmaRuntimeLibrary) > MAX_PATH) return CreateSyncReaderProc{};
        strcat(path, "\\");
        strcat(path, kWmaRuntimeLibrary);
        HMODULE runtime = LoadLibraryA(path);  // kept for the life of the process
        return runtime ? reinterpret_cast<CreateSyncReaderProc>(
                             reinterpret_cast<void*>(GetProcAddress(runtime, "WMCreateSyncReader")))
                       : nullptr;
    }();
    return entry;
}
}  // namespace

DWORD WmaPercent(uint64_t playedTime, uint64_t duration) {
    return duration ? static_cast<DWORD>(playedTime * 100 / duration) : 0;
}

CWmaReader::CWmaReader() = default;

CWmaReader::~CWmaReader() {
    m_currentSample.Release();
    if (m_pFileStream) m_pFileStream->Release();
    m_reader.Release();
}

HRESULT CWmaReader::Configure(DWORD rangeStartMs, DWORD rangeEndMs, BOOL compressed, BOOL audioSelected,
                              BOOL videoSelected, BOOL byFrame) {
    if (rangeEndMs != 0 && rangeStartMs >= rangeEndMs) return E_INVALIDARG;
    m_qwRangeStart = rangeStartMs;
    m_qwRangeEnd = rangeEndMs;
    m_bCompressed = compressed;
    m_bAudioSelected = audioSelected;
    m_bVideoSelected = videoSelected;
    m_bByFrame = byFrame;
    return S_OK;
}

HRESULT CWmaReader::Open(const char* path) {
    if (!path || !*path) return E_INVALIDARG;
    if (_strnicmp(path, "http", 4) == 0) {
        printf("Wrong input file - streams are not supported : (hr=0x%08x).\n", 0u);
        return E_INVALIDARG;
    }
    HRESULT hr;
    if (!m_reader) {
        CreateSyncReaderProc create = CreateSyncReaderEntry();
        if (!create) return kWmaRuntimeMissingResult;
        hr = create(nullptr, 0, m_reader.Receive());
        if (FAILED(hr)) {
            printf("Could not create reader (hr=0x%08x).\n", static_cast<unsigned>(hr));
            return hr;
        }
    }
    if (m_pFileStream) {
        m_pFileStream->Release();
        m_pFileStream = nullptr;
    }
    m_pFileStream = new (std::nothrow) CFileReadStream();
    if (!m_pFileStream) {
        printf("Could not open file (hr=0x%08x).\n", static_cast<unsigned>(E_OUTOFMEMORY));
        return E_OUTOFMEMORY;
    }
    hr = m_pFileStream->Open(path);
    if (SUCCEEDED(hr)) hr = m_reader->OpenStream(m_pFileStream);
    if (FAILED(hr)) {
        printf("Could not open file (hr=0x%08x).\n", static_cast<unsigned>(hr));
        return hr;
    }
    CComPtr<IWMProfile> profile;
    hr = m_reader.QueryInterface(IID_IWMProfile, profile);
    if (FAILED(hr)) {
        printf("Could not QI for IWMProfile (hr=0x%08x).\n", static_cast<unsigned>(hr));
        return hr;
    }
    hr = EnumerateStreams(profile.Get());
    if (FAILED(hr)) printf("Could not stream numbers (hr=0x%08x).\n", static_cast<unsigned>(hr));
    return hr;
}

HRESULT CWmaReader::EnumerateStreams(IWMProfile* profile) {
    if (!profile) return E_INVALIDARG;
    DWORD count = 0;
    HRESULT hr = profile->GetStreamCount(&count);
    if (FAILED(hr)) {
        printf("GetStreamCount on IWMProfile failed (hr=0x%08x).\n", static_cast<unsigned>(hr));
        return hr;
    }
    m_wAudioStream = 0;
    m_wVideoStream = 0;
    hr = S_OK;
    for (DWORD i = 0; i < count; ++i) {
        CComPtr<IWMStreamConfig> config;
        hr = profile->GetStream(i, config.Receive());
        if (FAILED(hr)) {
            printf("Could not get Stream %d of %d from IWMProfile (hr=0x%08x).\n", int(i), int(count), unsigned(hr));
            return hr;
        }
        WORD number = 0;
        hr = config->GetStreamNumber(&number);
        if (FAILED(hr)) {
            printf("Could not get stream number from IWMStreamConfig %d of %d (hr=0x%08x).\n", int(i), int(count),
                   unsigned(hr));
            return hr;
        }
        GUID type{};
        hr = config->GetStreamType(&type);
        if (FAILED(hr)) {
            printf("Could not get stream type of stream %d of %d from IWMStreamConfig (hr=0x%08x).\n", int(i),
                   int(count), unsigned(hr));
            return hr;
        }
        if (type == WMMEDIATYPE_Audio)
            m_wAudioStream = number;
        else if (type == WMMEDIATYPE_Video)
            m_wVideoStream = number;
    }
    return hr;
}

HRESULT CWmaReader::ReadDuration(BYTE** value) {
    CComPtr<IWMHeaderInfo> header;
    HRESULT hr = m_reader.QueryInterface(IID_IWMHeaderInfo, header);
    if (FAILED(hr)) return hr;
    if (!header) return E_UNEXPECTED;
    if (!value) return E_INVALIDARG;
    *value = nullptr;
    WORD stream = 0, length = 0;
    WMT_ATTR_DATATYPE type;
    hr = header->GetAttributeByName(&stream, L"Duration", &type, nullptr, &length);
    if (hr == kAsfNotFound) return S_OK;
    if (FAILED(hr)) return hr;
    BYTE* buffer = new (std::nothrow) BYTE[length ? length : 1];
    if (!buffer) return LastErrorStatus();
    hr = header->GetAttributeByName(&stream, L"Duration", &type, buffer, &length);
    if (FAILED(hr)) {
        delete[] buffer;
        return hr;
    }
    *value = buffer;
    return S_OK;
}

HRESULT CWmaReader::Start() {
    HRESULT hr;
    if (m_wAudioStream) {
        WMT_STREAM_SELECTION on = m_bAudioSelected ? WMT_ON : WMT_OFF;
        hr = m_reader->SetStreamsSelected(1, &m_wAudioStream, &on);
        if (FAILED(hr)) return printf("SetStreamsSelected (hr=0x%08x).\n", unsigned(hr)), hr;
        hr = m_reader->SetReadStreamSamples(m_wAudioStream, m_bCompressed);
        if (FAILED(hr)) return printf("SetReadStreamSamples (hr=0x%08x).\n", unsigned(hr)), hr;
    }
    if (m_wVideoStream) {
        WMT_STREAM_SELECTION on = m_bVideoSelected ? WMT_ON : WMT_OFF;
        hr = m_reader->SetStreamsSelected(1, &m_wVideoStream, &on);
        if (FAILED(hr)) return printf("SetStreamsSelected (hr=0x%08x).\n", unsigned(hr)), hr;
        hr = m_reader->SetReadStreamSamples(m_wVideoStream, m_bCompressed);
        if (FAILED(hr)) return printf("SetReadStreamSamples (hr=0x%08x).\n", unsigned(hr)), hr;
        if (m_bByFrame) {
            hr = m_reader->SetRangeByFrame(m_wVideoStream, m_qwRangeStart,
                                           m_qwRangeEnd ? m_qwRangeEnd - m_qwRangeStart : 0);
            if (FAILED(hr)) return printf("SetRangeByFrame (hr=0x%08x).\n", unsigned(hr)), hr;
        }
    }
    if (!(m_wVideoStream && m_bByFrame)) {
        hr = m_reader->SetRange(m_qwRangeStart * 10000, m_qwRangeEnd ? (m_qwRangeEnd - m_qwRangeStart) * 10000 : 0);
        if (FAILED(hr)) return printf("SetRange (hr=0x%08x).\n", unsigned(hr)), hr;
    }
    BYTE* value = nullptr;
    hr = ReadDuration(&value);
    if (SUCCEEDED(hr)) {
        m_qwDuration = 0;
        if (value) memcpy(&m_qwDuration, value, sizeof(m_qwDuration));
        delete[] value;
    }
    m_qwPlayedTime = 0;
    m_currentSample.Release();
    return hr;
}

HRESULT CWmaReader::GetNextSample(BYTE** data, DWORD* length, DWORD* percent) {
    for (;;) {
        m_currentSample.Release();
        QWORD time = 0, duration = 0;
        DWORD flags = 0, output = 0;
        WORD stream = 0;
        HRESULT hr = m_reader->GetNextSample(0, m_currentSample.Receive(), &time, &duration, &flags, &output, &stream);
        if (hr == NS_E_NO_MORE_SAMPLES) return hr;
        if (FAILED(hr)) {
            printf("GetNextSample() failed : (hr=0x%08x).\n", unsigned(hr));
            return hr;
        }
        // A sample of another stream has no sound for us: pass over it, never hand out stale data.
        if (stream != m_wAudioStream || !m_currentSample) continue;
        hr = m_currentSample->GetBufferAndLength(data, length);
        if (FAILED(hr)) return hr;
        m_qwPlayedTime += duration;
        *percent = WmaPercent(m_qwPlayedTime, m_qwDuration);
        return S_OK;
    }
}

void CWmaReader::ReleaseSample() { m_currentSample.Release(); }

bool CWmaReader::ReadFailed() const { return m_pFileStream && m_pFileStream->ReadFailed(); }

HRESULT CWmaReader::Close() {
    m_currentSample.Release();
    if (!m_reader) return S_OK;
    HRESULT hr = m_reader->Close();
    // The source file is let go with its file, not at the next WMA file.
    if (m_pFileStream) {
        m_pFileStream->Release();
        m_pFileStream = nullptr;
    }
    if (FAILED(hr)) return hr;
    m_reader.Release();
    return S_OK;
}

HRESULT CWmaReader::OutputFormat(WAVEFORMATEX& format) {
    if (!m_reader) return E_UNEXPECTED;
    // The audio stream's own output: beside a video stream it need not be output 0.
    DWORD output = 0;
    if (m_wAudioStream) m_reader->GetOutputNumberForStream(m_wAudioStream, &output);
    CComPtr<IWMOutputMediaProps> props;
    HRESULT hr = m_reader->GetOutputProps(output, props.Receive());
    if (FAILED(hr)) return hr;
    DWORD size = 0;
    hr = props->GetMediaType(nullptr, &size);
    if (FAILED(hr) || size < sizeof(WM_MEDIA_TYPE)) return FAILED(hr) ? hr : E_UNEXPECTED;
    std::vector<BYTE> buffer(size);
    auto* type = reinterpret_cast<WM_MEDIA_TYPE*>(buffer.data());
    hr = props->GetMediaType(type, &size);
    if (FAILED(hr)) return hr;
    // Output 0 of a file with no audio is its video: no sound format to read there.
    if (type->majortype != WMMEDIATYPE_Audio || type->formattype != kFormatWaveFormatEx || !type->pbFormat ||
        type->cbFormat < 16)
        return E_UNEXPECTED;
    memset(&format, 0, sizeof(format));
    memcpy(&format, type->pbFormat, type->cbFormat < sizeof(format) ? type->cbFormat : sizeof(format));
    // Only the 18 bytes are kept: an extensible block becomes its base format.
    format.wFormatTag = BaseFormatTag(type->pbFormat, type->cbFormat);
    format.cbSize = 0;
    return S_OK;
}

int CWmaFile::Open(const char* path) {
    if (FAILED(CoInitialize(nullptr))) return kWmaComFailed;
    m_comInitialised = true;
    m_open = true;
    if (FAILED(m_reader.Configure(0, 0, FALSE, TRUE, FALSE, FALSE))) return kWmaConfigRefused;
    HRESULT opened = m_reader.Open(path);
    if (opened == kWmaRuntimeMissingResult) return kWmaRuntimeMissing;
    if (FAILED(opened)) return kWmaOpenFailed;
    if (FAILED(m_reader.Start())) return kWmaStartFailed;
    return kWmaReady;
}

int CWmaFile::GetFormat(WAVEFORMATEX* format) {
    return format && SUCCEEDED(m_reader.OutputFormat(*format)) ? 1 : 0;
}

int CWmaFile::ReadSample(BYTE** data, DWORD* length, DWORD* percent) {
    HRESULT hr = m_reader.GetNextSample(data, length, percent);
    if (SUCCEEDED(hr)) return 1;
    return hr == NS_E_NO_MORE_SAMPLES ? -1 : 0;
}

int CWmaFile::Close() {
    if (!m_open) return 1;
    m_open = false;
    m_reader.ReleaseSample();
    HRESULT hr = m_reader.Close();
    // COM is left on every path that entered it, a failed close included.
    if (m_comInitialised) {
        CoUninitialize();
        m_comInitialised = false;
    }
    return SUCCEEDED(hr) ? 1 : 0;
}
