#include <gtest/gtest.h>

#include "engine/BatchState.h"
#include "engine/DecodeThread.h"
#include "engine/Normalize.h"
#include "tests/engine/EngineFixtures.h"

using namespace fixtures;

namespace {
std::vector<uint8_t> Samples16(std::initializer_list<int> values) {
    std::vector<uint8_t> v;
    for (int s : values) Put16(v, static_cast<uint16_t>(static_cast<int16_t>(s)));
    return v;
}

int PeakOf(const std::vector<uint8_t>& data) {
    int p = 0;
    for (size_t i = 0; i < data.size() / 2; ++i) p = std::max(p, std::abs(int(S16(data, i))));
    return p;
}

const WAVEFORMATEX kPcm16 = Pcm(1, 44100, 16), kPcm8 = Pcm(1, 44100, 8);

std::vector<uint8_t> Scaled16(std::vector<uint8_t> data, int level) {
    double peak = 0;
    UpdatePeak(data.data(), data.size(), kPcm16, peak);
    double factor = 0;
    if (NormalizeFactor(peak, kPcm16, level, factor)) ScaleSamples(data.data(), data.size(), kPcm16, factor);
    return data;
}
}  // namespace

TEST(Normalize, WorkedExampleAt98Percent) {
    auto out = Scaled16(Samples16({-16384, 1000, 0, 16000}), 98);
    EXPECT_EQ(-32111, S16(out, 0));
    EXPECT_EQ(1959, S16(out, 1));
    EXPECT_EQ(0, S16(out, 2));
}

TEST(Normalize, FullScalePeakAt100PercentShrinksJustUnderOne) {
    auto out = Scaled16(Samples16({32767, -32768, 0, 100}), 100);
    EXPECT_EQ(32764, S16(out, 0));
    EXPECT_EQ(-32765, S16(out, 1));
}

TEST(Normalize, EightBitPeaksAndScaling) {
    std::vector<uint8_t> data = {255, 0, 128, 200};
    double peak = 0;
    UpdatePeak(data.data(), data.size(), kPcm8, peak);
    EXPECT_EQ(128, peak) << "the byte 0 is 128 from silence";
    double factor = 0;
    ASSERT_TRUE(NormalizeFactor(peak, kPcm8, 98, factor));
    ScaleSamples(data.data(), data.size(), kPcm8, factor);
    EXPECT_EQ(253, data[0]);
    EXPECT_EQ(2, data[1]);
    EXPECT_EQ(128, data[2]);

    std::vector<uint8_t> top = {255, 128};
    peak = 0;
    UpdatePeak(top.data(), top.size(), kPcm8, peak);
    EXPECT_EQ(127, peak);
}

TEST(Normalize, AttenuatesALoudFileAndAmplifiesAQuietOne) {
    auto loud = Scaled16(Samples16({30000, -20000}), 50);
    EXPECT_NEAR(16383, S16(loud, 0), 3);
    auto quiet = Scaled16(Samples16({3000, -1500}), 90);
    EXPECT_NEAR(29490, S16(quiet, 0), 12);
    EXPECT_NEAR(-14745, S16(quiet, 1), 12);
}

TEST(Normalize, SilenceAndAPeakOfOneAreLeftAlone) {
    double factor = 0;
    EXPECT_FALSE(NormalizeFactor(0, kPcm16, 98, factor));
    EXPECT_FALSE(NormalizeFactor(1, kPcm16, 98, factor));
    EXPECT_FALSE(NormalizeFactor(1, kPcm8, 98, factor));
    EXPECT_EQ(Samples16({0, 1, -1}), Scaled16(Samples16({0, 1, -1}), 98));
}

TEST(Normalize, EveryWholeSixteenBitSampleIsScaled) {
    // Three samples: a block length that is not a multiple of 4.
    auto out = Scaled16(Samples16({-16384, 1000, 1000}), 98);
    EXPECT_EQ(1959, S16(out, 2));
}

TEST(Normalize, OnlyPcmAndFloatIsTouched) {
    for (WORD bits : {8, 16, 24, 32}) EXPECT_TRUE(CanNormalize(Pcm(2, 44100, bits))) << bits << " bits";
    WAVEFORMATEX f = Pcm(2, 44100, 32);
    f.wFormatTag = WAVE_FORMAT_IEEE_FLOAT;
    EXPECT_TRUE(CanNormalize(f));
    f = Pcm(2, 44100, 16);
    f.wFormatTag = 2;  // a compressed format
    EXPECT_FALSE(CanNormalize(f));
    EXPECT_FALSE(CanNormalize(Pcm(2, 44100, 20))) << "a width no converter of ours writes";
}

namespace {
class NormalizeFileTest : public ::testing::Test {
protected:
    NormalizeFileTest()
        : env("WavoryNormalizeTest"), folder(::testing::UnitTest::GetInstance()->current_test_info()->name()) {
        out = folder.MakeDir("out");
        TestBatch().outputFolder = out.c_str();
        TestBatch().stopRequested = 0;
        TestBatch().processedCount = 0;
        TestBatch().totalCount = 1;
        env.Set(settings::kVolumeNormalize, 1);
        events.Reset();
    }
    EngineApp env;
    TestFolder folder;
    std::string out;
    CRecordingEvents& events = TestEvents();
};
}  // namespace

