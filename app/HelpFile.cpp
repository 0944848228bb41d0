#include "HelpFile.h"

#include <windows.h>
#include <htmlhelp.h>

#include <string>

#include "../framework/Unicode.h"

namespace {
std::string g_helpFilePath;
}

const char* HelpFilePath() { return g_helpFilePath.c_str(); }

void SetHelpFilePath(const char* path) { g_helpFilePath = path; }

void OpenHelpTopic(const char* topic) {
    // The viewer is loaded only when help is asked for.
    using HtmlHelpFn = HWND(WINAPI*)(HWND, LPCWSTR, UINT, DWORD_PTR);
    static HMODULE viewer = LoadLibraryA("hhctrl.ocx");
    if (!viewer) return;
    auto htmlHelp = reinterpret_cast<HtmlHelpFn>(reinterpret_cast<void*>(GetProcAddress(viewer, "HtmlHelpW")));
    if (!htmlHelp) return;
    // The install folder may hold any character.
    std::wstring address = Widen(g_helpFilePath + topic);
    htmlHelp(nullptr, address.c_str(), HH_DISPLAY_TOPIC, 0);
}
