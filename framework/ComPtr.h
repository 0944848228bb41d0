// Owner of one COM interface reference.
#pragma once
#include <unknwn.h>

template <typename T>
class CComPtr {
public:
    CComPtr() noexcept = default;
    // Takes over a reference the caller already holds.
    explicit CComPtr(T* p) noexcept : m_p(p) {}
    ~CComPtr() { Release(); }

    CComPtr(const CComPtr& other) noexcept : m_p(other.m_p) {
        if (m_p) m_p->AddRef();
    }
    CComPtr& operator=(const CComPtr& other) noexcept {
        if (other.m_p) other.m_p->AddRef();
        Release();
        m_p = other.m_p;
        return *this;
    }
    CComPtr(CComPtr&& other) noexcept : m_p(other.Detach()) {}
    CComPtr& operator=(CComPtr&& other) noexcept {
        if (this != &other) Attach(other.Detach());
        return *this;
    }

    T* Get() const noexcept { return m_p; }
    T* operator->() const noexcept { return m_p; }
    explicit operator bool() const noexcept { return m_p != nullptr; }

    void Attach(T* p) noexcept {
        Release();
        m_p = p;
    }
    T* Detach() noexcept {
        T* p = m_p;
        m_p = nullptr;
        return p;
    }
    void Release() noexcept {
        if (m_p) {
            T* p = m_p;
            m_p = nullptr;
            p->Release();
        }
    }
    T** Receive() noexcept {
        Release();
        return &m_p;
    }
    void** ReceiveVoid() noexcept { return reinterpret_cast<void**>(Receive()); }

    template <typename U>
    HRESULT QueryInterface(REFIID iid, CComPtr<U>& out) const noexcept {
        if (!m_p) return E_POINTER;
        return m_p->QueryInterface(iid, out.ReceiveVoid());
    }

private:
    T* m_p = nullptr;
};
