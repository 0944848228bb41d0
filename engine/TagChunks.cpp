#include "TagChunks.h"

#include <string>

namespace {

void Put32(std::vector<uint8_t>& out, uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

void PutChunk(std::vector<uint8_t>& out, const char* id, const uint8_t* body, size_t size) {
    out.insert(out.end(), id, id + 4);
    Put32(out, static_cast<uint32_t>(size));
    out.insert(out.end(), body, body + size);
    if (size & 1) out.push_back(0);
}

// INFO text is UTF-8 with its terminating zero. INFO has no field for its
// encoding; UTF-8 is what current readers (TagLib, ffmpeg, the common players)
// take, ASCII stays ASCII, and no code page can drop a character. A reader
// that assumes the ANSI code page still finds the same text in the id3 chunk.
void PutText(std::vector<uint8_t>& out, const char* id, const std::string& text) {
    if (text.empty()) return;
    std::vector<uint8_t> body(text.begin(), text.end());
    body.push_back(0);
    PutChunk(out, id, body.data(), body.size());
}

void PutNumber(std::vector<uint8_t>& out, const char* id, unsigned number) {
    if (number) PutText(out, id, std::to_string(number));
}

}  // namespace

std::vector<uint8_t> InfoListChunk(const SourceTags& tags) {
    std::vector<uint8_t> fields;
    PutText(fields, "INAM", tags.title);
    PutText(fields, "IART", tags.artist);
    PutText(fields, "IPRD", tags.album);
    // Readers disagree on the track's field: Windows and ffmpeg read ITRK, TagLib IPRT.
    PutNumber(fields, "ITRK", tags.track);
    PutNumber(fields, "IPRT", tags.track);
    PutNumber(fields, "ICRD", tags.year);
    PutText(fields, "IGNR", tags.genre);
    PutText(fields, "ICMT", tags.comment);
    if (fields.empty()) return {};
    std::vector<uint8_t> list{'I', 'N', 'F', 'O'};
    list.insert(list.end(), fields.begin(), fields.end());
    std::vector<uint8_t> chunk;
    PutChunk(chunk, "LIST", list.data(), list.size());
    return chunk;
}

std::vector<uint8_t> TagTail(uint64_t dataSize, const SourceTags& tags, const std::vector<uint8_t>& id3v2) {
    std::vector<uint8_t> chunks = InfoListChunk(tags);
    if (!id3v2.empty()) PutChunk(chunks, "id3 ", id3v2.data(), id3v2.size());
    if (chunks.empty()) return {};
    std::vector<uint8_t> tail;
    if (dataSize & 1) tail.push_back(0);
    tail.insert(tail.end(), chunks.begin(), chunks.end());
    return tail;
}
