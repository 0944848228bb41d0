// Stands in for Wavory.exe beside the extension: records its command line, in
// UTF-8, as args-<process id>.txt beside itself, so that two starts in quick
// succession leave two records.
#include <windows.h>

#include <string>

namespace {
std::wstring OwnFolder() {
    wchar_t path[4096] = {};
    DWORD n = GetModuleFileNameW(nullptr, path, 4096);
    std::wstring full(path, n);
    size_t slash = full.rfind(L'\\');
    return slash == std::wstring::npos ? std::wstring() : full.substr(0, slash + 1);
}

std::string Utf8(const wchar_t* text) {
    int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 1) return std::string();
    std::string bytes(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, &bytes[0], n, nullptr, nullptr);
    bytes.resize(static_cast<size_t>(n - 1));
    return bytes;
}
}  // namespace

int main() {
    std::wstring base = OwnFolder() + L"args-" + std::to_wstring(GetCurrentProcessId());
    std::wstring temp = base + L".tmp", done = base + L".txt";
    std::string line = Utf8(GetCommandLineW());
    HANDLE out = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE) return 1;
    DWORD written = 0;
    BOOL ok = WriteFile(out, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    if (!CloseHandle(out) || !ok || written != line.size()) return 1;
    // Whole or not at all: a test that sees the .txt may read it at once.
    return MoveFileExW(temp.c_str(), done.c_str(), MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}
