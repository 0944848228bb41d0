#include <gtest/gtest.h>

#include "engine/BatchState.h"
#include "engine/DecodeThread.h"
#include "engine/FreeSpaceMonitor.h"
#include "engine/PathRules.h"
#include "engine/WavSource.h"
#include "tests/engine/ConversionTest.h"

using namespace fixtures;

namespace {
uint64_t g_freeBytes = 0;
uint64_t FixedFreeSpace(const char*) { return g_freeBytes; }

class ConvertFileTest : public ConversionTest {
protected:
    ConvertFileTest() : ConversionTest("WavoryConvertTest") {}
    std::string WriteWav(const std::string& name, const WAVEFORMATEX& f, const std::vector<uint8_t>& data) {
        std::string path = in + "\\" + name;
        EXPECT_TRUE(WriteBytes(path, CanonicalWav(f, data)));
        return path;
    }
    // Converts a sparse source just past 4 GiB and checks the RF64 output.
    void ExpectRf64Output(const WAVEFORMATEX& format, uint32_t header);
};
}  // namespace

TEST(OutputNames, FolderAndNameRules) {
    std::string p;
    ASSERT_TRUE(MakeOutputPath("D:\\Out", "Song.MP3", p));
    EXPECT_EQ("D:\\Out\\Song.wav", p);
    ASSERT_TRUE(MakeOutputPath("D:\\Out\\", "Song.MP3", p));
    EXPECT_EQ("D:\\Out\\Song.wav", p) << "no doubled backslash";
    ASSERT_TRUE(MakeOutputPath("D:\\Out", "a.b.c.wma", p));
    EXPECT_EQ("D:\\Out\\a.b.c.wav", p);
    ASSERT_TRUE(MakeOutputPath("D:\\Out", "name.", p));
    EXPECT_EQ("D:\\Out\\name..wav", p) << "a trailing dot stays";
    ASSERT_TRUE(MakeOutputPath("D:\\Out", ".mp3", p));
    EXPECT_EQ("D:\\Out\\.wav", p);
    // UTF-8 names: the extension is found by bytes that never occur inside a character.
    ASSERT_TRUE(MakeOutputPath("C:\\\xE9\x9F\xB3\xE6\xA5\xBD", "\xE3\x82\xBD\xE3\x83\xB3\xE3\x82\xB0.MP3", p));
    EXPECT_EQ("C:\\\xE9\x9F\xB3\xE6\xA5\xBD\\\xE3\x82\xBD\xE3\x83\xB3\xE3\x82\xB0.wav", p);
    std::string longName(250, 'n');
    ASSERT_TRUE(MakeOutputPath("D:\\Out", (longName + ".mp3").c_str(), p)) << "past MAX_PATH is no limit";
    EXPECT_EQ("D:\\Out\\" + longName + ".wav", p);
    EXPECT_FALSE(MakeOutputPath("D:\\Out", (std::string(kMaxPathBytes, 'n') + ".mp3").c_str(), p));
    EXPECT_EQ("", p);
}

TEST(OutputNames, ParentFolderNames) {
    std::string out;
    EXPECT_EQ(1, GetParentFolderName("C:\\Music\\song.mp3", out));
    EXPECT_EQ("Music", out);
    EXPECT_EQ(1, GetParentFolderName("C:\\song.mp3", out));
    EXPECT_EQ("C:", out);
    EXPECT_EQ(1, GetParentFolderName("C:\\Music\\\\song.mp3", out));
    EXPECT_EQ("Music", out);
    EXPECT_EQ(0, GetParentFolderName("\\song.mp3", out));
    EXPECT_EQ("", out);
    EXPECT_EQ(1, GetParentFolderName("song.mp3", out));
    EXPECT_EQ("", out);
}

TEST(SourceTypes, ByTheEndOfTheNameInAnyCase) {
    EXPECT_EQ(kTypeMp3, GetFileType("Song.MP3"));
    EXPECT_EQ(kTypeWave, GetFileType("x.WAVE"));
    EXPECT_EQ(kTypeWma, GetFileType("y.Wma"));
    EXPECT_EQ(kTypeWav, GetFileType("C:\\a\\b.wav"));
    EXPECT_EQ(kTypeMp3, GetFileType(".mp3"));
    for (const char* name : {"z.mp2", "z.mp1", "z.ogg", "wav", "mp3", ""}) EXPECT_EQ(kNotConvertible, GetFileType(name)) << name;
}

