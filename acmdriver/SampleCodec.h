// Samples between their stored forms and floats in [-1, 1).
#pragma once
#include <windows.h>
#include <mmreg.h>

#include <cstddef>
#include <cstdint>

// Reads frames of the source format as floats with outChannels channels:
// mono to stereo copies, stereo to mono averages.
void DecodeFrames(const BYTE* src, const WAVEFORMATEX& format, size_t frames, WORD outChannels, float* out);

// Triangular dither of one step of the target width, from two uniform values.
class CTpdfDither {
public:
    float Next();  // in (-1, 1) steps
private:
    uint32_t m_state = 0x2545F491u;
};

// Writes frames of inChannels floats as the target format (mono to stereo copies):
// integers rounded to nearest and held to their range, with dither after TPDF
// noise of one target step; floats as they are.
void EncodeFrames(const float* in, WORD inChannels, size_t frames, const WAVEFORMATEX& format, CTpdfDither* dither,
                  BYTE* dst);
