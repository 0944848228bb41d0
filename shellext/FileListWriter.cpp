#include "FileListWriter.h"

#include <windows.h>

#include <cstdio>

#include "../framework/FileSystem.h"
#include "../framework/Handles.h"
#include "../framework/ListFileNames.h"

namespace shellext {
namespace {
const char kByteOrderMark[] = "\xEF\xBB\xBF";
const char kLineEnd[] = "\r\n";
// Collisions need a second Explorer window converting in the same tick; a few
// tries settle that, and a folder that refuses every one is not worth more.
constexpr int kNameTries = 100;

LONG g_listCounter = 0;

std::string UniqueListName() {
    char name[64];
    snprintf(name, sizeof(name), "%s%lx-%lx-%lx%s", kOwnListPrefix, GetCurrentProcessId(), GetTickCount(),
             static_cast<unsigned long>(InterlockedIncrement(&g_listCounter)), kListExtension);
    return name;
}

bool WriteAll(HANDLE file, const std::string& text) {
    DWORD written = 0;
    return WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
           written == text.size();
}
}  // namespace

std::string FileListText(const std::string& extensionFolder, const std::vector<std::string>& names) {
    std::string paths;
    size_t count = 0;
    for (const auto& name : names) {
        if (name.empty()) continue;
        paths += name + kLineEnd;
        ++count;
    }
    return kByteOrderMark + std::string("0") + kLineEnd + extensionFolder + kLineEnd + std::to_string(count) +
           kLineEnd + paths;
}

std::string WriteNewFileList(const std::string& folder, const std::string& text) {
    for (int i = 0; i < kNameTries; ++i) {
        std::string path = folder + UniqueListName();
        // CREATE_NEW: a list another command has just written is never replaced.
        CFileHandle file(fs::Open(path, GENERIC_WRITE, 0, CREATE_NEW, FILE_ATTRIBUTE_HIDDEN));
        if (!file.IsValid()) {
            if (GetLastError() == ERROR_FILE_EXISTS || GetLastError() == ERROR_ALREADY_EXISTS) continue;
            return std::string();
        }
        bool written = WriteAll(file, text);
        if (file.Close() && written) return path;
        fs::Delete(path);  // a cut list must not reach the program
        return std::string();
    }
    return std::string();
}

}  // namespace shellext
