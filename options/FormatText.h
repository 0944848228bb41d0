// Texts and choices of the options dialog that need no window.
#pragma once
#include <windows.h>
#include <mmreg.h>
#include <string>

// "44.100kHz,16bit,Stereo"; 8000 Hz 8-bit mono reads " 8.000kHz, 8bit,Mono".
std::string DescribeFormat(const WAVEFORMATEX& format);

// The level list's item for a stored value: the first whose text begins with
// the value's digits, else the third (98).
int NormalizeLevelIndex(int storedValue);
