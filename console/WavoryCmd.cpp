// WavoryCmd.exe: the console converter, on the same engine as the program.
#include <windows.h>

#include <string>
#include <vector>

#include "CmdRun.h"
#include "ConsoleOutput.h"

int wmain(int argc, wchar_t** argv) {
    // Nothing in a window: a drive without a disc is an error line, not a box.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    std::vector<std::wstring> args(argv + 1, argv + argc);
    CConsoleOutput output;
    try {
        return RunWavoryCmd(args, output);
    } catch (const std::exception&) {
        output.Err(L"WavoryCmd: an internal error ended the run");
        return 1;
    }
}