TEST_F(ConvertFileTest, CdSourceToCdFormatKeepsEverySample) {
    std::vector<uint8_t> data = Tone16(44100 * 2 + 123, 2, 44100, 12000);
    std::string src = WriteWav("Song.WAV", Pcm(2, 44100, 16), data);
    ASSERT_EQ(1, Convert(src)) << events.Text();
    WavFile w = ReadOutput(out + "\\Song.wav");
    ASSERT_TRUE(w.ok);
    EXPECT_EQ(data, w.data);
    EXPECT_EQ(data.size(), w.dataSize);
    EXPECT_EQ(data.size() + 36, w.riffSize);
    EXPECT_EQ(0u, events.Count()) << events.Text();
    EXPECT_EQ((std::vector<std::string>{"Song.wav"}), FilesIn(out)) << "no temporary file left behind";
    BatchNames names;
    ASSERT_TRUE(TestBatch().TakeNames(names));
    EXPECT_EQ("Song.WAV", names.currentFileName);
    EXPECT_EQ("in", names.sourceFolderName);
    EXPECT_EQ("out", names.outputFolderName);
    EXPECT_EQ(100u, TestBatch().filePercent.load());
}

TEST_F(ConvertFileTest, FormatOneKeepsTheSourceFormatAndBytes) {
    env.Set(settings::kFormat, settings::kFormatOriginal);
    std::vector<uint8_t> data = Counting(22050 * 3 + 7);
    std::string src = WriteWav("low.wav", Pcm(1, 22050, 8), data);
    ASSERT_EQ(1, Convert(src)) << events.Text();
    WavFile w = ReadOutput(out + "\\low.wav");
    ASSERT_TRUE(w.ok);
    EXPECT_EQ(1, w.format.nChannels);
    EXPECT_EQ(22050u, w.format.nSamplesPerSec);
    EXPECT_EQ(8, w.format.wBitsPerSample);
    EXPECT_EQ(data, w.data);
}

TEST_F(ConvertFileTest, FormatZeroWritesCdFormatFromAnyPcm) {
    std::string src = WriteWav("low.wav", Pcm(1, 22050, 8), Counting(22050));
    ASSERT_EQ(1, Convert(src)) << events.Text();
    WavFile w = ReadOutput(out + "\\low.wav");
    ASSERT_TRUE(w.ok);
    EXPECT_EQ(2, w.format.nChannels);
    EXPECT_EQ(44100u, w.format.nSamplesPerSec);
    EXPECT_EQ(16, w.format.wBitsPerSample);
    EXPECT_NEAR(176400.0, static_cast<double>(w.data.size()), 64.0);
}

TEST_F(ConvertFileTest, FormatTwoUsesTheStoredFormatReadForEveryFile) {
    env.Set(settings::kFormat, settings::kFormatStored);
    settings::WriteStoredFormat(env.app, Pcm(1, 44100, 16));
    std::string src = WriteWav("a.wav", Pcm(2, 44100, 16), Tone16(44100, 2, 44100, 8000));
    ASSERT_EQ(1, Convert(src)) << events.Text();
    WavFile w = ReadOutput(out + "\\a.wav");
    EXPECT_EQ(1, w.format.nChannels);
    EXPECT_EQ(88200u, w.data.size());
}

TEST_F(ConvertFileTest, SameFileIsRefusedButWaveBesideItIsConverted) {
    TestBatch().outputFolder = in.c_str();
    std::string wav = WriteWav("x.wav", Pcm(2, 44100, 16), Counting(4000));
    std::vector<uint8_t> before = ReadBytes(wav);
    ASSERT_EQ(0, Convert(wav));
    EXPECT_EQ((std::vector<std::string>{Failed(FileFailure::kSameFolder, wav)}), events.Events());
    EXPECT_EQ(before, ReadBytes(wav));

    // The same rule in capitals, through the folder written another way.
    std::string upper = in + "\\Y.WAV";
    ASSERT_TRUE(WriteBytes(upper, CanonicalWav(Pcm(2, 44100, 16), Counting(400))));
    CharUpperA(&TestBatch().outputFolder[0]);
    EXPECT_EQ(0, Convert(upper));

    std::string wave = WriteWav("z.wave", Pcm(2, 44100, 16), Counting(4000));
    TestBatch().outputFolder = in.c_str();
    EXPECT_EQ(1, Convert(wave)) << events.Text();
    EXPECT_TRUE(ReadOutput(in + "\\z.wav").ok);
}

