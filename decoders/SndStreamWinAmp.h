// The host of the MP3 decoder library: loads it, selects its module for a
// file, hands it an emulated output module and turns that module's Write
// calls into a ring of PCM blocks that the decode thread reads one at a time.
// There is one host per process (the plug-in callbacks carry no context).
#pragma once
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "InputPlugin.h"
#include "NoticeWindow.h"
#include "PcmRingBuffer.h"

inline constexpr char kDecoderLibrary[] = "mjm.dll";
inline constexpr char kDecoderExtensions[] = "MP3;MP2;MP1";

struct PluginEntry {
    std::string extensions;
    std::string libraryName;
    HMODULE module = nullptr;
    In_Module* input = nullptr;
};

// What the output module's Open received.
struct OutputFormat {
    int sampleRate = 0;
    int channels = 0;
    int bitsPerSample = 0;
    int bufferMs = 0;
    int prebufferMs = 0;
};

class ISndStreamWinAmp {
public:
    static constexpr int kDefaultBitrate = 128000;

    ISndStreamWinAmp();
    ~ISndStreamWinAmp();
    ISndStreamWinAmp(const ISndStreamWinAmp&) = delete;
    ISndStreamWinAmp& operator=(const ISndStreamWinAmp&) = delete;

    // 1 when the library was loaded and its module registered, else 0. The
    // module's main window is the host's own notice window.
    int LoadPlugins();
    void UnloadPlugins();
    // The library's end-of-file message, as the notice window receives it.
    void SignalEndOfFile(WPARAM word = 0);
    // The file open now was not read to its end (the library said so with its end notice).
    bool ReadFailed() const;
    // Lets a Read that waits for data or for the end notice return (the queued
    // blocks first), for a reader that is being stopped.
    void ReleaseReader();

    // TRUE once PCM flows and m_nChannels / m_nSampleRate are valid.
    BOOL Open(const char* path);
    // The next block (at most 8200 bytes; less only when room is smaller); 0 at the end.
    DWORD Read(BYTE* dst, DWORD room);
    int GetOutputTime();
    int GetLength();
    int Close();
    void ResetBuffer();

    const OutputFormat& OutputReceived() const;
    Out_Module* OutputModule() const;

    int m_nChannels = 2;
    int m_nSampleRate = 44100;
    int m_nBitrate = kDefaultBitrate;

private:
    bool Select(const char* path);

    std::unique_ptr<CNoticeWindow> m_notices;
    std::vector<PluginEntry> m_plugins;
    PluginEntry m_current;
};

// The process-wide host.
ISndStreamWinAmp& SndStream();

// The extension Open matches plug-ins by: the (at most three) characters after
// the path's last dot, lower-cased, else "wav".
std::string PluginExtension(const char* path);
// Whether ext occurs in the first string of a module's extension text, lower-cased.
bool ExtensionListed(const char* fileExtensions, const std::string& ext);
