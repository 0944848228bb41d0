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
constexpr uint32_t kPlainFmtSize = 16;
constexpr uint32_t kFactBodySize = 4;

// The usual speaker positions for each channel count (mono is front centre).
DWORD ChannelMask(WORD channels) {
    static const DWORD kMasks[] = {0x4, 0x3, 0x7, 0x33, 0x37, 0x3F, 0x13F, 0x63F};
    return channels >= 1 && channels <= 8 ? kMasks[channels - 1] : 0;
}

void Put16(std::vector<uint8_t>& v, uint32_t x) {
    v.push_back(static_cast<uint8_t>(x));
    v.push_back(static_cast<uint8_t>(x >> 8));
}
void Put32(std::vector<uint8_t>& v, uint32_t x) {
    Put16(v, x & 0xFFFF);
    Put16(v, x >> 16);
}
void Put64(std::vector<uint8_t>& v, uint64_t x) {
    Put32(v, static_cast<uint32_t>(x));
    Put32(v, static_cast<uint32_t>(x >> 32));
}
void PutChunkHead(std::vector<uint8_t>& v, const char* tag, uint32_t size) {
    v.insert(v.end(), tag, tag + 4);
    Put32(v, size);
}

void PutFormat(std::vector<uint8_t>& v, const WAVEFORMATEX& f, bool extensible) {
    PutChunkHead(v, "fmt ", extensible ? static_cast<uint32_t>(kExtensibleFmtSize) : kPlainFmtSize);
    Put16(v, extensible ? WAVE_FORMAT_EXTENSIBLE : f.wFormatTag);
    Put16(v, f.nChannels);
    Put32(v, f.nSamplesPerSec);
    Put32(v, f.nAvgBytesPerSec);
    Put16(v, f.nBlockAlign);
    Put16(v, f.wBitsPerSample);
    if (!extensible) return;
    Put16(v, kExtensibleFmtSize - 18);  // cbSize: the extensible part
    Put16(v, f.wBitsPerSample);         // every bit of the container is valid
    Put32(v, ChannelMask(f.nChannels));
    Put32(v, f.wFormatTag);             // the sub-format GUID: the base tag, then the fixed tail
    v.insert(v.end(), kSubFormatGuidTail, kSubFormatGuidTail + sizeof(kSubFormatGuidTail));
}
}  // namespace

WavLayout ChooseWavLayout(const WAVEFORMATEX& format) {
    WavLayout layout;
    const bool wide = format.wBitsPerSample > 16 || format.nChannels > 2;
    const bool isFloat = format.wFormatTag == WAVE_FORMAT_IEEE_FLOAT;
    // Another codec's format keeps the plain 16-byte record it always had.
    layout.extensible = isFloat || (format.wFormatTag == WAVE_FORMAT_PCM && wide);
    layout.sizeRoom = layout.extensible;
    layout.fact = isFloat;
    return layout;
}

uint32_t WavHeaderBytes(const WavLayout& layout) {
    uint32_t bytes = 12 + 8 + (layout.extensible ? kExtensibleFmtSize : kPlainFmtSize) + 8;
    if (layout.sizeRoom) bytes += 8 + kDs64BodySize;
    if (layout.fact) bytes += 8 + kFactBodySize;
    return bytes;
}

uint32_t WavPadBytes(const WavLayout& layout, uint64_t dataBytes) {
    return layout.extensible ? static_cast<uint32_t>(dataBytes & 1) : 0;
}

bool NeedsRf64(const WavLayout& layout, uint64_t dataBytes) {
    return WavHeaderBytes(layout) - 8 + dataBytes + WavPadBytes(layout, dataBytes) > kWavSizeUnknown;
}

