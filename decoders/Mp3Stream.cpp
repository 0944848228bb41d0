#include "Mp3Stream.h"

#include <array>
#include <cctype>
#include <cstring>
#include <utility>

namespace {
constexpr int kOutputLatencyMs = 500;
constexpr int kOpenPollMs = 5;
constexpr int kOpenPolls = 201;

// The module's callbacks carry no context: each stream number has entries of
// its own that find their stream here.
CMp3Stream* g_streams[kMaxDecoderInstances] = {};

template <int I>
struct Entries {
    static int Open(int rate, int channels, int bits, int bufferMs, int prebufferMs) {
        return g_streams[I]->OutOpen(rate, channels, bits, bufferMs, prebufferMs);
    }
    static int Write(char* buf, int len) { return g_streams[I]->OutWrite(buf, len); }
    static int CanWrite() { return g_streams[I]->OutCanWrite(); }
    static int IsPlaying() { return g_streams[I]->OutIsPlaying(); }
    static void SetInfo(int bitrate, int, int, int) { g_streams[I]->InSetInfo(bitrate); }
    static void EndOfFile(WPARAM word) { g_streams[I]->SignalEndOfFile(word); }
};

struct StreamEntries {
    int (*open)(int, int, int, int, int);
    int (*write)(char*, int);
    int (*canWrite)();
    int (*isPlaying)();
    void (*setInfo)(int, int, int, int);
    CNoticeWindow::Handler endOfFile;
};

template <size_t... I>
constexpr auto MakeEntries(std::index_sequence<I...>) {
    return std::array<StreamEntries, sizeof...(I)>{
        StreamEntries{Entries<I>::Open, Entries<I>::Write, Entries<I>::CanWrite, Entries<I>::IsPlaying,
                      Entries<I>::SetInfo, Entries<I>::EndOfFile}...};
}
constexpr auto kEntries = MakeEntries(std::make_index_sequence<kMaxDecoderInstances>());

// Output and input module callbacks that do nothing: visualisation and DSP are not wanted.
void OutNothing() {}
void OutNothingHwnd(HWND) {}
void OutNothingInt(int) {}
int OutZero() { return 0; }
int OutPause(int pause) { return 1 - pause; }
void InSAVSAInit(int, int) {}
void InSAAddPCMData(void*, int, int, int) {}
int InSAGetMode() { return 1; }
void InSAAdd(void*, int, int) {}
int InVSAGetMode(int*, int*) { return 0; }
void InVSAAdd(void*, int) {}
void InVSASetInfo(int, int) {}
int InDspDoSamples(short*, int, int, int, int) { return 0; }
void InEQSet(int, char*, int) {}
}  // namespace

std::string PluginExtension(const char* path) {
    const char* dot = strrchr(path, '.');
    if (!dot || strlen(dot + 1) > 3) return "wav";
    std::string ext(dot + 1);
    for (char& c : ext) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return ext;
}

bool ExtensionListed(const char* fileExtensions, const std::string& ext) {
    if (!fileExtensions) return false;
    std::string list(fileExtensions);
    for (char& c : list) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return list.find(ext) != std::string::npos;
}

CMp3Stream::CMp3Stream(int index, const PluginEntry& plugin)
    : m_index(index), m_plugin(plugin), m_endEvent(CreateEventA(nullptr, TRUE, TRUE, nullptr)) {
    g_streams[index] = this;
    m_notices = std::make_unique<CNoticeWindow>(kEntries[index].endOfFile);
    m_out.hMainWindow = m_notices->Window();
    m_out.hDllInstance = nullptr;
    m_plugin.input->hMainWindow = m_notices->Window();
    m_plugin.input->hDllInstance = m_plugin.module;
}

CMp3Stream::~CMp3Stream() {
    Close();
    m_notices.reset();  // no notice reaches the stream after this
    g_streams[m_index] = nullptr;
}

int CMp3Stream::OutOpen(int samplerate, int numchannels, int bitspersamp, int bufferlenms, int prebufferms) {
    m_outputFormat = {samplerate, numchannels, bitspersamp, bufferlenms, prebufferms};
    m_outputOpened = 1;
    return kOutputLatencyMs;
}

int CMp3Stream::OutIsPlaying() {
    if (m_ring.IsPlaying()) return 1;
    m_drainedSerial = m_fileSerial.load();
    return 0;
}

