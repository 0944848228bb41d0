#include <gtest/gtest.h>

#include <objbase.h>

#include <thread>

#include "decoders/FileReadStream.h"
#include "decoders/WmaReader.h"
#include "engine/BatchState.h"
#include "engine/DecodeThread.h"
#include "tests/engine/ConversionTest.h"

using namespace fixtures;

namespace {
CFileReadStream* OpenStream(const std::string& path, HRESULT* status = nullptr) {
    auto* s = new CFileReadStream();
    HRESULT hr = s->Open(path.c_str());
    if (status) *status = hr;
    return s;
}

// All PCM of a WMA file through the five functions, as the engine reads it.
struct Decoded {
    int open = -9;
    WAVEFORMATEX format{};
    std::vector<uint8_t> pcm;
    int last = 9;
    std::vector<DWORD> percents;
};
Decoded DecodeAll(const std::string& path) {
    Decoded d;
    CWmaFile file;
    d.open = file.Open(path.c_str());
    if (d.open == kWmaReady && file.GetFormat(&d.format)) {
        BYTE* data;
        DWORD length, percent;
        while ((d.last = file.ReadSample(&data, &length, &percent)) == 1) {
            d.pcm.insert(d.pcm.end(), data, data + length);
            d.percents.push_back(percent);
            file.ReleaseSample();
        }
    }
    file.Close();
    return d;
}

// The offset (in frames) of b against a where the first channel matches best.
int BestLag(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b, int channels, int maxLag) {
    size_t frames = std::min(a.size(), b.size()) / (2 * channels);
    int best = 0;
    double bestError = 1e300;
    for (int lag = -maxLag; lag <= maxLag; ++lag) {
        double error = 0;
        size_t n = 0;
        for (size_t i = 9000; i + 9000 < frames && n < 4000; i += 3, ++n) {
            long j = static_cast<long>(i) + lag;
            if (j < 0 || static_cast<size_t>(j) >= frames) continue;
            double d = S16(a, i * channels) - S16(b, static_cast<size_t>(j) * channels);
            error += d * d;
        }
        if (error < bestError) bestError = error, best = lag;
    }
    return best;
}
}  // namespace

TEST(FileReadStream, ReadsSeeksAndReportsTheSize) {
    TestFolder folder("stream_read");
    std::string path = folder / "data.bin";
    ASSERT_TRUE(WriteBytes(path, Counting(1000)));
    HRESULT hr;
    CFileReadStream* s = OpenStream(path, &hr);
    ASSERT_EQ(S_OK, hr);
    char buffer[10];
    ULONG read = 0;
    EXPECT_EQ(S_OK, s->Read(buffer, 10, &read));
    EXPECT_EQ(10u, read);
    EXPECT_EQ(0, memcmp(buffer, Counting(10).data(), 10));
    LARGE_INTEGER move{};
    ULARGE_INTEGER position{};
    EXPECT_EQ(S_OK, s->Seek(move, STREAM_SEEK_END, &position));
    EXPECT_EQ(1000u, position.QuadPart) << "the end reports the size";
    EXPECT_EQ(S_OK, s->Read(buffer, 10, &read)) << "fewer bytes than asked is still success";
    EXPECT_EQ(0u, read);
    move.QuadPart = -4;
    EXPECT_EQ(S_OK, s->Seek(move, STREAM_SEEK_CUR, &position));
    EXPECT_EQ(996u, position.QuadPart);
    EXPECT_EQ(static_cast<HRESULT>(E_INVALIDARG), s->Seek(move, 3, &position));
    STATSTG stat;
    memset(&stat, 0xAB, sizeof(stat));
    EXPECT_EQ(static_cast<HRESULT>(E_INVALIDARG), s->Stat(&stat, STATFLAG_DEFAULT)) << "the stream has no name";
    EXPECT_EQ(S_OK, s->Stat(&stat, STATFLAG_NONAME));
    EXPECT_EQ(static_cast<DWORD>(STGTY_STREAM), stat.type);
    EXPECT_EQ(1000u, stat.cbSize.QuadPart);
    EXPECT_EQ(nullptr, stat.pwcsName);
    EXPECT_EQ(0u, stat.mtime.dwLowDateTime);
    EXPECT_EQ(static_cast<HRESULT>(E_NOTIMPL), s->Write("x", 1, nullptr));
    EXPECT_EQ(0u, s->Release());
}

