// Plays one file into the host's output module on a thread of its own:
// opens the output once, writes blocks no larger than CanWrite offers (waiting
// while it offers nothing), and when the output has played everything posts
// the end-of-file message to the host's window.
#pragma once
#include <windows.h>

#include <atomic>
#include <memory>

#include "../decoders/InputPlugin.h"
#include "../framework/Handles.h"
#include "Mp3File.h"

class CPlayback {
public:
    static constexpr int kBlockBytes = 8200;

    // Takes an opened file; false when the thread cannot start.
    bool Start(std::unique_ptr<CMp3File> file, Out_Module* out, HWND notify);
    // Ends the thread promptly, wherever it is waiting.
    void Stop();

    int OutputTimeMs() const;
    int LengthMs() const { return m_lengthMs; }

private:
    static DWORD WINAPI ThreadMain(void* self);
    void Run();
    // Waits until the output offers at least one sample frame; false on Stop.
    bool WaitForRoom(int frameBytes, int& room);

    std::unique_ptr<CMp3File> m_file;
    Out_Module* m_out = nullptr;
    HWND m_notify = nullptr;
    CHandle m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<int64_t> m_framesWritten{0};
    int m_rate = 0;
    int m_lengthMs = 0;
};
