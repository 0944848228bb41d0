#include "Unicode.h"

namespace {
bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

std::wstring ToWide(const std::string& text, UINT codePage, DWORD flags) {
    if (text.empty()) return std::wstring();
    int n = MultiByteToWideChar(codePage, flags, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (n <= 0) return std::wstring();
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(codePage, flags, text.data(), static_cast<int>(text.size()), &wide[0], n);
    return wide;
}
}  // namespace

bool IsValidUtf8(const std::string& text) {
    return text.empty() ||
           MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()), nullptr, 0) >
               0;
}

std::wstring Widen(const std::string& text) {
    return ToWide(text, IsValidUtf8(text) ? CP_UTF8 : CP_ACP, IsValidUtf8(text) ? MB_ERR_INVALID_CHARS : 0);
}

std::wstring Widen(const char* text) { return Widen(std::string(text ? text : "")); }

std::string Narrow(const wchar_t* text, size_t length) {
    if (!text || length == 0) return std::string();
    // For UTF-8 the default-character arguments must be null, or the call fails.
    int n = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
    if (n <= 0) return std::string();
    std::string bytes(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), &bytes[0], n, nullptr, nullptr);
    return bytes;
}

std::string Narrow(const std::wstring& text) { return Narrow(text.data(), text.size()); }
std::string Narrow(const wchar_t* text) { return text ? Narrow(text, wcslen(text)) : std::string(); }

bool EqualNoCase(const std::string& a, const std::string& b) {
    std::wstring wa = Widen(a), wb = Widen(b);
    return CompareStringOrdinal(wa.c_str(), static_cast<int>(wa.size()), wb.c_str(), static_cast<int>(wb.size()),
                                TRUE) == CSTR_EQUAL;
}

std::string CodePageToUtf8(const std::string& text, UINT codePage) { return Narrow(ToWide(text, codePage, 0)); }

std::string CutCharacters(const std::string& text, size_t maxChars) {
    size_t chars = 0, i = 0;
    for (; i < text.size(); ++i) {
        if (IsContinuation(static_cast<unsigned char>(text[i]))) continue;
        if (chars == maxChars) break;
        ++chars;
    }
    return text.substr(0, i);
}

size_t CharacterCount(const std::string& text) {
    size_t chars = 0;
    for (unsigned char c : text)
        if (!IsContinuation(c)) ++chars;
    return chars;
}
