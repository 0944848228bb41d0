#include "DropList.h"

#include <shlobj.h>

#include <cstring>

#include "../framework/FileSystem.h"
#include "../framework/Unicode.h"

namespace {
const char* const kConvertible[] = {".wav", ".wave", ".mp3", ".wma"};

// The extensions are ASCII, so a byte-wise comparison is exact on UTF-8 names
// (a multibyte character never matches an ASCII byte).
bool EndsWithIgnoringCase(const std::string& name, const char* ext) {
    size_t n = strlen(ext);
    if (name.size() < n) return false;
    const char* tail = name.c_str() + name.size() - n;
    for (size_t i = 0; i < n; ++i) {
        char c = tail[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != ext[i]) return false;
    }
    return true;
}

bool ParseWide(const char* bytes, size_t size, size_t pos, std::vector<std::string>& names) {
    for (;;) {
        if (pos + 2 > size) return false;  // no closing empty name inside the block
        // The block is only byte-aligned in general: copy the units out.
        std::wstring name;
        for (;; pos += 2) {
            if (pos + 2 > size) return false;
            wchar_t unit;
            memcpy(&unit, bytes + pos, 2);
            if (unit == 0) break;
            name += unit;
        }
        pos += 2;
        if (name.empty()) return true;
        names.push_back(Narrow(name));
    }
}

bool ParseAnsi(const char* bytes, size_t size, size_t pos, std::vector<std::string>& names, UINT codePage) {
    for (;;) {
        const void* end = memchr(bytes + pos, '\0', size - pos);
        if (!end) return false;
        size_t length = static_cast<const char*>(end) - (bytes + pos);
        if (length == 0) return true;
        names.push_back(CodePageToUtf8(std::string(bytes + pos, length), codePage));
        pos += length + 1;
        if (pos >= size) return false;
    }
}
}  // namespace

bool ParseDropList(const void* data, size_t size, std::vector<std::string>& names, UINT codePage) {
    names.clear();
    if (!data || size < sizeof(DROPFILES)) return false;
    const auto* drop = static_cast<const DROPFILES*>(data);
    if (drop->pFiles < sizeof(DROPFILES) || drop->pFiles >= size) return false;
    const char* bytes = static_cast<const char*>(data);
    bool ok = drop->fWide ? ParseWide(bytes, size, drop->pFiles, names)
                          : ParseAnsi(bytes, size, drop->pFiles, names, codePage);
    if (!ok) names.clear();
    return ok;
}

bool QualifiesForMenu(const std::string& first) {
    for (const char* ext : kConvertible)
        if (EndsWithIgnoringCase(first, ext)) return true;
    return fs::IsFolder(first);
}
