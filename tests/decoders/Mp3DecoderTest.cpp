// Our decoder library end to end: MP3 files made by lame and ffmpeg, converted
// through the engine, against the source WAVs and ffmpeg's (gapless) decodes.
#include <gtest/gtest.h>

#include <windows.h>
#include <tlhelp32.h>

#include <cmath>
#include <random>
#include <thread>

#include "decoders/SndStreamWinAmp.h"
#include "engine/BatchState.h"
#include "engine/DecodeThread.h"
#include "engine/PathRules.h"
#include "tests/engine/ConversionTest.h"

using namespace fixtures;

namespace {
std::vector<uint8_t> WavData(const std::string& path) {
    std::vector<uint8_t> b = ReadBytes(path);
    return b.size() > 44 ? std::vector<uint8_t>(b.begin() + 44, b.end()) : std::vector<uint8_t>();
}

struct Difference {
    int maxLsb = 0;
    double snrDb = 0;
};
Difference Compare(const std::vector<uint8_t>& ours, const std::vector<uint8_t>& reference) {
    Difference d;
    double signal = 0, noise = 0;
    size_t samples = std::min(ours.size(), reference.size()) / 2;
    for (size_t i = 0; i < samples; ++i) {
        double r = S16(reference, i), e = S16(ours, i) - r;
        signal += r * r;
        noise += e * e;
        d.maxLsb = std::max(d.maxLsb, static_cast<int>(std::fabs(e)));
    }
    d.snrDb = noise == 0 ? 200.0 : 10 * std::log10(signal / noise);
    return d;
}

DWORD ThreadCount() {
    DWORD count = 0;
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 t{};
    t.dwSize = sizeof(t);
    for (BOOL ok = Thread32First(snap, &t); ok; ok = Thread32Next(snap, &t))
        if (t.th32OwnerProcessID == GetCurrentProcessId()) ++count;
    CloseHandle(snap);
    return count;
}

class Mp3Test : public ConversionTest {
protected:
    Mp3Test() : ConversionTest("WavoryMp3Test") {}
    static void SetUpTestSuite() {
        ASSERT_EQ(1, SndStream().LoadPlugins()) << "mjm.dll beside the test";
    }
    static void TearDownTestSuite() {
        SndStream().UnloadPlugins();
    }
    // The fixture converted with "Format" 1 (the decoder's own format, untouched).
    WavFile ConvertOriginal(const std::string& name) {
        env.Set(settings::kFormat, settings::kFormatOriginal);
        EXPECT_EQ(1, Convert(FixturePath(name + ".mp3"))) << events.Text();
        return ReadOutput(out + "\\" + name + ".wav");
    }
    // All PCM of a file straight from the host; false when Open refused it.
    static bool DecodeDirect(const std::string& path, std::vector<uint8_t>* pcm = nullptr) {
        CMp3StreamLease host = SndStream().Acquire([] { return true; });
        bool opened = host && host->Open(path.c_str()) != FALSE;
        if (opened) {
            BYTE block[9000];
            for (DWORD n; (n = host->Read(block, sizeof(block))) > 0;)
                if (pcm) pcm->insert(pcm->end(), block, block + n);
        }
        return opened;
    }
};

struct Encoding {
    const char* name;
    const char* source;
    WORD channels;
    DWORD rate;
};
const Encoding kEncodings[] = {
    {"cbr128", "src_stereo_44100", 2, 44100},    {"cbr320", "src_stereo_44100", 2, 44100},
    {"vbr", "src_stereo_44100", 2, 44100},       {"ffmpeg192", "src_stereo_44100", 2, 44100},
    {"mono", "src_mono_44100", 1, 44100},        {"mpeg2_22050", "src_mono_22050", 1, 22050},
    {"mpeg25_8000", "src_mono_8000", 1, 8000},
};
}  // namespace

