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

// The RIFF size, when the file is a RIFF file of size bytes that ends where that size says.
bool WholeRiffSize(HANDLE file, uint64_t size, uint32_t& riffSize) {
    unsigned char head[8];
    DWORD got = 0;
    if (!ReadFile(file, head, sizeof(head), &got, nullptr) || got != sizeof(head)) return false;
    memcpy(&riffSize, head + 4, 4);
    return memcmp(head, "RIFF", 4) == 0 && uint64_t(riffSize) + 8 == size;
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
    uint32_t riffSize = 0;
    if (!file.IsValid() || !GetFileSizeEx(file, &size) || !WholeRiffSize(file, size.QuadPart, riffSize)) return false;
    const uint64_t grown = uint64_t(riffSize) + tail.size();
    if (grown > 0xFFFFFFFFull) return false;
    const uint32_t newSize = static_cast<uint32_t>(grown);
    if (WriteAt(file, size.QuadPart, tail.data(), tail.size()) && WriteAt(file, 4, &newSize, sizeof(newSize)))
        return true;
    // Whatever part of the tail reached the disk goes again, and the size is the old one.
    Truncate(file, size.QuadPart);
    WriteAt(file, 4, &riffSize, sizeof(riffSize));
    return false;
}

bool CopySourceTags(int type, const std::string& source, const std::string& wavPath, uint64_t dataSize) {
    const SourceTags tags = ReadSourceTags(ContainerOf(type), source);
    const std::vector<uint8_t> tail = TagTail(dataSize, tags, RenderId3v2(tags));
    return !tail.empty() && AppendToRiff(wavPath, tail);
}
