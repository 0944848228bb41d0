#include <gtest/gtest.h>

#include "engine/TagChunks.h"
#include "engine/WavTags.h"
#include "tests/engine/TagReadBack.h"

using namespace fixtures;

namespace {
const char kJapanese[] = "\xE5\xA4\x9C\xE3\x81\xAE\xE6\xB5\xB7";  // a title in kana and kanji
const char kEmoji[] = "\xF0\x9F\x8C\x8A";

std::string Text(const std::vector<uint8_t>& bytes, size_t at, size_t size) {
    return std::string(bytes.begin() + at, bytes.begin() + at + size);
}
uint32_t Le32(const std::vector<uint8_t>& bytes, size_t at) {
    uint32_t v;
    memcpy(&v, &bytes[at], 4);
    return v;
}

// The INFO fields of a list chunk, walked as a reader walks them.
std::vector<std::pair<std::string, std::string>> InfoFields(const std::vector<uint8_t>& list) {
    std::vector<std::pair<std::string, std::string>> fields;
    EXPECT_EQ("LISTINFO", Text(list, 0, 4) + Text(list, 8, 4));
    EXPECT_EQ(list.size() - 8, Le32(list, 4)) << "the list's size covers its fields";
    for (size_t at = 12; at + 8 <= list.size();) {
        uint32_t size = Le32(list, at + 4);
        EXPECT_LE(at + 8 + size, list.size()) << "field at " << at << " runs past the list";
        if (at + 8 + size > list.size()) break;
        EXPECT_EQ(0, list[at + 8 + size - 1]) << Text(list, at, 4) << ": text without its zero";
        fields.emplace_back(Text(list, at, 4), Text(list, at + 8, size - 1));
        at += 8 + size + (size & 1);
    }
    return fields;
}
}  // namespace

TEST(TagChunks, InfoListHoldsEachFieldAsZeroEndedUtf8OnEvenOffsets) {
    SourceTags t;
    t.title = std::string(kJapanese) + " " + kEmoji;  // 14 bytes: an odd field with its zero
    t.artist = "Zo\xC3\xAB";
    t.album = "A";
    t.genre = "Jazz";
    t.comment = "c";
    t.track = 7;
    t.year = 2021;
    std::vector<uint8_t> list = InfoListChunk(t);
    using Field = std::pair<std::string, std::string>;
    EXPECT_EQ((std::vector<Field>{{"INAM", t.title}, {"IART", t.artist}, {"IPRD", "A"}, {"ITRK", "7"},
                                  {"IPRT", "7"}, {"ICRD", "2021"}, {"IGNR", "Jazz"}, {"ICMT", "c"}}),
              InfoFields(list));
    EXPECT_EQ(0u, list.size() % 2);
}

TEST(TagChunks, EmptyFieldsAreLeftOutAndNoTagsWriteNothing) {
    SourceTags t;
    EXPECT_TRUE(InfoListChunk(t).empty());
    EXPECT_TRUE(TagTail(1001, t, {}).empty()) << "not even the pad byte";
    t.year = 1999;
    using Field = std::pair<std::string, std::string>;
    EXPECT_EQ((std::vector<Field>{{"ICRD", "1999"}}), InfoFields(InfoListChunk(t)));
}

TEST(TagChunks, TheTailPadsOddDataAndAnOddId3Chunk) {
    SourceTags t;
    t.title = "ab";  // "INAM", 3 bytes with the zero, a pad: a list of 4 + 12 bytes
    const std::vector<uint8_t> id3{'I', 'D', '3', 1, 2};
    std::vector<uint8_t> even = TagTail(1000, t, id3);
    ASSERT_EQ(8u + 16 + 8 + 6, even.size());
    EXPECT_EQ("LIST", Text(even, 0, 4));
    EXPECT_EQ("id3 ", Text(even, 24, 4));
    EXPECT_EQ(5u, Le32(even, 28)) << "the chunk's size is the tag's, without the pad";
    EXPECT_EQ(0, even.back());
    std::vector<uint8_t> odd = TagTail(1001, t, id3);
    ASSERT_EQ(even.size() + 1, odd.size());
    EXPECT_EQ(0, odd[0]) << "the data chunk's pad byte comes first";
    EXPECT_EQ(even, std::vector<uint8_t>(odd.begin() + 1, odd.end()));
}

class AppendToRiffTest : public ::testing::Test {
protected:
    AppendToRiffTest() : folder(::testing::UnitTest::GetInstance()->current_test_info()->name()) {}
    TestFolder folder;
    const std::vector<uint8_t> tail{'L', 'I', 'S', 'T', 4, 0, 0, 0, 'I', 'N', 'F', 'O'};
};

