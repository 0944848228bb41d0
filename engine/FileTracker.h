// Where one file's conversion shows how far it has come. The dialog's labels
// and file bar follow one file at a time; with several files under way the
// batch decides which (BatchProgress.h).
#pragma once
#include <cstdint>

#include "BatchState.h"

class IFileTracker {
public:
    // The copy starts: the file's names, and its bar at 0.
    virtual void Started(const BatchNames& names) = 0;
    // After each step: the file's percent and the seconds of sound written.
    virtual void Progress(uint32_t percent, double secondsWritten) = 0;

protected:
    ~IFileTracker() = default;
};
