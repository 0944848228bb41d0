#include "RegKey.h"

#include <vector>

#include "Unicode.h"

LONG CRegKey::Open(HKEY parent, const char* subKey, REGSAM access) {
    HKEY key = nullptr;
    LONG rc = RegOpenKeyExA(parent, subKey, 0, access, &key);
    if (rc == ERROR_SUCCESS) m_key.Attach(key);
    return rc;
}

LONG CRegKey::Create(HKEY parent, const char* subKey, REGSAM access) {
    HKEY key = nullptr;
    LONG rc = RegCreateKeyExA(parent, subKey, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr,
                              &key, nullptr);
    if (rc == ERROR_SUCCESS) m_key.Attach(key);
    return rc;
}

LONG CRegKey::QueryDWORD(const char* name, DWORD& value) const {
    DWORD type = 0, data = 0, size = sizeof(data);
    LONG rc = RegQueryValueExA(m_key, name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size);
    if (rc != ERROR_SUCCESS) return rc;
    if (type != REG_DWORD || size != sizeof(data)) return ERROR_INVALID_DATA;
    value = data;
    return ERROR_SUCCESS;
}

LONG CRegKey::QueryString(const char* name, std::string& value) const {
    DWORD type = 0, size = 0;
    std::wstring wideName = Widen(name);
    LONG rc = RegQueryValueExW(m_key, wideName.c_str(), nullptr, &type, nullptr, &size);
    if (rc != ERROR_SUCCESS) return rc;
    if (type != REG_SZ && type != REG_EXPAND_SZ) return ERROR_INVALID_DATA;
    // The stored data need not end in a zero (nor hold whole characters): one more character of room.
    std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 2, L'\0');
    rc = RegQueryValueExW(m_key, wideName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &size);
    if (rc != ERROR_SUCCESS) return rc;
    value = Narrow(buffer.data());
    return ERROR_SUCCESS;
}

LONG CRegKey::SetDWORD(const char* name, DWORD value) {
    return RegSetValueExA(m_key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                          sizeof(value));
}

LONG CRegKey::SetString(const char* name, const char* value) {
    std::wstring wide = Widen(value);
    return RegSetValueExW(m_key, Widen(name).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(wide.c_str()),
                          static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t)));
}

LONG CRegKey::DeleteValue(const char* name) { return RegDeleteValueA(m_key, name); }

LONG CRegKey::DeleteTree(HKEY parent, const char* subKey) {
    CRegKey key;
    LONG rc = key.Open(parent, subKey, KEY_READ | KEY_WRITE);
    if (rc != ERROR_SUCCESS) return rc;
    // Delete children first; RegDeleteTree is missing on older systems' headers.
    char child[256];
    for (;;) {
        DWORD length = sizeof(child);
        rc = RegEnumKeyExA(key.Get(), 0, child, &length, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_NO_MORE_ITEMS) break;
        if (rc != ERROR_SUCCESS) return rc;
        rc = DeleteTree(key.Get(), child);
        if (rc != ERROR_SUCCESS) return rc;
    }
    key.Close();
    return RegDeleteKeyA(parent, subKey);
}
