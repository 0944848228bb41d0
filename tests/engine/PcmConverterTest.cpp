// Our PCM converter inside the ACM: its quality measured on tones, exact
// lengths, the channel and width rules, wide and float sources, and that it is
// the converter the ACM chooses.
#include <gtest/gtest.h>

#include <cmath>

#include "acmdriver/PcmConverter.h"
#include "engine/BatchState.h"
#include "engine/DecodeThread.h"
#include "engine/PathRules.h"
#include "engine/WavHeader.h"
#include "tests/engine/AcmPump.h"
#include "tests/engine/ConversionTest.h"

using namespace fixtures;

namespace {
const double kPi = 3.14159265358979323846;

std::vector<double> Channel(const std::vector<uint8_t>& pcm16, int channels, int channel) {
    std::vector<double> v;
    for (size_t i = channel; i < pcm16.size() / 2; i += channels) v.push_back(S16(pcm16, i) / 32768.0);
    return v;
}

// THD+N of a tone of known frequency: everything that is not the best-fitting
// sine (and DC), against that sine, in dB. The first and last tenth are left out.
double ThdN(const std::vector<double>& x, double rate, double hz) {
    size_t from = x.size() / 10, to = x.size() - x.size() / 10;
    double ss = 0, sc = 0, cc = 0, xs = 0, xc = 0, sum = 0;
    for (size_t i = from; i < to; ++i) {
        double s = std::sin(2 * kPi * hz * i / rate), c = std::cos(2 * kPi * hz * i / rate);
        ss += s * s, sc += s * c, cc += c * c, xs += x[i] * s, xc += x[i] * c, sum += x[i];
    }
    double det = ss * cc - sc * sc, a = (xs * cc - xc * sc) / det, b = (xc * ss - xs * sc) / det;
    double dc = sum / static_cast<double>(to - from), signal = 0, noise = 0;
    for (size_t i = from; i < to; ++i) {
        double fit = a * std::sin(2 * kPi * hz * i / rate) + b * std::cos(2 * kPi * hz * i / rate);
        signal += fit * fit;
        double e = x[i] - fit - dc;
        noise += e * e;
    }
    return 10 * std::log10(noise / signal);
}

// Level of one frequency (Hann window), in dB of full scale.
double LevelDb(const std::vector<double>& x, double rate, double hz) {
    double re = 0, im = 0, weight = 0;
    for (size_t i = 0; i < x.size(); ++i) {
        double w = 0.5 - 0.5 * std::cos(2 * kPi * i / (x.size() - 1));
        re += w * x[i] * std::cos(2 * kPi * hz * i / rate);
        im += w * x[i] * std::sin(2 * kPi * hz * i / rate);
        weight += w;
    }
    return 20 * std::log10(2 * std::sqrt(re * re + im * im) / weight + 1e-30);
}

std::vector<uint8_t> Sine16(size_t frames, WORD channels, DWORD rate, double amplitude = 0.5, double hz = 1000) {
    return Tone16(frames, channels, rate, amplitude * 32767, hz);
}

struct Found {
    std::vector<WAVEFORMATEX>* formats;
    std::vector<std::string>* names;
};
BOOL CALLBACK ListFormat(HACMDRIVERID, LPACMFORMATDETAILSA d, DWORD_PTR user, DWORD) {
    auto* f = reinterpret_cast<Found*>(user);
    f->formats->push_back(*d->pwfx);
    f->names->push_back(d->szFormat);
    return TRUE;
}

class PcmConverterTest : public ConversionTest {
protected:
    PcmConverterTest() : ConversionTest("WavoryPcmTest") {}
    // Converts a file into the output folder with the current settings.
    WavFile ConvertToWav(const std::string& source) {
        EXPECT_EQ(1, Convert(source)) << events.Text();
        return OutputOf(source);
    }
    std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) {
        std::string path = in + "\\" + name;
        EXPECT_TRUE(WriteBytes(path, bytes));
        return path;
    }
};
}  // namespace

