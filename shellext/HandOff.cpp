#include "HandOff.h"

#include <shellapi.h>

#include "../framework/FileSystem.h"
#include "../framework/Unicode.h"
#include "FileListWriter.h"
#include "Module.h"
#include "Texts.h"

namespace shellext {
namespace {
// The folder part of a path, without its trailing backslashes.
std::string FolderOf(const std::string& path) {
    size_t slash = path.rfind('\\');
    if (slash == std::string::npos) return std::string();
    size_t end = path.find_last_not_of('\\', slash);
    return end == std::string::npos ? std::string() : path.substr(0, end + 1);
}

std::string ExtensionFolder() { return FolderOf(fs::ModulePath(g_hModule)); }

bool StartProgram(const std::string& parameters) {
    std::string program = ExtensionFolder() + "\\" + kProgramName;
    HINSTANCE started = ShellExecuteW(nullptr, L"open", Widen(program).c_str(), Widen(parameters).c_str(), nullptr,
                                      SW_SHOWNORMAL);
    return reinterpret_cast<INT_PTR>(started) > 32;  // 32 and below are error codes
}
}  // namespace

HRESULT StartConversion(const std::vector<std::string>& names) {
    std::string temp = fs::TempFolder();
    if (temp.empty()) return E_FAIL;
    std::string list = WriteNewFileList(temp, FileListText(ExtensionFolder(), names));
    if (list.empty()) return E_FAIL;
    // The program deletes the list it was named once it has read it; one that
    // never started leaves it to us.
    if (!StartProgram("-i \"" + list + "\"")) {
        fs::Delete(list);
        return E_FAIL;
    }
    return S_OK;
}

HRESULT StartOptions() { return StartProgram("-o") ? S_OK : E_FAIL; }

}  // namespace shellext
