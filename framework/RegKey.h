// A registry key owned by this object; values read and written by name.
#pragma once
#include <string>
#include "Handles.h"

class CRegKey {
public:
    CRegKey() = default;

    // Opens an existing key; never creates one (reading must not write).
    LONG Open(HKEY parent, const char* subKey, REGSAM access = KEY_READ);
    LONG Create(HKEY parent, const char* subKey, REGSAM access = KEY_READ | KEY_WRITE);
    bool Close() { return m_key.Close(); }
    bool IsOpen() const { return m_key.IsValid(); }
    HKEY Get() const { return m_key.Get(); }

    LONG QueryDWORD(const char* name, DWORD& value) const;
    LONG QueryString(const char* name, std::string& value) const;
    LONG SetDWORD(const char* name, DWORD value);
    LONG SetString(const char* name, const char* value);
    LONG DeleteValue(const char* name);

    // Deletes a key with all its subkeys; ERROR_FILE_NOT_FOUND when absent.
    static LONG DeleteTree(HKEY parent, const char* subKey);

private:
    CKeyHandle m_key;
};
