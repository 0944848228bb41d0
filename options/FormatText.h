// Texts and choices of the options dialog that need no window.
#pragma once
#include <windows.h>
#include <mmreg.h>
#include <string>

// "44.100kHz,16bit,Stereo"; 8000 Hz 8-bit mono reads " 8.000kHz, 8bit,Mono";
// float says so: "96.000kHz,32bit float,Stereo".
std::string DescribeFormat(const WAVEFORMATEX& format);

// What the format chooser may list, asked by its hook for each tag, and each
// format, before it is shown: our converter's tags and the formats it writes.
bool ChooserListsTag(DWORD tag);
bool ChooserListsFormat(const WAVEFORMATEX& format);

// The level list's item for a stored value: the first whose text begins with
// the value's digits, else the third (98).
int NormalizeLevelIndex(int storedValue);
