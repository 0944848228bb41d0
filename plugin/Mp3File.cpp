#include "Mp3File.h"

#include <mpg123.h>

#include <algorithm>
#include <cstring>

#include "../framework/FileSystem.h"
#include "Sniff.h"

namespace {
constexpr long kResyncLimitBytes = 1 << 20;
}  // namespace

CMp3File::~CMp3File() { Close(); }

void CMp3File::Close() {
    if (m_handle) {
        mpg123_close(m_handle);
        mpg123_delete(m_handle);
        m_handle = nullptr;
    }
    m_file.Close();
    m_ended = false;
    m_readFailed = false;
}

int CMp3File::ReadBytes(void* self, void* dst, size_t size) {
    CMp3File& file = *static_cast<CMp3File*>(self);
    BYTE* out = static_cast<BYTE*>(dst);
    size_t done = 0;
    while (done < size) {
        if (file.m_bufferPos == file.m_bufferFill) {
            DWORD got = 0;
            if (!ReadFile(file.m_file, file.m_buffer, kReadAhead, &got, nullptr)) {
                file.m_readFailed = true;
                return done ? static_cast<int>(done) : -1;
            }
            if (got == 0) break;
            file.m_bufferFill = got;
            file.m_bufferPos = 0;
            file.m_filePos += got;
        }
        size_t n = std::min<size_t>(size - done, file.m_bufferFill - file.m_bufferPos);
        memcpy(out + done, file.m_buffer + file.m_bufferPos, n);
        file.m_bufferPos += static_cast<DWORD>(n);
        done += n;
    }
    return static_cast<int>(done);
}

long CMp3File::Seek(void* self, long offset, int whence) {
    CMp3File& file = *static_cast<CMp3File*>(self);
    int64_t current = file.m_filePos - (file.m_bufferFill - file.m_bufferPos);
    int64_t target = whence == SEEK_SET ? offset : whence == SEEK_CUR ? current + offset : file.m_fileSize + offset;
    if (target < 0 || target > LONG_MAX) return -1;
    int64_t bufferStart = file.m_filePos - file.m_bufferFill;
    if (target >= bufferStart && target <= file.m_filePos) {
        file.m_bufferPos = static_cast<DWORD>(target - bufferStart);  // inside what is buffered
        return static_cast<long>(target);
    }
    LARGE_INTEGER distance;
    distance.QuadPart = target;
    if (!SetFilePointerEx(file.m_file, distance, nullptr, FILE_BEGIN)) return -1;
    file.m_filePos = target;
    file.m_bufferFill = file.m_bufferPos = 0;
    return static_cast<long>(target);
}

bool CMp3File::Open(const char* path) {
    Close();
    // The host passes UTF-8; a host that still passes the ANSI code page is understood too.
    m_file.Attach(fs::Open(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING,
                           FILE_FLAG_SEQUENTIAL_SCAN));
    LARGE_INTEGER size;
    if (!m_file.IsValid() || !GetFileSizeEx(m_file, &size) || size.QuadPart == 0 || size.QuadPart > LONG_MAX) {
        Close();
        return false;
    }
    m_fileSize = size.QuadPart;
    m_filePos = 0;
    m_bufferFill = m_bufferPos = 0;

    // Other formats that a decoder bent on finding frames could mistake for sound.
    BYTE head[kSniffBytes];
    DWORD got = 0;
    if (!ReadFile(m_file, head, sizeof(head), &got, nullptr) || IsOtherAudioFormat(head, got) ||
        SetFilePointer(m_file, 0, nullptr, FILE_BEGIN) != 0) {
        Close();
        return false;
    }

    int error = MPG123_OK;
    m_handle = mpg123_new(nullptr, &error);
    if (!m_handle) {
        Close();
        return false;
    }
    mpg123_param(m_handle, MPG123_FLAGS, MPG123_GAPLESS | MPG123_QUIET | MPG123_SKIP_ID3V2, 0);
    // Tag editors leave tens of kilobytes of junk before the first frame; a
    // bound still keeps a file that holds no MP3 at all from being read through.
    mpg123_param(m_handle, MPG123_RESYNC_LIMIT, kResyncLimitBytes, 0);
    mpg123_format_none(m_handle);
    const long* rates = nullptr;
    size_t rateCount = 0;
    mpg123_rates(&rates, &rateCount);
    for (size_t i = 0; i < rateCount; ++i)
        mpg123_format(m_handle, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);

    long rate = 0;
    int channels = 0, encoding = 0;
    if (mpg123_replace_reader_handle(m_handle, ReadBytes, Seek, nullptr) != MPG123_OK ||
        mpg123_open_handle(m_handle, this) != MPG123_OK ||
        mpg123_getformat(m_handle, &rate, &channels, &encoding) != MPG123_OK || encoding != MPG123_ENC_SIGNED_16 ||
        (channels != 1 && channels != 2) || rate <= 0) {
        Close();
        return false;
    }
    m_rate = static_cast<int>(rate);
    m_channels = channels;

    off_t samples = mpg123_length(m_handle);
    m_lengthMs = samples > 0 ? static_cast<int>(static_cast<int64_t>(samples) * 1000 / rate) : 0;
    mpg123_frameinfo info{};
    if (mpg123_info(m_handle, &info) == MPG123_OK) {
        if (info.vbr == MPG123_CBR || m_lengthMs == 0)
            m_bitrateKbps = info.bitrate;
        else
            m_bitrateKbps = static_cast<int>(m_fileSize * 8 / m_lengthMs);
    }
    return true;
}

CMp3File::ReadResult CMp3File::Read(BYTE* dst, size_t size, size_t& done) {
    done = 0;
    while (!m_ended && done < size) {
        size_t got = 0;
        int result = mpg123_read(m_handle, dst + done, size - done, &got);
        done += got;
        if (result == MPG123_NEW_FORMAT) {
            long rate = 0;
            int channels = 0, encoding = 0;
            mpg123_getformat(m_handle, &rate, &channels, &encoding);
            // A stream joined to one of another format: the file ends where it changes.
            if (rate != m_rate || channels != m_channels) m_ended = true;
        } else if (result != MPG123_OK) {
            m_ended = true;  // the end, or damage the decoder could not get past
        }
    }
    return done > 0 ? kData : kEnd;
}
