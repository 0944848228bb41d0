// The input plug-in interface shared by the MP3 host and our decoder library:
// an input module of function pointers handed out by the library, and the
// output module the host emulates for it. Both are 32-bit layouts in which
// every field is 32 bits wide; the offsets are pinned below.
#pragma once
#include <windows.h>

#include <cstddef>

struct Out_Module {
    int version;
    const char* description;
    int id;
    HWND hMainWindow;
    HINSTANCE hDllInstance;
    void (*Config)(HWND parent);
    void (*About)(HWND parent);
    void (*Init)();
    void (*Quit)();
    int (*Open)(int samplerate, int numchannels, int bitspersamp, int bufferlenms, int prebufferms);
    void (*Close)();
    int (*Write)(char* buf, int len);
    int (*CanWrite)();
    int (*IsPlaying)();
    int (*Pause)(int pause);
    void (*SetVolume)(int volume);
    void (*SetPan)(int pan);
    void (*Flush)(int t);
    int (*GetOutputTime)();
    int (*GetWrittenTime)();
};

struct In_Module {
    int version;
    const char* description;
    HWND hMainWindow;
    HINSTANCE hDllInstance;
    const char* FileExtensions;  // pairs of zero-terminated strings, ended by an empty one
    int is_seekable;
    int UsesOutputPlug;
    void (*Config)(HWND parent);
    void (*About)(HWND parent);
    void (*Init)();
    void (*Quit)();
    void (*GetFileInfo)(const char* file, char* title, int* length_in_ms);
    int (*InfoBox)(const char* file, HWND parent);
    int (*IsOurFile)(const char* fn);
    int (*Play)(const char* fn);
    void (*Pause)();
    void (*UnPause)();
    int (*IsPaused)();
    void (*Stop)();
    int (*GetLength)();
    int (*GetOutputTime)();
    void (*SetOutputTime)(int time_in_ms);
    void (*SetVolume)(int volume);
    void (*SetPan)(int pan);
    void (*SAVSAInit)(int maxlatency_in_ms, int srate);
    void (*SAVSADeInit)();
    void (*SAAddPCMData)(void* PCMData, int nch, int bps, int timestamp);
    int (*SAGetMode)();
    void (*SAAdd)(void* data, int timestamp, int csa);
    void (*VSAAddPCMData)(void* PCMData, int nch, int bps, int timestamp);
    int (*VSAGetMode)(int* specNch, int* waveNch);
    void (*VSAAdd)(void* data, int timestamp);
    void (*VSASetInfo)(int nch, int srate);
    int (*dsp_isactive)();
    int (*dsp_dosamples)(short* samples, int numsamples, int bps, int nch, int srate);
    void (*EQSet)(int on, char data[10], int preamp);
    void (*SetInfo)(int bitrate, int srate, int stereo, int synched);
    Out_Module* outMod;
};

// The name of the library's export returning its In_Module.
inline constexpr char kInputModuleExport[] = "mp3decoder";
using GetInputModuleProc = In_Module* (*)();
// Our library's additional export: the input module of decoder instance index
// (from 0), each independent of the others (its own playback thread, output
// module and main window), null past the last. A host that knows it decodes
// several files at once; others see one decoder.
inline constexpr char kInstanceExport[] = "mp3decoder_instance";
using GetInstanceModuleProc = In_Module* (*)(int index);
// The most instances a host uses.
inline constexpr int kMaxDecoderInstances = 8;
// The message the library posts to hMainWindow once a file has been played out.
inline constexpr UINT kPluginEndOfFileMessage = WM_USER + 2;
// Our decoder library's own word in the end notice's wParam (others send 0):
// the file could not be read to its end, so what was played is not all of it.
inline constexpr WPARAM kEndOfFileReadFailed = 1;

#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(Out_Module) == 80, "20 fields of 32 bits");
static_assert(offsetof(Out_Module, hMainWindow) == 12);
static_assert(offsetof(Out_Module, Open) == 36);
static_assert(offsetof(Out_Module, Write) == 44);
static_assert(offsetof(Out_Module, CanWrite) == 48);
static_assert(offsetof(Out_Module, IsPlaying) == 52);
static_assert(offsetof(Out_Module, Pause) == 56);
static_assert(offsetof(Out_Module, GetOutputTime) == 72);
static_assert(offsetof(Out_Module, GetWrittenTime) == 76);

static_assert(offsetof(In_Module, hMainWindow) == 8);
static_assert(offsetof(In_Module, hDllInstance) == 12);
static_assert(offsetof(In_Module, FileExtensions) == 16);
static_assert(offsetof(In_Module, UsesOutputPlug) == 24);
static_assert(offsetof(In_Module, Init) == 36);
static_assert(offsetof(In_Module, Quit) == 40);
static_assert(offsetof(In_Module, IsOurFile) == 52);
static_assert(offsetof(In_Module, Play) == 56);
static_assert(offsetof(In_Module, Stop) == 72);
static_assert(offsetof(In_Module, GetLength) == 76);
static_assert(offsetof(In_Module, GetOutputTime) == 80);
static_assert(offsetof(In_Module, SAVSAInit) == 96);
static_assert(offsetof(In_Module, VSASetInfo) == 128);
static_assert(offsetof(In_Module, dsp_isactive) == 132);
static_assert(offsetof(In_Module, EQSet) == 140);
static_assert(offsetof(In_Module, SetInfo) == 144);
static_assert(offsetof(In_Module, outMod) == 148);
static_assert(sizeof(In_Module) == 152);
#endif