// The same sharing as every other source: a player or tagger may hold the file
// open, even for writing, while it is converted.
TEST(FileReadStream, OthersMayReadAndWriteWhileItIsOpen) {
    TestFolder folder("stream_share");
    std::string path = folder / "data.bin";
    ASSERT_TRUE(WriteBytes(path, Counting(10)));
    CFileReadStream* s = OpenStream(path);
    const DWORD all = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    CFileHandle reader(CreateFileA(path.c_str(), GENERIC_READ, all, nullptr, OPEN_EXISTING, 0, nullptr));
    EXPECT_TRUE(reader.IsValid());
    CFileHandle writer(CreateFileA(path.c_str(), GENERIC_WRITE, all, nullptr, OPEN_EXISTING, 0, nullptr));
    EXPECT_TRUE(writer.IsValid());
    s->Release();
}

TEST(FileReadStream, RefusesMissingFilesAndNonDiskHandles) {
    HRESULT hr;
    CFileReadStream* missing = OpenStream("C:\\no such folder\\no.wma", &hr);
    EXPECT_TRUE(hr == HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND) || hr == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    missing->Release();
    CFileReadStream* nofile = OpenStream("C:\\windows\\no-such-file.wma", &hr);
    EXPECT_EQ(static_cast<HRESULT>(0x80070002), hr);
    nofile->Release();
    CFileReadStream* device = OpenStream("NUL", &hr);
    EXPECT_EQ(static_cast<HRESULT>(E_FAIL), hr) << "a character device is not a disk file";
    device->Release();
}

TEST(FileReadStream, AnswersOnlyIUnknownAndIStreamAndCountsReferences) {
    TestFolder folder("stream_com");
    ASSERT_TRUE(WriteBytes(folder / "d.bin", {1}));
    CFileReadStream* s = OpenStream(folder / "d.bin");
    void* p = nullptr;
    EXPECT_EQ(static_cast<HRESULT>(E_NOINTERFACE), s->QueryInterface(IID_ISequentialStream, &p));
    EXPECT_EQ(nullptr, p);
    EXPECT_EQ(S_OK, s->QueryInterface(IID_IStream, &p));
    EXPECT_EQ(static_cast<void*>(static_cast<IStream*>(s)), p);
    EXPECT_EQ(S_OK, s->QueryInterface(IID_IUnknown, &p));
    EXPECT_EQ(0xBADu, s->Release()) << "references remain";
    EXPECT_EQ(0xBADu, s->Release());
    EXPECT_EQ(0u, s->Release());
}

TEST(WmaPercent, NoDurationGivesZero) {
    EXPECT_EQ(0u, WmaPercent(12345, 0));
    EXPECT_EQ(50u, WmaPercent(5, 10));
}

struct WmaCase {
    const char* name;
    WORD channels;
    DWORD rate;
};

class WmaReaderFiles : public ::testing::TestWithParam<WmaCase> {};

// The runtime's decode against ffmpeg's decode of the same file. They treat the
// codec's start-up delay differently: measured here, the runtime delivers it
// (4096 frames for stereo, 2048 for mono, i.e. two or one 2048-sample codec
// frames) where ffmpeg drops it. The offset is found by matching the waveforms
// within 8192 frames; after alignment the decodes agree to about 82 dB SNR.
TEST_P(WmaReaderFiles, DecodesLikeTheReferenceDecoder) {
    WmaCase c = GetParam();
    Decoded d = DecodeAll(FixturePath(std::string(c.name) + ".wma"));
    ASSERT_EQ(kWmaReady, d.open);
    EXPECT_EQ(WAVE_FORMAT_PCM, d.format.wFormatTag);
    EXPECT_EQ(c.channels, d.format.nChannels);
    EXPECT_EQ(c.rate, d.format.nSamplesPerSec);
    EXPECT_EQ(16, d.format.wBitsPerSample);
    EXPECT_EQ(-1, d.last) << "the last sample is followed by the end, not an error";
    ASSERT_FALSE(d.percents.empty());
    EXPECT_GE(d.percents.back(), 95u);
    EXPECT_LE(d.percents.back(), 101u);

    std::vector<uint8_t> ref = ReadBytes(FixturePath(std::string(c.name) + ".ref.raw"));
    ASSERT_FALSE(ref.empty());
    double frames = static_cast<double>(d.pcm.size()) / (2 * c.channels);
    double refFrames = static_cast<double>(ref.size()) / (2 * c.channels);
    EXPECT_NEAR(refFrames, frames, 4096) << "lengths within two codec frames";
    int lag = BestLag(ref, d.pcm, c.channels, 8192);
    EXPECT_LE(std::abs(lag), 4096) << "at most two codec frames of start-up delay";
    size_t total = std::min(ref.size(), d.pcm.size()) / (2 * c.channels);
    double error = 0, energy = 0;
    size_t n = 0;
    for (size_t i = 9000; i + 9000 < total; ++i) {
        long j = static_cast<long>(i) + lag;
        if (j < 0 || static_cast<size_t>(j) >= total) continue;
        for (WORD ch = 0; ch < c.channels; ++ch, ++n) {
            double r = S16(ref, i * c.channels + ch), v = S16(d.pcm, static_cast<size_t>(j) * c.channels + ch);
            error += (r - v) * (r - v);
            energy += r * r;
        }
    }
    ASSERT_GT(n, 1000u);
    double snr = 10 * std::log10(energy / std::max(error, 1.0));
    EXPECT_GT(snr, 60.0) << "lag " << lag << " frames";
    RecordProperty("lag_frames", lag);
}

