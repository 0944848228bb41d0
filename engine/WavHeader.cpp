#include "WavHeader.h"

#include <cstring>

#include "../framework/BinaryFile.h"

WavHeader MakeWavHeader(const WAVEFORMATEX& format, uint32_t dataSize) {
    WavHeader h;
    memcpy(h.riffTag, "RIFF", 4);
    h.riffSize = dataSize + 36;
    memcpy(h.waveTag, "WAVE", 4);
    memcpy(h.fmtTag, "fmt ", 4);
    h.fmtSize = 16;
    h.wFormatTag = format.wFormatTag;
    h.nChannels = format.nChannels;
    h.nSamplesPerSec = format.nSamplesPerSec;
    h.nAvgBytesPerSec = format.nAvgBytesPerSec;
    h.nBlockAlign = format.nBlockAlign;
    h.wBitsPerSample = format.wBitsPerSample;
    memcpy(h.dataTag, "data", 4);
    h.dataSize = dataSize;
    return h;
}

namespace {
uint32_t Le32(const unsigned char* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24); }
uint16_t Le16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

void FormatFrom(const unsigned char* p, WAVEFORMATEX& format) {
    format.wFormatTag = Le16(p);
    format.nChannels = Le16(p + 2);
    format.nSamplesPerSec = Le32(p + 4);
    format.nAvgBytesPerSec = Le32(p + 8);
    format.nBlockAlign = Le16(p + 12);
    format.wBitsPerSample = Le16(p + 14);
    format.cbSize = 0;
}

}  // namespace

namespace {
// A well-formed RIFF/WAVE file: walk its chunks for "fmt " and then "data".
bool WalkChunks(CBinaryFile& stream, WAVEFORMATEX& format, uint32_t& dataSize) {
    unsigned char head[12];
    if (!stream.Seek(0) || stream.Read(head, 12) != 12) return false;
    if (memcmp(head, "RIFF", 4) != 0 || memcmp(head + 8, "WAVE", 4) != 0) return false;
    bool haveFormat = false;
    for (;;) {
        unsigned char chunk[8];
        if (stream.Read(chunk, 8) != 8) return false;
        uint32_t size = Le32(chunk + 4);
        if (memcmp(chunk, "data", 4) == 0) {
            if (!haveFormat) return false;
            dataSize = size;
            return true;
        }
        if (memcmp(chunk, "fmt ", 4) == 0) {
            if (size < 16) return false;
            unsigned char body[kExtensibleFmtSize];
            uint32_t take = size < sizeof(body) ? 16 : sizeof(body);
            if (stream.Read(body, take) != take) return false;
            FormatFrom(body, format);
            format.wFormatTag = BaseFormatTag(body, take);
            haveFormat = true;
            size -= take;
        }
        // Chunks are padded to an even length.
        if (!stream.Seek(int64_t(size) + (size & 1), SEEK_CUR)) return false;
    }
}
}  // namespace

int FindDataTag(CBinaryFile& stream) {
    if (!stream.Seek(0)) return 0;
    static const char kTag[] = "data";
    int matched = 0;
    unsigned char buffer[4096];
    for (;;) {
        size_t n = stream.Read(buffer, sizeof(buffer));
        if (n == 0) return 0;
        for (size_t i = 0; i < n; ++i) {
            char c = static_cast<char>(buffer[i]);
            if (c == kTag[matched]) {
                if (++matched == 4) {
                    // Stand directly behind the tag, as a byte-by-byte read would.
                    return stream.Seek(int64_t(i) + 1 - int64_t(n), SEEK_CUR) ? 1 : 0;
                }
            } else {
                // The breaking byte may itself start the tag ("ddata").
                matched = (c == kTag[0]) ? 1 : 0;
            }
        }
    }
}

int ReadWavHeader(CBinaryFile& stream, WAVEFORMATEX& format, uint32_t& dataSize) {
    unsigned char head[kWavHeaderSize];
    if (!stream.Seek(0) || stream.Read(head, sizeof(head)) != sizeof(head)) return 0;
    if (WalkChunks(stream, format, dataSize)) return 1;

    // Not a walkable RIFF file: trust the canonical offsets and scan for the tag.
    FormatFrom(head + 20, format);
    if (!FindDataTag(stream)) return 0;
    unsigned char size[4];
    if (stream.Read(size, 4) != 4) return 0;
    dataSize = Le32(size);
    return 1;
}

uint64_t WavBytesToConvert(uint64_t fileSize, uint64_t dataOffset, uint32_t declaredSize) {
    uint64_t available = fileSize > dataOffset ? fileSize - dataOffset : 0;
    if (declaredSize == 0 || declaredSize == 0xFFFFFFFFu || declaredSize > available) return available;
    return declaredSize;
}
