// The chunks that carry a source's tags in its WAV output, behind the data
// chunk so that the 44-byte header stays where every reader looks for it: a
// LIST/INFO chunk and an "id3 " chunk holding an ID3v2 tag. Pure byte work.
#pragma once
#include <cstdint>
#include <vector>

#include "../decoders/SourceTags.h"

// The LIST/INFO chunk of the tags' fields, or nothing when all are empty.
std::vector<uint8_t> InfoListChunk(const SourceTags& tags);

// What follows the data chunk: its pad byte when dataSize is odd (RIFF chunks
// start on even offsets), the INFO list, then the ID3v2 tag as an "id3 " chunk.
// Empty when there is nothing to write.
std::vector<uint8_t> TagTail(uint64_t dataSize, const SourceTags& tags, const std::vector<uint8_t>& id3v2);
