// Non-copyable owners for Win32 handles: one traits struct per handle kind says
// what "no handle" is and how it is released.
#pragma once
#include <windows.h>

template <typename Traits>
class CHandleT {
public:
    using Handle = typename Traits::Handle;

    CHandleT() noexcept = default;
    explicit CHandleT(Handle h) noexcept : m_h(h) {}
    ~CHandleT() { Close(); }

    CHandleT(const CHandleT&) = delete;
    CHandleT& operator=(const CHandleT&) = delete;
    CHandleT(CHandleT&& other) noexcept : m_h(other.Detach()) {}
    CHandleT& operator=(CHandleT&& other) noexcept {
        if (this != &other) Attach(other.Detach());
        return *this;
    }

    bool IsValid() const noexcept { return m_h != Traits::Invalid(); }
    Handle Get() const noexcept { return m_h; }
    operator Handle() const noexcept { return m_h; }

    void Attach(Handle h) noexcept {
        Close();
        m_h = h;
    }
    Handle Detach() noexcept {
        Handle h = m_h;
        m_h = Traits::Invalid();
        return h;
    }
    // Returns false when the platform refused to release the handle.
    bool Close() noexcept {
        if (!IsValid()) return true;
        bool ok = Traits::Release(m_h);
        m_h = Traits::Invalid();
        return ok;
    }
    // For out-parameters: releases what is held and hands out the slot.
    Handle* Receive() noexcept {
        Close();
        return &m_h;
    }

private:
    Handle m_h = Traits::Invalid();
};

struct KernelHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return nullptr; }
    static bool Release(Handle h) { return CloseHandle(h) != 0; }
};
// CreateFile and friends report failure as INVALID_HANDLE_VALUE, not NULL.
struct FileHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static bool Release(Handle h) { return CloseHandle(h) != 0; }
};
struct FindHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static bool Release(Handle h) { return FindClose(h) != 0; }
};
struct RegKeyTraits {
    using Handle = HKEY;
    static Handle Invalid() { return nullptr; }
    static bool Release(Handle h) { return RegCloseKey(h) == ERROR_SUCCESS; }
};
struct GlobalTraits {
    using Handle = HGLOBAL;
    static Handle Invalid() { return nullptr; }
    static bool Release(Handle h) { return GlobalFree(h) == nullptr; }
};
struct MenuTraits {
    using Handle = HMENU;
    static Handle Invalid() { return nullptr; }
    static bool Release(Handle h) { return DestroyMenu(h) != 0; }
};
struct ModuleTraits {
    using Handle = HMODULE;
    static Handle Invalid() { return nullptr; }
    static bool Release(Handle h) { return FreeLibrary(h) != 0; }
};
// Strings the shell allocates for its callers (IShellItem::GetDisplayName).
struct CoTaskMemTraits {
    using Handle = wchar_t*;
    static Handle Invalid() { return nullptr; }
    static bool Release(Handle h) {
        CoTaskMemFree(h);
        return true;
    }
};
template <typename T>
struct GdiTraits {
    using Handle = T;
    static Handle Invalid() { return nullptr; }
    static bool Release(Handle h) { return DeleteObject(h) != 0; }
};

using CHandle = CHandleT<KernelHandleTraits>;
using CFileHandle = CHandleT<FileHandleTraits>;
using CFindHandle = CHandleT<FindHandleTraits>;
using CKeyHandle = CHandleT<RegKeyTraits>;
using CGlobalHandle = CHandleT<GlobalTraits>;
using CMenuHandle = CHandleT<MenuTraits>;
using CModuleHandle = CHandleT<ModuleTraits>;
using CFontHandle = CHandleT<GdiTraits<HFONT>>;
using CBitmapHandle = CHandleT<GdiTraits<HBITMAP>>;
using CBrushHandle = CHandleT<GdiTraits<HBRUSH>>;
using CCoTaskMemString = CHandleT<CoTaskMemTraits>;

// Keeps an HGLOBAL locked for the owner's lifetime.
template <typename T>
class CGlobalLock {
public:
    explicit CGlobalLock(HGLOBAL h) noexcept : m_h(h), m_p(h ? static_cast<T*>(GlobalLock(h)) : nullptr) {}
    ~CGlobalLock() {
        if (m_p) GlobalUnlock(m_h);
    }
    CGlobalLock(const CGlobalLock&) = delete;
    CGlobalLock& operator=(const CGlobalLock&) = delete;
    T* Get() const noexcept { return m_p; }
    SIZE_T Size() const noexcept { return m_p ? GlobalSize(m_h) : 0; }

private:
    HGLOBAL m_h;
    T* m_p;
};
