// The temporary file a conversion writes beside its output. It takes the
// output's place only when the file counts, so a failed conversion never
// destroys an existing file or leaves a partial one.
#pragma once
#include <windows.h>
#include <cstdint>
#include <string>

class CTempOutput {
public:
    CTempOutput() = default;
    ~CTempOutput();
    CTempOutput(const CTempOutput&) = delete;
    CTempOutput& operator=(const CTempOutput&) = delete;

    bool Create(const char* outputPath);
    const char* Path() const { return m_path.c_str(); }
    // On the disk first (where the disk can be told to), then in the output's
    // place: a crash or power cut afterwards finds the old output or the whole new one.
    bool CommitAs(const char* outputPath);

private:
    std::string m_path;
};

// Whether a file name is one of our temporary files ("wvy", 1 to 4 hex digits, ".tmp").
bool IsTempOutputName(const char* name);
// Removes our temporary files in folder older than maxAgeMs, which a killed or
// crashed run left behind; a live conversion's file is open and stays.
int SweepStaleTempOutputs(const char* folder, uint64_t maxAgeMs);
