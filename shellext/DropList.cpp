#include "DropList.h"

#include <windows.h>
#include <shlobj.h>

#include <cstring>

namespace {
bool EndsWith(const std::string& name, const char* ext) {
    size_t n = strlen(ext);
    return name.size() >= n && lstrcmpiA(name.c_str() + name.size() - n, ext) == 0;
}
}  // namespace

bool ParseDropList(const void* data, size_t size, std::vector<std::string>& names) {
    names.clear();
    if (!data || size < sizeof(DROPFILES)) return false;
    const auto* drop = static_cast<const DROPFILES*>(data);
    if (drop->pFiles < sizeof(DROPFILES) || drop->pFiles >= size) return false;
    const char* bytes = static_cast<const char*>(data);
    size_t pos = drop->pFiles;
    if (drop->fWide) {
        for (;;) {
            if (pos + 2 > size) return false;  // no closing empty name inside the block
            const wchar_t* start = reinterpret_cast<const wchar_t*>(bytes + pos);
            size_t length = 0;
            while (pos + 2 * (length + 1) <= size && start[length]) ++length;
            if (pos + 2 * (length + 1) > size) return false;
            if (length == 0) return true;
            BOOL lossy = FALSE;
            char ansi[4 * MAX_PATH] = {};
            int n = WideCharToMultiByte(CP_ACP, 0, start, static_cast<int>(length), ansi, sizeof(ansi) - 1,
                                        nullptr, &lossy);
            names.push_back(n > 0 && !lossy ? std::string(ansi, n) : std::string());
            pos += 2 * (length + 1);
        }
    }
    for (;;) {
        const void* end = memchr(bytes + pos, '\0', size - pos);
        if (!end) return false;
        size_t length = static_cast<const char*>(end) - (bytes + pos);
        if (length == 0) return true;
        names.emplace_back(bytes + pos, length);
        pos += length + 1;
        if (pos >= size) return false;
    }
}

bool QualifiesForMenu(const std::string& first) {
    if (EndsWith(first, ".wav") || EndsWith(first, ".mp3") || EndsWith(first, ".wma") || EndsWith(first, ".wave"))
        return true;
    DWORD attributes = GetFileAttributesA(first.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}
