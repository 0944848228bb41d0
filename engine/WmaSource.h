// WMA sources: the reader's samples handed to the copy loop one at a time; a
// sample larger than the room left in the loop's buffer comes in pieces.
#pragma once
#include "../decoders/WmaReader.h"
#include "SourceReader.h"

class CWmaSource : public ISourceReader {
public:
    enum OpenResult { kOpened, kComFailed, kRuntimeMissing, kNotWma, kNoFormat };
    OpenResult Open(const char* path);

    const WAVEFORMATEX& Format() const override { return m_format; }
    DWORD Read(BYTE* dst, DWORD room) override;
    uint32_t Percent(uint64_t consumed, uint32_t share) override;
    bool Failed() const override { return m_failed || (m_ended && m_delivered == 0); }

private:
    CWmaFile m_file;
    bool m_ended = false;
    bool m_failed = false;  // the reader failed before its last sample
    uint64_t m_delivered = 0;
    WAVEFORMATEX m_format{};
    BYTE* m_data = nullptr;
    DWORD m_left = 0;
    DWORD m_percent = 0;
};