TEST_F(ConvertFileTest, OverwritePromptYesNoAndOff) {
    std::string src = WriteWav("a.wav", Pcm(2, 44100, 16), Counting(4000));
    std::string target = out + "\\a.wav";
    ASSERT_TRUE(WriteBytes(target, {1, 2, 3}));

    events.overwrite = false;
    EXPECT_EQ(0, Convert(src));
    EXPECT_EQ((std::vector<std::string>{OverwriteAsked(target)}), events.Events()) << "No, and nothing more is told";
    EXPECT_EQ((std::vector<uint8_t>{1, 2, 3}), ReadBytes(target));

    events.overwrite = true;
    EXPECT_EQ(1, Convert(src));
    EXPECT_EQ(2u, events.Count());
    EXPECT_EQ(Counting(4000), ReadOutput(target).data);

    env.Set(settings::kPromptBefore, 0);
    ASSERT_TRUE(WriteBytes(target, {9}));
    EXPECT_EQ(1, Convert(src));
    EXPECT_EQ(2u, events.Count()) << "no question when the prompt is off";
    EXPECT_EQ(Counting(4000), ReadOutput(target).data);
}

TEST_F(ConvertFileTest, FailedConversionLeavesAnExistingFileUntouchedAndNoPartialFile) {
    std::vector<uint8_t> old = {7, 7, 7, 7};
    std::string target = out + "\\bad.wav";
    ASSERT_TRUE(WriteBytes(target, old));
    std::string src = in + "\\bad.wav";
    ASSERT_TRUE(WriteBytes(src, std::vector<uint8_t>(100, 'x')));  // no "data" anywhere
    env.Set(settings::kPromptBefore, 0);
    EXPECT_EQ(0, Convert(src));
    EXPECT_EQ((std::vector<std::string>{Failed(FileFailure::kNotWav, src)}), events.Events());
    EXPECT_EQ(old, ReadBytes(target));
    EXPECT_EQ((std::vector<std::string>{"bad.wav"}), FilesIn(out));

    // A format no converter takes: refused, and again nothing is left behind.
    WAVEFORMATEX odd = Pcm(2, 44100, 16);
    odd.wFormatTag = 0x7A7A;
    std::string oddSrc = WriteWav("odd.wav", odd, Counting(1000));
    EXPECT_EQ(0, Convert(oddSrc));
    EXPECT_EQ(Failed(FileFailure::kNotPcm, oddSrc), events.Last());
    EXPECT_FALSE(Exists(out + "\\odd.wav"));
    EXPECT_EQ(1u, FilesIn(out).size());
}

// Damaged format fields never reach a converter (some abort the process or
// overrun their buffers on them): each file is refused with the "not a PCM
// format" box, leaves no output and no temporary file, and does not count.
TEST_F(ConvertFileTest, DamagedFormatFieldsAreRefusedBeforeAnyConverterSeesThem) {
    env.Set(settings::kPromptBefore, 0);
    struct Damage {
        const char* what;
        int format;
        void (*apply)(WAVEFORMATEX&);
    };
    const Damage damages[] = {
        {"a byte rate of 0", settings::kFormatCd, [](WAVEFORMATEX& f) { f.nAvgBytesPerSec = 0; }},
        {"a byte rate of 0, kept", settings::kFormatOriginal, [](WAVEFORMATEX& f) { f.nAvgBytesPerSec = 0; }},
        {"a block of 1 for 16-bit stereo", settings::kFormatOriginal, [](WAVEFORMATEX& f) { f.nBlockAlign = 1; }},
        {"ADPCM with a block of 0", settings::kFormatCd,
         [](WAVEFORMATEX& f) {
             f.wFormatTag = WAVE_FORMAT_ADPCM;
             f.wBitsPerSample = 4;
             f.nBlockAlign = 0;
         }},
        {"a rate of 0", settings::kFormatCd, [](WAVEFORMATEX& f) { f.nSamplesPerSec = 0; }},
        {"a rate of 4294967295", settings::kFormatOriginal, [](WAVEFORMATEX& f) { f.nSamplesPerSec = 0xFFFFFFFF; }},
        {"0 channels", settings::kFormatCd, [](WAVEFORMATEX& f) { f.nChannels = 0; }},
        {"12-bit PCM", settings::kFormatOriginal, [](WAVEFORMATEX& f) { f.wBitsPerSample = 12; }},
    };
    for (const Damage& d : damages) {
        env.Set(settings::kFormat, d.format);
        WAVEFORMATEX f = Pcm(2, 44100, 16);
        d.apply(f);
        std::string src = WriteWav("damaged.wav", f, Counting(40000));
        size_t before = events.Count();
        EXPECT_EQ(0, Convert(src)) << d.what;
        ASSERT_EQ(before + 1, events.Count()) << d.what << ": " << events.Text();
        EXPECT_EQ(Failed(FileFailure::kNotPcm, src), events.Last()) << d.what;
        EXPECT_TRUE(FilesIn(out).empty()) << d.what << ": " << FilesIn(out).size() << " file(s) left";
    }
}

