// Path rules of the engine: source types, output names, folder names. Paths
// are UTF-8 and may pass MAX_PATH; names are compared as the file system
// compares them (ordinal, without regard to case).
#pragma once
#include <string>

enum SourceType { kNotConvertible = 0, kTypeWav = 1, kTypeWave = 2, kTypeMp3 = 3, kTypeWma = 4 };

// The longest path the wide file functions take (32767 UTF-16 units); UTF-8
// bytes are never fewer than those units, so a path within it always fits.
constexpr size_t kMaxPathBytes = 32767;

// The type of a file by the end of its name, compared case-insensitively.
int GetFileType(const char* name);

// The part behind the last backslash.
const char* FileNamePart(const char* path);

// Name of the folder that holds the file at path: C:\Music\a.mp3 gives Music,
// C:\a.mp3 gives C:. Returns 0 (empty result) when the last backslash is the first character.
int GetParentFolderName(const char* path, std::string& out);

// outputFolder + "\" (unless it ends in one) + the name without its extension + ".wav".
// False (out empty) when the result passes kMaxPathBytes.
bool MakeOutputPath(const char* outputFolder, const char* fileName, std::string& out);

// folder + "\" (unless it ends in one) + name; false (out empty) when it passes kMaxPathBytes.
bool JoinPath(const char* folder, const char* name, std::string& out);

bool SamePath(const char* a, const char* b);

// The same folder however it was typed: case and trailing backslashes aside
// (C:\ and C: name the same root, D:\Music\ and d:\music the same folder).
bool SameFolder(const char* a, const char* b);
// True when path is folder or lies below it.
bool IsWithinFolder(const char* path, const char* folder);

// The folder part of src: C:\Music\a.mp3 gives C:\Music, C:\a.mp3 gives C:,
// \\server\share\a.mp3 gives \\server\share. Returns 0 when the only
// backslash is the first character (dst then stays empty), else 1.
int FolderOfPath(const char* src, std::string& dst);

// True when the folder lies on a CD/DVD drive (its first three characters name the root).
bool IsFolderOnCdRom(const char* folder);
