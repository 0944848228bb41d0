// Batches that convert several files at once: the same outputs and counts as
// one at a time, the bars and labels of one file, pause and cancel for all of
// them, one box for a full disk.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <mutex>
#include <random>
#include <set>

#include "decoders/SndStreamWinAmp.h"
#include "engine/BatchState.h"
#include "engine/DecodeThread.h"
#include "engine/PathRules.h"
#include "engine/TempOutput.h"
#include "tests/engine/ConversionTest.h"
#include "tests/engine/EngineFixtures.h"
#include "tests/engine/RecordingEvents.h"

using namespace fixtures;

namespace {
class ParallelBatchTest : public ::testing::TestWithParam<int> {
protected:
    ParallelBatchTest()
        : env("WavoryParallelTest"), folder(TestFolderName()) {
        env.Set(settings::kFilesAtOnce, GetParam());
        out = folder.MakeDir("out");
        StartBatch(out);
    }
    ~ParallelBatchTest() override {
        EXPECT_EQ(0u, boxes.Count()) << "the engine showed a box:\n" << boxes.Texts();
        TestBatch().FreeSources();
    }
    // What the dialog does as a batch starts.
    static void StartBatch(const std::string& outputFolder) {
        BatchState& b = TestBatch();
        b.outputFolder = outputFolder;
        b.filePercent = 0;
        b.totalPercent = 0;
        b.stopRequested = 0;
        ResetEvent(b.stoppedEvent);
    }
    std::string Wav(const std::string& name, size_t seconds, WAVEFORMATEX format = Pcm(2, 44100, 16)) {
        std::string path = folder / name;
        // Each file its own tone, so a file written in another's place shows.
        const double hz = 200.0 + 37.0 * static_cast<double>(name.size() + name[0]);
        EXPECT_TRUE(WriteBytes(path, CanonicalWav(format, Tone16(format.nSamplesPerSec * seconds, format.nChannels,
                                                                 format.nSamplesPerSec, 7000, hz))));
        return path;
    }
    // Runs a whole batch to its end on a thread of its own.
    void RunBatch(CDecodeThread& thread) {
        ASSERT_TRUE(thread.CreateThread());
        ASSERT_TRUE(WaitStopped()) << "the end of the batch was not signalled";
        ASSERT_TRUE(thread.Join(10000)) << "the thread did not end after its batch";
    }
    static bool WaitStopped(DWORD ms = 60000) {
        return PumpUntil([] { return WaitForSingleObject(TestBatch().stoppedEvent, 0) == WAIT_OBJECT_0; }, ms);
    }
    JobSettings Settings(int jobs) {
        JobSettings s = SavedSettings();
        s.jobs = jobs;
        return s;
    }
    EngineApp env;
    TestFolder folder;
    std::string out;
    CRecordingEvents events;
    MessageBoxRecorder boxes;
};

INSTANTIATE_TEST_SUITE_P(Jobs, ParallelBatchTest, ::testing::Values(2, 4),
                         [](const ::testing::TestParamInfo<int>& info) { return "Jobs" + std::to_string(info.param); });

struct BatchOutcome {
    std::vector<std::string> events;
    std::vector<FileReport> reports;
    std::map<std::string, std::vector<uint8_t>> files;  // every file of the output folder
    uint32_t total = 0, processed = 0, converted = 0;
};

std::vector<std::string> Sources(const std::vector<FileReport>& reports) {
    std::vector<std::string> sources;
    for (const FileReport& r : reports) sources.push_back(r.source);
    return sources;
}
}  // namespace

