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

// The same rule at every width: one step off the integer peak, the factor
// 0.9999 of the level, truncation toward zero, limits at full scale.
TEST(Normalize, WideIntegerPeaksAndScaling) {
    const WAVEFORMATEX pcm24 = Pcm(1, 44100, 24), pcm32 = Pcm(1, 44100, 32);
    std::vector<uint8_t> d24;
    for (int32_t s : {-4194304, 1000, 0, 4000000}) Put24(d24, s);
    double peak = 0, factor = 0;
    UpdatePeak(d24.data(), d24.size(), pcm24, peak);
    EXPECT_EQ(4194304, peak);
    ASSERT_TRUE(NormalizeFactor(peak, pcm24, 98, factor));
    EXPECT_DOUBLE_EQ(98 / (4194303 * 100.0 / 8388608) * 0.9999, factor);
    ScaleSamples(d24.data(), d24.size(), pcm24, factor);
    EXPECT_EQ(static_cast<int32_t>(-4194304 * factor), S24(d24, 0));
    EXPECT_NEAR(-0.98 * 8388608, S24(d24, 0), 900) << "98 percent of full scale";
    EXPECT_EQ(static_cast<int32_t>(1000 * factor), S24(d24, 1));
    EXPECT_EQ(0, S24(d24, 2));
    EXPECT_EQ(8388607, ScaleSampleWide(8000000, 1.5, 24)) << "held at the top";
    EXPECT_EQ(-8388608, ScaleSampleWide(-8000000, 1.5, 24));

    std::vector<uint8_t> d32;
    for (int64_t s : {int64_t(INT32_MIN), int64_t(5), int64_t(INT32_MAX)}) Put32(d32, static_cast<uint32_t>(s));
    peak = 0;
    UpdatePeak(d32.data(), d32.size(), pcm32, peak);
    EXPECT_EQ(2147483648.0, peak) << "the most negative sample is full scale";
    ASSERT_TRUE(NormalizeFactor(peak, pcm32, 100, factor));
    ScaleSamples(d32.data(), d32.size(), pcm32, factor);
    EXPECT_EQ(static_cast<int32_t>(INT32_MIN * factor), S32(d32, 0));
    EXPECT_GT(S32(d32, 0), INT32_MIN) << "just under one shrinks it";
    EXPECT_EQ(static_cast<int32_t>(INT32_MAX * factor), S32(d32, 2));
    EXPECT_FALSE(NormalizeFactor(1, pcm24, 98, factor)) << "a peak of one step is silence";
}

// Float has no steps and no ceiling: it is multiplied, nothing more.
TEST(Normalize, FloatIsScaledWithoutClippingOrRounding) {
    const WAVEFORMATEX f = Float32(1, 48000);
    auto floats = [](std::initializer_list<float> values) {
        std::vector<uint8_t> v;
        for (float x : values) v.insert(v.end(), reinterpret_cast<uint8_t*>(&x), reinterpret_cast<uint8_t*>(&x) + 4);
        return v;
    };
    const float nan = std::nanf("");
    std::vector<uint8_t> loud = floats({-1.5f, 0.75f, 1e-7f, nan});
    double peak = 0, factor = 0;
    UpdatePeak(loud.data(), loud.size(), f, peak);
    EXPECT_EQ(1.5, peak) << "past full scale counts; no number does not";
    ASSERT_TRUE(NormalizeFactor(peak, f, 98, factor));
    EXPECT_DOUBLE_EQ(98 / 150.0 * 0.9999, factor);
    ScaleSamples(loud.data(), loud.size(), f, factor);
    EXPECT_EQ(static_cast<float>(-1.5f * factor), F32(loud, 0));
    EXPECT_EQ(static_cast<float>(1e-7f * factor), F32(loud, 2)) << "far below any integer step, kept";
    EXPECT_TRUE(std::isnan(F32(loud, 3)));
    std::vector<uint8_t> quiet = floats({0.25f, -0.125f});
    peak = 0;
    UpdatePeak(quiet.data(), quiet.size(), f, peak);
    ASSERT_TRUE(NormalizeFactor(peak, f, 100, factor));
    ScaleSamples(quiet.data(), quiet.size(), f, factor);
    EXPECT_FLOAT_EQ(0.9999f, F32(quiet, 0)) << "amplified to the level";
    EXPECT_FALSE(NormalizeFactor(0, f, 98, factor)) << "silence";
}

// A whole file of each width through the conversion and the pass.
TEST_F(NormalizeFileTest, EachWidthReachesTheLevel) {
    env.Set(settings::kNormalizeValue, 50);
    env.Set(settings::kFormat, settings::kFormatStored);
    std::string src = folder / "quiet.wav";
    ASSERT_TRUE(WriteBytes(src, CanonicalWav(Pcm(2, 44100, 16), Tone16(44100 * 2, 2, 44100, 8000))));
    for (const WAVEFORMATEX& target : {Pcm(2, 44100, 24), Pcm(1, 48000, 32), Float32(2, 96000)}) {
        SCOPED_TRACE(std::to_string(target.wBitsPerSample) + (target.wFormatTag == 3 ? " bits float" : " bits"));
        settings::WriteStoredFormat(env.app, target);
        CTestThread thread;
        ASSERT_EQ(1, thread.ConvertFile(1, src.c_str())) << events.Text();
        std::vector<uint8_t> data = ReadChunks(out + "\\quiet.wav").Data();
        ASSERT_EQ(2 * target.nAvgBytesPerSec, data.size());
        double top = 0;
        for (size_t i = 0; i < data.size() / (target.wBitsPerSample / 8); ++i) {
            double v = target.wFormatTag == WAVE_FORMAT_IEEE_FLOAT ? F32(data, i)
                       : target.wBitsPerSample == 24               ? S24(data, i) / 8388608.0
                                                                   : S32(data, i) / 2147483648.0;
            top = std::max(top, std::fabs(v));
        }
        EXPECT_NEAR(0.5, top, 0.0002) << "50 percent of full scale";
        DeleteFileA((out + "\\quiet.wav").c_str());
    }
}