// A hand-edited stored target whose fields disagree is refused the same way.
TEST_F(ConvertFileTest, AnInconsistentStoredTargetIsRefused) {
    env.Set(settings::kPromptBefore, 0);
    env.Set(settings::kFormat, settings::kFormatStored);
    env.Set(settings::kAvgBytesPerSec, 0);
    std::string src = WriteWav("a.wav", Pcm(2, 44100, 16), Counting(40000));
    EXPECT_EQ(0, Convert(src));
    EXPECT_EQ((std::vector<std::string>{Failed(FileFailure::kNotPcm, src)}), events.Events());
    EXPECT_TRUE(FilesIn(out).empty());
}

TEST_F(ConvertFileTest, SourceThatCannotBeOpenedAndOutputThatCannotBeCreated) {
    std::string missing = in + "\\missing.wav";
    EXPECT_EQ(0, Convert(missing));
    EXPECT_EQ((std::vector<std::string>{Failed(FileFailure::kCantOpenShared, missing)}), events.Events());

    std::string src = WriteWav("a.wav", Pcm(2, 44100, 16), Counting(400));
    TestBatch().outputFolder = (folder / "no such folder").c_str();
    EXPECT_EQ(0, Convert(src));
    EXPECT_EQ(Failed(FileFailure::kCantCreate, folder / "no such folder\\a.wav"), events.Last());

    // An output path of 260 bytes or more is refused, not cut.
    std::string deep = out;
    while (deep.size() < 240) deep = deep + "\\" + std::string(20, 'd');
    TestBatch().outputFolder = deep.c_str();
    EXPECT_EQ(0, Convert(src));
    ASSERT_EQ(3u, events.Count());
    EXPECT_EQ(Failed(FileFailure::kCantCreate, deep + "\\a.wav"), events.Last()) << "the whole path, not cut";
}

TEST_F(ConvertFileTest, ASourceWithNoDataGivesAnEmptyValidFileThatCounts) {
    std::string src = WriteWav("empty.wav", Pcm(2, 44100, 16), {});
    ASSERT_EQ(1, Convert(src)) << events.Text();
    WavFile w = ReadOutput(out + "\\empty.wav");
    ASSERT_TRUE(w.ok);
    EXPECT_EQ(44u, w.fileSize);
    EXPECT_EQ(36u, w.riffSize);
    EXPECT_EQ(0u, w.dataSize);
}

// The full disk comes after the overwrite question, and nothing is written.
TEST_F(ConvertFileTest, AFullDiskIsToldAfterTheOverwriteQuestion) {
    std::string good = WriteWav("good.wav", Pcm(2, 44100, 16), Counting(4000));
    ASSERT_TRUE(WriteBytes(out + "\\good.wav", {1}));
    CTestThread thread;
    g_freeBytes = 100;
    thread.m_pfnFreeSpace = &FixedFreeSpace;
    EXPECT_EQ(0, Convert(good, &thread));
    EXPECT_EQ((std::vector<std::string>{OverwriteAsked(out + "\\good.wav"), "disk full"}), events.Events());
    EXPECT_EQ((std::vector<uint8_t>{1}), ReadBytes(out + "\\good.wav"));
}

TEST_F(ConvertFileTest, LowFreeSpaceStopsTheBatchWithoutWritingTheBlock) {
    std::string src = WriteWav("big.wav", Pcm(2, 44100, 16), Tone16(44100 * 3, 2, 44100, 9000));
    CTestThread thread;
    g_freeBytes = 1023;
    thread.m_pfnFreeSpace = &FixedFreeSpace;
    EXPECT_EQ(0, Convert(src, &thread));
    EXPECT_EQ((std::vector<std::string>{"disk full"}), events.Events());
    EXPECT_EQ(1u, TestBatch().stopRequested.load());
    EXPECT_EQ(1023u, TestBatch().freeBytes.load());
    EXPECT_TRUE(FilesIn(out).empty()) << "the file does not count and leaves nothing";

    g_freeBytes = 1024;
    TestBatch().stopRequested = 0;
    CTestThread enough;
    enough.m_pfnFreeSpace = &FixedFreeSpace;
    EXPECT_EQ(1, Convert(src, &enough));
}

