#include "SndStreamWinAmp.h"

#include <atomic>
#include <cctype>
#include <cstring>
#include <mutex>

namespace {
// Process-wide playback state, reached by the plug-in through context-free callbacks.
PcmRingBuffer g_ring;
CHandle g_endEvent(CreateEventA(nullptr, TRUE, TRUE, nullptr));
std::atomic<int> g_playbackEnded{0};
std::atomic<int> g_playbackStarted{0};
std::atomic<int> g_outputOpened{0};
std::atomic<int> g_bitrate{ISndStreamWinAmp::kDefaultBitrate};
// The end-of-file notice is posted and carries nothing, so a late one can arrive
// after its file was closed and the next one opened. A player tells the end only
// once its output reports nothing more playing; a notice counts only when that
// has happened for the file open now.
std::atomic<unsigned> g_fileSerial{0};
std::atomic<unsigned> g_drainedSerial{~0u};
// The notice arrives on the host's own thread: its check and the next file's
// start must not interleave.
std::mutex g_noticeLock;
std::atomic<bool> g_readFailed{false};
OutputFormat g_outputFormat;
Out_Module g_outModule{};

constexpr int kOutputLatencyMs = 500;
constexpr int kOpenPollMs = 5;
constexpr int kOpenPolls = 201;

// Output module callbacks.
void OutNothing() {}
void OutNothingHwnd(HWND) {}
void OutNothingInt(int) {}
int OutZero() { return 0; }
int OutOpen(int samplerate, int numchannels, int bitspersamp, int bufferlenms, int prebufferms) {
    g_outputFormat = {samplerate, numchannels, bitspersamp, bufferlenms, prebufferms};
    g_outputOpened = 1;
    return kOutputLatencyMs;
}
int OutWrite(char* buf, int len) { return g_ring.Write(buf, len, g_endEvent); }
int OutCanWrite() { return g_ring.CanWrite() ? PcmRingBuffer::kSlotBytes : 0; }
int OutIsPlaying() {
    if (g_ring.IsPlaying()) return 1;
    g_drainedSerial = g_fileSerial.load();
    return 0;
}
int OutPause(int pause) { return 1 - pause; }

// Input module callbacks: visualisation and DSP are not wanted.
void InSAVSAInit(int, int) {}
void InSAAddPCMData(void*, int, int, int) {}
int InSAGetMode() { return 1; }
void InSAAdd(void*, int, int) {}
int InVSAGetMode(int*, int*) { return 0; }
void InVSAAdd(void*, int) {}
void InVSASetInfo(int, int) {}
int InDspDoSamples(short*, int, int, int, int) { return 0; }
void InEQSet(int, char*, int) {}
void InSetInfo(int bitrate, int, int, int) {
    if (bitrate > 0) g_bitrate = bitrate < 1000 ? bitrate * 1000 : bitrate;
}

void InstallCallbacks(In_Module& in) {
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
    in.SetInfo = InSetInfo;
    in.outMod = &g_outModule;
}

void FillOutputModule(Out_Module& out) {
    out.version = 0x10;
    out.description = "CDex WAV Output Emulator";
    out.id = 33;
    out.Config = OutNothingHwnd;
    out.About = OutNothingHwnd;
    out.Init = OutNothing;
    out.Quit = OutNothing;
    out.Open = OutOpen;
    out.Close = OutNothing;
    out.Write = OutWrite;
    out.CanWrite = OutCanWrite;
    out.IsPlaying = OutIsPlaying;
    out.Pause = OutPause;
    out.SetVolume = OutNothingInt;
    out.SetPan = OutNothingInt;
    out.Flush = OutNothingInt;
    out.GetOutputTime = OutZero;
    out.GetWrittenTime = OutZero;
}

ISndStreamWinAmp g_host;
}  // namespace

ISndStreamWinAmp& SndStream() { return g_host; }

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

ISndStreamWinAmp::ISndStreamWinAmp() = default;

ISndStreamWinAmp::~ISndStreamWinAmp() { Close(); }

namespace {
void EndOfFileNotice(WPARAM word) { SndStream().SignalEndOfFile(word); }
}  // namespace

