#include "WavTags.h"

#include <windows.h>

#include <cstring>

#include "../decoders/SourceTags.h"
#include "../framework/FileSystem.h"
#include "PathRules.h"
#include "TagChunks.h"

namespace {

bool WriteAt(HANDLE file, uint64_t offset, const void* bytes, size_t size) {
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(offset);
    DWORD written = 0;
    return SetFilePointerEx(file, at, nullptr, FILE_BEGIN) &&
           WriteFile(file, bytes, static_cast<DWORD>(size), &written, nullptr) && written == size;
}

bool Truncate(HANDLE file, uint64_t size) {
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(size);
    return SetFilePointerEx(file, at, nullptr, FILE_BEGIN) && SetEndOfFile(file);
}

// Where a file keeps its RIFF size: in its header, or (RF64, past 4 GiB) in
// the 64-bit field of its ds64 chunk, which comes first.
struct RiffSize {
    uint64_t value = 0;
    uint64_t offset = 4;
    bool wide = false;
};

// The RIFF size, when the file is a RIFF or RF64 file of size bytes that ends where that size says.
bool ReadRiffSize(HANDLE file, uint64_t size, RiffSize& riff) {
    unsigned char head[28];  // "RIFF"/"RF64", size, "WAVE", then ds64's head and its RIFF size
    DWORD got = 0;
    if (!ReadFile(file, head, sizeof(head), &got, nullptr) || got < 12) return false;
    if (memcmp(head, "RIFF", 4) == 0) {
        uint32_t value = 0;
        memcpy(&value, head + 4, 4);
        riff = RiffSize{value, 4, false};
    } else if (got == sizeof(head) && memcmp(head, "RF64", 4) == 0 && memcmp(head + 12, "ds64", 4) == 0) {
        riff = RiffSize{0, 20, true};
        memcpy(&riff.value, head + 20, 8);
    } else {
        return false;
    }
    return riff.value + 8 == size;
}

bool WriteRiffSize(HANDLE file, const RiffSize& riff, uint64_t value) {
    if (riff.wide) return WriteAt(file, riff.offset, &value, sizeof(value));
    if (value > 0xFFFFFFFFull) return false;
    const uint32_t narrow = static_cast<uint32_t>(value);
    return WriteAt(file, riff.offset, &narrow, sizeof(narrow));
}

TagContainer ContainerOf(int type) {
    switch (type) {
    case kTypeMp3: return TagContainer::kMp3;
    case kTypeWma: return TagContainer::kWma;
    default: return TagContainer::kWav;
    }
}

}  // namespace

bool AppendToRiff(const std::string& path, const std::vector<uint8_t>& tail) {
    CFileHandle file(fs::Open(path, GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING));
    LARGE_INTEGER size;
    RiffSize riff;
    if (!file.IsValid() || !GetFileSizeEx(file, &size) || !ReadRiffSize(file, size.QuadPart, riff)) return false;
    // A RIFF file the tail would take past 4 GiB keeps its bytes (and has no tags).
    const uint64_t grown = riff.value + tail.size();
    if (!riff.wide && grown > 0xFFFFFFFFull) return false;
    if (WriteAt(file, size.QuadPart, tail.data(), tail.size()) && WriteRiffSize(file, riff, grown)) return true;
    // Whatever part of the tail reached the disk goes again, and the size is the old one.
    Truncate(file, size.QuadPart);
    WriteRiffSize(file, riff, riff.value);
    return false;
}

bool CopySourceTags(int type, const std::string& source, const std::string& wavPath, uint64_t dataSize) {
    const SourceTags tags = ReadSourceTags(ContainerOf(type), source);
    const std::vector<uint8_t> tail = TagTail(dataSize, tags, RenderId3v2(tags));
    return !tail.empty() && AppendToRiff(wavPath, tail);
}
