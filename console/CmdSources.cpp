#include "CmdSources.h"

#include <windows.h>
#include <shlobj.h>

#include "../engine/PathRules.h"
#include "ConsoleTexts.h"

std::wstring FolderOf(const std::wstring& full) {
    size_t slash = full.rfind(L'\\');
    if (slash == std::wstring::npos) return std::wstring();
    // C:\a.mp3 gives C:, as the program's rule does; \\server\share\a.mp3 gives \\server\share.
    return full.substr(0, slash);
}

std::wstring FullPath(const std::wstring& name) {
    DWORD size = GetFullPathNameW(name.c_str(), 0, nullptr, nullptr);
    if (!size) return std::wstring();
    std::wstring full(size, L'\0');
    DWORD got = GetFullPathNameW(name.c_str(), size, &full[0], nullptr);
    if (!got || got >= size) return std::wstring();
    full.resize(got);
    // C:\Music\ names the folder C:\Music; C:\ stays the root.
    while (full.size() > 3 && full.back() == L'\\') full.pop_back();
    return full;
}

bool ToUtf8Exactly(const std::wstring& path, std::string& utf8) {
    utf8.clear();
    if (path.empty()) return true;
    // A lone surrogate would become U+FFFD, the name of another file.
    const DWORD flags = WC_ERR_INVALID_CHARS;
    int n = WideCharToMultiByte(CP_UTF8, flags, path.data(), static_cast<int>(path.size()), nullptr, 0, nullptr, nullptr);
    utf8.assign(n, '\0');
    return n && WideCharToMultiByte(CP_UTF8, flags, path.data(), static_cast<int>(path.size()), &utf8[0], n, nullptr,
                                    nullptr) == n;
}

namespace {
std::wstring EnginePath(const std::wstring& full, std::string& utf8) {
    if (!ToUtf8Exactly(full, utf8)) return cmdmsg::kNameNotUnicode;
    if (full.empty() || utf8.size() > kMaxPathBytes) return cmdmsg::kNameTooLong;
    return std::wstring();
}
}  // namespace

std::wstring CheckSource(const std::wstring& full, std::string& utf8) {
    DWORD attributes = full.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(full.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return cmdmsg::kNoSuchSource;
    std::wstring problem = EnginePath(full, utf8);
    if (!problem.empty()) return problem;
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY) && GetFileType(utf8.c_str()) == kNotConvertible)
        return cmdmsg::kNotConvertible;
    return std::wstring();
}

std::wstring PrepareOutputFolder(const std::wstring& full, std::string& utf8) {
    std::wstring problem = EnginePath(full, utf8);
    if (!problem.empty()) return problem;
    DWORD attributes = GetFileAttributesW(full.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        SHCreateDirectoryExW(nullptr, full.c_str(), nullptr);
        attributes = GetFileAttributesW(full.c_str());
    }
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return cmdmsg::kCantMakeOutput;
    return std::wstring();
}