// Sample-exact: the encoder's delay and padding are gone, so the output has the
// source's length and lines up with it at offset 0. Two float decoders of the
// same frames differ only in rounding: at most a couple of LSB, SNR far above 90 dB.
TEST_F(Mp3Test, EveryEncodingDecodesToTheSourceLengthAndMatchesTheReference) {
    for (const Encoding& e : kEncodings) {
        SCOPED_TRACE(e.name);
        WavFile w = ConvertOriginal(e.name);
        ASSERT_TRUE(w.ok);
        EXPECT_EQ(e.channels, w.format.nChannels);
        EXPECT_EQ(e.rate, w.format.nSamplesPerSec);
        EXPECT_EQ(16, w.format.wBitsPerSample);
        std::vector<uint8_t> source = WavData(FixturePath(std::string(e.source) + ".wav"));
        EXPECT_EQ(source.size(), w.data.size()) << "the source's length, to the sample";
        Difference vsSource = Compare(w.data, source);
        EXPECT_GT(vsSource.snrDb, 20.0) << "aligned with the source at offset 0 (lossy, so only roughly equal)";
        std::vector<uint8_t> reference = ReadBytes(FixturePath(std::string(e.name) + ".ref.raw"));
        if (reference.size() == w.data.size()) {
            Difference d = Compare(w.data, reference);
            EXPECT_LE(d.maxLsb, 2);
            EXPECT_GT(d.snrDb, 90.0);
            RecordProperty(std::string(e.name) + "_vs_ffmpeg", std::to_string(d.maxLsb) + " LSB, " +
                                                                 std::to_string(d.snrDb) + " dB");
        }
    }
}

// The host hands the library UTF-8; the library opens it with the wide call,
// also past MAX_PATH, and still understands an older host's ANSI name.
TEST_F(Mp3Test, NamesOfAnyScriptAndDeepFoldersReachTheLibraryWhole) {
    std::string deep = in;
    for (int level = 0; level < 3; ++level) {
        deep += "\\" + std::string(90, 'm') + "\xE9\x9F\xB3\xE6\xA5\xBD";
        ASSERT_TRUE(CreateDirectoryW(TestPath(deep).c_str(), nullptr)) << deep;
    }
    const std::string name = "\xF0\x9F\x8E\xB5 \xE3\x82\xBD";
    ASSERT_TRUE(CopyFileW(TestPath(FixturePath("cbr128.mp3")).c_str(), TestPath(deep + "\\" + name + ".mp3").c_str(), FALSE));
    WavFile reference = ConvertOriginal("cbr128");
    ASSERT_EQ(1, Convert(deep + "\\" + name + ".mp3")) << events.Text();
    WavFile w = ReadOutput(out + "\\" + name + ".wav");
    EXPECT_TRUE(w.ok && w.data == reference.data) << "the library decoded another file, or nothing";
    if (GetACP() != 1252) return;  // the ANSI name below is one of code page 1252
    std::string ansi = in + "\\Caf\xE9.mp3";
    ASSERT_TRUE(CopyFileA(FixturePath("cbr128.mp3").c_str(), ansi.c_str(), FALSE));
    std::vector<uint8_t> pcm;
    EXPECT_TRUE(DecodeDirect(ansi, &pcm));
    EXPECT_EQ(reference.data.size(), pcm.size());
}

TEST_F(Mp3Test, TagsAreSkippedNotHeard) {
    WavFile tagged = ConvertOriginal("tagged");
    WavFile plain = ConvertOriginal("cbr128");
    ASSERT_TRUE(tagged.ok && plain.ok);
    EXPECT_EQ(plain.data, tagged.data) << "a 1 MB picture in front, APE and ID3v1 behind";
}

// Junk that a tag editor left before the first frame is skipped, not refused.
TEST_F(Mp3Test, JunkBeforeTheFirstFrameIsSkipped) {
    WavFile plain = ConvertOriginal("cbr128");
    ASSERT_TRUE(plain.ok);
    std::mt19937 random(5);
    for (size_t junkBytes : {size_t{65536}, size_t{300000}}) {
        std::vector<uint8_t> bytes(junkBytes);
        for (uint8_t& b : bytes) b = static_cast<uint8_t>(random() % 0xFF);  // never a frame's sync byte
        std::vector<uint8_t> mp3 = ReadBytes(FixturePath("cbr128.mp3"));
        bytes.insert(bytes.end(), mp3.begin(), mp3.end());
        std::string name = "junk" + std::to_string(junkBytes);
        ASSERT_TRUE(WriteBytes(in + "\\" + name + ".mp3", bytes));
        ASSERT_EQ(1, Convert(in + "\\" + name + ".mp3")) << junkBytes << " bytes of junk: " << events.Text();
        EXPECT_EQ(plain.data, ReadOutput(out + "\\" + name + ".wav").data) << junkBytes << " bytes of junk";
    }
}