std::vector<uint8_t> BuildWavHeader(const WAVEFORMATEX& format, const WavLayout& layout, uint64_t dataBytes) {
    const bool rf64 = layout.sizeRoom && NeedsRf64(layout, dataBytes);
    const uint64_t riffSize = WavHeaderBytes(layout) - 8 + dataBytes + WavPadBytes(layout, dataBytes);
    const uint64_t frames = format.nBlockAlign ? dataBytes / format.nBlockAlign : 0;
    std::vector<uint8_t> v;
    PutChunkHead(v, rf64 ? "RF64" : "RIFF", rf64 ? kWavSizeUnknown : static_cast<uint32_t>(riffSize));
    v.insert(v.end(), {'W', 'A', 'V', 'E'});
    if (layout.sizeRoom) {
        PutChunkHead(v, rf64 ? "ds64" : "JUNK", kDs64BodySize);
        Put64(v, rf64 ? riffSize : 0);
        Put64(v, rf64 ? dataBytes : 0);
        Put64(v, rf64 ? frames : 0);
        Put32(v, 0);  // no table of other chunks' sizes
    }
    PutFormat(v, format, layout.extensible);
    if (layout.fact) {
        PutChunkHead(v, "fact", kFactBodySize);
        Put32(v, frames > kWavSizeUnknown ? kWavSizeUnknown : static_cast<uint32_t>(frames));
    }
    PutChunkHead(v, "data", rf64 ? kWavSizeUnknown : static_cast<uint32_t>(dataBytes));
    return v;
}

namespace {
uint32_t Le32(const unsigned char* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24); }
uint16_t Le16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint64_t Le64(const unsigned char* p) { return Le32(p) | (uint64_t(Le32(p + 4)) << 32); }

void FormatFrom(const unsigned char* p, WAVEFORMATEX& format) {
    format.wFormatTag = Le16(p);
    format.nChannels = Le16(p + 2);
    format.nSamplesPerSec = Le32(p + 4);
    format.nAvgBytesPerSec = Le32(p + 8);
    format.nBlockAlign = Le16(p + 12);
    format.wBitsPerSample = Le16(p + 14);
    format.cbSize = 0;
}

// An RF64 file's first chunk is ds64 with the 64-bit data size; false when it is not there.
bool ReadDs64(CBinaryFile& stream, uint64_t& dataSize) {
    unsigned char chunk[8 + kDs64BodySize];
    if (stream.Read(chunk, sizeof(chunk)) != sizeof(chunk) || memcmp(chunk, "ds64", 4) != 0) return false;
    uint32_t size = Le32(chunk + 4);
    if (size < kDs64BodySize) return false;
    dataSize = Le64(chunk + 16);
    // The table of other chunks' sizes, which we never need.
    size -= kDs64BodySize;
    return stream.Seek(int64_t(size) + (size & 1), SEEK_CUR);
}

// A well-formed RIFF/WAVE or RF64 file: walk its chunks for "fmt " and then "data".
bool WalkChunks(CBinaryFile& stream, WAVEFORMATEX& format, uint64_t& dataSize) {
    unsigned char head[12];
    if (!stream.Seek(0) || stream.Read(head, 12) != 12) return false;
    const bool rf64 = memcmp(head, "RF64", 4) == 0;
    if ((!rf64 && memcmp(head, "RIFF", 4) != 0) || memcmp(head + 8, "WAVE", 4) != 0) return false;
    uint64_t size64 = 0;
    if (rf64 && !ReadDs64(stream, size64)) return false;
    bool haveFormat = false;
    for (;;) {
        unsigned char chunk[8];
        if (stream.Read(chunk, 8) != 8) return false;
        uint32_t size = Le32(chunk + 4);
        if (memcmp(chunk, "data", 4) == 0) {
            if (!haveFormat) return false;
            dataSize = rf64 && size == kWavSizeUnknown ? size64 : size;
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

int ReadWavHeader(CBinaryFile& stream, WAVEFORMATEX& format, uint64_t& dataSize) {
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

uint64_t WavBytesToConvert(uint64_t fileSize, uint64_t dataOffset, uint64_t declaredSize) {
    uint64_t available = fileSize > dataOffset ? fileSize - dataOffset : 0;
    if (declaredSize == 0 || declaredSize == kWavSizeUnknown || declaredSize > available) return available;
    return declaredSize;
}
