#include <gtest/gtest.h>

#include "engine/WavHeader.h"
#include "engine/WavSource.h"
#include "framework/BinaryFile.h"
#include "tests/engine/EngineFixtures.h"

using namespace fixtures;

namespace {
class WavHeaderTest : public ::testing::Test {
protected:
    WavHeaderTest() : folder(::testing::UnitTest::GetInstance()->current_test_info()->name()) {}
    // Writes bytes to a file and reads its header back.
    int Read(const std::vector<uint8_t>& bytes, WAVEFORMATEX& f, uint64_t& size, int64_t* offset = nullptr) {
        std::string path = folder / "in.wav";
        EXPECT_TRUE(WriteBytes(path, bytes));
        CBinaryFile file;
        EXPECT_TRUE(file.Open(path.c_str(), "rb"));
        int r = ReadWavHeader(file, f, size);
        if (offset) *offset = file.Tell();
        return r;
    }
    TestFolder folder;
};
}  // namespace

TEST_F(WavHeaderTest, CanonicalFileGivesFormatSizeAndFirstSampleOffset) {
    WAVEFORMATEX f{}, in = Pcm(2, 44100, 16);
    uint64_t size = 0;
    int64_t offset = 0;
    ASSERT_EQ(1, Read(CanonicalWav(in, Counting(1000)), f, size, &offset));
    EXPECT_EQ(2, f.nChannels);
    EXPECT_EQ(44100u, f.nSamplesPerSec);
    EXPECT_EQ(176400u, f.nAvgBytesPerSec);
    EXPECT_EQ(4, f.nBlockAlign);
    EXPECT_EQ(16, f.wBitsPerSample);
    EXPECT_EQ(0, f.cbSize);
    EXPECT_EQ(1000u, size);
    EXPECT_EQ(44, offset);
}

TEST_F(WavHeaderTest, FormatChunkAfterAnotherChunkIsFoundByTheChunkWalk) {
    WAVEFORMATEX f{}, in = Pcm(1, 22050, 8);
    uint64_t size = 0;
    std::vector<uint8_t> junk(10, 'x');
    ASSERT_EQ(1, Read(Riff({{"JUNK", junk}, {"fmt ", FmtBody(in)}, {"data", Counting(300)}}), f, size));
    EXPECT_EQ(1, f.nChannels);
    EXPECT_EQ(22050u, f.nSamplesPerSec);
    EXPECT_EQ(8, f.wBitsPerSample);
    EXPECT_EQ(300u, size);
}

TEST_F(WavHeaderTest, ListChunkBeforeDataIsSkippedEvenWhenItsTextHoldsData) {
    WAVEFORMATEX f{};
    uint64_t size = 0;
    int64_t offset = 0;
    std::vector<uint8_t> list = {'I', 'N', 'F', 'O', 'd', 'a', 't', 'a', 1, 2, 3, 4};
    auto bytes = Riff({{"fmt ", FmtBody(Pcm(2, 44100, 16))}, {"LIST", list}, {"data", Counting(400)}});
    ASSERT_EQ(1, Read(bytes, f, size, &offset));
    EXPECT_EQ(400u, size);
    EXPECT_EQ(static_cast<int64_t>(bytes.size() - 400), offset);
}

TEST_F(WavHeaderTest, TrailingChunksAfterDataAreNotSound) {
    auto bytes = Riff({{"fmt ", FmtBody(Pcm(2, 44100, 16))}, {"data", Counting(400)},
                       {"id3 ", std::vector<uint8_t>(128, 'T')}});
    std::string path = folder / "in.wav";
    ASSERT_TRUE(WriteBytes(path, bytes));
    CWavSource source;
    ASSERT_EQ(CWavSource::kOpened, source.Open(path.c_str()));
    std::vector<uint8_t> got(1000);
    DWORD n = source.Read(got.data(), 1000);
    EXPECT_EQ(400u, n);
    EXPECT_EQ(0u, source.Read(got.data(), 1000));
    got.resize(n);
    EXPECT_EQ(Counting(400), got);
}

TEST_F(WavHeaderTest, UnfinishedHeaderSizesReadToTheEndOfTheFile) {
    EXPECT_EQ(500u, WavBytesToConvert(544, 44, 0));
    EXPECT_EQ(500u, WavBytesToConvert(544, 44, 0xFFFFFFFFu));
    EXPECT_EQ(500u, WavBytesToConvert(544, 44, 9000)) << "a size past the end";
    EXPECT_EQ(100u, WavBytesToConvert(544, 44, 100));
    EXPECT_EQ(0u, WavBytesToConvert(40, 44, 100));
}

TEST_F(WavHeaderTest, ShortFileAndMissingDataTagAreRefused) {
    WAVEFORMATEX f{};
    uint64_t size = 0;
    EXPECT_EQ(0, Read(std::vector<uint8_t>(43, 'd'), f, size));
    std::vector<uint8_t> noData = Riff({{"fmt ", FmtBody(Pcm(2, 44100, 16))}, {"dat_", Counting(100)}});
    for (auto& b : noData)
        if (b == 'd') b = 'x';  // no stray "data" inside the counting bytes
    EXPECT_EQ(0, Read(noData, f, size));
}

TEST_F(WavHeaderTest, ScanFindsTagBehindADoubledFirstByte) {
    // Not a walkable RIFF file: the fixed offsets and the byte scan apply.
    std::vector<uint8_t> bytes(44, 0);
    memcpy(&bytes[0], "XXXX", 4);
    bytes[20] = 1;
    bytes[22] = 2;
    const char tail[] = "ddata";
    bytes.insert(bytes.end(), tail, tail + 5);
    Put32(bytes, 12);
    bytes.resize(bytes.size() + 12, 0x55);
    WAVEFORMATEX f{};
    uint64_t size = 0;
    int64_t offset = 0;
    ASSERT_EQ(1, Read(bytes, f, size, &offset));
    EXPECT_EQ(12u, size);
    EXPECT_EQ(static_cast<int64_t>(44 + 5 + 4), offset);
    EXPECT_EQ(2, f.nChannels);
}

TEST_F(WavHeaderTest, ScanWithOverlappingPrefixesStillMatches) {
    std::vector<uint8_t> bytes(44, 0);
    const char tail[] = "dadata";
    bytes.insert(bytes.end(), tail, tail + 6);
    Put32(bytes, 0);
    WAVEFORMATEX f{};
    uint64_t size = 7;
    ASSERT_EQ(1, Read(bytes, f, size));
    EXPECT_EQ(0u, size);
}

TEST(WavHeaderLayout, FinishedHeaderOfAThousandDataBytes) {
    WavHeader h = MakeWavHeader(Pcm(2, 44100, 16), 1000);
    EXPECT_EQ(0, memcmp(h.riffTag, "RIFF", 4));
    EXPECT_EQ(1036u, h.riffSize);
    EXPECT_EQ(0, memcmp(h.waveTag, "WAVEfmt ", 8));
    EXPECT_EQ(16u, h.fmtSize);
    EXPECT_EQ(1000u, h.dataSize);
    WavHeader empty = MakeWavHeader(Pcm(2, 44100, 16), 0);
    EXPECT_EQ(36u, empty.riffSize);
    const uint8_t* raw = reinterpret_cast<const uint8_t*>(&h);
    EXPECT_EQ(0, memcmp(raw + 36, "data", 4));
    EXPECT_EQ(4, raw[32]) << "block align at offset 32";
}
