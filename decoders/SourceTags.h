// What a source file says about its music (title, artist, ...), read with
// TagLib from whichever tags its kind carries: ID3v2, ID3v1 and APE for MP3,
// the Windows Media attributes for WMA, the INFO list and an id3 chunk for
// WAV. Reading is best effort: a missing or damaged tag gives empty fields.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Text is UTF-8; 0 is "not set" for the numbers.
struct SourceTags {
    std::string title;
    std::string artist;
    std::string album;
    std::string genre;
    std::string comment;
    unsigned track = 0;
    unsigned year = 0;
    bool Empty() const;
};

enum class TagContainer { kMp3, kWma, kWav };

// Empty tags when the file holds none, cannot be opened or its tags cannot be read.
SourceTags ReadSourceTags(TagContainer container, const std::string& path);

// An ID3v2.3 tag of these fields: text that Latin-1 cannot hold goes as UTF-16
// with a byte-order mark, which every ID3v2 reader takes (v2.4's UTF-8 is
// unknown to older ones). Empty when the tags are empty.
std::vector<uint8_t> RenderId3v2(const SourceTags& tags);
