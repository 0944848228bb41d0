// Runs a command line exactly as given and waits for that process alone (with
// a deadline), as Apps & Features runs an uninstall entry. Prints the whole
// 32-bit exit code ("exit code: N"), which Wine's own exit status would cut
// to 8 bits (3010 would read as 194).
//   run_wait HKLM\KEY VALUE    the command line stored in that registry value
//   run_wait -- COMMAND LINE   the rest of this program's command line
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "framework/Handles.h"
#include "framework/RegKey.h"

namespace {
constexpr DWORD kDeadlineMs = 180000;

int Fail(const std::string& what) {
    printf("FAILED: %s\n", what.c_str());
    return 1;
}

bool CommandFromRegistry(const char* key, const char* value, std::string& command) {
    CRegKey k;
    return strncmp(key, "HKLM\\", 5) == 0 && k.Open(HKEY_LOCAL_MACHINE, key + 5) == ERROR_SUCCESS &&
           k.QueryString(value, command) == ERROR_SUCCESS;
}

bool CommandFromOwnLine(std::string& command) {
    const char* rest = strstr(GetCommandLineA(), " -- ");
    if (!rest) return false;
    command = rest + 4;
    return true;
}
}  // namespace

int main(int argc, char** argv) {
    std::string command;
    bool found = argc > 1 && strcmp(argv[1], "--") == 0 ? CommandFromOwnLine(command)
                 : argc == 3                            ? CommandFromRegistry(argv[1], argv[2], command)
                                                        : false;
    if (!found) return Fail("usage: run_wait HKLM\\KEY VALUE | run_wait -- COMMAND LINE (or no such value)");
    printf("running: %s\n", command.c_str());
    std::vector<char> line(command.begin(), command.end());
    line.push_back('\0');
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return Fail("CreateProcess failed: " + std::to_string(GetLastError()));
    CHandle process(info.hProcess), thread(info.hThread);
    if (WaitForSingleObject(process.Get(), kDeadlineMs) != WAIT_OBJECT_0) return Fail("the command did not end");
    DWORD code = 0;
    GetExitCodeProcess(process.Get(), &code);
    printf("exit code: %lu\n", static_cast<unsigned long>(code));
    return 0;
}
