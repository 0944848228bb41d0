// The seam between the copy loop and the decoders: each source type delivers
// PCM in its own format through one of these.
#pragma once
#include <windows.h>
#include <mmreg.h>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "JobEvents.h"

class ISourceReader {
public:
    virtual ~ISourceReader() = default;
    // Format of the PCM that Read delivers.
    virtual const WAVEFORMATEX& Format() const = 0;
    // Copies up to room bytes to dst; 0 at the end of the data or on an error.
    virtual DWORD Read(BYTE* dst, DWORD room) = 0;
    // How far the file has come, scaled to share, once consumed bytes were converted.
    virtual uint32_t Percent(uint64_t consumed, uint32_t share) = 0;
    // After Read gave 0: the data could not be read to its end, or a source that
    // is not empty gave no sound at all.
    virtual bool Failed() const = 0;
};

// Opens the source by its type; on failure returns null and tells why. A
// source that waits for a decoder instance asks keepWaiting as it waits.
std::unique_ptr<ISourceReader> OpenSource(int type, const char* path, const std::function<bool()>& keepWaiting,
                                          FileFailure& failure);