// WAV files of several lengths and formats (the 48 kHz and mono ones go
// through the converter), MP3 files through the decoder library and WMA files
// through the Windows Media reader, side by side.
TEST_P(ParallelBatchTest, MixedSourcesConvertExactlyAsOneAtATime) {
    ASSERT_EQ(1, SndStream().LoadPlugins()) << "mjm.dll beside the test";
    std::vector<std::string> sources = {
        Wav("a.wav", 3),         FixturePath("cbr128.mp3"), Wav("b48.wav", 2, Pcm(2, 48000, 16)),
        FixturePath("long.mp3"), Wav("c.wav", 1),           FixturePath("wmav2_stereo_44100.wma"),
        Wav("d mono.wav", 2, Pcm(1, 22050, 16)), FixturePath("vbr.mp3"), FixturePath("long.wma"),
        FixturePath("mono.mp3"), Wav("e.wav", 4),           FixturePath("wmav2_stereo_48000.wma")};
    auto run = [&](int jobs) {
        BatchOutcome o;
        std::string into = folder.MakeDir("out" + std::to_string(jobs));
        StartBatch(into);
        TestBatch().SetSources(sources);
        events.Reset();
        CDecodeThread thread(Settings(jobs), events, TestBatch());
        RunBatch(thread);
        o.events = events.Events();
        o.reports = events.Reports();
        for (const std::string& name : FilesIn(into)) o.files[name] = ReadBytes(into + "\\" + name);
        o.total = TestBatch().totalCount;
        o.processed = TestBatch().processedCount;
        o.converted = TestBatch().convertedCount;
        return o;
    };
    const BatchOutcome alone = run(1), together = run(GetParam());
    SndStream().UnloadPlugins();

    EXPECT_EQ((std::vector<std::string>{"gathering done", "conversion done", "batch ended"}), together.events);
    EXPECT_EQ(sources.size(), together.total);
    EXPECT_EQ(sources.size(), together.processed);
    EXPECT_EQ(sources.size(), together.converted) << "every file converted";
    EXPECT_EQ(sources, Sources(together.reports)) << "the results are counted in the order of the sources";
    ASSERT_EQ(alone.files.size(), together.files.size());
    std::set<std::string> fromWma;
    for (const FileReport& r : together.reports)
        if (GetFileType(r.source.c_str()) == kTypeWma) fromWma.insert(FileNamePart(r.output.c_str()));
    for (const auto& [name, bytes] : alone.files) {
        auto other = together.files.find(name);
        ASSERT_NE(together.files.end(), other) << name << " missing";
        if (fromWma.count(name)) {
            // Wine's WMA decoder gives a file's first packet, and last bits, differently from one reader to the next.
            EXPECT_EQ(bytes.size(), other->second.size()) << name;
            EXPECT_TRUE(SameWmaSound(ReadOutput(folder / "out1\\" + name).data,
                                     ReadOutput(folder / ("out" + std::to_string(GetParam()) + "\\" + name)).data,
                                     4 * 4096, 4))
                << name << " differs from the file converted alone";
            continue;
        }
        EXPECT_TRUE(bytes == other->second) << name << " differs from the file converted alone";
    }
    EXPECT_EQ(100u, TestBatch().filePercent.load());
    EXPECT_EQ(100, TestBatch().totalPercent.load());
}

// The total bar covers the batch and never goes back; the file bar and labels
// follow one file, the one converting longest, until it ends.
TEST_P(ParallelBatchTest, TheBarsFollowTheLongestRunningFileAndNeverGoBack) {
    std::vector<std::string> sources = {Wav("first.wav", 8), Wav("s1.wav", 1), Wav("s2.wav", 1), Wav("s3.wav", 1),
                                        Wav("last.wav", 2)};
    TestBatch().SetSources(sources);
    std::mutex lock;
    std::vector<int32_t> totals;
    std::vector<std::string> shown;  // the file label's changes
    events.onProgress = [&](uint32_t) {
        std::lock_guard<std::mutex> hold(lock);
        totals.push_back(TestBatch().totalPercent.load());
        BatchNames names;
        if (TestBatch().TakeNames(names) && (shown.empty() || shown.back() != names.currentFileName))
            shown.push_back(names.currentFileName);
    };
    CDecodeThread thread(Settings(GetParam()), events, TestBatch());
    RunBatch(thread);
    ASSERT_FALSE(shown.empty());
    std::set<std::string> distinct(shown.begin(), shown.end());
    EXPECT_EQ(shown.size(), distinct.size()) << "a file was shown again after another: the labels flickered";
    ASSERT_FALSE(totals.empty());
    EXPECT_TRUE(std::is_sorted(totals.begin(), totals.end())) << "the total bar went back";
    EXPECT_LE(totals.back(), 100);
    EXPECT_EQ(5u, TestBatch().convertedCount.load());
    EXPECT_EQ(sources, Sources(events.Reports())) << "ends are told in the order of the sources";
    for (const FileReport& r : events.Reports()) {
        EXPECT_TRUE(r.converted && !r.cut && !r.stopped) << r.source;
    }
}

// Two sources of the same name, from two folders, go to one output folder:
// the second waits for the first and then gets the numbered name, as one at a
// time; neither replaces the other.
TEST_P(ParallelBatchTest, TwoSourcesOfOneNameNeverWriteItTogether) {
    folder.MakeDir("one");
    folder.MakeDir("two");
    folder.MakeDir("three");
    const std::vector<std::string> sources = {Wav("one\\song.wav", 3), Wav("two\\song.wav", 2),
                                              Wav("three\\song.wav", 1, Pcm(2, 44100, 16))};
    TestBatch().SetSources(sources);
    CDecodeThread thread(Settings(GetParam()), events, TestBatch());
    RunBatch(thread);
    EXPECT_EQ(std::string::npos, events.Text().find("overwrite?")) << events.Text();
    std::vector<std::string> names = FilesIn(out);
    std::sort(names.begin(), names.end());
    EXPECT_EQ((std::vector<std::string>{"song (2).wav", "song (3).wav", "song.wav"}), names);
    std::multiset<size_t> sizes;
    for (const std::string& name : names) sizes.insert(ReadOutput(out + "\\" + name).data.size());
    EXPECT_EQ((std::multiset<size_t>{176400, 2 * 176400, 3 * 176400}), sizes) << "each source in a file of its own";
    std::set<std::string> outputs;
    for (const FileReport& r : events.Reports()) outputs.insert(r.output);
    EXPECT_EQ(3u, outputs.size()) << "each report names its own output";
}

