#include <gtest/gtest.h>

#include "decoders/SndStreamWinAmp.h"
#include "tests/engine/ConversionTest.h"
#include "tests/engine/TagReadBack.h"

using namespace fixtures;

namespace {

// The outputs the native check (tests/tags/check_tags.py, with ffprobe) reads
// after this program: NAME.wav in results\tagged, NAME starting with the
// tags file it must show ("unicode-", "latin1-") or "none-".
void KeepForNativeCheck(const std::string& output, const std::string& name) {
    char cwd[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, cwd);
    const std::string folder = std::string(cwd) + "\\tagged";
    CreateDirectoryA(folder.c_str(), nullptr);
    EXPECT_TRUE(CopyFileW(TestPath(output).c_str(), TestPath(folder + "\\" + name + ".wav").c_str(), FALSE)) << name;
}

// What an earlier run left there is gone before this run writes.
class FreshNativeCheckFolder : public ::testing::Environment {
    void SetUp() override {
        char cwd[MAX_PATH];
        GetCurrentDirectoryA(MAX_PATH, cwd);
        TestFolder::Remove(std::string(cwd) + "\\tagged");
    }
};
::testing::Environment* const g_freshFolder = ::testing::AddGlobalTestEnvironment(new FreshNativeCheckFolder);

class CopyTagsTest : public ConversionTest {
protected:
    CopyTagsTest() : ConversionTest("WavoryTagsTest") {}
    static void SetUpTestSuite() { ASSERT_EQ(1, SndStream().LoadPlugins()) << "mjm.dll beside the test"; }
    static void TearDownTestSuite() { SndStream().UnloadPlugins(); }
    // The fixture converted; its output's path.
    std::string ConvertFixture(const std::string& name) {
        std::string source = in + "\\" + name;
        EXPECT_TRUE(CopyFileW(TestPath(FixturePath(name)).c_str(), TestPath(source).c_str(), FALSE)) << name;
        EXPECT_EQ(1, Convert(source)) << name << ": " << events.Text();
        return out + "\\" + name.substr(0, name.rfind('.')) + ".wav";
    }
};

}  // namespace

// The reader on its own: each kind's fields, whatever tag they come from.
TEST(SourceTagsReading, EachKindGivesItsFields) {
    const SourceTags unicode = TagsFile(FixturePath("unicode.tags")), latin1 = TagsFile(FixturePath("latin1.tags"));
    struct Case {
        TagContainer container;
        const char* fixture;
        const SourceTags& expected;
    } cases[] = {{TagContainer::kMp3, "tags_id3v23.mp3", unicode},
                 {TagContainer::kMp3, "tags_id3v24.mp3", unicode},
                 {TagContainer::kMp3, "tags_id3v1.mp3", latin1},
                 {TagContainer::kWma, "tags.wma", unicode},
                 {TagContainer::kWav, "tags_info.wav", unicode}};
    for (const Case& c : cases) {
        SourceTags got = ReadSourceTags(c.container, FixturePath(c.fixture));
        EXPECT_TRUE(SameTags(c.expected, got)) << c.fixture << ": read " << Describe(got) << "\n  expected "
                                               << Describe(c.expected);
    }
    EXPECT_TRUE(ReadSourceTags(TagContainer::kMp3, FixturePath("cbr128.mp3")).Empty());
    EXPECT_TRUE(ReadSourceTags(TagContainer::kWav, FixturePath("no such file.wav")).Empty());
    EXPECT_TRUE(ReadSourceTags(TagContainer::kWma, FixturePath("text.wma")).Empty()) << "not a WMA file at all";
}

TEST_F(CopyTagsTest, EverySourceKindsTagsReachBothChunksInEveryScript) {
    const SourceTags unicode = TagsFile(FixturePath("unicode.tags")), latin1 = TagsFile(FixturePath("latin1.tags"));
    struct Case {
        const char* fixture;
        const char* tagSet;
        const SourceTags& expected;
    } cases[] = {{"tags_id3v23.mp3", "unicode", unicode},
                 {"tags_id3v24.mp3", "unicode", unicode},
                 {"tags_id3v1.mp3", "latin1", latin1},
                 {"tags.wma", "unicode", unicode},
                 {"tags_info.wav", "unicode", unicode}};
    for (const Case& c : cases) {
        const std::string output = ConvertFixture(c.fixture);
        WavTags got = ReadWavTags(output);
        ASSERT_TRUE(got.opened) << c.fixture << ": TagLib cannot read the output";
        EXPECT_TRUE(got.hasInfo && SameTags(c.expected, got.info))
            << c.fixture << ": INFO list " << (got.hasInfo ? Describe(got.info) : "missing") << "\n  expected "
            << Describe(c.expected);
        EXPECT_TRUE(got.hasId3 && SameTags(c.expected, got.id3))
            << c.fixture << ": id3 chunk " << (got.hasId3 ? Describe(got.id3) : "missing") << "\n  expected "
            << Describe(c.expected);
        EXPECT_EQ(3, got.id3Version) << c.fixture;
        EXPECT_TRUE(got.unicodeAsUtf16) << c.fixture << ": a text frame beyond Latin-1 is not UTF-16";
        WavFile w = ReadOutput(output);
        EXPECT_EQ(w.fileSize - 8, w.riffSize) << c.fixture << ": the RIFF size must cover the tags";
        KeepForNativeCheck(output, std::string(c.tagSet) + "-" + c.fixture);
    }
}

