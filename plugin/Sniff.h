// Recognises files of other audio formats by their first bytes. An MP3
// decoder looks for frame headers anywhere and can find chance ones in
// another format's data, so such files are refused before it starts.
#pragma once
#include <cstddef>
#include <cstdint>

inline constexpr size_t kSniffBytes = 12;

bool IsOtherAudioFormat(const unsigned char* head, size_t size);
