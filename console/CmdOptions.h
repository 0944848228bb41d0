// The command line of WavoryCmd: what to convert and how, read from the wide
// arguments without touching a file, so every rule can be checked on its own.
#pragma once
#include <windows.h>
#include <mmreg.h>

#include <optional>
#include <string>
#include <vector>

#include "../engine/JobSettings.h"

struct CmdOptions {
    std::vector<std::wstring> sources;
    std::wstring outputFolder;  // empty: beside each source, as the program does
    // Unset: the saved options' choice.
    std::optional<JobSettings::Target> target;
    WAVEFORMATEX format{};  // with Target::kStored
    std::optional<bool> normalize;
    std::optional<int> normalizePercent;
    std::optional<bool> keepTree;
    std::optional<bool> copyTags;
    std::optional<int> jobs;  // files converted at once
    bool overwrite = false;  // replace existing outputs; otherwise they are skipped
    bool recursive = true;
    bool quiet = false;
    bool json = false;
    bool help = false;
    bool version = false;
};

struct CmdParse {
    CmdOptions options;
    std::string error;  // empty when the line was understood
};

CmdParse ParseCmdLine(const std::vector<std::wstring>& args);

// The saved settings with what the command line says over them. Existing
// outputs are always asked about: the console answers by its own option.
JobSettings ApplyCmdOptions(JobSettings saved, const CmdOptions& options);