TEST_F(AppendToRiffTest, GrowsTheRiffSizeAndKeepsEveryByteBefore) {
    const std::vector<uint8_t> wav = CanonicalWav(Pcm(2, 44100, 16), Counting(4000));
    const std::string path = folder / "a.wav";
    ASSERT_TRUE(WriteBytes(path, wav));
    ASSERT_TRUE(AppendToRiff(path, tail));
    std::vector<uint8_t> now = ReadBytes(path);
    ASSERT_EQ(wav.size() + tail.size(), now.size());
    EXPECT_EQ(now.size() - 8, Le32(now, 4));
    std::vector<uint8_t> before(now.begin(), now.begin() + wav.size());
    before[4] = wav[4], before[5] = wav[5], before[6] = wav[6], before[7] = wav[7];
    EXPECT_EQ(wav, before) << "only the RIFF size changed in front of the tail";
    EXPECT_EQ(tail, std::vector<uint8_t>(now.begin() + wav.size(), now.end()));
}

// Past 4 GiB the RIFF size lives in ds64: that one grows, the header's stays "unknown".
TEST_F(AppendToRiffTest, AnRf64FileGrowsTheSizeInItsDs64) {
    std::vector<uint8_t> rf64;
    PutTag(rf64, "RF64"), Put32(rf64, 0xFFFFFFFFu), PutTag(rf64, "WAVE");
    PutTag(rf64, "ds64"), Put32(rf64, 28);
    const size_t riffField = rf64.size();
    for (int i = 0; i < 7; ++i) Put32(rf64, 0);  // RIFF size, data size, frames (64 bits each), table length
    std::vector<uint8_t> sound = Counting(400);
    PutChunk(rf64, "fmt ", FmtBody(Pcm(2, 44100, 16)));
    PutTag(rf64, "data"), Put32(rf64, 0xFFFFFFFFu);
    rf64.insert(rf64.end(), sound.begin(), sound.end());
    const uint64_t riffSize = rf64.size() - 8;
    memcpy(&rf64[riffField], &riffSize, 8);
    const std::string path = folder / "long.wav";
    ASSERT_TRUE(WriteBytes(path, rf64));
    ASSERT_TRUE(AppendToRiff(path, tail));
    std::vector<uint8_t> now = ReadBytes(path);
    ASSERT_EQ(rf64.size() + tail.size(), now.size());
    uint64_t grown = 0;
    memcpy(&grown, &now[riffField], 8);
    EXPECT_EQ(now.size() - 8, grown) << "the 64-bit RIFF size in ds64";
    EXPECT_EQ(0xFFFFFFFFu, Le32(now, 4)) << "the header's size stays unknown";
    EXPECT_EQ(tail, std::vector<uint8_t>(now.begin() + rf64.size(), now.end()));
}

TEST_F(AppendToRiffTest, AFileThatIsNotAWholeRiffFileIsLeftAlone) {
    std::vector<uint8_t> wrongSize = CanonicalWav(Pcm(1, 8000, 8), Counting(100));
    wrongSize[4] ^= 2;
    std::vector<uint8_t> otherForm = CanonicalWav(Pcm(1, 8000, 8), Counting(100));
    memcpy(&otherForm[0], "RF64", 4);
    std::vector<uint8_t> tooShort{'R', 'I', 'F', 'F'};
    for (const auto& bytes : {wrongSize, otherForm, tooShort}) {
        const std::string path = folder / "b.wav";
        ASSERT_TRUE(WriteBytes(path, bytes));
        EXPECT_FALSE(AppendToRiff(path, tail)) << Text(bytes, 0, 4);
        EXPECT_EQ(bytes, ReadBytes(path)) << "the file kept its bytes";
    }
    EXPECT_FALSE(AppendToRiff(folder / "missing.wav", tail));
}

// A disk with no room for the tail: the file stays as it was, so the sound
// still goes into place (without its tags).
TEST_F(AppendToRiffTest, AFullDiskLeavesTheFileAsItWas) {
    const char* disk = getenv("WAVORY_SMALL_DISK");
    if (!disk || !*disk) GTEST_SKIP() << "no small disk: the test runner could not mount one";
    const std::string small = std::string(disk) + "\\tags";
    TestFolder::Remove(small);
    CreateDirectoryA(small.c_str(), nullptr);
    const std::string path = small + "\\full.wav";
    const std::vector<uint8_t> wav = CanonicalWav(Pcm(2, 44100, 16), Counting(200000));
    ASSERT_TRUE(WriteBytes(path, wav));
    std::vector<uint8_t> big(tail);
    big.resize(120000, 'x');  // more than the 256 KiB disk has left
    EXPECT_FALSE(AppendToRiff(path, big));
    EXPECT_EQ(wav, ReadBytes(path)) << "a tail that did not fit is taken back whole";
    TestFolder::Remove(small);
}
