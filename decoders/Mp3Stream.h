// One decoder instance of the MP3 library seen from the host: it selects the
// instance's module for a file, hands it an emulated output module and turns
// that module's Write calls into a ring of PCM blocks that one conversion
// reads. Each stream has its own ring, end notice window and state, so files
// decode side by side when the library offers several instances.
#pragma once
#include <windows.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

#include "InputPlugin.h"
#include "NoticeWindow.h"
#include "PcmRingBuffer.h"

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

class CMp3Stream {
public:
    static constexpr int kDefaultBitrate = 128000;

    // Stream number index (below kMaxDecoderInstances) of the plug-in entry;
    // the module gets the stream's notice window as its main window.
    CMp3Stream(int index, const PluginEntry& plugin);
    ~CMp3Stream();
    CMp3Stream(const CMp3Stream&) = delete;
    CMp3Stream& operator=(const CMp3Stream&) = delete;

    // False when the stream's notice window could not be made.
    bool IsUsable() const { return m_notices->Window() != nullptr; }
    HWND NoticeWindow() const { return m_notices->Window(); }
    const PluginEntry& Plugin() const { return m_plugin; }

    // TRUE once PCM flows and m_nChannels / m_nSampleRate are valid.
    BOOL Open(const char* path);
    // The next block (at most 8200 bytes; less only when room is smaller); 0 at the end.
    DWORD Read(BYTE* dst, DWORD room);
    int GetOutputTime();
    int GetLength();
    int Close();
    void ResetBuffer() { m_ring.Reset(); }
    // The library's end-of-file message, as the notice window receives it.
    void SignalEndOfFile(WPARAM word = 0);
    // The file open now was not read to its end (the library said so with its end notice).
    bool ReadFailed() const { return m_readFailed; }
    // Lets a Read that waits for data or for the end notice return (the queued
    // blocks first), for a reader that is being stopped.
    void ReleaseReader() { SetEvent(m_endEvent); }

    const OutputFormat& OutputReceived() const { return m_outputFormat; }
    Out_Module* OutputModule() { return &m_out; }

    int m_nChannels = 2;
    int m_nSampleRate = 44100;
    int m_nBitrate = kDefaultBitrate;

    // The module's calls, through the stream's own context-free entries.
    int OutOpen(int samplerate, int numchannels, int bitspersamp, int bufferlenms, int prebufferms);
    int OutWrite(char* buf, int len) { return m_ring.Write(buf, len, m_endEvent); }
    int OutCanWrite() const { return m_ring.CanWrite() ? PcmRingBuffer::kSlotBytes : 0; }
    int OutIsPlaying();
    void InSetInfo(int bitrate) {
        if (bitrate > 0) m_bitrate = bitrate < 1000 ? bitrate * 1000 : bitrate;
    }

private:
    bool Select(const char* path);
    void InstallCallbacks(In_Module& in);
    void FillOutputModule();

    const int m_index;
    PluginEntry m_plugin;
    std::unique_ptr<CNoticeWindow> m_notices;
    PcmRingBuffer m_ring;
    CHandle m_endEvent;
    std::atomic<int> m_playbackEnded{0};
    std::atomic<int> m_playbackStarted{0};
    std::atomic<int> m_outputOpened{0};
    std::atomic<int> m_bitrate{kDefaultBitrate};
    // The end-of-file notice is posted and carries nothing, so a late one can arrive
    // after its file was closed and the next one opened. A player tells the end only
    // once its output reports nothing more playing; a notice counts only when that
    // has happened for the file open now.
    std::atomic<unsigned> m_fileSerial{0};
    std::atomic<unsigned> m_drainedSerial{~0u};
    // The notice arrives on the window's own thread: its check and the next file's
    // start must not interleave.
    std::mutex m_noticeLock;
    std::atomic<bool> m_readFailed{false};
    OutputFormat m_outputFormat;
    Out_Module m_out{};
};

// The extension Open matches plug-ins by: the (at most three) characters after
// the path's last dot, lower-cased, else "wav".
std::string PluginExtension(const char* path);
// Whether ext occurs in the first string of a module's extension text, lower-cased.
bool ExtensionListed(const char* fileExtensions, const std::string& ext);
