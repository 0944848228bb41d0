// One MP3 file decoded by libmpg123: opened through our own file reader (so
// narrow paths mean the ANSI code page, as everywhere else in the program),
// gapless, always 16-bit signed interleaved at the file's rate and channels.
#pragma once
#include <windows.h>

#include <cstdint>

#include "../framework/Handles.h"

struct mpg123_handle_struct;

class CMp3File {
public:
    enum ReadResult { kData, kEnd };

    CMp3File() = default;
    ~CMp3File();
    CMp3File(const CMp3File&) = delete;
    CMp3File& operator=(const CMp3File&) = delete;

    // False for anything that is not MPEG audio; the reason is not told.
    bool Open(const char* path);
    void Close();

    int Rate() const { return m_rate; }
    int Channels() const { return m_channels; }
    // Exact for files with an Info/Xing/VBRI frame, estimated from the size otherwise.
    int LengthMs() const { return m_lengthMs; }
    // kbit/s: the frame's own for constant bit rate, the file's average otherwise.
    int BitrateKbps() const { return m_bitrateKbps; }

    // Fills dst with up to size bytes of whole sample frames; done says how many.
    // kEnd once nothing more can be decoded (the end, damage that cannot be
    // passed, or a change of format, which a WAV file cannot follow).
    ReadResult Read(BYTE* dst, size_t size, size_t& done);
    // A read of the file failed (a disk error, not the end or damage in the data).
    bool ReadFailed() const { return m_readFailed; }

private:
    static long Seek(void* self, long offset, int whence);
    static int ReadBytes(void* self, void* dst, size_t size);

    mpg123_handle_struct* m_handle = nullptr;
    CFileHandle m_file;
    // The decoder asks for a few hundred bytes at a time; the file is read in large pieces.
    static constexpr DWORD kReadAhead = 65536;
    BYTE m_buffer[kReadAhead];
    DWORD m_bufferFill = 0, m_bufferPos = 0;
    int64_t m_filePos = 0;  // of the buffer's end
    int64_t m_fileSize = 0;
    int m_rate = 0;
    int m_channels = 0;
    int m_lengthMs = 0;
    int m_bitrateKbps = 0;
    bool m_ended = false;
    bool m_readFailed = false;
};
