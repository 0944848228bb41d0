#include "SourceTags.h"

#include <taglib/asffile.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/tfilestream.h>
#include <taglib/tpropertymap.h>
#include <taglib/wavfile.h>

#include <algorithm>
#include <memory>

#include "../framework/FileSystem.h"

namespace {

std::string Utf8(const TagLib::String& text) { return text.stripWhiteSpace().to8Bit(true); }
TagLib::String FromUtf8(const std::string& text) { return TagLib::String(text, TagLib::String::UTF8); }

// Each kind's own reader: by the container we were told, not by the name's
// extension (".wave" is no name TagLib knows).
std::unique_ptr<TagLib::File> OpenTagged(TagContainer container, TagLib::IOStream* stream) {
    switch (container) {
    case TagContainer::kMp3:
        return std::make_unique<TagLib::MPEG::File>(stream, TagLib::ID3v2::FrameFactory::instance(), false);
    case TagContainer::kWma:
        return std::make_unique<TagLib::ASF::File>(stream, false);
    case TagContainer::kWav:
        return std::make_unique<TagLib::RIFF::WAV::File>(stream, false);
    }
    return nullptr;
}

// The tags a kind carries, the preferred first. TagLib's own tag() of a WAV
// file is its id3 chunk alone; the INFO list is asked for on its own.
std::vector<const TagLib::Tag*> TagsOf(TagContainer container, TagLib::File& file) {
    if (container != TagContainer::kWav) return {file.tag()};
    auto& wav = static_cast<TagLib::RIFF::WAV::File&>(file);
    return {wav.hasID3v2Tag() ? wav.ID3v2Tag() : nullptr, wav.hasInfoTag() ? wav.InfoTag() : nullptr};
}

// Each field that is still empty, from this tag.
void Merge(const TagLib::Tag& tag, SourceTags& tags) {
    if (tags.title.empty()) tags.title = Utf8(tag.title());
    if (tags.artist.empty()) tags.artist = Utf8(tag.artist());
    if (tags.album.empty()) tags.album = Utf8(tag.album());
    if (tags.genre.empty()) tags.genre = Utf8(tag.genre());
    if (tags.comment.empty()) tags.comment = Utf8(tag.comment());
    if (!tags.track) tags.track = tag.track();
    if (!tags.year) tags.year = tag.year();
}

std::string FirstValue(const TagLib::PropertyMap& properties, const char* key) {
    auto found = properties.find(key);
    return found == properties.end() || found->second.isEmpty() ? std::string() : Utf8(found->second.front());
}

// ffmpeg, which makes many WMA files, keeps the comment and the year in
// attributes of its own names rather than in Windows Media's.
void MergeFfmpegAttributes(const TagLib::ASF::Tag& tag, SourceTags& tags) {
    const TagLib::ASF::AttributeListMap& attributes = tag.attributeListMap();
    auto text = [&attributes](const char* name) {
        auto found = attributes.find(name);
        return found == attributes.end() || found->second.isEmpty() ? TagLib::String() : found->second.front().toString();
    };
    if (tags.comment.empty()) tags.comment = Utf8(text("Description"));
    if (!tags.year) tags.year = static_cast<unsigned>(std::max(0, text("date").substr(0, 4).toInt()));
}

}  // namespace

bool SourceTags::Empty() const {
    return title.empty() && artist.empty() && album.empty() && genre.empty() && comment.empty() && track == 0 &&
           year == 0;
}

SourceTags ReadSourceTags(TagContainer container, const std::string& path) {
    SourceTags tags;
    try {
        // Read-only, by the wide path (long paths included): a source is never opened for writing.
        TagLib::FileStream stream(fs::SystemPath(path).c_str(), true);
        if (!stream.isOpen()) return tags;
        std::unique_ptr<TagLib::File> file = OpenTagged(container, &stream);
        if (!file || !file->isValid()) return tags;
        for (const TagLib::Tag* tag : TagsOf(container, *file))
            if (tag) Merge(*tag, tags);
        if (tags.comment.empty()) tags.comment = FirstValue(file->properties(), "COMMENT");
        if (container == TagContainer::kWma) MergeFfmpegAttributes(*static_cast<TagLib::ASF::File&>(*file).tag(), tags);
    } catch (...) {
        // A tag TagLib cannot take (or no memory for it) costs the tags, never the file.
        return SourceTags();
    }
    return tags;
}

std::vector<uint8_t> RenderId3v2(const SourceTags& tags) {
    if (tags.Empty()) return {};
    try {
        TagLib::ID3v2::Tag tag;
        tag.setTitle(FromUtf8(tags.title));
        tag.setArtist(FromUtf8(tags.artist));
        tag.setAlbum(FromUtf8(tags.album));
        tag.setGenre(FromUtf8(tags.genre));
        tag.setComment(FromUtf8(tags.comment));
        tag.setTrack(tags.track);
        tag.setYear(tags.year);
        const TagLib::ByteVector bytes = tag.render(TagLib::ID3v2::v3);
        return std::vector<uint8_t>(bytes.begin(), bytes.end());
    } catch (...) {
        return {};
    }
}
