// MP3 sources: decoded blocks from a decoder instance of the library, lent
// for the file's life, several to a conversion step.
#pragma once
#include <functional>

#include "../decoders/SndStreamWinAmp.h"
#include "SourceReader.h"

class CMp3Source : public ISourceReader {
public:
    // False when no decoder takes the file, or when the wait for a free
    // decoder instance was given up (keepWaiting said so).
    bool Open(const char* path, const std::function<bool()>& keepWaiting);

    const WAVEFORMATEX& Format() const override { return m_format; }
    DWORD Read(BYTE* dst, DWORD room) override;
    uint32_t Percent(uint64_t consumed, uint32_t share) override;
    bool Failed() const override;

private:
    CMp3StreamLease m_stream;  // its end closes the file, a failed open's too
    bool m_ended = false;
    uint64_t m_delivered = 0;
    WAVEFORMATEX m_format{};
};
