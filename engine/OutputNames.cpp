#include "OutputNames.h"

#include <windows.h>

#include <cstring>

#include "PathRules.h"

std::string COutputNames::Key(const char* path) {
    std::string key = path;
    if (!key.empty()) CharUpperBuffA(&key[0], static_cast<DWORD>(key.size()));
    return key;
}

bool NumberedPath(const char* path, int n, PathBuffer& out) {
    std::string text = path;
    size_t dot = text.rfind('.');
    size_t slash = text.rfind('\\');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) dot = text.size();
    text.insert(dot, " (" + std::to_string(n) + ")");
    memset(out, 0, sizeof(out));
    if (text.size() >= sizeof(out)) return false;
    memcpy(out, text.data(), text.size());
    return true;
}

namespace {
std::string Folder(const char* path) {
    PathBuffer source = {}, folder = {};
    strncpy(source, path, kPathBufferSize - 1);
    FolderOfPath(source, kPathBufferSize, folder);
    return folder;
}
}  // namespace

bool MirrorFolder(const char* outputFolder, const char* selectedFolder, const char* sourcePath, PathBuffer& out) {
    memset(out, 0, sizeof(out));
    const std::string base = Folder(selectedFolder), from = Folder(sourcePath);
    // Below the base: "Album\Disc 2"; a file directly in a selected drive root has nothing below.
    std::string relative;
    if (from.size() > base.size() + 1 && _strnicmp(from.c_str(), base.c_str(), base.size()) == 0 &&
        from[base.size()] == '\\')
        relative = from.substr(base.size() + 1);
    if (relative.empty()) {
        if (strlen(outputFolder) >= sizeof(out)) return false;
        strcpy(out, outputFolder);
        return true;
    }
    // A copy that would fall into the selected folder (the output folder is the
    // one that holds it, however typed) is made beside it instead. An output
    // folder inside the selected one is never walked: its copy may stay there.
    if (!JoinPath(outputFolder, relative.c_str(), out)) return false;
    if (!IsWithinFolder(out, selectedFolder) || IsWithinFolder(outputFolder, selectedFolder)) return true;
    size_t top = relative.find('\\');
    relative.insert(top == std::string::npos ? relative.size() : top, " (WAV)");
    return JoinPath(outputFolder, relative.c_str(), out);
}

bool MakeFolders(const char* folder) {
    std::string path = folder;
    // Each level from the first below the root; those that exist stay as they are.
    for (size_t at = path.find('\\', 3); at != std::string::npos; at = path.find('\\', at + 1))
        CreateDirectoryA(path.substr(0, at).c_str(), nullptr);
    CreateDirectoryA(path.c_str(), nullptr);
    DWORD attributes = GetFileAttributesA(folder);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}
