// One run of WavoryCmd: the arguments checked, the sources grouped by output
// folder, a batch of the engine per group, the summary and the exit code.
#pragma once
#include <string>
#include <vector>

#include "CmdOptions.h"
#include "ConsoleOutput.h"

int RunWavoryCmd(const std::vector<std::wstring>& args, CConsoleOutput& output);

// A source as the engine takes it, with the folder that holds it (a folder
// source: the folder that holds the folder), both in UTF-8.
struct CheckedSource {
    std::string path;
    std::string folder;
};

// Sources that share an output folder, in the order given: one batch.
struct SourceGroup {
    std::string outputFolder;
    std::vector<std::string> sources;
};

// With an output folder every source goes to it; without one each goes to the
// folder that holds it, as the program does. Neighbours with the same folder
// share a batch.
std::vector<SourceGroup> GroupSources(const std::vector<CheckedSource>& sources, const std::string& outputFolder);
