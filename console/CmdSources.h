// The command line's names as the engine takes them: full paths in UTF-8,
// each checked to exist and be convertible.
#pragma once
#include <string>

// The full path of name, without a trailing backslash (a drive root keeps
// its own); empty when it cannot be made.
std::wstring FullPath(const std::wstring& name);

// The folder that holds full: C:\Music\a.mp3 gives C:\Music, C:\a.mp3 gives C:
// (searched on UTF-16, so no double-byte character is split).
std::wstring FolderOf(const std::wstring& full);

// The path in UTF-8, exactly: false for a lone surrogate, which NTFS allows in
// a name but UTF-8 cannot hold (U+FFFD in its place would name another file).
bool ToUtf8Exactly(const std::wstring& path, std::string& utf8);

// Empty when the source can be converted; otherwise why not.
std::wstring CheckSource(const std::wstring& full, std::string& utf8);

// Makes the output folder (and its parents) when it is missing; empty when it
// is there, otherwise why not.
std::wstring PrepareOutputFolder(const std::wstring& full, std::string& utf8);
