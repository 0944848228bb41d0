#include "PathRules.h"

#include <windows.h>

#include <cstring>

#include "../framework/FileSystem.h"
#include "../framework/Unicode.h"

namespace {
bool EqualNoCase(const char* a, size_t aLength, const char* b, size_t bLength) {
    return ::EqualNoCase(std::string(a, aLength), std::string(b, bLength));
}

bool EndsWith(const char* name, size_t length, const char* ext) {
    size_t n = strlen(ext);
    return length >= n && EqualNoCase(name + length - n, n, ext, n);
}

bool EndsWithBackslash(const char* s) {
    size_t n = strlen(s);
    return n > 0 && s[n - 1] == '\\';
}

size_t TrimmedLength(const char* path) {
    size_t n = strlen(path);
    while (n > 0 && path[n - 1] == '\\') --n;
    return n;
}
}  // namespace

int GetFileType(const char* name) {
    size_t length = strlen(name);
    if (EndsWith(name, length, ".wav")) return kTypeWav;
    if (EndsWith(name, length, ".wave")) return kTypeWave;
    if (EndsWith(name, length, ".mp3")) return kTypeMp3;
    if (EndsWith(name, length, ".wma")) return kTypeWma;
    return kNotConvertible;
}

// UTF-8 never holds the byte of a backslash inside a character, so byte searches are safe.
const char* FileNamePart(const char* path) {
    const char* slash = strrchr(path, '\\');
    return slash ? slash + 1 : path;
}

int GetParentFolderName(const char* path, std::string& out) {
    std::string folder;
    int result = FolderOfPath(path, folder);
    out = FileNamePart(folder.c_str());
    return result;
}

bool JoinPath(const char* folder, const char* name, std::string& out) {
    out = folder;
    if (!EndsWithBackslash(folder)) out += '\\';
    out += name;
    if (out.size() <= kMaxPathBytes) return true;
    out.clear();
    return false;
}

bool MakeOutputPath(const char* outputFolder, const char* fileName, std::string& out) {
    std::string name = fileName;
    // Cut at the last dot, unless the name ends in it (then the dot stays).
    size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot + 1 < name.size()) name.erase(dot);
    return JoinPath(outputFolder, (name + ".wav").c_str(), out);
}

bool SamePath(const char* a, const char* b) { return EqualNoCase(a, strlen(a), b, strlen(b)); }

bool SameFolder(const char* a, const char* b) { return EqualNoCase(a, TrimmedLength(a), b, TrimmedLength(b)); }

bool IsWithinFolder(const char* path, const char* folder) {
    size_t n = TrimmedLength(folder);
    if (SameFolder(path, folder)) return true;
    return strlen(path) > n && path[n] == '\\' && EqualNoCase(path, n, folder, n);
}

int FolderOfPath(const char* src, std::string& dst) {
    dst.clear();
    const char* last = strrchr(src, '\\');
    if (!last) return 1;
    if (last == src) return 0;
    const char* end = last;
    while (end > src && end[-1] == '\\') --end;
    dst.assign(src, end);
    return 1;
}

bool IsFolderOnCdRom(const char* folder) {
    std::string root(folder, strnlen(folder, 3));
    return fs::DriveType(root) == DRIVE_CDROM;
}
