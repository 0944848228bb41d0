// The RIFF WAVE layout: the headers of output files (the fixed 44 bytes of 8-
// and 16-bit PCM, extensible ones for the rest, RF64 past 4 GiB), and the
// reader that finds the format and the sample data of a source file.
#pragma once
#include <windows.h>
#include <mmreg.h>
#include <cstdint>
#include <vector>

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
// The body of a ds64 chunk: RIFF size, data size and frame count in 64 bits,
// and an empty table of other chunks' sizes.
constexpr uint32_t kDs64BodySize = 28;
// A 32-bit size that says nothing: an unfinished writer's, or RF64's (see ds64).
constexpr uint32_t kWavSizeUnknown = 0xFFFFFFFFu;

WavHeader MakeWavHeader(const WAVEFORMATEX& format, uint32_t dataSize);

// The shape of an output's header, fixed by its format.
struct WavLayout {
    bool extensible = false;  // WAVE_FORMAT_EXTENSIBLE: samples past 16 bits, float, or more than two channels
    bool fact = false;        // float: the frame count in a "fact" chunk
    bool sizeRoom = false;    // JUNK ahead of "fmt " the size of ds64, which it becomes past 4 GiB
};
// 8- and 16-bit PCM in one or two channels keeps the 44-byte header; the rest
// is extensible and reserves room for 64-bit sizes from the start.
WavLayout ChooseWavLayout(const WAVEFORMATEX& format);
uint32_t WavHeaderBytes(const WavLayout& layout);
// Extensible layouts pad an odd data chunk as RIFF asks; the plain one never did.
uint32_t WavPadBytes(const WavLayout& layout, uint64_t dataBytes);
// Whether the file's sizes pass what the 32-bit RIFF fields describe.
bool NeedsRf64(const WavLayout& layout, uint64_t dataBytes);
// The header for dataBytes of samples: RIFF, or RF64 with its ds64 chunk
// where the layout has the room and the sizes need it.
std::vector<uint8_t> BuildWavHeader(const WAVEFORMATEX& format, const WavLayout& layout, uint64_t dataBytes);

// Reads the header of the file at the stream's start: format (cbSize 0) and the
// data chunk's declared size (from ds64 in an RF64 file); leaves the stream at
// the first sample byte. Returns 1 on success, 0 when this is not a WAV file it
// can read. An extensible format whose sub-format is plain PCM or float counts
// as that base format.
int ReadWavHeader(CBinaryFile& stream, WAVEFORMATEX& format, uint64_t& dataSize);

// Byte scan from offset 0 for the tag "data"; leaves the stream behind it.
int FindDataTag(CBinaryFile& stream);

// How many sample bytes to convert when the data starts at dataOffset: the
// declared size, or everything to the end when the writer never finished the
// header (size 0 or 0xFFFFFFFF) or the size runs past the end of the file.
uint64_t WavBytesToConvert(uint64_t fileSize, uint64_t dataOffset, uint64_t declaredSize);