TEST_F(NormalizeFileTest, ConvertedFileReachesTheLevelAndHeaderStays) {
    env.Set(settings::kNormalizeValue, 50);
    std::vector<uint8_t> data = Tone16(44100 * 2, 2, 44100, 8000);
    std::string src = folder / "quiet.wav";
    ASSERT_TRUE(WriteBytes(src, CanonicalWav(Pcm(2, 44100, 16), data)));
    CTestThread thread;
    ASSERT_EQ(1, thread.ConvertFile(1, src.c_str())) << events.Text();
    WavFile w = ReadOutput(out + "\\quiet.wav");
    ASSERT_TRUE(w.ok);
    ASSERT_EQ(data.size(), w.data.size());
    EXPECT_EQ(data.size(), w.dataSize);
    EXPECT_NEAR(16383, PeakOf(w.data), 4) << "50 percent of full scale";
    EXPECT_EQ(100u, TestBatch().filePercent.load());
}

TEST_F(NormalizeFileTest, ASilentFileStaysSilent) {
    std::vector<uint8_t> data(176400, 0);
    std::string src = folder / "silent.wav";
    ASSERT_TRUE(WriteBytes(src, CanonicalWav(Pcm(2, 44100, 16), data)));
    CTestThread thread;
    ASSERT_EQ(1, thread.ConvertFile(1, src.c_str()));
    EXPECT_EQ(data, ReadOutput(out + "\\silent.wav").data);
}

TEST_F(NormalizeFileTest, ACancelDuringThePassStillScalesTheWholeFile) {
    std::vector<uint8_t> data = Tone16(44100 * 30, 1, 44100, 4000);
    std::string path = folder / "done.wav";
    ASSERT_TRUE(WriteBytes(path, CanonicalWav(Pcm(1, 44100, 16), data)));
    double peak = 0;
    UpdatePeak(data.data(), data.size(), kPcm16, peak);
    int calls = 0;
    ASSERT_EQ(NormalizeResult::kScaled,
              NormalizeFile(path.c_str(), Pcm(1, 44100, 16), peak, 98, data.size(), 80, [&](uint32_t percent) {
                  if (++calls == 1) TestBatch().stopRequested = 1;
                  EXPECT_GE(percent, 80u);
                  EXPECT_LE(percent, 100u);
              }));
    EXPECT_EQ(3, calls) << "blocks of 1 MiB: two whole ones and the rest";
    WavFile w = ReadOutput(path);
    EXPECT_NEAR(0.98 * 32768, PeakOf(w.data), 12) << "98 percent of full scale";
    int lastPeak = 0;
    for (size_t i = w.data.size() / 2 - 4410; i < w.data.size() / 2; ++i)
        lastPeak = std::max(lastPeak, std::abs(int(S16(w.data, i))));
    EXPECT_GT(lastPeak, 30000) << "the last block is scaled too";
}

// A pass that cannot read or write to the end of the data has left the file part
// scaled: that is a failure (the conversion then keeps no output), not a success.
TEST_F(NormalizeFileTest, APassThatBreaksOffMidwayFails) {
    std::vector<uint8_t> data = Tone16(44100 * 30, 1, 44100, 4000);
    std::string path = folder / "short.wav";
    ASSERT_TRUE(WriteBytes(path, CanonicalWav(Pcm(1, 44100, 16), data)));
    double peak = 0;
    UpdatePeak(data.data(), data.size(), kPcm16, peak);
    EXPECT_EQ(NormalizeResult::kFailed, NormalizeFile(path.c_str(), Pcm(1, 44100, 16), peak, 98,
                                                      data.size() + (1u << 20), 80, nullptr))
        << "a megabyte more than the file holds";
}

TEST_F(NormalizeFileTest, AFileThatCannotBeReopenedIsSkipped) {
    EXPECT_EQ(NormalizeResult::kLeftAsItWas,
              NormalizeFile((folder / "gone.wav").c_str(), Pcm(2, 44100, 16), 1000, 98, 100, 80, nullptr));
}

TEST(Normalize, TheScalingTableGivesExactlyThePerSampleArithmetic) {
    for (double factor : {1.9599256, 0.99993, -0.5, 40.0}) {
        std::vector<uint8_t> all;
        for (int32_t s = -32768; s <= 32767; ++s) Put16(all, static_cast<uint16_t>(s));
        CSampleScaler(kPcm16, factor).Scale(all.data(), all.size());
        for (int32_t s = -32768; s <= 32767; ++s)
            ASSERT_EQ(ScaleSample16(static_cast<int16_t>(s), factor), S16(all, static_cast<size_t>(s + 32768)))
                << "sample " << s << " factor " << factor;
        std::vector<uint8_t> bytes(256);
        for (int b = 0; b < 256; ++b) bytes[b] = static_cast<uint8_t>(b);
        CSampleScaler(kPcm8, factor).Scale(bytes.data(), bytes.size());
        for (int b = 0; b < 256; ++b) ASSERT_EQ(ScaleSample8(static_cast<BYTE>(b), factor), bytes[b]);
    }
}

TEST(Normalize, PeakOfTheMostNegativeSampleIsFullScale) {
    auto data = Samples16({100, -32768, 32767});
    double peak = 0;
    UpdatePeak(data.data(), data.size(), kPcm16, peak);
    EXPECT_EQ(32768, peak);
    peak = 40000;
    UpdatePeak(data.data(), data.size(), kPcm16, peak);
    EXPECT_EQ(40000, peak) << "the peak only ever rises";
}
