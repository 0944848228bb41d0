// WAV sources are read directly: the header reader finds the format and the
// sample data, and only the data chunk's bytes are delivered.
#pragma once
#include "../framework/BinaryFile.h"
#include "SourceReader.h"

class CWavSource : public ISourceReader {
public:
    enum OpenResult { kOpened, kCannotOpen, kNotWav };
    OpenResult Open(const char* path);

    const WAVEFORMATEX& Format() const override { return m_format; }
    DWORD Read(BYTE* dst, DWORD room) override;
    uint32_t Percent(uint64_t consumed, uint32_t share) override;
    bool Failed() const override;

    uint64_t DeclaredDataSize() const { return m_declaredSize; }
    uint64_t BytesToConvert() const { return m_bytesToConvert; }

private:
    CBinaryFile m_file;
    WAVEFORMATEX m_format{};
    uint64_t m_declaredSize = 0;
    uint64_t m_bytesToConvert = 0;
    uint64_t m_remaining = 0;
};
