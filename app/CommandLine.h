// What the program's command line asks for: "-o" the options, "-i" the list the
// Explorer extension wrote ("-i" alone: the shared list in the temporary folder;
// "-i <path>", quoted or not: a list of its own), anything else the file dialog.
// The switches are compared ignoring case, and only as the whole line.
#pragma once
#include <string>

enum class StartMode { kOptions, kList, kFileDialog };

struct StartCommand {
    StartMode mode = StartMode::kFileDialog;
    std::string listPath;  // UTF-8; empty for "-i" alone
};

// arguments: the line after the program's own name.
StartCommand ParseCommandLine(const std::string& arguments);
// This process's command line, read wide (GetCommandLineW), so no name is lost
// to the ANSI code page.
StartCommand CommandOfThisProcess();
// The line after the program's own name, as the platform's start-up code skips it.
std::wstring ArgumentsOf(const wchar_t* commandLine);
