// Fixtures for engine tests: WAV files written and read back, a fresh folder
// per test, and settings under a registry key of their own.
#pragma once
#include <windows.h>
#include <mmreg.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "framework/WinApp.h"
#include "engine/DecodeThread.h"
#include "options/Settings.h"
#include "tests/TestSupport.h"
#include "tests/engine/RecordingEvents.h"

namespace fixtures {

// Test paths are UTF-8 and may pass MAX_PATH: the fixtures reach them through
// the wide functions (by the long form past MAX_PATH), on their own, not through the program's layer.
inline std::wstring TestPath(const std::string& path) {
    UINT codePage = CP_UTF8;
    int n = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, path.data(), static_cast<int>(path.size()), nullptr, 0);
    if (n <= 0) n = MultiByteToWideChar(codePage = CP_ACP, 0, path.data(), static_cast<int>(path.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0) MultiByteToWideChar(codePage, 0, path.data(), static_cast<int>(path.size()), &wide[0], n);
    return wide.size() >= MAX_PATH - 12 && wide[1] == L':' ? L"\\\\?\\" + wide : wide;
}
inline std::string TestName(const wchar_t* name) {
    int n = WideCharToMultiByte(CP_UTF8, 0, name, -1, nullptr, 0, nullptr, nullptr);
    std::string text(n > 0 ? static_cast<size_t>(n - 1) : 0, '\0');
    if (n > 1) WideCharToMultiByte(CP_UTF8, 0, name, -1, &text[0], n, nullptr, nullptr);
    return text;
}

inline WAVEFORMATEX Pcm(WORD channels, DWORD rate, WORD bits) {
    WAVEFORMATEX f{};
    f.wFormatTag = WAVE_FORMAT_PCM;
    f.nChannels = channels;
    f.nSamplesPerSec = rate;
    f.wBitsPerSample = bits;
    f.nBlockAlign = static_cast<WORD>(channels * bits / 8);
    f.nAvgBytesPerSec = rate * f.nBlockAlign;
    return f;
}

inline void Put16(std::vector<uint8_t>& v, uint16_t x) {
    v.push_back(x & 0xFF);
    v.push_back(x >> 8);
}
inline void Put32(std::vector<uint8_t>& v, uint32_t x) {
    Put16(v, x & 0xFFFF);
    Put16(v, x >> 16);
}
inline void PutTag(std::vector<uint8_t>& v, const char* tag) { v.insert(v.end(), tag, tag + 4); }
inline void PutChunk(std::vector<uint8_t>& v, const char* tag, const std::vector<uint8_t>& body) {
    PutTag(v, tag);
    Put32(v, static_cast<uint32_t>(body.size()));
    v.insert(v.end(), body.begin(), body.end());
    if (body.size() & 1) v.push_back(0);
}
inline std::vector<uint8_t> FmtBody(const WAVEFORMATEX& f) {
    std::vector<uint8_t> b;
    Put16(b, f.wFormatTag);
    Put16(b, f.nChannels);
    Put32(b, f.nSamplesPerSec);
    Put32(b, f.nAvgBytesPerSec);
    Put16(b, f.nBlockAlign);
    Put16(b, f.wBitsPerSample);
    return b;
}

// A RIFF file of the given chunks (the RIFF size is filled in).
inline std::vector<uint8_t> Riff(const std::vector<std::pair<std::string, std::vector<uint8_t>>>& chunks) {
    std::vector<uint8_t> v;
    PutTag(v, "RIFF");
    Put32(v, 0);
    PutTag(v, "WAVE");
    for (const auto& c : chunks) PutChunk(v, c.first.c_str(), c.second);
    uint32_t size = static_cast<uint32_t>(v.size() - 8);
    memcpy(&v[4], &size, 4);
    return v;
}

inline std::vector<uint8_t> CanonicalWav(const WAVEFORMATEX& f, const std::vector<uint8_t>& data) {
    return Riff({{"fmt ", FmtBody(f)}, {"data", data}});
}

inline bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    CFileHandle file(CreateFileW(TestPath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    return file.IsValid() &&
           WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

inline std::vector<uint8_t> ReadBytes(const std::string& path) {
    CFileHandle file(CreateFileW(TestPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    std::vector<uint8_t> bytes;
    if (!file.IsValid()) return bytes;
    bytes.resize(GetFileSize(file, nullptr));
    DWORD got = 0;
    if (!bytes.empty()) ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
    bytes.resize(got);
    return bytes;
}

inline bool Exists(const std::string& path) { return GetFileAttributesW(TestPath(path).c_str()) != INVALID_FILE_ATTRIBUTES; }

// 16-bit PCM: a sine of the given frequency and amplitude, the same on every channel
// but for a small offset per channel, so a swap of channels shows.
inline std::vector<uint8_t> Tone16(size_t frames, WORD channels, DWORD rate, double amplitude, double hz = 440.0) {
    std::vector<uint8_t> v;
    v.reserve(frames * channels * 2);
    for (size_t i = 0; i < frames; ++i)
        for (WORD c = 0; c < channels; ++c) {
            double s = amplitude * std::sin(2 * 3.14159265358979 * hz * i / rate) + c * 3;
            Put16(v, static_cast<uint16_t>(static_cast<int16_t>(std::lround(s))));
        }
    return v;
}

// Bytes that follow a counter, so any lost, repeated or moved byte shows.
inline std::vector<uint8_t> Counting(size_t bytes) {
    std::vector<uint8_t> v(bytes);
    for (size_t i = 0; i < bytes; ++i) v[i] = static_cast<uint8_t>((i * 7 + i / 251) & 0xFF);
    return v;
}

struct WavFile {
    bool ok = false;
    WAVEFORMATEX format{};
    uint32_t riffSize = 0, dataSize = 0;
    size_t fileSize = 0;
    std::vector<uint8_t> data;  // behind the 44-byte header, as much as the data size says
    std::vector<uint8_t> tail;  // what follows the data: the tags' chunks, or bytes no header counts
};

// Reads one of our outputs, which have the fixed 44-byte layout.
inline WavFile ReadOutput(const std::string& path) {
    WavFile w;
    std::vector<uint8_t> b = ReadBytes(path);
    w.fileSize = b.size();
    if (b.size() < 44 || memcmp(&b[0], "RIFF", 4) || memcmp(&b[8], "WAVEfmt ", 8) || memcmp(&b[36], "data", 4))
        return w;
    memcpy(&w.riffSize, &b[4], 4);
    memcpy(&w.format, &b[20], 16);
    w.format.cbSize = 0;
    memcpy(&w.dataSize, &b[40], 4);
    const size_t data = std::min<size_t>(w.dataSize, b.size() - 44);
    w.data.assign(b.begin() + 44, b.begin() + 44 + data);
    w.tail.assign(b.begin() + 44 + data, b.end());
    w.ok = true;
    return w;
}

inline int16_t S16(const std::vector<uint8_t>& d, size_t sample) {
    return static_cast<int16_t>(d[2 * sample] | (d[2 * sample + 1] << 8));
}

inline int32_t S24(const std::vector<uint8_t>& d, size_t sample) {
    const uint8_t* p = &d[3 * sample];
    return static_cast<int32_t>((uint32_t(p[0]) << 8) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 24)) >> 8;
}
inline int32_t S32(const std::vector<uint8_t>& d, size_t sample) {
    int32_t v;
    memcpy(&v, &d[4 * sample], 4);
    return v;
}
inline float F32(const std::vector<uint8_t>& d, size_t sample) {
    float v;
    memcpy(&v, &d[4 * sample], 4);
    return v;
}
inline void Put24(std::vector<uint8_t>& v, int32_t x) {
    for (int k = 0; k < 3; ++k) v.push_back(static_cast<uint8_t>(static_cast<uint32_t>(x) >> (8 * k)));
}
inline WAVEFORMATEX Float32(WORD channels, DWORD rate) {
    WAVEFORMATEX f = Pcm(channels, rate, 32);
    f.wFormatTag = WAVE_FORMAT_IEEE_FLOAT;
    return f;
}

// A RIFF or RF64 file read chunk by chunk, on its own terms (not through the
// engine's reader, which it checks): every chunk's tag, where its body starts
// and its 32-bit size.
struct WavChunks {
    bool ok = false;
    std::string form;  // "RIFF" or "RF64"
    uint32_t formSize = 0;
    std::vector<uint8_t> bytes;
    struct Chunk {
        std::string tag;
        size_t body;
        uint32_t size;
    };
    std::vector<Chunk> chunks;
    const Chunk* Find(const char* tag) const {
        for (const auto& c : chunks)
            if (c.tag == tag) return &c;
        return nullptr;
    }
    uint16_t U16(size_t at) const { return static_cast<uint16_t>(bytes[at] | (bytes[at + 1] << 8)); }
    uint32_t U32(size_t at) const { return U16(at) | (uint32_t(U16(at + 2)) << 16); }
    uint64_t U64(size_t at) const { return U32(at) | (uint64_t(U32(at + 4)) << 32); }
    // The samples: the data chunk's declared bytes (all that follows it when unknown).
    std::vector<uint8_t> Data() const {
        const Chunk* d = Find("data");
        if (!d) return {};
        size_t n = d->size == 0xFFFFFFFFu ? bytes.size() - d->body : std::min<size_t>(d->size, bytes.size() - d->body);
        return std::vector<uint8_t>(bytes.begin() + d->body, bytes.begin() + d->body + n);
    }
};
inline WavChunks ReadChunks(const std::string& path) {
    WavChunks w;
    w.bytes = ReadBytes(path);
    if (w.bytes.size() < 12 || memcmp(&w.bytes[8], "WAVE", 4) != 0) return w;
    w.form.assign(w.bytes.begin(), w.bytes.begin() + 4);
    w.formSize = w.U32(4);
    for (size_t at = 12; at + 8 <= w.bytes.size();) {
        WavChunks::Chunk c{std::string(w.bytes.begin() + at, w.bytes.begin() + at + 4), at + 8, w.U32(at + 4)};
        w.chunks.push_back(c);
        if (c.tag == "data") break;
        at = c.body + c.size + (c.size & 1);
    }
    w.ok = w.Find("fmt ") && w.Find("data");
    return w;
}

// A folder of its own for each test, emptied first.
// Two 16-bit decodes of one WMA file under Wine: its decoder gives a file's
// first packet differently from one reader to the next, and rounds its last
// bit by the thread's floating-point settings. Past the first skip bytes, the
// samples agree within lsb.
inline bool SameWmaSound(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b, size_t skip, int lsb) {
    if (a.size() != b.size() || a.size() <= skip) return false;
    for (size_t i = skip / 2 * 2; i + 1 < a.size(); i += 2) {
        const int x = static_cast<int16_t>(a[i] | a[i + 1] << 8), y = static_cast<int16_t>(b[i] | b[i + 1] << 8);
        if (std::abs(x - y) > lsb) return false;
    }
    return true;
}

// The running test's name as a folder name: a parameterised test's holds a slash.
inline std::string TestFolderName() {
    std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::replace(name.begin(), name.end(), '/', '_');
    return name;
}

class TestFolder {
public:
    explicit TestFolder(const std::string& name) {
        char cwd[MAX_PATH];
        GetCurrentDirectoryA(MAX_PATH, cwd);
        m_path = std::string(cwd) + "\\work\\" + name;
        CreateDirectoryA((std::string(cwd) + "\\work").c_str(), nullptr);
        Remove(m_path);
        CreateDirectoryA(m_path.c_str(), nullptr);
    }
    const std::string& Path() const { return m_path; }
    std::string operator/(const std::string& name) const { return m_path + "\\" + name; }
    std::string MakeDir(const std::string& name) const {
        std::string p = *this / name;
        CreateDirectoryW(TestPath(p).c_str(), nullptr);
        return p;
    }
    static void Remove(const std::string& path) {
        WIN32_FIND_DATAW fd;
        HANDLE h = FindFirstFileW(TestPath(path + "\\*").c_str(), &fd);
        if (h != INVALID_HANDLE_VALUE) {
            do {
                std::string name = TestName(fd.cFileName);
                if (name == "." || name == "..") continue;
                std::string child = path + "\\" + name;
                SetFileAttributesW(TestPath(child).c_str(), FILE_ATTRIBUTE_NORMAL);
                if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                    !(fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
                    Remove(child);
                else if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    RemoveDirectoryW(TestPath(child).c_str());
                else
                    DeleteFileW(TestPath(child).c_str());
            } while (FindNextFileW(h, &fd));
            FindClose(h);
        }
        RemoveDirectoryW(TestPath(path).c_str());
    }

private:
    std::string m_path;
};

// Every file below folder, by its path under it ("Disc 1\\01.wav"), sorted.
inline void ListFilesBelow(const std::string& folder, const std::string& below, std::vector<std::string>& into) {
    WIN32_FIND_DATAW fd;
    CFindHandle h(FindFirstFileW(TestPath(folder + "\\*").c_str(), &fd));
    if (!h.IsValid()) return;
    do {
        std::string name = TestName(fd.cFileName);
        if (name == "." || name == "..") continue;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            ListFilesBelow(folder + "\\" + name, below + name + "\\", into);
        else
            into.push_back(below + name);
    } while (FindNextFileW(h, &fd));
}
inline std::vector<std::string> FilesBelow(const std::string& folder) {
    std::vector<std::string> files;
    ListFilesBelow(folder, "", files);
    std::sort(files.begin(), files.end());
    return files;
}

// The files in a folder, by name (no subfolders).
inline std::vector<std::string> FilesIn(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW(TestPath(folder + "\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return names;
    do
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(TestName(fd.cFileName));
    while (FindNextFileW(h, &fd));
    FindClose(h);
    return names;
}

// The application object and its settings under a key of its own.
// The batch settings as the test stored them, read the way the dialog reads them.
inline JobSettings SavedSettings() {
    const CWinApp* app = AfxGetApp();
    return app ? settings::ReadJobSettings(*app) : JobSettings();
}

// The tests' own batch record, handed to every thread they make.
inline BatchState& TestBatch() {
    static BatchState state;
    return state;
}

// The tests' own listener: what the engine tells, recorded; every fixture
// resets it, and none of the engine's words becomes a box.
inline CRecordingEvents& TestEvents() {
    static CRecordingEvents events;
    return events;
}

// A decode thread with the stored settings, telling the tests' listener.
class CTestThread : public CDecodeThread {
public:
    CTestThread() : CDecodeThread(SavedSettings(), TestEvents(), TestBatch()) {}
    explicit CTestThread(const JobSettings& settings) : CDecodeThread(settings, TestEvents(), TestBatch()) {}
};

class EngineApp {
public:
    explicit EngineApp(const char* name) : scratch(settings::kRegistryKey, name), app(name) {
        app.SetRegistryKey(settings::kRegistryKey);
    }
    void Set(const settings::IntSetting& s, int value) { settings::Write(app, s, value); }
    ScratchProfile scratch;
    CWinApp app;
};

}  // namespace fixtures