INSTANTIATE_TEST_SUITE_P(Files, WmaReaderFiles,
                         ::testing::Values(WmaCase{"wmav1_stereo_44100", 2, 44100}, WmaCase{"wmav2_stereo_44100", 2, 44100},
                                           WmaCase{"wmav2_mono_22050", 1, 22050}, WmaCase{"wmav1_mono_22050", 1, 22050},
                                           WmaCase{"wmav2_stereo_48000", 2, 48000}, WmaCase{"with_video", 2, 44100}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(WmaReaderFailures, BadFilesAndStreamsAreRefused) {
    EXPECT_EQ(kWmaOpenFailed, DecodeAll(FixturePath("text.wma")).open);
    EXPECT_EQ(kWmaOpenFailed, DecodeAll("HTTP://example/a.wma").open);
    EXPECT_EQ(kWmaOpenFailed, DecodeAll("http://example/a.wma").open);
    EXPECT_EQ(kWmaOpenFailed, DecodeAll(FixturePath("no such file.wma")).open);
    Decoded truncated = DecodeAll(FixturePath("truncated.wma"));
    EXPECT_TRUE(truncated.open != kWmaReady || truncated.pcm.size() < 176400)
        << "a cut file gives what it holds at most";
}

// Each file has a reader of its own: two files read on two threads at once
// give what each gives alone.
TEST(WmaReaderFiles, TwoFilesReadSideBySideAsAlone) {
    const std::string a = FixturePath("long.wma"), b = FixturePath("wmav2_stereo_48000.wma");
    const Decoded aloneA = DecodeAll(a), aloneB = DecodeAll(b);
    ASSERT_EQ(kWmaReady, aloneA.open);
    ASSERT_EQ(kWmaReady, aloneB.open);
    Decoded togetherA, togetherB;
    std::thread first([&] { togetherA = DecodeAll(a); });
    std::thread second([&] { togetherB = DecodeAll(b); });
    first.join();
    second.join();
    EXPECT_TRUE(SameWmaSound(aloneA.pcm, togetherA.pcm, 2048 * 4, 2)) << "long.wma: " << togetherA.pcm.size() << " bytes against " << aloneA.pcm.size();
    EXPECT_TRUE(SameWmaSound(aloneB.pcm, togetherB.pcm, 2048 * 4, 2)) << "48 kHz: " << togetherB.pcm.size() << " bytes against " << aloneB.pcm.size();
    EXPECT_EQ(-1, togetherA.last);
    EXPECT_EQ(-1, togetherB.last);
}

TEST(WmaReaderFailures, AFileWithoutAudioOpensButHasNoSoundFormat) {
    Decoded d = DecodeAll(FixturePath("video_only.wma"));
    EXPECT_EQ(kWmaReady, d.open);
    EXPECT_TRUE(d.pcm.empty());
}

TEST(WmaReaderFailures, ComInTheWrongApartmentIsReportedAsResultOne) {
    int result = -9;
    std::thread worker([&] {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        result = CWmaFile().Open(FixturePath("wmav2_stereo_44100.wma").c_str());
        CoUninitialize();
    });
    worker.join();
    EXPECT_EQ(kWmaComFailed, result);
}

namespace {
class WmaConvert : public ConversionTest {
protected:
    WmaConvert() : ConversionTest("WavoryWmaTest") {}
};
}  // namespace

TEST_F(WmaConvert, AWmaFileBecomesACdFormatWav) {
    ASSERT_EQ(1, Convert(FixturePath("wmav2_mono_22050.wma"))) << events.Text();
    WavFile w = ReadOutput(out + "\\wmav2_mono_22050.wav");
    ASSERT_TRUE(w.ok);
    EXPECT_EQ(2, w.format.nChannels);
    EXPECT_EQ(44100u, w.format.nSamplesPerSec);
    EXPECT_NEAR(3 * 176400.0, static_cast<double>(w.data.size()), 4096 * 8.0);
    EXPECT_EQ(0u, events.Count()) << events.Text();
}

TEST_F(WmaConvert, ANameOfAnyScriptInAFolderPastMaxPath) {
    std::string deep = in;
    for (int level = 0; level < 3; ++level) {
        deep += "\\" + std::string(90, 'w') + "\xD0\x9F\xD0\xB5\xD1\x81\xD0\xBD\xD1\x8F";
        ASSERT_TRUE(CreateDirectoryW(TestPath(deep).c_str(), nullptr)) << deep;
    }
    const std::string name = "\xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x8E\xB5";
    ASSERT_TRUE(CopyFileW(TestPath(FixturePath("wmav2_mono_22050.wma")).c_str(),
                          TestPath(deep + "\\" + name + ".wma").c_str(), FALSE));
    ASSERT_EQ(1, Convert(deep + "\\" + name + ".wma")) << events.Text();
    WavFile w = ReadOutput(out + "\\" + name + ".wav");
    ASSERT_TRUE(w.ok);
    EXPECT_NEAR(3 * 176400.0, static_cast<double>(w.data.size()), 4096 * 8.0);
}

TEST_F(WmaConvert, TheThreeFailures) {
    std::string text = FixturePath("text.wma");
    EXPECT_EQ(0, Convert(text));
    std::string video = FixturePath("video_only.wma");
    EXPECT_EQ(0, Convert(video));
    int result = -9;
    std::thread worker([&] {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        result = Convert(FixturePath("wmav2_stereo_44100.wma"));
        CoUninitialize();
    });
    worker.join();
    EXPECT_EQ(0, result);
    EXPECT_EQ((std::vector<std::string>{Failed(FileFailure::kNotWma, text), Failed(FileFailure::kWmaHeadError, video),
                                        Failed(FileFailure::kWmaInitFailed, FixturePath("wmav2_stereo_44100.wma"))}),
              events.Events());
    EXPECT_TRUE(FilesIn(out).empty()) << "no empty outputs left behind";
}

// A WMA file is read with the same sharing as the other sources (another
// program may have it open for writing) and let go as soon as it is done.
TEST_F(WmaConvert, AFileHeldOpenByAnotherProgramConvertsAndIsLetGoAfterwards) {
    std::string copy = out + "\\..\\held.wma";
    ASSERT_TRUE(CopyFileA(FixturePath("wmav2_stereo_44100.wma").c_str(), copy.c_str(), FALSE));
    {
        CFileHandle writer(CreateFileA(copy.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                       OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(writer.IsValid());
        EXPECT_EQ(1, Convert(copy)) << events.Text();
    }
    EXPECT_TRUE(DeleteFileA(copy.c_str())) << "the source is still held, error " << GetLastError();
    EXPECT_TRUE(Exists(out + "\\held.wav"));
}

// A WMA file on a disk that fails in its middle is not converted: no output
// replaced, nothing left behind, and the user is told.
TEST_F(WmaConvert, AFileThatCannotBeReadToItsEndFails) {
    const char* disk = getenv("WAVORY_FAILING_DISK");
    const char* source = getenv("WAVORY_FAILING_SOURCE");
    if (!disk || !*disk || !source) GTEST_SKIP() << "no failing disk: the test runner could not mount one";
    ASSERT_TRUE(CopyFileA(FixturePath("long.wma").c_str(),
                          (std::string(source) + "\\broken.wma").c_str(), FALSE));
    ASSERT_TRUE(WriteBytes(out + "\\broken.wav", {1, 2, 3}));
    env.Set(settings::kPromptBefore, 0);
    std::string src = std::string(disk) + "\\broken.wma";
    EXPECT_EQ(0, Convert(src)) << "output of " << ReadBytes(out + "\\broken.wav").size() << " bytes";
    ASSERT_EQ(1u, events.Count()) << events.Text();
    // Where the runtime meets the failing bytes is its own affair: in the middle
    // (most runs here) or already while it opens the file.
    std::string told = events.Last();
    EXPECT_TRUE(told == Failed(FileFailure::kCantReadToEnd, src) || told == Failed(FileFailure::kNotWma, src)) << told;
    EXPECT_EQ((std::vector<uint8_t>{1, 2, 3}), ReadBytes(out + "\\broken.wav"));
    EXPECT_EQ(1u, FilesIn(out).size()) << "a temporary file was left";
}

TEST_F(WmaConvert, CancelMidFileKeepsAShorterValidFile) {
    events.onProgress = [](uint32_t) { TestBatch().stopRequested = 1; };
    ASSERT_EQ(1, Convert(FixturePath("wmav2_stereo_44100.wma")));
    WavFile w = ReadOutput(out + "\\wmav2_stereo_44100.wav");
    ASSERT_TRUE(w.ok);
    EXPECT_GT(w.data.size(), 0u);
    EXPECT_LT(w.data.size(), 4u * 176400 / 2) << "one step, then the Cancel";
    EXPECT_EQ(w.data.size(), w.dataSize);
}