// An MP3 file on a disk that fails in its middle is not converted: no output
// replaced, nothing left behind, the user told. Damage inside the data is
// another matter: the decoder plays past it, as before.
TEST_F(Mp3Test, AFileThatCannotBeReadToItsEndFails) {
    const char* disk = getenv("WAVORY_FAILING_DISK");
    const char* source = getenv("WAVORY_FAILING_SOURCE");
    if (!disk || !*disk || !source) GTEST_SKIP() << "no failing disk: the test runner could not mount one";
    ASSERT_TRUE(CopyFileA(FixturePath("long.mp3").c_str(), (std::string(source) + "\\broken.mp3").c_str(), FALSE));
    ASSERT_TRUE(WriteBytes(out + "\\broken.wav", {1, 2, 3}));
    env.Set(settings::kPromptBefore, 0);
    std::string src = std::string(disk) + "\\broken.mp3";
    EXPECT_EQ(0, Convert(src)) << "output of " << ReadBytes(out + "\\broken.wav").size() << " bytes";
    EXPECT_EQ((std::vector<std::string>{Failed(FileFailure::kCantReadToEnd, src)}), events.Events());
    EXPECT_EQ((std::vector<uint8_t>{1, 2, 3}), ReadBytes(out + "\\broken.wav"));
    EXPECT_EQ(1u, FilesIn(out).size()) << "a temporary file was left";
    ASSERT_EQ(1, Convert(FixturePath("cbr128.mp3"))) << "the host works on: " << events.Text();
}

