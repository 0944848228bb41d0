// A read-only COM stream over a file, through which the Windows Media runtime
// reads a source: reading, seeking and size only.
#pragma once
#include <objidl.h>

#include <atomic>

class CFileReadStream : public IStream {
public:
    // One reference, the creator's.
    CFileReadStream();

    // Opens path for reading, letting others read, write and delete it; only disk files.
    HRESULT Open(const char* path);
    // A read failed (not the end of the file): the runtime may take that for the end.
    bool ReadFailed() const { return m_readFailed; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    // 0xBAD while references remain, 0 when the object is destroyed.
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE Read(void* pv, ULONG cb, ULONG* pcbRead) override;
    HRESULT STDMETHODCALLTYPE Write(const void*, ULONG, ULONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition) override;
    HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Revert() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Stat(STATSTG* pstatstg, DWORD grfStatFlag) override;
    HRESULT STDMETHODCALLTYPE Clone(IStream**) override { return E_NOTIMPL; }

private:
    virtual ~CFileReadStream();
    HANDLE m_hFile = INVALID_HANDLE_VALUE;
    LONG m_nRefCount = 1;
    std::atomic<bool> m_readFailed{false};  // the runtime reads on a thread of its own
};

// The last error as a COM status; S_OK when there is none.
HRESULT LastErrorStatus();
