// The tags tests' side: the expected fields from a .tags fixture file, and an
// output's INFO list and id3 chunk read back, each on its own, with TagLib.
#pragma once
#include <gtest/gtest.h>

#include <taglib/id3v2tag.h>
#include <taglib/infotag.h>
#include <taglib/textidentificationframe.h>
#include <taglib/tfilestream.h>
#include <taglib/wavfile.h>

#include <fstream>
#include <sstream>
#include <string>

#include "decoders/SourceTags.h"
#include "tests/engine/EngineFixtures.h"

namespace fixtures {

// key=value lines, UTF-8, as tools/make-fixtures.sh gave them to ffmpeg.
inline SourceTags TagsFile(const std::string& path) {
    std::ifstream in(TestPath(path).c_str());
    EXPECT_TRUE(in.good()) << "no tags file " << path;
    SourceTags t;
    std::string line;
    while (std::getline(in, line)) {
        size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        std::string key = line.substr(0, eq), value = line.substr(eq + 1);
        if (key == "title") t.title = value;
        else if (key == "artist") t.artist = value;
        else if (key == "album") t.album = value;
        else if (key == "genre") t.genre = value;
        else if (key == "comment") t.comment = value;
        else if (key == "track") t.track = std::stoul(value);
        else if (key == "date") t.year = std::stoul(value);
    }
    return t;
}

inline std::string Describe(const SourceTags& t) {
    std::ostringstream s;
    s << "title \"" << t.title << "\", artist \"" << t.artist << "\", album \"" << t.album << "\", genre \""
      << t.genre << "\", comment \"" << t.comment << "\", track " << t.track << ", year " << t.year;
    return s.str();
}

inline bool SameTags(const SourceTags& a, const SourceTags& b) { return Describe(a) == Describe(b); }

inline SourceTags FromTag(const TagLib::Tag& tag) {
    SourceTags t;
    t.title = tag.title().to8Bit(true);
    t.artist = tag.artist().to8Bit(true);
    t.album = tag.album().to8Bit(true);
    t.genre = tag.genre().to8Bit(true);
    t.comment = tag.comment().to8Bit(true);
    t.track = tag.track();
    t.year = tag.year();
    return t;
}

struct WavTags {
    bool opened = false;
    bool hasInfo = false, hasId3 = false;
    SourceTags info, id3;
    int id3Version = 0;
    // Every text frame whose text Latin-1 cannot hold is UTF-16 (what v2.3 readers take).
    bool unicodeAsUtf16 = true;
};

inline WavTags ReadWavTags(const std::string& path) {
    WavTags r;
    TagLib::FileStream stream(TestPath(path).c_str(), true);
    TagLib::RIFF::WAV::File file(&stream, false);
    if (!file.isValid()) return r;
    r.opened = true;
    r.hasInfo = file.hasInfoTag();
    r.hasId3 = file.hasID3v2Tag();
    if (r.hasInfo) r.info = FromTag(*file.InfoTag());
    if (!r.hasId3) return r;
    TagLib::ID3v2::Tag& id3 = *file.ID3v2Tag();
    r.id3 = FromTag(id3);
    r.id3Version = static_cast<int>(id3.header()->majorVersion());
    for (TagLib::ID3v2::Frame* frame : id3.frameList()) {
        auto* text = dynamic_cast<TagLib::ID3v2::TextIdentificationFrame*>(frame);
        if (text && !text->toString().isLatin1() && text->textEncoding() != TagLib::String::UTF16)
            r.unicodeAsUtf16 = false;
    }
    return r;
}

}  // namespace fixtures
