// The names in a shell drop list (CF_HDROP), read with every offset checked.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

// False when the block is not a well-formed drop list. Names come out in the
// ANSI code page; a wide name it cannot represent is kept empty (unreadable).
bool ParseDropList(const void* data, size_t size, std::vector<std::string>& names);

// The first name decides: a .wav, .wave, .mp3 or .wma file, or an existing folder.
bool QualifiesForMenu(const std::string& firstName);
