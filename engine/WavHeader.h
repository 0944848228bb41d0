// The RIFF WAVE layout: the fixed 44-byte header of every output file, and the
// reader that finds the format and the sample data of a source file.
#pragma once
#include <windows.h>
#include <mmreg.h>
#include <cstdint>

#include "../decoders/FormatCheck.h"

class CBinaryFile;

#pragma pack(push, 1)
struct WavHeader {
    char riffTag[4];
    uint32_t riffSize;
    char waveTag[4];
    char fmtTag[4];
    uint32_t fmtSize;
    uint16_t wFormatTag;
    uint16_t nChannels;
    uint32_t nSamplesPerSec;
    uint32_t nAvgBytesPerSec;
    uint16_t nBlockAlign;
    uint16_t wBitsPerSample;
    char dataTag[4];
    uint32_t dataSize;
};
#pragma pack(pop)
static_assert(sizeof(WavHeader) == 44, "the header is 44 bytes on disk");

constexpr uint32_t kWavHeaderSize = sizeof(WavHeader);
// The largest data size the 32-bit RIFF size can describe.
constexpr uint64_t kMaxWavDataSize = 0xFFFFFFFFull - 36;

WavHeader MakeWavHeader(const WAVEFORMATEX& format, uint32_t dataSize);

// Reads the header of the file at the stream's start: format (cbSize 0) and the
// data chunk's declared size; leaves the stream at the first sample byte.
// Returns 1 on success, 0 when this is not a WAV file it can read. An extensible
// format whose sub-format is plain PCM or float counts as that base format.

int ReadWavHeader(CBinaryFile& stream, WAVEFORMATEX& format, uint32_t& dataSize);

// Byte scan from offset 0 for the tag "data"; leaves the stream behind it.
int FindDataTag(CBinaryFile& stream);

// How many sample bytes to convert when the data starts at dataOffset: the
// declared size, or everything to the end when the writer never finished the
// header (size 0 or 0xFFFFFFFF) or the size runs past the end of the file.
uint64_t WavBytesToConvert(uint64_t fileSize, uint64_t dataOffset, uint32_t declaredSize);
