#include <gtest/gtest.h>

#include "engine/ByteShift.h"
#include "engine/WavHeader.h"
#include "engine/WavSource.h"
#include "framework/BinaryFile.h"
#include "tests/engine/ConversionTest.h"

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

TEST(WavHeaderLayout, EightAndSixteenBitKeepThe44BytesUpToTheirLimit) {
    for (const WAVEFORMATEX& f : {Pcm(2, 44100, 16), Pcm(1, 22050, 8), Pcm(1, 8000, 16)}) {
        WavLayout layout = ChooseWavLayout(f);
        EXPECT_FALSE(layout.extensible);
        EXPECT_FALSE(layout.sizeRoom);
        EXPECT_EQ(44u, WavHeaderBytes(layout));
        for (uint64_t size : {uint64_t(0), uint64_t(1001), uint64_t(0xFFFFFFFFu - 36)}) {
            WavHeader h = MakeWavHeader(f, static_cast<uint32_t>(size));
            const uint8_t* raw = reinterpret_cast<const uint8_t*>(&h);
            EXPECT_EQ(std::vector<uint8_t>(raw, raw + 44), BuildWavHeader(f, layout, size)) << size << " bytes";
            EXPECT_FALSE(NeedsRf64(layout, size));
        }
        EXPECT_TRUE(NeedsRf64(layout, 0xFFFFFFFFu - 35)) << "one byte past what RIFF describes";
    }
}

TEST(WavHeaderLayout, WideFloatAndManyChannelsAreExtensible) {
    WAVEFORMATEX six = Pcm(6, 48000, 16);
    for (const WAVEFORMATEX& f : {Pcm(2, 96000, 24), Pcm(1, 44100, 32), Float32(2, 48000), six}) {
        WavLayout layout = ChooseWavLayout(f);
        EXPECT_TRUE(layout.extensible);
        EXPECT_TRUE(layout.sizeRoom);
        EXPECT_EQ(f.wFormatTag == WAVE_FORMAT_IEEE_FLOAT, layout.fact);
        std::vector<uint8_t> header = BuildWavHeader(f, layout, 3000);
        ASSERT_EQ(WavHeaderBytes(layout), header.size());
    }
    WavChunks sixHeader{true, "", 0, BuildWavHeader(six, ChooseWavLayout(six), 0), {}};
    EXPECT_EQ(0x3Fu, sixHeader.U32(12 + 36 + 8 + 20)) << "5.1 speakers for six channels";
    // Written whole and read back by the chunk reader of the tests.
    TestFolder folder("extensible_layout");
    WAVEFORMATEX f = Pcm(1, 44100, 24);
    std::vector<uint8_t> file = BuildWavHeader(f, ChooseWavLayout(f), 9);
    std::vector<uint8_t> data = Counting(9);
    file.insert(file.end(), data.begin(), data.end());
    file.push_back(0);
    ASSERT_TRUE(WriteBytes(folder / "odd.wav", file));
    ExpectExtensibleHeader(ReadChunks(folder / "odd.wav"), f, 9);
    EXPECT_EQ(1u, WavPadBytes(ChooseWavLayout(f), 9));
    EXPECT_EQ(0u, WavPadBytes(ChooseWavLayout(Pcm(1, 44100, 8)), 9)) << "the 44-byte layout never pads";
}

