#include "HelpFile.h"

#include <windows.h>
#include <htmlhelp.h>

#include <cstring>
#include <string>

namespace {
char g_helpFilePath[MAX_PATH] = {};
}

const char* HelpFilePath() { return g_helpFilePath; }

void SetHelpFilePath(const char* path) {
    memset(g_helpFilePath, 0, sizeof(g_helpFilePath));
    strncpy(g_helpFilePath, path, sizeof(g_helpFilePath) - 1);
}

void OpenHelpTopic(const char* topic) {
    // The viewer is loaded only when help is asked for.
    using HtmlHelpFn = HWND(WINAPI*)(HWND, LPCSTR, UINT, DWORD_PTR);
    static HMODULE viewer = LoadLibraryA("hhctrl.ocx");
    if (!viewer) return;
    auto htmlHelp = reinterpret_cast<HtmlHelpFn>(reinterpret_cast<void*>(GetProcAddress(viewer, "HtmlHelpA")));
    if (!htmlHelp) return;
    std::string address = std::string(g_helpFilePath) + topic;
    htmlHelp(nullptr, address.c_str(), HH_DISPLAY_TOPIC, 0);
}
