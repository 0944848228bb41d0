#include "Sniff.h"

#include <cstring>

bool IsOtherAudioFormat(const unsigned char* head, size_t size) {
    auto starts = [&](const char* magic, size_t at = 0) {
        size_t n = strlen(magic);
        return size >= at + n && memcmp(head + at, magic, n) == 0;
    };
    if (starts("RIFF") || starts("RIFX") || starts("FORM") || starts("fLaC") || starts("OggS") || starts("ADIF") ||
        starts("MThd") || starts("ftyp", 4) || starts("\x30\x26\xB2\x75"))  // ASF (WMA)
        return true;
    // ADTS (AAC) shares the MPEG sync word but has layer bits 00, which MPEG audio never uses.
    return size >= 2 && head[0] == 0xFF && (head[1] & 0xF6) == 0xF0;
}