TEST(WavHeaderLayout, PastFourGiBTheSizesMoveToDs64) {
    WAVEFORMATEX f = Float32(2, 192000);
    WavLayout layout = ChooseWavLayout(f);
    const uint64_t big = 6000000000ull;
    WavChunks h{true, "", 0, BuildWavHeader(f, layout, big), {}};
    EXPECT_EQ(0, memcmp(&h.bytes[0], "RF64", 4));
    EXPECT_EQ(0xFFFFFFFFu, h.U32(4));
    EXPECT_EQ(0, memcmp(&h.bytes[12], "ds64", 4));
    EXPECT_EQ(WavHeaderBytes(layout) - 8 + big, h.U64(20));
    EXPECT_EQ(big, h.U64(28));
    EXPECT_EQ(big / 8, h.U64(36));
    EXPECT_EQ(0xFFFFFFFFu, h.U32(WavHeaderBytes(layout) - 4)) << "data size: see ds64";
    EXPECT_EQ(big / 8, h.U32(WavHeaderBytes(layout) - 12)) << "frames in fact, where they fit";
    WavChunks small{true, "", 0, BuildWavHeader(f, layout, 4096), {}};
    EXPECT_EQ(0, memcmp(&small.bytes[0], "RIFF", 4));
    EXPECT_EQ(0, memcmp(&small.bytes[12], "JUNK", 4)) << "room kept, not used";
    EXPECT_EQ(0u, small.U64(28));
}

TEST_F(WavHeaderTest, Rf64AndExtensibleSourcesAreRead) {
    // ds64 holds the data size; the 32-bit one says "see ds64"; a chunk follows the data.
    std::vector<uint8_t> ds64;
    for (uint32_t x : {0u, 0u, 600u, 0u, 100u, 0u, 0u}) Put32(ds64, x);
    std::vector<uint8_t> fmt = FmtBody(Pcm(2, 48000, 24));
    fmt[0] = 0xFE, fmt[1] = 0xFF;
    Put16(fmt, 22), Put16(fmt, 24), Put32(fmt, 3), Put32(fmt, WAVE_FORMAT_PCM);
    const uint8_t tail[12] = {0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
    fmt.insert(fmt.end(), tail, tail + 12);
    std::vector<uint8_t> bytes;
    PutTag(bytes, "RF64"), Put32(bytes, 0xFFFFFFFFu), PutTag(bytes, "WAVE");
    PutChunk(bytes, "ds64", ds64);
    PutChunk(bytes, "fmt ", fmt);
    PutTag(bytes, "data"), Put32(bytes, 0xFFFFFFFFu);
    const size_t dataAt = bytes.size();
    std::vector<uint8_t> samples = Counting(600);
    bytes.insert(bytes.end(), samples.begin(), samples.end());
    PutChunk(bytes, "LIST", std::vector<uint8_t>(50, 'L'));
    WAVEFORMATEX f{};
    uint64_t size = 0;
    int64_t offset = 0;
    ASSERT_EQ(1, Read(bytes, f, size, &offset));
    EXPECT_EQ(600u, size);
    EXPECT_EQ(static_cast<int64_t>(dataAt), offset);
    EXPECT_EQ(WAVE_FORMAT_PCM, f.wFormatTag) << "extensible PCM stands for PCM";
    EXPECT_EQ(24, f.wBitsPerSample);
    EXPECT_EQ(48000u, f.nSamplesPerSec);
    CWavSource source;
    ASSERT_EQ(CWavSource::kOpened, source.Open((folder / "in.wav").c_str()));
    std::vector<uint8_t> got(2000);
    got.resize(source.Read(got.data(), 2000));
    EXPECT_EQ(samples, got) << "the data, and not the chunk behind it";
}

TEST_F(WavHeaderTest, ShiftingATailUpLosesAndRepeatsNothing) {
    // Over two work blocks, and a length that is no multiple of one.
    const size_t head = 44, length = (2u << 20) + 12345;
    std::vector<uint8_t> bytes = Counting(head + length);
    std::string path = folder / "shift.bin";
    ASSERT_TRUE(WriteBytes(path, bytes));
    {
        CBinaryFile file;
        ASSERT_TRUE(file.Open(path.c_str(), "r+b"));
        ASSERT_TRUE(ShiftBytesUp(file, head, length, 36));
        ASSERT_TRUE(file.Close());
    }
    std::vector<uint8_t> after = ReadBytes(path);
    ASSERT_EQ(bytes.size() + 36, after.size());
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.begin() + head, after.begin())) << "the header stays";
    EXPECT_TRUE(std::equal(bytes.begin() + head, bytes.end(), after.begin() + head + 36)) << "the tail moved whole";
}
