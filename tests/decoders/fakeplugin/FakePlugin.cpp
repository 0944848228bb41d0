// A scripted decoder library: writes numbered blocks of one byte value each,
// so the host's tests can follow every block through the ring.
#include <windows.h>

#include <cstdlib>
#include <vector>

#include "decoders/InputPlugin.h"
#include "tests/decoders/fakeplugin/FakePlugin.h"

namespace {
FakeScript g_script;
In_Module g_module{};
HANDLE g_thread = nullptr;
std::atomic<bool> g_stop{false};

DWORD WINAPI Playback(void*) {
    Out_Module* out = g_module.outMod;
    g_script.threadRunning = 1;
    if (g_script.opensOutput) {
        out->Open(g_script.rate, g_script.channels, 16, -1, -1);
        std::vector<char> block(static_cast<size_t>(g_script.blockBytes));
        for (int i = 0; i < g_script.blocks && !g_stop; ++i) {
            while (g_script.respectCanWrite && out->CanWrite() < g_script.blockBytes && !g_stop) Sleep(1);
            if (g_stop) break;
            for (char& c : block) c = static_cast<char>(i + 1);
            ++g_script.writes;
            if (out->Write(block.data(), g_script.blockBytes) != 0) ++g_script.writesRefused;
        }
        while (g_script.postsEndOfFile && out->IsPlaying() && !g_stop) Sleep(1);
        if (g_script.postsEndOfFile && !g_stop) PostMessageA(g_module.hMainWindow, kPluginEndOfFileMessage, 0, 0);
    }
    while (!g_stop) Sleep(1);  // a player thread lives until it is stopped
    g_script.threadRunning = 0;
    return 0;
}

void Stop() {
    ++g_script.stopCalls;
    g_stop = true;
    if (g_thread) {
        WaitForSingleObject(g_thread, INFINITE);
        CloseHandle(g_thread);
        g_thread = nullptr;
    }
}
int Play(const char*) {
    ++g_script.playCalls;
    if (g_script.playResult != 0) return g_script.playResult;
    // The last file's thread, still waiting to be stopped after its end: a
    // player ends it before it starts the next, or an unload would find it running.
    if (g_thread) {
        g_stop = true;
        WaitForSingleObject(g_thread, INFINITE);
        CloseHandle(g_thread);
        g_thread = nullptr;
    }
    g_stop = false;
    g_thread = CreateThread(nullptr, 0, Playback, nullptr, 0, nullptr);
    return 0;
}
void Init() { ++g_script.initCalls; }
void Quit() {
    ++g_script.quitCalls;
    SetEnvironmentVariableA("WAVORY_FAKE_QUIT", "1");  // outlives the library
    g_stop = true;
    if (g_thread) WaitForSingleObject(g_thread, INFINITE);
}
int IsOurFile(const char*) { return g_script.isOurFile; }
int GetLength() { return g_script.lengthMs; }
int GetOutputTime() { return g_script.outputTimeMs; }
}  // namespace

extern "C" FakeScript* FakeControl() { return &g_script; }

extern "C" In_Module* mp3decoder() {
    if (getenv("WAVORY_FAKE_NO_MODULE")) return nullptr;
    g_module.version = 0x100;
    g_module.description = "fake decoder";
    g_module.FileExtensions = g_script.extensions;
    g_module.UsesOutputPlug = g_script.usesOutputPlug;
    g_module.Init = Init;
    g_module.Quit = Quit;
    g_module.IsOurFile = IsOurFile;
    g_module.Play = Play;
    g_module.Stop = Stop;
    g_module.GetLength = GetLength;
    g_module.GetOutputTime = GetOutputTime;
    return &g_module;
}

// Lets a test change what the module states after it was handed out.
extern "C" void FakeRestate() {
    g_module.FileExtensions = g_script.extensions;
    g_module.UsesOutputPlug = g_script.usesOutputPlug;
}
