// The names in a shell drop list (CF_HDROP), read with every offset checked.
#pragma once
#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

// False when the block is not a well-formed drop list. Names come out in UTF-8,
// whatever their length or characters: wide names as they are, ANSI ones read
// in codePage (the system's ANSI code page unless a test says otherwise).
bool ParseDropList(const void* data, size_t size, std::vector<std::string>& names, UINT codePage = CP_ACP);

// The first name decides: a .wav, .wave, .mp3 or .wma file, or an existing folder.
bool QualifiesForMenu(const std::string& firstName);
