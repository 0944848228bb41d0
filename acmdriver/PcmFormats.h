// The PCM formats our converter takes and offers.
#pragma once
#include <windows.h>
#include <mmreg.h>

#include <cstddef>

// The formats enumerated for the format chooser: the usual rates, 8 and 16
// bits, mono and stereo.
size_t PcmFormatCount();
WAVEFORMATEX PcmFormatAt(size_t index);
WAVEFORMATEX MakePcm(WORD channels, DWORD rate, WORD bits);

// Sources: integer PCM of 8, 16, 24 or 32 bits, or 32-bit float; targets:
// integer PCM of 8 or 16 bits. Both 1 or 2 channels with consistent sizes.
bool IsConvertibleSource(const WAVEFORMATEX& f);
bool IsConvertibleTarget(const WAVEFORMATEX& f);
// A target for the source, holding the fields that flags (ACM_FORMATSUGGESTF_*) fix
// in suggested and taking the others from the source; false when there is none.
bool SuggestTarget(const WAVEFORMATEX& source, DWORD flags, WAVEFORMATEX& suggested);
