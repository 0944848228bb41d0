// One process-wide conversion stream of the audio compression manager, with
// its source and destination buffers. The decode thread opens it once per file.
#pragma once
#include <windows.h>
#include <mmreg.h>

// The source block: one second of CD-format audio.
constexpr DWORD kAcmSourceBufferSize = 176400;

// Returns 1 when the stream is open and its header prepared, 0 otherwise
// (and then nothing stays allocated).
int AcmOpenStream(const WAVEFORMATEX& source, DWORD sourceBufferSize, const WAVEFORMATEX& target,
                  DWORD* destinationBufferSize, BYTE** sourceBuffer, BYTE** destinationBuffer);
// Converts the first sourceBytes of the source buffer (whole source blocks only).
int AcmConvert(DWORD sourceBytes, DWORD* leftover, DWORD* produced);
// Takes the sizes AcmOpenStream used and reported.
int AcmCloseStream(DWORD sourceBufferSize, DWORD destinationBufferSize);