// A free-space query that fails (a share's root, say) means "unknown": the file
// converts, no full-disk stop, and the label shows nothing rather than a number.
TEST_F(ConvertFileTest, AFailedFreeSpaceQueryIsUnknownNotFull) {
    EXPECT_EQ(kFreeSpaceUnknown, QueryFreeSpace("Q:\\no such drive\\"));
    EXPECT_NE(kFreeSpaceUnknown, QueryFreeSpace(out.c_str()));
    std::string src = WriteWav("a.wav", Pcm(2, 44100, 16), Tone16(44100 * 3, 2, 44100, 9000));
    CTestThread thread;
    g_freeBytes = kFreeSpaceUnknown;
    thread.m_pfnFreeSpace = &FixedFreeSpace;
    EXPECT_EQ(1, Convert(src, &thread)) << events.Text();
    EXPECT_EQ(0u, events.Count()) << events.Text();
    EXPECT_EQ(0u, TestBatch().stopRequested.load());
    EXPECT_EQ(3u * 176400, ReadOutput(out + "\\a.wav").data.size());
}

// A real full disk. With several files at once, another file may meet it
// first: it tells, stops the batch and deletes its temporary file, so the
// query after this file's failed write finds room again. That is still the
// full disk (told once, by the other file), not a file that could not be written.
uint64_t RoomGivenBackByAnotherFile(const char* folder) {
    if (QueryFreeSpace(folder) == 0) {
        TestBatch().diskFull = 1;
        TestBatch().stopRequested = 1;
    }
    return uint64_t(1) << 30;
}

class RealFullDiskTest : public ConvertFileTest, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override {
        const char* disk = getenv("WAVORY_SMALL_DISK");
        if (!disk || !*disk) GTEST_SKIP() << "no small disk: the test runner could not mount one";
        small = disk;
        TestFolder::Remove(small + "\\out");
        CreateDirectoryA((small + "\\out").c_str(), nullptr);
        TestBatch().outputFolder = (small + "\\out").c_str();
        TestBatch().diskFull = 0;
        if (AnotherFileMetItFirst()) thread.m_pfnFreeSpace = &RoomGivenBackByAnotherFile;
    }
    void TearDown() override {
        TestBatch().diskFull = 0;
        if (!small.empty()) TestFolder::Remove(small + "\\out");
    }
    bool AnotherFileMetItFirst() const { return GetParam(); }
    void ExpectTheFullDisk(int result, const std::string& what) {
        EXPECT_EQ(0, result);
        const std::vector<std::string> told =
            AnotherFileMetItFirst() ? std::vector<std::string>{} : std::vector<std::string>{"disk full"};
        EXPECT_EQ(told, events.Events()) << what;
        EXPECT_EQ(1u, TestBatch().stopRequested.load());
        EXPECT_EQ(1u, TestBatch().diskFull.load());
        EXPECT_TRUE(FilesIn(small + "\\out").empty()) << "no partial file on the full disk";
    }

    std::string small;
    CTestThread thread;
};

TEST_P(RealFullDiskTest, ADiskThatFillsMidBlockIsTheFullDisk) {
    std::string src = WriteWav("big.wav", Pcm(2, 44100, 16), Tone16(44100 * 4, 2, 44100, 9000));
    ExpectTheFullDisk(Convert(src, &thread), "a disk that fills mid-block is a full disk");
}

// A file's last bytes wait in its write buffer until the header is rewritten
// at the end: a disk that fills up right there is the full disk too (box and
// stop), not a failed file after which the batch would go on.
TEST_P(RealFullDiskTest, ADiskThatFillsUpWithTheLastBufferedBytesIsTheFullDisk) {
    // The 256 KiB disk keeps exactly the 43 pages of a one-second file's first
    // 176128 bytes; its last 316 bytes need one page more.
    std::string filler = small + "\\filler.bin";
    ASSERT_TRUE(WriteBytes(filler, std::vector<uint8_t>(262144 - 176128)));
    std::string src = WriteWav("one.wav", Pcm(2, 44100, 16), Tone16(44100, 2, 44100, 9000));
    const int result = Convert(src, &thread);
    DeleteFileA(filler.c_str());
    ExpectTheFullDisk(result, "the last buffered bytes did not fit");
}

INSTANTIATE_TEST_SUITE_P(FullDisk, RealFullDiskTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "AnotherFileMetItFirst" : "ThisFileMetIt";
                         });

