#include "FileReadStream.h"

#include "../framework/FileSystem.h"

HRESULT LastErrorStatus() {
    DWORD error = GetLastError();
    return error ? HRESULT_FROM_WIN32(error) : S_OK;
}

CFileReadStream::CFileReadStream() = default;

CFileReadStream::~CFileReadStream() {
    if (m_hFile != INVALID_HANDLE_VALUE) CloseHandle(m_hFile);
}

HRESULT CFileReadStream::Open(const char* path) {
    // The same sharing as every other source: a file another program holds open is read all the same.
    m_hFile = fs::Open(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING);
    if (m_hFile == INVALID_HANDLE_VALUE) return LastErrorStatus();
    if (GetFileType(m_hFile) != FILE_TYPE_DISK) {
        CloseHandle(m_hFile);
        m_hFile = INVALID_HANDLE_VALUE;
        return E_FAIL;
    }
    return S_OK;
}

HRESULT CFileReadStream::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IStream) {
        *ppv = static_cast<IStream*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG CFileReadStream::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&m_nRefCount)); }

ULONG CFileReadStream::Release() {
    if (InterlockedDecrement(&m_nRefCount) > 0) return 0xBAD;
    delete this;
    return 0;
}

HRESULT CFileReadStream::Read(void* pv, ULONG cb, ULONG* pcbRead) {
    DWORD read = 0;
    if (!ReadFile(m_hFile, pv, cb, &read, nullptr)) {
        m_readFailed = true;
        return LastErrorStatus();
    }
    if (pcbRead) *pcbRead = read;
    return S_OK;
}

HRESULT CFileReadStream::Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition) {
    DWORD method;
    switch (origin) {
    case STREAM_SEEK_SET: method = FILE_BEGIN; break;
    case STREAM_SEEK_CUR: method = FILE_CURRENT; break;
    case STREAM_SEEK_END: method = FILE_END; break;
    default: return E_INVALIDARG;
    }
    // Full 64-bit positions: sources of 4 GiB and more seek like any other.
    LARGE_INTEGER position{};
    if (!SetFilePointerEx(m_hFile, move, &position, method)) return LastErrorStatus();
    if (newPosition) newPosition->QuadPart = static_cast<ULONGLONG>(position.QuadPart);
    return S_OK;
}

HRESULT CFileReadStream::Stat(STATSTG* pstatstg, DWORD grfStatFlag) {
    // The stream has no name to give.
    if (!pstatstg || grfStatFlag != STATFLAG_NONAME) return E_INVALIDARG;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(m_hFile, &size)) return LastErrorStatus();
    ZeroMemory(pstatstg, sizeof(*pstatstg));
    pstatstg->type = STGTY_STREAM;
    pstatstg->cbSize.QuadPart = static_cast<ULONGLONG>(size.QuadPart);
    return S_OK;
}
