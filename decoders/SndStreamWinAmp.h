// The host of the MP3 decoder library: loads it, and lends its decoder
// instances (CMp3Stream) to the conversions, one file each. A library that
// offers independent instances (kInstanceExport) decodes several files at
// once; any other gives one instance, and its files go one at a time.
#pragma once
#include <windows.h>

#include <functional>
#include <memory>
#include <vector>

#include "../framework/Monitor.h"
#include "Mp3Stream.h"

inline constexpr char kDecoderLibrary[] = "mjm.dll";
inline constexpr char kDecoderExtensions[] = "MP3;MP2;MP1";

class ISndStreamWinAmp;

// A decoder instance lent for one file; its end closes the file and returns it.
class CMp3StreamLease {
public:
    CMp3StreamLease() = default;
    CMp3StreamLease(ISndStreamWinAmp* host, CMp3Stream* stream) : m_host(host), m_stream(stream) {}
    ~CMp3StreamLease() { Return(); }
    CMp3StreamLease(CMp3StreamLease&& other) noexcept : m_host(other.m_host), m_stream(other.m_stream) {
        other.m_stream = nullptr;
    }
    CMp3StreamLease& operator=(CMp3StreamLease&& other) noexcept;
    CMp3StreamLease(const CMp3StreamLease&) = delete;
    CMp3StreamLease& operator=(const CMp3StreamLease&) = delete;

    explicit operator bool() const { return m_stream != nullptr; }
    CMp3Stream* operator->() const { return m_stream; }
    CMp3Stream& operator*() const { return *m_stream; }

private:
    void Return();
    ISndStreamWinAmp* m_host = nullptr;
    CMp3Stream* m_stream = nullptr;
};

class ISndStreamWinAmp {
public:
    ISndStreamWinAmp() = default;
    ~ISndStreamWinAmp();
    ISndStreamWinAmp(const ISndStreamWinAmp&) = delete;
    ISndStreamWinAmp& operator=(const ISndStreamWinAmp&) = delete;

    // 1 when the library was loaded and its modules registered, else 0. Each
    // module's main window is its stream's own notice window.
    int LoadPlugins();
    // Once every lease has ended.
    void UnloadPlugins();
    // How many files decode at once: 0 when nothing is loaded.
    int StreamCount() const;
    // A free decoder instance for one file, waiting while all are lent out and
    // asking keepWaiting every moment; an empty lease when it said to give up,
    // or when nothing is loaded.
    CMp3StreamLease Acquire(const std::function<bool()>& keepWaiting);
    // Lets every Read that waits for data or for its end notice return (the
    // queued blocks first), for conversions that are being stopped.
    void ReleaseReader();

private:
    friend class CMp3StreamLease;
    void Return(CMp3Stream* stream);
    size_t Number(const CMp3Stream* stream) const;
    // The instances a library offers through kInstanceExport; none without it.
    std::vector<In_Module*> Instances(HMODULE module) const;

    HMODULE m_library = nullptr;
    std::vector<std::unique_ptr<CMp3Stream>> m_streams;
    mutable CMonitor m_monitor;  // guards the streams and the free list
    std::vector<CMp3Stream*> m_free;
};

// The process-wide host.
ISndStreamWinAmp& SndStream();