TEST_F(PcmConverterTest, ResamplingKeepsATonePure) {
    WavFile down = ConvertToWav(Write("s48.wav", CanonicalWav(Pcm(2, 48000, 16), Sine16(48000 * 3, 2, 48000))));
    ASSERT_TRUE(down.ok);
    EXPECT_EQ(44100u, down.format.nSamplesPerSec);
    for (int c = 0; c < 2; ++c) EXPECT_LT(ThdN(Channel(down.data, 2, c), 44100, 1000), -85.0) << "48 to 44.1 kHz";
    RecordProperty("thdn_48_to_44", std::to_string(ThdN(Channel(down.data, 2, 0), 44100, 1000)));

    env.Set(settings::kFormat, settings::kFormatStored);
    settings::WriteStoredFormat(env.app, Pcm(2, 48000, 16));
    WavFile up = ConvertToWav(Write("s44.wav", CanonicalWav(Pcm(2, 44100, 16), Sine16(44100 * 3, 2, 44100))));
    ASSERT_TRUE(up.ok);
    EXPECT_EQ(48000u, up.format.nSamplesPerSec);
    for (int c = 0; c < 2; ++c) EXPECT_LT(ThdN(Channel(up.data, 2, c), 48000, 1000), -85.0) << "44.1 to 48 kHz";
    RecordProperty("thdn_44_to_48", std::to_string(ThdN(Channel(up.data, 2, 0), 48000, 1000)));
}

TEST_F(PcmConverterTest, UpsamplingLeavesNoImage) {
    WavFile w = ConvertToWav(Write("s22.wav", CanonicalWav(Pcm(1, 22050, 16), Sine16(22050 * 3, 1, 22050))));
    ASSERT_TRUE(w.ok);
    std::vector<double> left = Channel(w.data, 2, 0);
    double tone = LevelDb(left, 44100, 1000), image = LevelDb(left, 44100, 22050 - 1000);
    EXPECT_LT(image - tone, -70.0) << "the mirror of 1 kHz at 21.05 kHz";
    RecordProperty("image_dbc", std::to_string(image - tone));
    EXPECT_EQ(Channel(w.data, 2, 0), Channel(w.data, 2, 1)) << "mono copied to both channels";
}

TEST_F(PcmConverterTest, StreamedOutputMatchesSoxsOneShotResample) {
    WavFile ours = ConvertToWav(FixturePath("sine48.wav"));
    std::vector<uint8_t> sox = ReadBytes(FixturePath("sine48_sox44100.wav"));
    ASSERT_TRUE(ours.ok);
    ASSERT_GT(sox.size(), 44u);
    sox.erase(sox.begin(), sox.begin() + 44);
    EXPECT_EQ(sox.size(), ours.data.size());
    // Two good resamplers differ by their filters' rounding only; a click or a
    // lost or doubled sample at a block boundary would stand far out.
    int worst = 0;
    for (size_t i = 0; i < std::min(sox.size(), ours.data.size()) / 2; ++i)
        worst = std::max(worst, std::abs(S16(sox, i) - S16(ours.data, i)));
    EXPECT_LE(worst, 8);
    RecordProperty("worst_lsb_vs_sox", worst);
}

TEST_F(PcmConverterTest, APartialFrameAtTheEndLosesNoHeldBackSamples) {
    // Exactly one source block, then half a frame that a read delivers alone.
    std::vector<uint8_t> data = Sine16(44100, 2, 48000);
    data.push_back(0x11);
    data.push_back(0x22);
    WavFile w = ConvertToWav(Write("odd.wav", CanonicalWav(Pcm(2, 48000, 16), data)));
    ASSERT_TRUE(w.ok);
    EXPECT_EQ((44100ull * 44100 + 24000) / 48000 * 4, w.data.size());
}

TEST(PcmConverter, BlockSizesDoNotChangeTheResult) {
    std::vector<uint8_t> data = Sine16(48000 * 2 + 77, 2, 48000);
    WAVEFORMATEX from = Pcm(2, 48000, 16), to = Pcm(2, 44100, 16);
    std::vector<uint8_t> big = Pump(from, to, data, kAcmSourceBufferSize);
    EXPECT_EQ(big, Pump(from, to, data, 8200)) << "the decoder's block size";
    EXPECT_EQ(big, Pump(from, to, data, 1001)) << "blocks that split frames";
}

TEST(PcmConverter, LengthIsExactlyTheRatioOfTheRates) {
    const DWORD pairs[][2] = {{48000, 44100}, {44100, 48000}, {22050, 44100}, {44100, 22050},
                              {8000, 44100},  {44100, 8000},  {96000, 44100}, {11025, 48000}};
    const size_t lengths[] = {1, 999, 44100, 2 * 44100, 123457};  // 44100 frames: exactly one 176400-byte block
    for (const auto& pair : pairs)
        for (size_t frames : lengths) {
            SCOPED_TRACE(std::to_string(pair[0]) + " to " + std::to_string(pair[1]) + ", " + std::to_string(frames));
            std::vector<uint8_t> out = Pump(Pcm(2, pair[0], 16), Pcm(2, pair[1], 16), Sine16(frames, 2, pair[0]),
                                            kAcmSourceBufferSize);
            uint64_t expected = (frames * uint64_t(pair[1]) + pair[0] / 2) / pair[0];
            EXPECT_EQ(expected * 4, out.size());
        }
}