void CMp3Stream::InstallCallbacks(In_Module& in) {
    in.SAVSAInit = InSAVSAInit;
    in.SAVSADeInit = OutNothing;
    in.SAAddPCMData = InSAAddPCMData;
    in.SAGetMode = InSAGetMode;
    in.SAAdd = InSAAdd;
    in.VSAAddPCMData = InSAAddPCMData;
    in.VSAGetMode = InVSAGetMode;
    in.VSAAdd = InVSAAdd;
    in.VSASetInfo = InVSASetInfo;
    in.dsp_isactive = OutZero;
    in.dsp_dosamples = InDspDoSamples;
    in.EQSet = InEQSet;
    in.SetInfo = kEntries[m_index].setInfo;
    in.outMod = &m_out;
}

void CMp3Stream::FillOutputModule() {
    const StreamEntries& entries = kEntries[m_index];
    m_out.version = 0x10;
    m_out.description = "CDex WAV Output Emulator";
    m_out.id = 33;
    m_out.Config = OutNothingHwnd;
    m_out.About = OutNothingHwnd;
    m_out.Init = OutNothing;
    m_out.Quit = OutNothing;
    m_out.Open = entries.open;
    m_out.Close = OutNothing;
    m_out.Write = entries.write;
    m_out.CanWrite = entries.canWrite;
    m_out.IsPlaying = entries.isPlaying;
    m_out.Pause = OutPause;
    m_out.SetVolume = OutNothingInt;
    m_out.SetPan = OutNothingInt;
    m_out.Flush = OutNothingInt;
    m_out.GetOutputTime = OutZero;
    m_out.GetWrittenTime = OutZero;
}

void CMp3Stream::SignalEndOfFile(WPARAM word) {
    std::lock_guard<std::mutex> hold(m_noticeLock);
    if (m_drainedSerial != m_fileSerial) return;  // a late notice of an earlier file
    m_readFailed = word == kEndOfFileReadFailed;
    m_playbackEnded = 1;
    SetEvent(m_endEvent);
}

bool CMp3Stream::Select(const char* path) {
    In_Module& in = *m_plugin.input;
    return (in.IsOurFile && in.IsOurFile(path)) || ExtensionListed(in.FileExtensions, PluginExtension(path));
}

BOOL CMp3Stream::Open(const char* path) {
    {
        std::lock_guard<std::mutex> hold(m_noticeLock);
        ++m_fileSerial;
        m_playbackEnded = 0;
        m_readFailed = false;
        ResetEvent(m_endEvent);
    }
    m_playbackStarted = 0;
    m_outputOpened = 0;
    ResetBuffer();
    if (!Select(path)) return FALSE;
    In_Module& in = *m_plugin.input;
    if (!in.UsesOutputPlug || !in.Play) return FALSE;
    InstallCallbacks(in);
    FillOutputModule();
    m_nChannels = 2;
    m_nSampleRate = 44100;
    if (in.Play(path) != 0) return FALSE;
    for (int polls = 0; !m_outputOpened; ++polls) {
        if (polls == kOpenPolls) {
            m_playbackStarted = 1;  // so that Close stops the plug-in
            return FALSE;
        }
        Sleep(kOpenPollMs);
    }
    m_nChannels = m_outputFormat.channels;
    m_nSampleRate = m_outputFormat.sampleRate;
    m_nBitrate = m_bitrate;
    m_playbackStarted = 1;
    return TRUE;
}

DWORD CMp3Stream::Read(BYTE* dst, DWORD room) { return m_ring.Read(dst, room, m_endEvent); }

int CMp3Stream::GetOutputTime() { return m_plugin.input->GetOutputTime ? m_plugin.input->GetOutputTime() : 0; }

int CMp3Stream::GetLength() { return m_plugin.input->GetLength ? m_plugin.input->GetLength() : 0; }

int CMp3Stream::Close() {
    if (!m_playbackEnded && m_playbackStarted) {
        m_playbackEnded = 1;
        // A plug-in waiting inside Write is let go (its block is dropped) so Stop can end its thread.
        SetEvent(m_endEvent);
        if (m_plugin.input->Stop) m_plugin.input->Stop();
    }
    m_playbackStarted = 0;
    return 1;
}