// The tags go behind the data: a CD output's 44-byte header is byte for byte
// the one without tags but for the RIFF size, and so is every sample.
TEST_F(CopyTagsTest, ACdOutputKeepsItsHeaderAndSoundAndOffWritesNoTags) {
    const std::vector<uint8_t> tagged = ReadBytes(ConvertFixture("tags_info.wav"));
    env.Set(settings::kCopyTags, 0);
    const std::string plainPath = ConvertFixture("tags_info.wav");
    const std::vector<uint8_t> plain = ReadBytes(plainPath);
    WavFile w = ReadOutput(plainPath);
    ASSERT_TRUE(w.ok);
    EXPECT_EQ(44u + w.dataSize, plain.size()) << "\"Copy tags\" off: nothing behind the data";
    EXPECT_EQ(w.dataSize + 36, w.riffSize);
    WavTags none = ReadWavTags(plainPath);
    EXPECT_FALSE(none.hasInfo || none.hasId3) << "TagLib found tags in " << Describe(none.info);
    KeepForNativeCheck(plainPath, "none-tags_info.wav");

    ASSERT_GT(tagged.size(), plain.size());
    std::vector<uint8_t> head(tagged.begin(), tagged.begin() + 44), plainHead(plain.begin(), plain.begin() + 44);
    for (int i = 4; i < 8; ++i) head[i] = plainHead[i];
    EXPECT_EQ(plainHead, head) << "only the RIFF size differs in the header";
    EXPECT_TRUE(std::equal(plain.begin() + 44, plain.end(), tagged.begin() + 44)) << "the sound is the same";
    EXPECT_EQ(0, memcmp(&tagged[plain.size()], "LIST", 4)) << "the INFO list follows the data directly";
}

// A sound of odd length: its pad byte keeps the tags' chunks on even offsets,
// where readers walk; the data size stays the sound's.
TEST_F(CopyTagsTest, OddSoundGetsItsPadByteBeforeTheTags) {
    env.Set(settings::kFormat, settings::kFormatOriginal);
    std::vector<uint8_t> info{'I', 'N', 'F', 'O', 'I', 'N', 'A', 'M', 4, 0, 0, 0, 'O', 'd', 'd', 0};
    const std::vector<uint8_t> sound = Counting(1001);
    ASSERT_TRUE(WriteBytes(in + "\\odd.wav", Riff({{"fmt ", FmtBody(Pcm(1, 8000, 8))}, {"LIST", info}, {"data", sound}})));
    ASSERT_EQ(1, Convert(in + "\\odd.wav")) << events.Text();
    WavFile w = ReadOutput(out + "\\odd.wav");
    EXPECT_EQ(sound, w.data);
    ASSERT_GE(w.tail.size(), 5u);
    EXPECT_EQ(0, w.tail[0]) << "the pad byte";
    EXPECT_EQ("LIST", std::string(w.tail.begin() + 1, w.tail.begin() + 5));
    EXPECT_EQ("Odd", ReadWavTags(out + "\\odd.wav").info.title);

    // A wide output keeps its own pad byte after odd data; the tags follow it, with no second one.
    std::vector<uint8_t> wideInfo{'I', 'N', 'F', 'O', 'I', 'N', 'A', 'M', 6, 0, 0, 0, 'O', 'd', 'd', '2', '4', 0};
    ASSERT_TRUE(WriteBytes(in + "\\odd24.wav",
                           Riff({{"fmt ", FmtBody(Pcm(1, 8000, 24))}, {"LIST", wideInfo}, {"data", Counting(3 * 333)}})));
    ASSERT_EQ(1, Convert(in + "\\odd24.wav")) << events.Text();
    WavTags wide = ReadWavTags(out + "\\odd24.wav");
    EXPECT_EQ("Odd24", wide.info.title) << "the INFO list was not where a reader walks after the padded data";
    EXPECT_EQ("Odd24", wide.id3.title);
}

// Damaged tags cost the tags at most: the file converts, with all its sound.
TEST_F(CopyTagsTest, DamagedTagsNeverCostTheSound) {
    // An INFO list whose field claims more bytes than the list and the file hold.
    std::vector<uint8_t> info{'I', 'N', 'F', 'O', 'I', 'N', 'A', 'M', 0xF0, 0xFF, 0xFF, 0x7F, 'x', 0};
    const std::vector<uint8_t> sound = Tone16(44100, 2, 44100, 9000);
    ASSERT_TRUE(WriteBytes(in + "\\list.wav", Riff({{"fmt ", FmtBody(Pcm(2, 44100, 16))}, {"LIST", info}, {"data", sound}})));
    ASSERT_EQ(1, Convert(in + "\\list.wav")) << events.Text();
    WavFile w = ReadOutput(out + "\\list.wav");
    EXPECT_EQ(sound, w.data);
    EXPECT_EQ(w.fileSize - 8, w.riffSize);

    // An ID3v2 tag whose frames claim sizes past the tag: the tag's own size still skips it.
    std::vector<uint8_t> mp3 = ReadBytes(FixturePath("tags_id3v23.mp3"));
    ASSERT_GT(mp3.size(), 64u);
    for (size_t at = 10; at + 8 < 64; at += 11) mp3[at + 4] = 0x7F;  // frame size bytes and text garbage
    ASSERT_TRUE(WriteBytes(in + "\\broken.mp3", mp3));
    ASSERT_EQ(1, Convert(in + "\\broken.mp3")) << events.Text();
    WavFile broken = ReadOutput(out + "\\broken.wav");
    WavFile clean = ReadOutput(ConvertFixture("tags_id3v23.mp3"));
    EXPECT_EQ(clean.data, broken.data) << "the same sound as from the undamaged file";
    EXPECT_EQ(broken.fileSize - 8, broken.riffSize);
    EXPECT_EQ(0u, events.Count()) << events.Text();
}
