// MP3 sources: decoded blocks from the decoder library, through the host,
// several to a conversion step.
#pragma once
#include "SourceReader.h"

class CMp3Source : public ISourceReader {
public:
    ~CMp3Source() override;
    // False when no decoder takes the file; the host is closed either way.
    bool Open(const char* path);

    const WAVEFORMATEX& Format() const override { return m_format; }
    DWORD Read(BYTE* dst, DWORD room) override;
    uint32_t Percent(uint64_t consumed, uint32_t share) override;
    bool Failed() const override;

private:
    bool m_opened = false;
    bool m_ended = false;
    uint64_t m_delivered = 0;
    WAVEFORMATEX m_format{};
};
