#include "FileSystem.h"

#include "Unicode.h"

namespace fs {
namespace {
// CreateDirectory's own limit is the lowest: MAX_PATH less room for an 8.3 name.
constexpr size_t kPlainPathLimit = MAX_PATH - 12;

std::wstring FullPath(const std::wstring& path) {
    DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (size == 0) return path;
    std::wstring full(size, L'\0');
    DWORD got = GetFullPathNameW(path.c_str(), size, &full[0], nullptr);
    if (got == 0 || got >= size) return path;
    full.resize(got);
    return full;
}
}  // namespace

std::wstring SystemPath(const std::string& path) {
    std::wstring wide = Widen(path);
    if (wide.size() < kPlainPathLimit || wide.compare(0, 4, L"\\\\?\\") == 0) return wide;
    // The long form is taken literally: it must be whole and use backslashes only.
    std::wstring full = FullPath(wide);
    if (full.compare(0, 2, L"\\\\") == 0) return L"\\\\?\\UNC\\" + full.substr(2);
    if (full.size() > 2 && full[1] == L':') return L"\\\\?\\" + full;
    return wide;
}

HANDLE Open(const std::string& path, DWORD access, DWORD share, DWORD disposition, DWORD flags) {
    return CreateFileW(SystemPath(path).c_str(), access, share, nullptr, disposition, flags, nullptr);
}

DWORD Attributes(const std::string& path) { return GetFileAttributesW(SystemPath(path).c_str()); }

bool IsFolder(const std::string& path) {
    DWORD attributes = Attributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool SetAttributes(const std::string& path, DWORD attributes) {
    return SetFileAttributesW(SystemPath(path).c_str(), attributes) != FALSE;
}

bool Delete(const std::string& path) { return DeleteFileW(SystemPath(path).c_str()) != FALSE; }

bool Move(const std::string& from, const std::string& to, DWORD flags) {
    return MoveFileExW(SystemPath(from).c_str(), SystemPath(to).c_str(), flags) != FALSE;
}

bool MakeFolder(const std::string& path) { return CreateDirectoryW(SystemPath(path).c_str(), nullptr) != FALSE; }

bool FreeSpace(const std::string& folder, uint64_t& available) {
    ULARGE_INTEGER bytes{};
    if (!GetDiskFreeSpaceExW(SystemPath(folder).c_str(), &bytes, nullptr, nullptr)) return false;
    available = bytes.QuadPart;
    return true;
}

UINT DriveType(const std::string& root) { return GetDriveTypeW(Widen(root).c_str()); }

std::string TempFolder() {
    wchar_t temp[MAX_PATH + 1] = {};
    DWORD n = GetTempPathW(MAX_PATH + 1, temp);
    return n > 0 && n <= MAX_PATH ? Narrow(temp, n) : std::string();
}

std::string ModulePath(HMODULE module) {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(module, &path[0], static_cast<DWORD>(path.size()));
        if (n == 0) return std::string();
        if (n < path.size()) return Narrow(path.data(), n);
        path.resize(path.size() * 2);  // cut: a longer install path
    }
}

bool Identify(const std::string& path, FileIdentity& identity) {
    // Backup semantics open folders too; no access right is needed to read the identity.
    CFileHandle handle(Open(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING,
                            FILE_FLAG_BACKUP_SEMANTICS));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!handle.IsValid() || !GetFileInformationByHandle(handle, &info)) return false;
    identity = FileIdentity{info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
    return true;
}

bool CListing::Open(const std::string& folder, const char* pattern) {
    std::string full = folder;
    if (full.empty() || full.back() != '\\') full += '\\';
    m_find.Attach(FindFirstFileW(SystemPath(full + pattern).c_str(), &m_found));
    return m_find.IsValid();
}

bool CListing::Next() { return FindNextFileW(m_find, &m_found) != FALSE; }

std::string CListing::Name() const { return Narrow(m_found.cFileName); }

}  // namespace fs
