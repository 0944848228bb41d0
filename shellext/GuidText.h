// A GUID from its registry text "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" at
// compile time, so that the text stays the one definition of a class id.
#pragma once
#include <windows.h>

namespace shellext {
namespace guid_text {
constexpr unsigned Nibble(char c) {
    return c >= '0' && c <= '9' ? unsigned(c - '0') : c >= 'A' && c <= 'F' ? unsigned(c - 'A' + 10)
                                                     : c >= 'a' && c <= 'f' ? unsigned(c - 'a' + 10)
                                                                            : throw "not a hexadecimal digit";
}
constexpr unsigned long Hex(const char* text, int digits) {
    unsigned long value = 0;
    for (int i = 0; i < digits; ++i) value = value << 4 | Nibble(text[i]);
    return value;
}
}  // namespace guid_text

template <size_t N>
constexpr GUID GuidFromText(const char (&t)[N]) {
    static_assert(N == 39, "a GUID in braces: 38 characters");
    using guid_text::Hex;
    return GUID{Hex(t + 1, 8),
                static_cast<unsigned short>(Hex(t + 10, 4)),
                static_cast<unsigned short>(Hex(t + 15, 4)),
                {static_cast<unsigned char>(Hex(t + 20, 2)), static_cast<unsigned char>(Hex(t + 22, 2)),
                 static_cast<unsigned char>(Hex(t + 25, 2)), static_cast<unsigned char>(Hex(t + 27, 2)),
                 static_cast<unsigned char>(Hex(t + 29, 2)), static_cast<unsigned char>(Hex(t + 31, 2)),
                 static_cast<unsigned char>(Hex(t + 33, 2)), static_cast<unsigned char>(Hex(t + 35, 2))}};
}

}  // namespace shellext
