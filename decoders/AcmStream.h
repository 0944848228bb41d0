// A conversion stream of the audio compression manager with its source and
// destination buffers, open for one file. Its destructor releases everything
// it holds, so no way out of a file can leave a stream open.
#pragma once
#include <windows.h>
#include <mmreg.h>
#include <msacm.h>

#include <memory>
#include <optional>

// The source block: one second of CD-format audio.
constexpr DWORD kAcmSourceBufferSize = 176400;

class CAcmStream {
public:
    // What one conversion step did with the source buffer.
    struct Step {
        DWORD leftover;  // source bytes not consumed (a partial block), to be carried to the front
        DWORD produced;  // bytes in the output buffer
    };

    CAcmStream() = default;
    ~CAcmStream() { Close(); }
    CAcmStream(const CAcmStream&) = delete;
    CAcmStream& operator=(const CAcmStream&) = delete;

    // False, with nothing held, when no stream opens: also for a format whose
    // fields do not agree, and for PCM to PCM when our own converter is not there.
    bool Open(const WAVEFORMATEX& source, const WAVEFORMATEX& target, DWORD sourceBufferSize = kAcmSourceBufferSize);
    bool IsOpen() const { return m_stream != nullptr; }

    // Where the next source bytes go, and how many fit.
    BYTE* Input() const { return m_source.get(); }
    DWORD InputSize() const { return m_sourceSize; }
    const BYTE* Output() const { return m_destination.get(); }
    DWORD OutputSize() const { return m_destinationSize; }

    // Converts the first sourceBytes of the input (whole source blocks only).
    // The last call of a file passes end, so that a converter that holds samples
    // back (a resampler) hands them out. Nothing when the step failed, or the
    // driver reported sizes past the buffers.
    std::optional<Step> Convert(DWORD sourceBytes, bool end = false);
    // The driver that converts in this stream (null when none is open).
    HACMDRIVERID Driver() const;
    // False when the header could not be unprepared or the stream closed; it is let go all the same.
    bool Close();

private:
    bool OpenStream(const WAVEFORMATEX& source, const WAVEFORMATEX& target, DWORD sourceBufferSize);
    bool Prepare();
    // Close without waiting for the turn to open or close.
    bool Release();

    HACMDRIVER m_driver = nullptr;  // ours, for PCM to PCM
    HACMSTREAM m_stream = nullptr;
    ACMSTREAMHEADER m_header{};
    bool m_prepared = false;
    std::unique_ptr<BYTE[]> m_source;
    std::unique_ptr<BYTE[]> m_destination;
    DWORD m_sourceSize = 0;
    DWORD m_destinationSize = 0;
};
