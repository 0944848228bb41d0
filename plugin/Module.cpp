// The decoder library's input modules: one per decoder instance, each with its
// own playback. The classic export hands out the first; the instance export
// any of them, for a host that decodes several files at once. The host fills
// in the output module and the callbacks before each Play.
#include <windows.h>

#include <array>
#include <memory>
#include <utility>

#include <mpg123.h>

#include "../decoders/InputPlugin.h"
#include "Playback.h"

namespace {
struct Instance {
    CPlayback playback;
    In_Module module{};
};
Instance g_instances[kMaxDecoderInstances];

void NoConfig(HWND) {}
void Init() { mpg123_init(); }
void GetFileInfo(const char*, char* title, int* length) {
    if (title) title[0] = '\0';
    if (length) *length = -1;
}
int InfoBox(const char*, HWND) { return 0; }
// The extension list decides; any path may still be offered to Play.
int IsOurFile(const char*) { return 0; }
void Nothing() {}
int NotPaused() { return 0; }
void SetOutputTime(int) {}
void SetInt(int) {}

int PlayOn(Instance& instance, const char* path) {
    instance.playback.Stop();
    In_Module& m = instance.module;
    if (!m.outMod) return -1;
    auto file = std::make_unique<CMp3File>();
    if (!file->Open(path)) return -1;
    if (m.SetInfo) m.SetInfo(file->BitrateKbps(), file->Rate() / 1000, file->Channels() == 2, 1);
    return instance.playback.Start(std::move(file), m.outMod, m.hMainWindow) ? 0 : -1;
}

// The module's functions carry no context: each instance has entries of its own.
template <int I>
struct Entries {
    static void Stop() { g_instances[I].playback.Stop(); }
    static int Play(const char* path) { return PlayOn(g_instances[I], path); }
    static int GetLength() { return g_instances[I].playback.LengthMs(); }
    static int GetOutputTime() { return g_instances[I].playback.OutputTimeMs(); }
};

In_Module* Fill(In_Module& m, void (*stop)(), int (*play)(const char*), int (*length)(), int (*outputTime)()) {
    m.version = 0x100;
    m.description = "Wavory MP3 decoder";
    m.FileExtensions =
        "MP3\0MPEG audio layer 3 (*.MP3)\0MP2\0MPEG audio layer 2 (*.MP2)\0MP1\0MPEG audio layer 1 (*.MP1)\0";
    m.is_seekable = 0;
    m.UsesOutputPlug = 1;
    m.Config = NoConfig;
    m.About = NoConfig;
    m.Init = Init;
    m.Quit = stop;
    m.GetFileInfo = GetFileInfo;
    m.InfoBox = InfoBox;
    m.IsOurFile = IsOurFile;
    m.Play = play;
    m.Pause = Nothing;
    m.UnPause = Nothing;
    m.IsPaused = NotPaused;
    m.Stop = stop;
    m.GetLength = length;
    m.GetOutputTime = outputTime;
    m.SetOutputTime = SetOutputTime;
    m.SetVolume = SetInt;
    m.SetPan = SetInt;
    return &m;
}

template <int I>
In_Module* ModuleOf() {
    using E = Entries<I>;
    return Fill(g_instances[I].module, E::Stop, E::Play, E::GetLength, E::GetOutputTime);
}

template <size_t... I>
constexpr std::array<In_Module* (*)(), sizeof...(I)> MakeModules(std::index_sequence<I...>) {
    return {ModuleOf<I>...};
}
constexpr auto kModules = MakeModules(std::make_index_sequence<kMaxDecoderInstances>());
}  // namespace

extern "C" In_Module* mp3decoder() { return kModules[0](); }

extern "C" In_Module* mp3decoder_instance(int index) {
    return index >= 0 && index < kMaxDecoderInstances ? kModules[index]() : nullptr;
}
