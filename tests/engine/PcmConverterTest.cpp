// Our PCM converter inside the ACM: its quality measured on tones, exact
// lengths, the channel and width rules, wide and float sources, and that it is
// the converter the ACM chooses.
#include <gtest/gtest.h>

#include <cmath>

#include "acmdriver/PcmConverter.h"
#include "decoders/SndStreamWinAmp.h"
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

namespace {
// The formats of one tag our converter lists, with the names the ACM gives them.
void ListFormats(WORD tag, std::vector<WAVEFORMATEX>& listed, std::vector<std::string>& names) {
    HACMDRIVER driver = nullptr;
    ASSERT_EQ(0u, acmDriverOpen(&driver, PcmConverterId(), 0));
    WAVEFORMATEX f{};
    f.wFormatTag = tag;
    ACMFORMATDETAILSA fd{};
    fd.cbStruct = sizeof(fd);
    fd.pwfx = &f;
    fd.cbwfx = sizeof(f);
    fd.dwFormatTag = tag;
    Found found{&listed, &names};
    acmFormatEnumA(driver, &fd, ListFormat, reinterpret_cast<DWORD_PTR>(&found), ACM_FORMATENUMF_WFORMATTAG);
    acmDriverClose(driver, 0);
}
}  // namespace

TEST(PcmConverter, TheChooserListsTheUsualFormats) {
    ASSERT_TRUE(InstallPcmConverter());
    ACMDRIVERDETAILSA details{};
    details.cbStruct = sizeof(details);
    ASSERT_EQ(0u, acmDriverDetailsA(PcmConverterId(), &details, 0));
    EXPECT_STREQ("Wavory PCM", details.szShortName);
    std::vector<WAVEFORMATEX> listed, floats;
    std::vector<std::string> names, floatNames;
    ListFormats(WAVE_FORMAT_PCM, listed, names);
    ListFormats(WAVE_FORMAT_IEEE_FLOAT, floats, floatNames);
    ASSERT_EQ(104u, listed.size()) << "13 rates, 8, 16, 24 and 32 bits, mono and stereo";
    ASSERT_EQ(26u, floats.size()) << "13 rates, mono and stereo";
    auto has = [](const std::vector<WAVEFORMATEX>& in, WORD tag, DWORD rate, WORD bits, WORD channels) {
        for (const auto& l : in)
            if (l.wFormatTag == tag && l.nSamplesPerSec == rate && l.wBitsPerSample == bits && l.nChannels == channels &&
                l.nBlockAlign == channels * bits / 8 && l.nAvgBytesPerSec == rate * l.nBlockAlign)
                return true;
        return false;
    };
    EXPECT_TRUE(has(listed, WAVE_FORMAT_PCM, 8000, 8, 1));
    EXPECT_TRUE(has(listed, WAVE_FORMAT_PCM, 44100, 16, 2));
    EXPECT_TRUE(has(listed, WAVE_FORMAT_PCM, 88200, 16, 2));
    EXPECT_TRUE(has(listed, WAVE_FORMAT_PCM, 96000, 24, 2));
    EXPECT_TRUE(has(listed, WAVE_FORMAT_PCM, 192000, 32, 1));
    EXPECT_TRUE(has(floats, WAVE_FORMAT_IEEE_FLOAT, 8000, 32, 1));
    EXPECT_TRUE(has(floats, WAVE_FORMAT_IEEE_FLOAT, 192000, 32, 2));
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

namespace {
// 24-bit samples: a 1 kHz tone at -6 dBFS, then both ends of the range.
std::vector<uint8_t> Sine24(size_t frames, WORD channels, DWORD rate) {
    std::vector<uint8_t> v;
    for (size_t i = 0; i < frames; ++i)
        for (WORD c = 0; c < channels; ++c)
            Put24(v, static_cast<int32_t>(std::lround(0.5 * 8388607 * std::sin(2 * kPi * 1000 * i / rate))) + c);
    Put24(v, -8388608), Put24(v, 8388607);
    if (channels == 1) Put24(v, 12345);
    return v;
}
}  // namespace

// Same width or wider: every value is kept exactly, with no dither.
TEST(PcmConverter, WideningIsExactAndUndithered) {
    std::vector<uint8_t> s16 = Sine16(5000, 2, 44100);
    Put16(s16, 0x8000), Put16(s16, 0x7FFF);
    const size_t n16 = s16.size() / 2;
    std::vector<uint8_t> to24 = Pump(Pcm(2, 44100, 16), Pcm(2, 44100, 24), s16, kAcmSourceBufferSize);
    std::vector<uint8_t> to32 = Pump(Pcm(2, 44100, 16), Pcm(2, 44100, 32), s16, kAcmSourceBufferSize);
    std::vector<uint8_t> toFloat = Pump(Pcm(2, 44100, 16), Float32(2, 44100), s16, kAcmSourceBufferSize);
    ASSERT_EQ(n16 * 3, to24.size());
    ASSERT_EQ(n16 * 4, to32.size());
    ASSERT_EQ(n16 * 4, toFloat.size());
    for (size_t i = 0; i < n16; ++i) {
        ASSERT_EQ(S16(s16, i) * 256, S24(to24, i)) << "16 to 24 bits, sample " << i;
        ASSERT_EQ(S16(s16, i) * 65536, S32(to32, i)) << "16 to 32 bits, sample " << i;
        ASSERT_EQ(S16(s16, i) / 32768.0f, F32(toFloat, i)) << "16 bits to float, sample " << i;
    }
    std::vector<uint8_t> s24 = Sine24(5000, 2, 44100);
    const size_t n24 = s24.size() / 3;
    EXPECT_EQ(s24, Pump(Pcm(2, 44100, 24), Pcm(2, 44100, 24), s24, 1001)) << "24 bits kept bit for bit";
    std::vector<uint8_t> wide = Pump(Pcm(2, 44100, 24), Pcm(2, 44100, 32), s24, kAcmSourceBufferSize);
    std::vector<uint8_t> floats = Pump(Pcm(2, 44100, 24), Float32(2, 44100), s24, kAcmSourceBufferSize);
    ASSERT_EQ(n24 * 4, wide.size());
    ASSERT_EQ(n24 * 4, floats.size());
    for (size_t i = 0; i < n24; ++i) {
        ASSERT_EQ(S24(s24, i) * 256, S32(wide, i)) << "24 to 32 bits, sample " << i;
        ASSERT_EQ(S24(s24, i) / 8388608.0f, F32(floats, i)) << "24 bits to float, sample " << i;
    }
    EXPECT_EQ(floats, Pump(Float32(2, 44100), Float32(2, 44100), floats, kAcmSourceBufferSize)) << "float kept";
    std::vector<uint8_t> mono24 = Sine24(3000, 1, 22050);
    std::vector<uint8_t> both = Pump(Pcm(1, 22050, 24), Pcm(2, 22050, 24), mono24, kAcmSourceBufferSize);
    ASSERT_EQ(mono24.size() * 2, both.size());
    for (size_t i = 0; i < mono24.size() / 3; ++i) {
        ASSERT_EQ(S24(mono24, i), S24(both, 2 * i)) << "mono to stereo copies, 24 bits";
        ASSERT_EQ(S24(mono24, i), S24(both, 2 * i + 1));
    }
}

// Narrower: rounded after TPDF noise of one target step, so a level that lies
// between two steps comes out as a mix of both (plain rounding gives one).
TEST(PcmConverter, NarrowingIsDitheredByOneStep) {
    struct Case {
        WAVEFORMATEX from, to;
        const char* what;
    };
    const Case cases[] = {{Pcm(1, 44100, 24), Pcm(1, 44100, 16), "24 to 16 bits"},
                          {Pcm(1, 44100, 32), Pcm(1, 44100, 24), "32 to 24 bits"},
                          {Float32(1, 44100), Pcm(1, 44100, 24), "float to 24 bits"},
                          {Float32(1, 44100), Pcm(1, 44100, 32), "float to 32 bits"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // 100.25 target steps, constant.
        const double level = 100.25 / std::ldexp(1.0, c.to.wBitsPerSample - 1);
        std::vector<uint8_t> in;
        for (int i = 0; i < 20000; ++i) {
            if (c.from.wFormatTag == WAVE_FORMAT_IEEE_FLOAT) {
                float f = static_cast<float>(level);
                in.insert(in.end(), reinterpret_cast<uint8_t*>(&f), reinterpret_cast<uint8_t*>(&f) + 4);
            } else if (c.from.wBitsPerSample == 24) {
                Put24(in, static_cast<int32_t>(std::lround(level * 8388608)));
            } else {
                Put32(in, static_cast<uint32_t>(std::lround(level * 2147483648.0)));
            }
        }
        std::vector<uint8_t> out = Pump(c.from, c.to, in, kAcmSourceBufferSize);
        ASSERT_EQ(20000u * c.to.nBlockAlign, out.size());
        double sum = 0;
        int low = 1 << 30, high = -(1 << 30);
        for (size_t i = 0; i < 20000; ++i) {
            int v = c.to.wBitsPerSample == 16 ? S16(out, i) : c.to.wBitsPerSample == 24 ? S24(out, i) : S32(out, i);
            sum += v, low = std::min(low, v), high = std::max(high, v);
        }
        EXPECT_GE(low, 99) << "within one step of the level";
        EXPECT_LE(high, 102);
        EXPECT_LT(low, high) << "dithered: more than one value";
        EXPECT_NEAR(100.25, sum / 20000, 0.05) << "dither keeps the mean";
    }
}

// Every new target from the 16- and 24-bit test files, read back field by field
// and sample by sample against ffmpeg's widening of the same files.
TEST_F(PcmConverterTest, EveryWideTargetFromSixteenAndTwentyFourBitFiles) {
    struct Target {
        WAVEFORMATEX format;
        const char* reference;  // ffmpeg's raw widening of the source
    };
    const Target targets[] = {{Pcm(2, 44100, 24), "s24le"}, {Pcm(2, 44100, 32), "s32le"}, {Float32(2, 44100), "f32le"}};
    env.Set(settings::kFormat, settings::kFormatStored);
    for (const char* source : {"src_stereo_44100", "s24_ext"}) {
        for (const Target& t : targets) {
            SCOPED_TRACE(std::string(source) + " to " + t.reference);
            settings::WriteStoredFormat(env.app, t.format);
            ASSERT_EQ(1, Convert(FixturePath(std::string(source) + ".wav"))) << events.Text();
            WavChunks w = ReadChunks(out + "\\" + source + ".wav");
            std::vector<uint8_t> reference = ReadBytes(FixturePath(std::string(source) + "." + t.reference + ".raw"));
            ASSERT_FALSE(reference.empty()) << "no reference file";
            ExpectExtensibleHeader(w, t.format, reference.size());
            EXPECT_TRUE(w.Data() == reference) << "the samples differ from ffmpeg's";
            DeleteFileA((out + "\\" + source + ".wav").c_str());
        }
    }
}

// A rate change into the wide formats keeps a 1 kHz tone as pure as the
// resampler makes it: far below what 16 bits could show.
TEST_F(PcmConverterTest, ResamplingIntoWideTargetsKeepsATonePure) {
    env.Set(settings::kFormat, settings::kFormatStored);
    for (const WAVEFORMATEX& target : {Pcm(2, 48000, 24), Pcm(1, 96000, 32), Float32(2, 48000)}) {
        SCOPED_TRACE(std::to_string(target.nSamplesPerSec) + " Hz, " + std::to_string(target.wBitsPerSample) + " bits" +
                     (target.wFormatTag == WAVE_FORMAT_IEEE_FLOAT ? " float" : ""));
        settings::WriteStoredFormat(env.app, target);
        ASSERT_EQ(1, Convert(FixturePath("s24_ext.wav"))) << events.Text();
        WavChunks w = ReadChunks(out + "\\s24_ext.wav");
        std::vector<uint8_t> data = w.Data();
        ExpectExtensibleHeader(w, target, data.size());
        const size_t frames = data.size() / target.nBlockAlign;
        EXPECT_EQ((2 * 44100ull * target.nSamplesPerSec + 22050) / 44100, frames) << "two seconds, exactly";
        std::vector<double> left;
        for (size_t i = 0; i < frames; ++i) {
            size_t at = i * target.nChannels;
            left.push_back(target.wFormatTag == WAVE_FORMAT_IEEE_FLOAT ? F32(data, at)
                           : target.wBitsPerSample == 24               ? S24(data, at) / 8388608.0
                                                                       : S32(data, at) / 2147483648.0);
        }
        double thdn = ThdN(left, target.nSamplesPerSec, 1000);
        EXPECT_LT(thdn, -110.0);
        DeleteFileA((out + "\\s24_ext.wav").c_str());
        RecordProperty("thdn_" + std::to_string(target.nSamplesPerSec) + "_" + std::to_string(target.wBitsPerSample) +
                           (target.wFormatTag == WAVE_FORMAT_IEEE_FLOAT ? "f" : ""),
                       std::to_string(thdn));
    }
}

// "Closest to original format" takes wide and float files as they are.
TEST_F(PcmConverterTest, TheOriginalFormatKeepsWideAndFloatFilesBitForBit) {
    env.Set(settings::kFormat, settings::kFormatOriginal);
    for (const char* name : {"s24_ext", "s32_ext", "float_ext", "float_mono"}) {
        SCOPED_TRACE(name);
        WavChunks source = ReadChunks(FixturePath(std::string(name) + ".wav"));
        ASSERT_TRUE(source.ok);
        WAVEFORMATEX f{};
        memcpy(&f, &source.bytes[source.Find("fmt ")->body], 16);
        f.cbSize = 0;
        if (f.wFormatTag == WAVE_FORMAT_EXTENSIBLE) f.wFormatTag = source.U16(source.Find("fmt ")->body + 24);
        ASSERT_EQ(1, Convert(FixturePath(std::string(name) + ".wav"))) << events.Text();
        WavChunks w = ReadChunks(out + "\\" + name + ".wav");
        ExpectExtensibleHeader(w, f, source.Data().size());
        EXPECT_TRUE(w.Data() == source.Data()) << "the samples changed";
    }
}

// A decoded source reaches the wide targets unchanged: its 16 bits, widened.
// (Two decodes of one WMA file by Wine's runtime need not start on the same
// sample, so there the level is compared, not each sample.)
TEST_F(PcmConverterTest, Mp3AndWmaSourcesIntoWideTargets) {
    struct Case {
        const char* name;
        WAVEFORMATEX target;
        bool sampleExact;
    };
    ASSERT_EQ(1, SndStream().LoadPlugins()) << "mjm.dll beside the test";
    for (const Case& c : {Case{"cbr128.mp3", Pcm(2, 44100, 24), true},
                          Case{"wmav2_stereo_44100.wma", Float32(2, 44100), false}}) {
        SCOPED_TRACE(c.name);
        env.Set(settings::kFormat, settings::kFormatCd);
        WavFile cd = ConvertToWav(FixturePath(c.name));
        ASSERT_TRUE(cd.ok);
        std::string output = out + "\\" + std::string(c.name).substr(0, std::string(c.name).rfind('.')) + ".wav";
        DeleteFileA(output.c_str());
        env.Set(settings::kFormat, settings::kFormatStored);
        settings::WriteStoredFormat(env.app, c.target);
        ASSERT_EQ(1, Convert(FixturePath(c.name))) << events.Text();
        WavChunks w = ReadChunks(output);
        std::vector<uint8_t> data = w.Data();
        ExpectExtensibleHeader(w, c.target, data.size());
        const size_t samples = cd.data.size() / 2;
        ASSERT_EQ(samples * c.target.wBitsPerSample / 8, data.size()) << "as many samples as the CD output";
        double cdPower = 0, widePower = 0;
        for (size_t i = 0; i < samples; ++i) {
            double narrow = S16(cd.data, i) / 32768.0;
            double wide = c.target.wFormatTag == WAVE_FORMAT_IEEE_FLOAT ? F32(data, i) : S24(data, i) / 8388608.0;
            if (c.sampleExact) {
                ASSERT_EQ(narrow, wide) << "sample " << i;
            }
            cdPower += narrow * narrow, widePower += wide * wide;
        }
        EXPECT_NEAR(1.0, widePower / cdPower, 0.01) << "the same level";
    }
    SndStream().UnloadPlugins();
}