TEST(PcmConverter, ChannelsAndWidths) {
    std::vector<uint8_t> mono = Sine16(5000, 1, 44100), stereo = Tone16(5000, 2, 44100, 20000, 700);
    std::vector<uint8_t> both = Pump(Pcm(1, 44100, 16), Pcm(2, 44100, 16), mono, kAcmSourceBufferSize);
    ASSERT_EQ(mono.size() * 2, both.size());
    for (size_t i = 0; i < 5000; ++i) {
        ASSERT_EQ(S16(mono, i), S16(both, 2 * i)) << "mono to stereo copies";
        ASSERT_EQ(S16(mono, i), S16(both, 2 * i + 1));
    }
    std::vector<uint8_t> one = Pump(Pcm(2, 44100, 16), Pcm(1, 44100, 16), stereo, kAcmSourceBufferSize);
    ASSERT_EQ(stereo.size() / 2, one.size());
    for (size_t i = 0; i < 5000; ++i)
        ASSERT_LE(std::abs((S16(stereo, 2 * i) + S16(stereo, 2 * i + 1)) / 2.0 - S16(one, i)), 0.5)
            << "stereo to mono averages";

    std::vector<uint8_t> eight(3000);
    for (size_t i = 0; i < eight.size(); ++i) eight[i] = static_cast<uint8_t>(i * 7);
    std::vector<uint8_t> wide = Pump(Pcm(1, 22050, 8), Pcm(1, 22050, 16), eight, kAcmSourceBufferSize);
    ASSERT_EQ(6000u, wide.size());
    for (size_t i = 0; i < eight.size(); ++i) ASSERT_EQ((eight[i] - 128) * 256, S16(wide, i)) << "8 to 16 bits is exact";
    std::vector<uint8_t> narrow = Pump(Pcm(1, 22050, 16), Pcm(1, 22050, 8), mono, kAcmSourceBufferSize);
    ASSERT_EQ(5000u, narrow.size());
    for (size_t i = 0; i < 5000; ++i)
        ASSERT_LE(std::abs(S16(mono, i) / 256.0 + 128 - narrow[i]), 1.5) << "16 to 8 bits, dithered by one step";
}

TEST(PcmConverter, TheAcmChoosesOurConverterForPcmOnly) {
    ASSERT_TRUE(InstallPcmConverter());
    ASSERT_NE(nullptr, PcmConverterId());
    const WAVEFORMATEX formats[] = {Pcm(2, 44100, 16), Pcm(1, 22050, 8), Pcm(2, 48000, 16), Pcm(1, 96000, 16)};
    for (const WAVEFORMATEX& from : formats)
        for (const WAVEFORMATEX& to : formats) {
            HACMDRIVERID driver = nullptr;
            Pump(from, to, std::vector<uint8_t>(4000, 0), kAcmSourceBufferSize, &driver);
            EXPECT_EQ(PcmConverterId(), driver) << from.nSamplesPerSec << " to " << to.nSamplesPerSec;
        }
    // A compressed target is left to the driver that makes it.
    IMAADPCMWAVEFORMAT ima{};
    ima.wfx.wFormatTag = WAVE_FORMAT_IMA_ADPCM;
    ima.wfx.nChannels = 1;
    ima.wfx.nSamplesPerSec = 22050;
    ima.wfx.nBlockAlign = 512;
    ima.wfx.wBitsPerSample = 4;
    ima.wfx.cbSize = 2;
    ima.wSamplesPerBlock = 1017;
    ima.wfx.nAvgBytesPerSec = 22050 * 512 / 1017;
    WAVEFORMATEX pcm = Pcm(1, 22050, 16);
    HACMSTREAM stream = nullptr;
    if (acmStreamOpen(&stream, nullptr, &pcm, &ima.wfx, nullptr, 0, 0, ACM_STREAMOPENF_NONREALTIME) != 0)
        GTEST_SKIP() << "no IMA ADPCM driver on this system";
    HACMDRIVERID driver = nullptr;
    acmDriverID(reinterpret_cast<HACMOBJ>(stream), &driver, 0);
    EXPECT_NE(PcmConverterId(), driver);
    acmStreamClose(stream, 0);
}

