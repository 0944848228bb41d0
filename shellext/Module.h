// Module-wide state of the extension: its own path and its lock count.
#pragma once
#include <windows.h>

extern char g_szModulePath[MAX_PATH];
extern HINSTANCE g_hModule;

void ModuleLock();
void ModuleUnlock();
LONG ModuleLockCount();