// A disk that fails in the middle of a file (reads fail from byte 100000 to
// 200000 there): the file is not converted, an existing output stays as it
// was, nothing is left behind, and the user is told.
TEST_F(ConvertFileTest, ASourceThatCannotBeReadToItsEndFailsTheFile) {
    const char* disk = getenv("WAVORY_FAILING_DISK");
    const char* source = getenv("WAVORY_FAILING_SOURCE");
    if (!disk || !*disk || !source) GTEST_SKIP() << "no failing disk: the test runner could not mount one";
    env.Set(settings::kPromptBefore, 0);
    ASSERT_TRUE(WriteBytes(std::string(source) + "\\broken.wav",
                           CanonicalWav(Pcm(2, 44100, 16), Tone16(44100 * 5, 2, 44100, 9000))));
    ASSERT_TRUE(WriteBytes(out + "\\broken.wav", {1, 2, 3}));
    std::string src = std::string(disk) + "\\broken.wav";
    EXPECT_EQ(0, Convert(src));
    EXPECT_EQ((std::vector<std::string>{Failed(FileFailure::kCantReadToEnd, src)}), events.Events());
    EXPECT_EQ((std::vector<uint8_t>{1, 2, 3}), ReadBytes(out + "\\broken.wav")) << "the existing output was replaced";
    EXPECT_EQ(1u, FilesIn(out).size()) << "a temporary file was left";
}

// A disk whose rewrites fail (from byte 100000 to 200000): the conversion's own
// pass writes, but the normalisation pass over the file cannot. The file fails,
// an existing output stays as it was, and nothing is left behind.
TEST_F(ConvertFileTest, ANormalisationPassThatCannotWriteFailsTheFile) {
    const char* disk = getenv("WAVORY_REWRITE_FAILING_DISK");
    if (!disk || !*disk) GTEST_SKIP() << "no rewrite-failing disk: the test runner could not mount one";
    std::string target = std::string(disk) + "\\normalise";
    TestFolder::Remove(target);  // whatever an earlier run left
    ASSERT_TRUE(CreateDirectoryA(target.c_str(), nullptr)) << "error " << GetLastError();
    TestBatch().outputFolder = target.c_str();
    env.Set(settings::kPromptBefore, 0);
    std::vector<uint8_t> tone = Tone16(44100 * 2, 2, 44100, 3000);
    std::string src = WriteWav("quiet.wav", Pcm(2, 44100, 16), tone);
    ASSERT_EQ(1, Convert(src)) << "without normalisation the disk takes the file: " << events.Text();
    EXPECT_EQ(tone, ReadOutput(target + "\\quiet.wav").data);

    ASSERT_TRUE(WriteBytes(target + "\\quiet.wav", {1, 2, 3}));
    env.Set(settings::kVolumeNormalize, 1);
    EXPECT_EQ(0, Convert(src));
    EXPECT_EQ((std::vector<std::string>{Failed(FileFailure::kCantWrite, target + "\\quiet.wav")}), events.Events());
    EXPECT_EQ((std::vector<uint8_t>{1, 2, 3}), ReadBytes(target + "\\quiet.wav")) << "a part-scaled file took its place";
    EXPECT_EQ(1u, FilesIn(target).size()) << "a temporary file was left";
    TestFolder::Remove(target);
}

// A header that declares sound the file does not hold: no 44-byte "converted" file.
TEST_F(ConvertFileTest, ASourceThatDeclaresSoundButHoldsNoneFails) {
    std::vector<uint8_t> bytes = CanonicalWav(Pcm(2, 44100, 16), Counting(40000));
    bytes.resize(44);  // the header alone, still declaring 40000 bytes
    std::string src = in + "\\cut.wav";
    ASSERT_TRUE(WriteBytes(src, bytes));
    EXPECT_EQ(0, Convert(src));
    EXPECT_EQ((std::vector<std::string>{Failed(FileFailure::kCantReadToEnd, src)}), events.Events());
    EXPECT_TRUE(FilesIn(out).empty());
}

// A stop that comes before the first block starts nothing: no empty file in the
// place of an existing output, and nothing counted.
TEST_F(ConvertFileTest, CancelBeforeTheCopyLoopStartsNothing) {
    env.Set(settings::kPromptBefore, 0);
    std::string src = WriteWav("a.wav", Pcm(2, 44100, 16), Counting(40000));
    ASSERT_TRUE(WriteBytes(out + "\\a.wav", {1, 2, 3}));
    TestBatch().stopRequested = 1;
    EXPECT_EQ(0, Convert(src));
    EXPECT_EQ((std::vector<uint8_t>{1, 2, 3}), ReadBytes(out + "\\a.wav"));
    EXPECT_EQ(1u, FilesIn(out).size()) << "no temporary file left";
}

