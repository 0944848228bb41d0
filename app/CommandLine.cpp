#include "CommandLine.h"

#include <windows.h>

StartMode ModeOfCommandLine(const char* commandLine) {
    if (lstrcmpiA(commandLine, "-o") == 0) return StartMode::kOptions;
    if (lstrcmpiA(commandLine, "-i") == 0) return StartMode::kList;
    return StartMode::kFileDialog;
}