// A Pause at a random step of the first file shown holds every file; Continue finishes them all as
// if nothing happened, and a Cancel instead leaves whole files, cut files with
// valid headers, no temporary file, and no file of the batch started after it.
TEST_P(ParallelBatchTest, PauseContinueAndCancelAtRandomPoints) {
    std::vector<std::string> sources;
    for (char c = 'a'; c <= 'h'; ++c) sources.push_back(Wav(std::string(1, c) + ".wav", 3));
    std::random_device device;
    const unsigned seed = device();
    std::mt19937 random(seed);
    for (int round = 0; round < 4; ++round) {
        const int pauseAt = std::uniform_int_distribution<int>(1, 3)(random);
        const bool cancel = round % 2 == 1;
        SCOPED_TRACE("seed " + std::to_string(seed) + ", round " + std::to_string(round) + ", paused at step " +
                     std::to_string(pauseAt) + (cancel ? ", cancelled" : ", continued"));
        TestFolder::Remove(out);
        CreateDirectoryA(out.c_str(), nullptr);
        StartBatch(out);
        TestBatch().SetSources(sources);
        events.Reset();
        CDecodeThread thread(Settings(GetParam()), events, TestBatch());
        std::atomic<int> step{0};
        events.onProgress = [&](uint32_t) {
            if (++step == pauseAt) thread.Pause();
        };
        ASSERT_TRUE(thread.CreateThread());
        ASSERT_TRUE(PumpUntil([&] { return thread.IsHolding(); }, 20000)) << "the batch was not held";
        const int32_t total = TestBatch().totalPercent;
        const size_t reportsHeld = events.Reports().size();
        EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(thread.m_hThread, 300)) << "held, not ended";
        EXPECT_EQ(total, TestBatch().totalPercent.load()) << "the total bar moved while paused";
        EXPECT_EQ(reportsHeld, events.Reports().size()) << "a file ended while paused";
        if (cancel) TestBatch().stopRequested = 1;
        thread.Continue();
        ASSERT_TRUE(WaitStopped());
        ASSERT_TRUE(thread.Join(10000));

        const std::vector<FileReport> reports = events.Reports();
        EXPECT_EQ(reports.size(), TestBatch().processedCount.load());
        uint32_t converted = 0;
        std::set<std::string> outputs;
        for (const FileReport& r : reports) {
            if (!r.converted) continue;
            ++converted;
            outputs.insert(FileNamePart(r.output.c_str()));
            WavFile w = ReadOutput(r.output);
            ASSERT_TRUE(w.ok) << r.output;
            EXPECT_EQ(w.data.size(), w.dataSize) << r.output << ": the header does not match the data";
            const std::vector<uint8_t> whole = ReadOutput(r.source).data;
            EXPECT_TRUE(w.data.size() <= whole.size() && std::equal(w.data.begin(), w.data.end(), whole.begin()))
                << r.output << " is not the start of its source";
            if (!r.cut) {
                EXPECT_EQ(whole.size(), w.data.size()) << r.output << " is cut but not reported so";
            }
        }
        EXPECT_EQ(converted, TestBatch().convertedCount.load());
        std::vector<std::string> names = FilesIn(out);
        EXPECT_EQ(std::set<std::string>(names.begin(), names.end()), outputs)
            << "only the outputs of converted files are there (no temporary file, nothing half made)";
        std::vector<std::string> told = Sources(reports);
        EXPECT_TRUE(std::equal(told.begin(), told.end(), sources.begin())) << "ends told out of order";
        if (!cancel) {
            EXPECT_EQ(sources.size(), converted);
            for (const FileReport& r : reports) {
                EXPECT_FALSE(r.cut) << r.source;
            }
        }
    }
}

// Two files fill the disk together: the batch stops once, with one box, and
// neither file is passed off as converted.
TEST_P(ParallelBatchTest, AFullDiskWithTwoWritersIsToldOnce) {
    const char* disk = getenv("WAVORY_SMALL_DISK");
    if (!disk || !*disk) GTEST_SKIP() << "no small disk: the test runner could not mount one";
    const std::string small = std::string(disk) + "\\parallel";
    TestFolder::Remove(small);
    CreateDirectoryA(small.c_str(), nullptr);
    StartBatch(small);
    TestBatch().SetSources({Wav("big1.wav", 4), Wav("big2.wav", 4), Wav("big3.wav", 4), Wav("big4.wav", 4)});
    CDecodeThread thread(Settings(GetParam()), events, TestBatch());
    RunBatch(thread);
    EXPECT_EQ((std::vector<std::string>{"gathering done", "disk full", "conversion done", "batch ended"}),
              events.Events());
    EXPECT_EQ(1u, TestBatch().stopRequested.load());
    EXPECT_EQ(0u, TestBatch().convertedCount.load());
    EXPECT_TRUE(FilesIn(small).empty()) << FilesIn(small).size() << " file(s) left on the full disk";
    for (const FileReport& r : events.Reports()) {
        EXPECT_FALSE(r.converted) << r.source;
    }
    TestFolder::Remove(small);
}