TEST_F(ConvertFileTest, ProgressOfAFileWithNoDeclaredSizeStaysZero) {
    std::vector<uint8_t> bytes = CanonicalWav(Pcm(2, 44100, 16), Counting(176400 * 2));
    memset(&bytes[40], 0, 4);
    std::string src = in + "\\nosize.wav";
    ASSERT_TRUE(WriteBytes(src, bytes));
    ASSERT_EQ(1, Convert(src));
    EXPECT_EQ(Counting(176400 * 2), ReadOutput(out + "\\nosize.wav").data) << "read to the end of the file";
}

TEST_F(ConvertFileTest, CancelMidFileLeavesAShorterValidFileThatCounts) {
    std::vector<uint8_t> data = Tone16(44100 * 5, 2, 44100, 9000);
    std::string src = WriteWav("long.wav", Pcm(2, 44100, 16), data);
    env.Set(settings::kVolumeNormalize, 1);  // a cancelled file is not normalised
    events.onProgress = [this](uint32_t) {
        if (events.steps == 2) TestBatch().stopRequested = 1;
    };
    EXPECT_EQ(1, Convert(src));
    WavFile w = ReadOutput(out + "\\long.wav");
    ASSERT_TRUE(w.ok);
    ASSERT_EQ(2u * 176400, w.data.size());
    EXPECT_EQ(w.data.size(), w.dataSize);
    EXPECT_TRUE(std::equal(w.data.begin(), w.data.end(), data.begin())) << "converted data kept, unscaled";
}

namespace {
uint64_t Fnv1a(const std::vector<uint8_t>& bytes) {
    uint64_t h = 0xcbf29ce484222325ull;
    for (uint8_t b : bytes) h = (h ^ b) * 0x100000001b3ull;
    return h;
}
}  // namespace

// The 8- and 16-bit outputs stay what the program wrote before wide targets
// came: the hashes are of the previous release's WavoryCmd output from the same
// fixtures (resampled, dithered from 24 bits and float, mono to stereo, to 8 bits).
TEST_F(ConvertFileTest, CdAndEightBitOutputsAreByteIdenticalToBefore) {
    struct Golden {
        const char* source;
        size_t size;
        uint64_t cd, eightBit;
    };
    const Golden golden[] = {{"sine48", 529244, 0x90e3197bf0e91ca2ull, 0xbd459ec6ccd82515ull},
                             {"s24_ext", 352844, 0xbc56c984e0d81ddaull, 0xc700f440c97e452dull},
                             {"float_mono", 352844, 0xe55c411b2ef6dd36ull, 0xb9f8c150850ee273ull},
                             {"src_mono_22050", 705644, 0xcfd8cc3dff575fb2ull, 0x16a75dcb15e367f0ull},
                             {"src_stereo_44100", 882044, 0x6b2bd0bc55f8a18aull, 0x4fb5b8ac803236f3ull}};
    for (bool eightBit : {false, true}) {
        env.Set(settings::kFormat, eightBit ? settings::kFormatStored : settings::kFormatCd);
        settings::WriteStoredFormat(env.app, Pcm(1, 22050, 8));
        for (const Golden& g : golden) {
            SCOPED_TRACE(std::string(g.source) + (eightBit ? " to 22050 Hz 8-bit mono" : " to CD"));
            ASSERT_EQ(1, Convert(FixturePath(std::string(g.source) + ".wav"))) << events.Text();
            std::string output = out + "\\" + g.source + ".wav";
            std::vector<uint8_t> bytes = ReadBytes(output);
            if (!eightBit) {
                EXPECT_EQ(g.size, bytes.size());
            }
            EXPECT_EQ(eightBit ? g.eightBit : g.cd, Fnv1a(bytes)) << "the file is not as before, " << bytes.size()
                                                                   << " bytes";
            ASSERT_GE(bytes.size(), 44u);
            EXPECT_EQ(0, memcmp(&bytes[36], "data", 4)) << "the 44-byte header";
            DeleteFileA(output.c_str());
        }
    }
}

