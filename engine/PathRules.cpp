#include "PathRules.h"

#include <cstring>

namespace {
bool EndsWith(const char* name, size_t length, const char* ext) {
    size_t n = strlen(ext);
    return length >= n && lstrcmpiA(name + length - n, ext) == 0;
}

bool EndsWithBackslash(const char* s) {
    size_t n = strlen(s);
    return n > 0 && s[n - 1] == '\\';
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

const char* FileNamePart(const char* path) {
    const char* slash = strrchr(path, '\\');
    return slash ? slash + 1 : path;
}

int GetParentFolderName(const char* path, int size, char* out) {
    memset(out, 0, size);
    const char* last = strrchr(path, '\\');
    if (!last) return 1;
    if (last == path) return 0;
    const char* end = last;
    while (end > path && end[-1] == '\\') --end;
    const char* start = end;
    while (start > path && start[-1] != '\\') --start;
    size_t n = static_cast<size_t>(end - start);
    if (n >= static_cast<size_t>(size)) n = size - 1;
    memcpy(out, start, n);
    return 1;
}

bool JoinPath(const char* folder, const char* name, PathBuffer& out) {
    memset(out, 0, sizeof(out));
    size_t folderLength = strlen(folder), nameLength = strlen(name);
    bool separator = !EndsWithBackslash(folder);
    if (folderLength + separator + nameLength >= sizeof(out)) return false;
    memcpy(out, folder, folderLength);
    if (separator) out[folderLength] = '\\';
    memcpy(out + folderLength + separator, name, nameLength);
    return true;
}

bool MakeOutputPath(const char* outputFolder, const char* fileName, PathBuffer& out) {
    size_t nameLength = strlen(fileName);
    // Cut at the last dot, unless the name ends in it (then the dot stays).
    const char* dot = strrchr(fileName, '.');
    if (dot && dot[1] != '\0') nameLength = static_cast<size_t>(dot - fileName);
    char name[kPathBufferSize + 4];
    if (nameLength + 4 >= sizeof(name)) {
        memset(out, 0, sizeof(out));
        return false;
    }
    memcpy(name, fileName, nameLength);
    memcpy(name + nameLength, ".wav", 5);
    return JoinPath(outputFolder, name, out);
}

bool SamePath(const char* a, const char* b) { return lstrcmpiA(a, b) == 0; }

namespace {
size_t TrimmedLength(const char* path) {
    size_t n = strlen(path);
    while (n > 0 && path[n - 1] == '\\') --n;
    return n;
}
}  // namespace

bool SameFolder(const char* a, const char* b) {
    size_t n = TrimmedLength(a);
    return n == TrimmedLength(b) && CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, a, static_cast<int>(n), b,
                                                   static_cast<int>(n)) == CSTR_EQUAL;
}

bool IsWithinFolder(const char* path, const char* folder) {
    size_t n = TrimmedLength(folder);
    if (SameFolder(path, folder)) return true;
    return strlen(path) > n && path[n] == '\\' &&
           CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, path, static_cast<int>(n), folder, static_cast<int>(n)) ==
               CSTR_EQUAL;
}

int FolderOfPath(const char* src, int size, char* dst) {
    memset(dst, 0, size);
    // The buffers are zero-filled: searching from the last byte finds the string's last backslash.
    int i = size - 1;
    while (i >= 0 && src[i] != '\\') --i;
    if (i < 0) return 1;
    if (i == 0) return 0;
    int end = i;
    while (end > 0 && src[end - 1] == '\\') --end;
    memcpy(dst, src, end);
    return 1;
}

bool IsFolderOnCdRom(const char* folder) {
    char root[4] = {};
    strncpy(root, folder, 3);
    return GetDriveTypeA(root) == DRIVE_CDROM;
}
