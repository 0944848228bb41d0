// Copies a source's tags into its finished WAV output (before the output is
// put in place). Best effort by design: tags describe the music, the sound is
// what the file is for, so a tag that cannot be read or written costs only
// the tags, never the file, and leaves its bytes as they were.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Appends tail behind the last chunk of the RIFF or RF64 file at path and
// grows its RIFF size (in ds64 for RF64) by as much. The file must end where
// that size says, and a RIFF file stay within the 32-bit size; otherwise, or
// when a write fails, the file keeps its bytes and the result is false.
bool AppendToRiff(const std::string& path, const std::vector<uint8_t>& tail);

// The source's tags (by its SourceType) as chunks behind the data of the WAV
// file at wavPath, whose data chunk holds dataSize bytes. True when tags were
// written, false when there were none or they could not be.
bool CopySourceTags(int type, const std::string& source, const std::string& wavPath, uint64_t dataSize);