int ISndStreamWinAmp::LoadPlugins() {
    if (!m_plugins.empty()) return 1;  // loaded already (a second conversion dialog)
    m_notices = std::make_unique<CNoticeWindow>(&EndOfFileNotice);
    HWND mainWindow = m_notices->Window();
    g_outModule.hMainWindow = mainWindow;
    g_outModule.hDllInstance = nullptr;
    HMODULE module = LoadLibraryA(kDecoderLibrary);
    if (!mainWindow || !module) {
        if (module) FreeLibrary(module);
        m_notices.reset();
        return 0;
    }
    // A library without the export, or one that hands out no module, is no decoder.
    auto getModule = reinterpret_cast<GetInputModuleProc>(
        reinterpret_cast<void*>(GetProcAddress(module, kInputModuleExport)));
    In_Module* input = getModule ? getModule() : nullptr;
    if (!input) {
        FreeLibrary(module);
        m_notices.reset();
        return 0;
    }
    input->hMainWindow = mainWindow;
    input->hDllInstance = module;
    if (input->Init) input->Init();
    m_plugins.push_back({kDecoderExtensions, kDecoderLibrary, module, input});
    return 1;
}

void ISndStreamWinAmp::UnloadPlugins() {
    for (const PluginEntry& entry : m_plugins) {
        if (!entry.module) continue;
        if (entry.input->Quit) entry.input->Quit();
        FreeLibrary(entry.module);
    }
    m_plugins.clear();
    m_current = PluginEntry();
    m_notices.reset();  // after Quit: no player is left to post to it
}

void ISndStreamWinAmp::SignalEndOfFile(WPARAM word) {
    std::lock_guard<std::mutex> hold(g_noticeLock);
    if (g_drainedSerial != g_fileSerial) return;  // a late notice of an earlier file
    g_readFailed = word == kEndOfFileReadFailed;
    g_playbackEnded = 1;
    SetEvent(g_endEvent);
}

bool ISndStreamWinAmp::ReadFailed() const { return g_readFailed; }

void ISndStreamWinAmp::ReleaseReader() { SetEvent(g_endEvent); }

void ISndStreamWinAmp::ResetBuffer() { g_ring.Reset(); }

bool ISndStreamWinAmp::Select(const char* path) {
    std::string ext = PluginExtension(path);
    for (const PluginEntry& entry : m_plugins) {
        m_current = entry;
        In_Module& in = *entry.input;
        if ((in.IsOurFile && in.IsOurFile(path)) || ExtensionListed(in.FileExtensions, ext)) return true;
    }
    return false;
}

BOOL ISndStreamWinAmp::Open(const char* path) {
    {
        std::lock_guard<std::mutex> hold(g_noticeLock);
        ++g_fileSerial;
        g_playbackEnded = 0;
        g_readFailed = false;
        ResetEvent(g_endEvent);
    }
    g_playbackStarted = 0;
    g_outputOpened = 0;
    ResetBuffer();
    if (!Select(path)) return FALSE;
    In_Module& in = *m_current.input;
    if (!in.UsesOutputPlug || !in.Play) return FALSE;
    InstallCallbacks(in);
    FillOutputModule(g_outModule);
    m_nChannels = 2;
    m_nSampleRate = 44100;
    if (in.Play(path) != 0) return FALSE;
    for (int polls = 0; !g_outputOpened; ++polls) {
        if (polls == kOpenPolls) {
            g_playbackStarted = 1;  // so that Close stops the plug-in
            return FALSE;
        }
        Sleep(kOpenPollMs);
    }
    m_nChannels = g_outputFormat.channels;
    m_nSampleRate = g_outputFormat.sampleRate;
    m_nBitrate = g_bitrate;
    g_playbackStarted = 1;
    return TRUE;
}

DWORD ISndStreamWinAmp::Read(BYTE* dst, DWORD room) { return g_ring.Read(dst, room, g_endEvent); }

int ISndStreamWinAmp::GetOutputTime() {
    return m_current.input && m_current.input->GetOutputTime ? m_current.input->GetOutputTime() : 0;
}

int ISndStreamWinAmp::GetLength() {
    return m_current.input && m_current.input->GetLength ? m_current.input->GetLength() : 0;
}

int ISndStreamWinAmp::Close() {
    if (!g_playbackEnded && g_playbackStarted) {
        g_playbackEnded = 1;
        // A plug-in waiting inside Write is let go (its block is dropped) so Stop can end its thread.
        SetEvent(g_endEvent);
        if (m_current.input && m_current.input->Stop) m_current.input->Stop();
    }
    g_playbackStarted = 0;
    return 1;
}

const OutputFormat& ISndStreamWinAmp::OutputReceived() const { return g_outputFormat; }

Out_Module* ISndStreamWinAmp::OutputModule() const { return &g_outModule; }
