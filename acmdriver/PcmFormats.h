// The PCM formats our converter takes and offers.
#pragma once
#include <windows.h>
#include <mmreg.h>

#include <cstddef>

// The formats enumerated for the format chooser, per tag: the usual rates from
// 8 to 192 kHz, mono and stereo; for PCM 8, 16, 24 and 32 bits, for
// WAVE_FORMAT_IEEE_FLOAT 32 bits. Any other tag has none.
size_t PcmFormatCount(WORD tag);
WAVEFORMATEX PcmFormatAt(WORD tag, size_t index);
WAVEFORMATEX MakePcm(WORD channels, DWORD rate, WORD bits);
WAVEFORMATEX MakeFloat(WORD channels, DWORD rate);

// Sources and targets alike: integer PCM of 8, 16, 24 or 32 bits, or 32-bit
// float; 1 or 2 channels with consistent sizes.
bool IsConvertibleSource(const WAVEFORMATEX& f);
bool IsConvertibleTarget(const WAVEFORMATEX& f);
// Whether a conversion rounds to a coarser grid than the source's and so
// wants dither: integer targets narrower than the source (float counts as
// wider than every integer width).
bool NarrowsSamples(const WAVEFORMATEX& source, const WAVEFORMATEX& target);
// A target for the source, holding the fields that flags (ACM_FORMATSUGGESTF_*) fix
// in suggested and taking the others from the source; false when there is none.
bool SuggestTarget(const WAVEFORMATEX& source, DWORD flags, WAVEFORMATEX& suggested);
