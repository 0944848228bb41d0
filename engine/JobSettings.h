// What a batch takes from the saved options. The front end reads them once, as
// the batch starts, so the batch keeps the values stored then; the engine
// itself never reads the settings store.
#pragma once
#include <windows.h>
#include <mmreg.h>

struct JobSettings {
    enum class Target { kCd, kOriginal, kStored };
    Target target = Target::kCd;
    WAVEFORMATEX storedFormat{};  // the "Others Format" choice, used with Target::kStored
    bool volumeNormalize = false;
    int normalizeValue = 98;  // percent of full scale
    bool notDisplayErrInfo = false;
    bool promptBefore = true;
    bool walkSubfolders = true;  // a folder's subfolders are converted with it
    bool keepTree = false;       // files found in a folder keep their folders below the output folder
    bool copyTags = true;        // the source's title, artist, ... go into the output
    int jobs = 1;                // files converted at once, 1 to kMaxJobs
};

// The most files a batch converts at once.
inline constexpr int kMaxJobs = 8;

// How many files a batch converts at once: stored is the setting (0, or
// anything out of range, means one a core), cores the machine's processors.
inline int ResolveJobs(int stored, int cores) {
    int jobs = stored >= 1 && stored <= kMaxJobs ? stored : cores;
    return jobs < 1 ? 1 : jobs > kMaxJobs ? kMaxJobs : jobs;
}
