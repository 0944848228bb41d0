// One process-wide conversion stream of the audio compression manager, with
// its source and destination buffers. The decode thread opens it once per file.
#pragma once
#include <windows.h>
#include <mmreg.h>
#include <msacm.h>

// The source block: one second of CD-format audio.
constexpr DWORD kAcmSourceBufferSize = 176400;

// Returns 1 when the stream is open and its header prepared, 0 otherwise
// (and then nothing stays allocated): also for a format whose fields do not
// agree, and for PCM to PCM when our own converter is not there.
int AcmOpenStream(const WAVEFORMATEX& source, DWORD sourceBufferSize, const WAVEFORMATEX& target,
                  DWORD* destinationBufferSize, BYTE** sourceBuffer, BYTE** destinationBuffer);
// Converts the first sourceBytes of the source buffer (whole source blocks only).
// The last call of a file passes end, so that a converter that holds samples
// back (a resampler) hands them out.
int AcmConvert(DWORD sourceBytes, DWORD* leftover, DWORD* produced, bool end = false);
// The driver that converts in the open stream (null when none is open).
HACMDRIVERID AcmStreamDriver();
// Takes the sizes AcmOpenStream used and reported.
int AcmCloseStream(DWORD sourceBufferSize, DWORD destinationBufferSize);
