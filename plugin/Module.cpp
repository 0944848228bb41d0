// The decoder library's input module: the one export hands it out; the host
// fills in the output module and the callbacks before each Play.
#include <windows.h>

#include <memory>

#include <mpg123.h>

#include "../decoders/InputPlugin.h"
#include "Playback.h"

namespace {
CPlayback g_playback;

void NoConfig(HWND) {}
void Init() { mpg123_init(); }
void Quit() { g_playback.Stop(); }
void GetFileInfo(const char*, char* title, int* length) {
    if (title) title[0] = '\0';
    if (length) *length = -1;
}
int InfoBox(const char*, HWND) { return 0; }
// The extension list decides; any path may still be offered to Play.
int IsOurFile(const char*) { return 0; }
void Nothing() {}
int NotPaused() { return 0; }
void Stop() { g_playback.Stop(); }
int GetLength() { return g_playback.LengthMs(); }
int GetOutputTime() { return g_playback.OutputTimeMs(); }
void SetOutputTime(int) {}
void SetInt(int) {}

// The host fills in the rest (callbacks, output module) before each Play.
In_Module g_module{};
int Play(const char* path) {
    g_playback.Stop();
    if (!g_module.outMod) return -1;
    auto file = std::make_unique<CMp3File>();
    if (!file->Open(path)) return -1;
    if (g_module.SetInfo) g_module.SetInfo(file->BitrateKbps(), file->Rate() / 1000, file->Channels() == 2, 1);
    return g_playback.Start(std::move(file), g_module.outMod, g_module.hMainWindow) ? 0 : -1;
}
}  // namespace

extern "C" In_Module* mp3decoder() {
    In_Module& m = g_module;
    m.version = 0x100;
    m.description = "Wavory MP3 decoder";
    m.FileExtensions =
        "MP3\0MPEG audio layer 3 (*.MP3)\0MP2\0MPEG audio layer 2 (*.MP2)\0MP1\0MPEG audio layer 1 (*.MP1)\0";
    m.is_seekable = 0;
    m.UsesOutputPlug = 1;
    m.Config = NoConfig;
    m.About = NoConfig;
    m.Init = Init;
    m.Quit = Quit;
    m.GetFileInfo = GetFileInfo;
    m.InfoBox = InfoBox;
    m.IsOurFile = IsOurFile;
    m.Play = Play;
    m.Pause = Nothing;
    m.UnPause = Nothing;
    m.IsPaused = NotPaused;
    m.Stop = Stop;
    m.GetLength = GetLength;
    m.GetOutputTime = GetOutputTime;
    m.SetOutputTime = SetOutputTime;
    m.SetVolume = SetInt;
    m.SetPan = SetInt;
    return &m;
}
