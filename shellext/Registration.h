// The extension's registry entries and type library.
#pragma once
#include <windows.h>

HRESULT RegisterServer(const char* modulePath);
HRESULT UnregisterServer(const char* modulePath);
