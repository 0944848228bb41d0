// Text inside the program is UTF-8; the platform takes UTF-16. These convert
// between the two, and from the ANSI code page of older callers and files.
#pragma once
#include <windows.h>
#include <string>

// UTF-8 to UTF-16. A string that is not valid UTF-8 comes from a caller that
// still passes the ANSI code page and is read in that one.
std::wstring Widen(const std::string& text);
std::wstring Widen(const char* text);
// UTF-16 to UTF-8; unpaired surrogates become U+FFFD.
std::string Narrow(const std::wstring& text);
std::string Narrow(const wchar_t* text, size_t length);
std::string Narrow(const wchar_t* text);
// Text of the given code page (CP_ACP: the system's ANSI code page) to UTF-8.
std::string CodePageToUtf8(const std::string& text, UINT codePage);
bool IsValidUtf8(const std::string& text);
// Equal as the file system compares names: ordinal, without regard to case, in every script.
bool EqualNoCase(const std::string& a, const std::string& b);
// The longest prefix of at most maxChars characters (code points), so a cut
// never falls inside a character.
std::string CutCharacters(const std::string& text, size_t maxChars);
// The number of characters (code points) in valid UTF-8.
size_t CharacterCount(const std::string& text);