namespace {
// A sparse file: the header, then length bytes the file system never stores.
bool WriteSparse(const std::string& path, const std::vector<uint8_t>& header, uint64_t length) {
    CFileHandle file(CreateFileW(TestPath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    LARGE_INTEGER end;
    end.QuadPart = static_cast<LONGLONG>(header.size() + length);
    return file.IsValid() && WriteFile(file, header.data(), static_cast<DWORD>(header.size()), &written, nullptr) &&
           SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && SetEndOfFile(file);
}

uint64_t FileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(TestPath(path).c_str(), GetFileExInfoStandard, &data)) return 0;
    return (uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::vector<uint8_t> FirstBytes(const std::string& path, size_t n) {
    std::vector<uint8_t> bytes(n);
    CFileHandle file(CreateFileW(TestPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    DWORD got = 0;
    if (!file.IsValid() || !ReadFile(file, bytes.data(), static_cast<DWORD>(n), &got, nullptr)) got = 0;
    bytes.resize(got);
    return bytes;
}

// An RF64 source of dataBytes of silence in the given format, ds64 first.
std::vector<uint8_t> Rf64Head(const WAVEFORMATEX& f, uint64_t dataBytes) {
    std::vector<uint8_t> ds64, v;
    for (uint64_t x : {uint64_t(4 + 36 + 24 + 8) + dataBytes, dataBytes, dataBytes / f.nBlockAlign}) {
        Put32(ds64, static_cast<uint32_t>(x));
        Put32(ds64, static_cast<uint32_t>(x >> 32));
    }
    Put32(ds64, 0);
    PutTag(v, "RF64");
    Put32(v, 0xFFFFFFFFu);
    PutTag(v, "WAVE");
    PutChunk(v, "ds64", ds64);
    PutChunk(v, "fmt ", FmtBody(f));
    PutTag(v, "data");
    Put32(v, 0xFFFFFFFFu);
    return v;
}
}  // namespace

// Past 4 GiB of data the sizes move to ds64. The source is a sparse RF64 file
// made here; both files are deleted afterwards. About half a minute each here.
void ConvertFileTest::ExpectRf64Output(const WAVEFORMATEX& format, uint32_t header) {
    const uint64_t dataBytes = (0x100000000ull / format.nBlockAlign + 1000) * format.nBlockAlign;
    std::string src = in + "\\big.wav", output = out + "\\big.wav";
    ASSERT_TRUE(WriteSparse(src, Rf64Head(format, dataBytes), dataBytes)) << "no room for a sparse source here";
    DWORD start = GetTickCount();
    int converted = Convert(src);
    RecordProperty("seconds", std::to_string((GetTickCount() - start) / 1000.0));
    DeleteFileW(TestPath(src).c_str());
    EXPECT_EQ(1, converted) << events.Text();
    const uint64_t size = FileSize(output);
    EXPECT_EQ(header + dataBytes, size);
    WavChunks head;
    head.bytes = FirstBytes(output, header);
    ASSERT_EQ(header, head.bytes.size());
    EXPECT_EQ(0, memcmp(&head.bytes[0], "RF64", 4));
    EXPECT_EQ(0xFFFFFFFFu, head.U32(4));
    EXPECT_EQ(0, memcmp(&head.bytes[12], "ds64", 4));
    EXPECT_EQ(28u, head.U32(16));
    EXPECT_EQ(size - 8, head.U64(20)) << "RIFF size in ds64";
    EXPECT_EQ(dataBytes, head.U64(28)) << "data size in ds64";
    EXPECT_EQ(dataBytes / format.nBlockAlign, head.U64(36)) << "frames in ds64";
    EXPECT_EQ(0, memcmp(&head.bytes[48], "fmt ", 4));
    EXPECT_EQ(0, memcmp(&head.bytes[header - 8], "data", 4));
    EXPECT_EQ(0xFFFFFFFFu, head.U32(header - 4));
    {
        CWavSource back;
        EXPECT_EQ(CWavSource::kOpened, back.Open(output.c_str())) << "our reader takes it";
        EXPECT_EQ(dataBytes, back.BytesToConvert());
        EXPECT_EQ(dataBytes, back.DeclaredDataSize());
        EXPECT_EQ(format.wBitsPerSample, back.Format().wBitsPerSample);
        EXPECT_EQ(WAVE_FORMAT_PCM, back.Format().wFormatTag);
    }
    DeleteFileW(TestPath(output).c_str());
}

// An extensible output turns the JUNK it kept into ds64.
TEST_F(ConvertFileTest, AWideOutputPastFourGiBIsRf64) {
    env.Set(settings::kFormat, settings::kFormatOriginal);
    ExpectRf64Output(Pcm(2, 44100, 24), 12 + 36 + 48 + 8);
}

// A 44-byte header has no room: the data moves up once to make it.
TEST_F(ConvertFileTest, ASixteenBitOutputPastFourGiBIsRf64) {
    env.Set(settings::kFormat, settings::kFormatOriginal);
    ExpectRf64Output(Pcm(2, 44100, 16), 12 + 36 + 24 + 8);
}