// The decoder lets a file go as soon as it is read, not when the next starts:
// a program that wants it to itself can have it at once.
TEST_F(Mp3Test, TheSourceIsLetGoWhenItsConversionEnds) {
    std::string src = in + "\\held.mp3";
    ASSERT_TRUE(CopyFileA(FixturePath("cbr128.mp3").c_str(), src.c_str(), FALSE));
    ASSERT_EQ(1, Convert(src)) << events.Text();
    CFileHandle alone(CreateFileA(src.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    EXPECT_TRUE(alone.IsValid()) << "still held, error " << GetLastError();
}

TEST_F(Mp3Test, FormatZeroMakesCdFormatFromA22kMonoFile) {
    ASSERT_EQ(1, Convert(FixturePath("mpeg2_22050.mp3"))) << events.Text();
    WavFile w = ReadOutput(out + "\\mpeg2_22050.wav");
    ASSERT_TRUE(w.ok);
    EXPECT_EQ(2, w.format.nChannels);
    EXPECT_EQ(44100u, w.format.nSamplesPerSec);
    EXPECT_EQ(16, w.format.wBitsPerSample);
    EXPECT_NEAR(4.0 * 44100 * 4, static_cast<double>(w.data.size()), 4.0 * 64);
    EXPECT_EQ(100u, TestBatch().filePercent.load());
}

TEST_F(Mp3Test, CancelLeavesAValidShorterFileAndStopsTheDecoder) {
    DWORD threadsBefore = ThreadCount();
    events.onProgress = [this](uint32_t) {
        if (events.steps == 2) TestBatch().stopRequested = 1;
    };
    ASSERT_EQ(1, Convert(FixturePath("cbr128.mp3"))) << "a cancelled file counts";
    WavFile w = ReadOutput(out + "\\cbr128.wav");
    ASSERT_TRUE(w.ok);
    EXPECT_EQ(w.data.size(), w.dataSize);
    EXPECT_GT(w.data.size(), 0u);
    EXPECT_LT(w.data.size(), 882000u);
    EXPECT_EQ(threadsBefore, ThreadCount()) << "the decoder's thread has ended";
    TestBatch().stopRequested = 0;
    std::vector<uint8_t> pcm;
    ASSERT_TRUE(DecodeDirect(FixturePath("cbr128.mp3"), &pcm)) << "the host is usable again";
    EXPECT_EQ(882000u, pcm.size());
}

TEST_F(Mp3Test, FilesThatAreNotMp3AreRefusedWithTheMp3Box) {
    std::mt19937 random(3);
    std::vector<uint8_t> noise(65536);
    for (uint8_t& b : noise) b = static_cast<uint8_t>(random());
    std::vector<std::pair<std::string, std::vector<uint8_t>>> files = {
        {"empty.mp3", {}},
        {"text.mp3", std::vector<uint8_t>(500, 'x')},
        {"noise.mp3", noise},
        {"wave.mp3", ReadBytes(FixturePath("src_stereo_44100.wav"))},
        {"aac.mp3", ReadBytes(FixturePath("tone.aac"))},
        {"wma.mp3", ReadBytes(FixturePath("wmav2_stereo_44100.wma"))},
    };
    for (const auto& f : files) {
        SCOPED_TRACE(f.first);
        std::string path = in + "\\" + f.first;
        ASSERT_TRUE(WriteBytes(path, f.second));
        EXPECT_EQ(0, Convert(path));
        EXPECT_EQ(Failed(FileFailure::kNotMp3, path), events.Last());
        EXPECT_TRUE(FilesIn(out).empty()) << "no output left";
    }
}

// Damaged copies of a real file, each through the conversion: converted as far
// as it goes, or refused, without a crash, a hang, a runaway or inconsistent
// output or a temporary file left; and the host works on afterwards.
TEST_F(Mp3Test, DamagedFilesAreConvertedSoundlyOrRefused) {
    const std::vector<uint8_t> good = ReadBytes(FixturePath("vbr.mp3"));
    ASSERT_FALSE(good.empty());
    env.Set(settings::kPromptBefore, 0);
    std::mt19937 random(11);
    auto pick = [&](size_t n) { return static_cast<size_t>(random() % n); };
    int converted = 0, refused = 0;
    for (int round = 0; round < 60; ++round) {
        std::vector<uint8_t> bad = good;
        switch (round % 6) {
        case 0: bad.resize(pick(bad.size())); break;                         // truncated anywhere
        case 1: for (int i = 0; i < 50; ++i) bad[pick(bad.size())] ^= static_cast<uint8_t>(1 + pick(255)); break;
        case 2: { size_t at = pick(bad.size() - 4000); std::fill(bad.begin() + at, bad.begin() + at + 4000, 0); break; }
        case 3: { size_t at = pick(bad.size() - 2000); for (size_t i = 0; i < 2000; ++i) bad[at + i] = static_cast<uint8_t>(random()); break; }
        case 4: { size_t at = pick(bad.size()); bad.insert(bad.begin() + at, good.begin(), good.begin() + pick(9000)); break; }
        case 5: for (size_t i = 0; i < bad.size(); i += 417) bad[i] = 0xFF; break;  // would-be sync words everywhere
        }
        std::string path = in + "\\damaged.mp3";
        ASSERT_TRUE(WriteBytes(path, bad));
        int result = Convert(path);
        ExpectSoundOrNothing("round " + std::to_string(round), result, 3u * 882000);
        (result ? converted : refused)++;
    }
    RecordProperty("damaged_mp3", std::to_string(converted) + " converted, " + std::to_string(refused) + " refused");
    std::vector<uint8_t> pcm;
    ASSERT_TRUE(DecodeDirect(FixturePath("vbr.mp3"), &pcm));
    EXPECT_EQ(882000u, pcm.size());
}

TEST_F(Mp3Test, ATruncatedFileGivesWhatIsThere) {
    std::vector<uint8_t> bytes = ReadBytes(FixturePath("cbr128.mp3"));
    bytes.resize(bytes.size() / 2);
    std::string path = in + "\\half.mp3";
    ASSERT_TRUE(WriteBytes(path, bytes));
    env.Set(settings::kFormat, settings::kFormatOriginal);
    ASSERT_EQ(1, Convert(path)) << events.Text();
    WavFile w = ReadOutput(out + "\\half.wav");
    ASSERT_TRUE(w.ok);
    EXPECT_NEAR(441000.0, static_cast<double>(w.data.size()), 441000.0 * 0.05);
    std::vector<uint8_t> whole = ReadBytes(FixturePath("cbr128.ref.raw"));
    whole.resize(w.data.size() - 8192);  // the last frame decoded may differ
    std::vector<uint8_t> start(w.data.begin(), w.data.begin() + static_cast<long>(whole.size()));
    EXPECT_GT(Compare(start, whole).snrDb, 90.0);
}

TEST_F(Mp3Test, LengthAndPositionInMilliseconds) {
    CMp3StreamLease lease = SndStream().Acquire([] { return true; });
    ASSERT_TRUE(lease);
    CMp3Stream& host = *lease;
    ASSERT_TRUE(host.Open(FixturePath("vbr.mp3").c_str()));
    EXPECT_EQ(5000, host.GetLength()) << "exact from the Info frame";
    EXPECT_EQ(2, host.m_nChannels);
    EXPECT_EQ(44100, host.m_nSampleRate);
    double average = ReadBytes(FixturePath("vbr.mp3")).size() * 8 / 5.0;
    EXPECT_NEAR(average, host.m_nBitrate, average * 0.02) << "a variable rate file reports its average";
    BYTE block[9000];
    while (host.Read(block, sizeof(block)) > 0) {
    }
    EXPECT_EQ(5000, host.GetOutputTime());
    host.Close();
    ASSERT_TRUE(host.Open(FixturePath("cbr320.mp3").c_str()));
    EXPECT_EQ(320000, host.m_nBitrate);
    host.Close();
}

// Our library offers a decoder instance for every file a batch converts at
// once. Four files decoded side by side, on four threads, each give exactly
// what they give alone: a short file's end, or a Close, in one instance never
// reaches another, and no instance mixes another's blocks into its own.
TEST_F(Mp3Test, InstancesDecodeFilesSideBySideExactlyAsAlone) {
    ASSERT_EQ(kMaxDecoderInstances, SndStream().StreamCount()) << "the instance export was not used";
    const std::vector<std::string> files = {"long.mp3", "cbr128.mp3", "mono.mp3", "mpeg2_22050.mp3"};
    std::vector<std::vector<uint8_t>> alone(files.size()), together(files.size());
    for (size_t i = 0; i < files.size(); ++i) ASSERT_TRUE(DecodeDirect(FixturePath(files[i]), &alone[i])) << files[i];
    std::vector<std::thread> threads;
    std::vector<int> opened(files.size(), 0);
    for (size_t i = 0; i < files.size(); ++i)
        threads.emplace_back([&, i] { opened[i] = DecodeDirect(FixturePath(files[i]), &together[i]); });
    for (std::thread& t : threads) t.join();
    for (size_t i = 0; i < files.size(); ++i) {
        EXPECT_TRUE(opened[i]) << files[i];
        EXPECT_EQ(alone[i].size(), together[i].size()) << files[i];
        EXPECT_TRUE(alone[i] == together[i]) << files[i] << " decoded otherwise beside the others";
    }
    // One instance stopped mid-file leaves the other decoding to its end.
    CMp3StreamLease first = SndStream().Acquire([] { return true; });
    CMp3StreamLease second = SndStream().Acquire([] { return true; });
    ASSERT_TRUE(first && second);
    ASSERT_TRUE(first->Open(FixturePath("long.mp3").c_str()));
    ASSERT_TRUE(second->Open(FixturePath("long.mp3").c_str()));
    BYTE block[9000];
    ASSERT_GT(first->Read(block, sizeof(block)), 0u);
    first->Close();
    std::vector<uint8_t> rest;
    for (DWORD n; (n = second->Read(block, sizeof(block))) > 0;) rest.insert(rest.end(), block, block + n);
    EXPECT_EQ(alone[0].size(), rest.size()) << "the other instance's Close cut this file";
}