TEST(PcmConverter, TheChooserListsTheUsualFormats) {
    ASSERT_TRUE(InstallPcmConverter());
    HACMDRIVER driver = nullptr;
    ASSERT_EQ(0u, acmDriverOpen(&driver, PcmConverterId(), 0));
    ACMDRIVERDETAILSA details{};
    details.cbStruct = sizeof(details);
    ASSERT_EQ(0u, acmDriverDetailsA(PcmConverterId(), &details, 0));
    EXPECT_STREQ("Wavory PCM", details.szShortName);
    WAVEFORMATEX f{};
    ACMFORMATDETAILSA fd{};
    fd.cbStruct = sizeof(fd);
    fd.pwfx = &f;
    fd.cbwfx = sizeof(f);
    fd.dwFormatTag = WAVE_FORMAT_PCM;
    std::vector<WAVEFORMATEX> listed;
    std::vector<std::string> names;
    Found found{&listed, &names};
    acmFormatEnumA(
        driver, &fd,
        ListFormat,
        reinterpret_cast<DWORD_PTR>(&found), 0);
    acmDriverClose(driver, 0);
    ASSERT_EQ(44u, listed.size()) << "11 rates, 8 and 16 bits, mono and stereo";
    auto has = [&](DWORD rate, WORD bits, WORD channels) {
        for (const auto& l : listed)
            if (l.nSamplesPerSec == rate && l.wBitsPerSample == bits && l.nChannels == channels) return true;
        return false;
    };
    EXPECT_TRUE(has(8000, 8, 1));
    EXPECT_TRUE(has(44100, 16, 2));
    EXPECT_TRUE(has(88200, 16, 2));
    EXPECT_TRUE(has(96000, 8, 1));
    for (const auto& n : names) EXPECT_FALSE(n.empty()) << "the ACM names every format";
    RecordProperty("first_format_name", names.front());
}

TEST(WavFormat, ExtensibleHeadersStandForTheirBaseFormat) {
    auto body = [](uint16_t sub, bool guidTail) {
        std::vector<uint8_t> b = FmtBody(Pcm(2, 44100, 24));
        b[0] = 0xFE, b[1] = 0xFF;
        Put16(b, 22), Put16(b, 24), Put32(b, 3), Put16(b, sub);
        const uint8_t tail[14] = {0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71};
        b.insert(b.end(), tail, tail + 14);
        if (!guidTail) b.back() = 0;
        return b;
    };
    EXPECT_EQ(WAVE_FORMAT_PCM, BaseFormatTag(body(1, true).data(), 40));
    EXPECT_EQ(WAVE_FORMAT_IEEE_FLOAT, BaseFormatTag(body(3, true).data(), 40));
    EXPECT_EQ(WAVE_FORMAT_EXTENSIBLE, BaseFormatTag(body(1, false).data(), 40)) << "another sub-format GUID";
    EXPECT_EQ(WAVE_FORMAT_EXTENSIBLE, BaseFormatTag(body(1, true).data(), 16)) << "no room for a sub-format";
    EXPECT_EQ(WAVE_FORMAT_PCM, BaseFormatTag(FmtBody(Pcm(2, 44100, 16)).data(), 16));
}

TEST_F(PcmConverterTest, WideAndFloatSourcesBecomeCdFormat) {
    // A 24-bit and a float file with plain headers, made here; extensible ones made by sox and ffmpeg.
    std::vector<uint8_t> s24, f32;
    for (size_t i = 0; i < 2 * 88200; ++i) {
        double v = 0.5 * std::sin(2 * kPi * 1000 * (i / 2) / 44100.0);
        int32_t x = static_cast<int32_t>(std::lround(v * 8388607));
        for (int k = 0; k < 3; ++k) s24.push_back(static_cast<uint8_t>(x >> (8 * k)));
        float f = static_cast<float>(v);
        uint8_t bytes[4];
        memcpy(bytes, &f, 4);
        f32.insert(f32.end(), bytes, bytes + 4);
    }
    WAVEFORMATEX floatFormat = Pcm(2, 44100, 32);
    floatFormat.wFormatTag = WAVE_FORMAT_IEEE_FLOAT;
    std::vector<std::string> sources = {Write("plain24.wav", CanonicalWav(Pcm(2, 44100, 24), s24)),
                                        Write("plainfloat.wav", CanonicalWav(floatFormat, f32)),
                                        FixturePath("s24_ext.wav"), FixturePath("s32_ext.wav"), FixturePath("float_ext.wav"),
                                        FixturePath("float_mono.wav")};
    for (const std::string& source : sources) {
        SCOPED_TRACE(source);
        WavFile w = ConvertToWav(source);
        ASSERT_TRUE(w.ok);
        EXPECT_EQ(2, w.format.nChannels);
        EXPECT_EQ(16, w.format.wBitsPerSample);
        EXPECT_EQ(2 * 176400u, w.data.size());
        // Dithered to 16 bits: the noise floor of 16-bit sound, nothing more.
        EXPECT_LT(ThdN(Channel(w.data, 2, 0), 44100, 1000), -80.0);
    }
}
