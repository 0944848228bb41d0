// Module-wide state of the extension: its own handle and its lock count.
#pragma once
#include <windows.h>

extern HINSTANCE g_hModule;

void ModuleLock();
void ModuleUnlock();
LONG ModuleLockCount();
