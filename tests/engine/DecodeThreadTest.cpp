#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <mutex>

#include "engine/BatchState.h"
#include "engine/DecodeThread.h"
#include "engine/PathRules.h"
#include "engine/TempOutput.h"
#include "tests/engine/EngineFixtures.h"
#include "tests/engine/RecordingEvents.h"

using namespace fixtures;

namespace {
class DecodeThreadTest : public ::testing::Test {
protected:
    DecodeThreadTest()
        : env("WavoryThreadTest"), folder(TestFolderName()) {
        // One file at a time unless a test asks for more: the machine's cores must not decide what it sees.
        env.Set(settings::kFilesAtOnce, 1);
        out = folder.MakeDir("out");
        BatchState& b = TestBatch();
        b.outputFolder = out.c_str();
        // The dialog's batch start.
        b.filePercent = 0;
        b.totalPercent = 0;
        b.stopRequested = 0;
        ResetEvent(b.stoppedEvent);
    }
    ~DecodeThreadTest() override { TestBatch().FreeSources(); }
    void Sources(const std::vector<std::string>& paths) {
        TestBatch().SetSources(paths);
    }
    std::string Wav(const std::string& name, size_t seconds) {
        std::string path = folder / name;
        EXPECT_TRUE(WriteBytes(path, CanonicalWav(Pcm(2, 44100, 16), Tone16(44100 * seconds, 2, 44100, 7000))));
        return path;
    }
    bool WaitStopped(DWORD ms = 10000) {
        return PumpUntil([&] { return WaitForSingleObject(TestBatch().stoppedEvent, 0) == WAIT_OBJECT_0; }, ms);
    }
    EngineApp env;
    TestFolder folder;
    std::string out;
    CRecordingEvents events;
    MessageBoxRecorder boxes;  // none is expected: the engine shows none
};

// The same checks with one, two and four files converted at once.
class DecodeThreadJobsTest : public DecodeThreadTest, public ::testing::WithParamInterface<int> {
protected:
    DecodeThreadJobsTest() { env.Set(settings::kFilesAtOnce, GetParam()); }
};

// A thread on the tests' batch with the stored settings, telling the recorder.
struct RecordedThread : CDecodeThread {
    explicit RecordedThread(IJobEvents& events) : CDecodeThread(SavedSettings(), events, TestBatch()) {}
};
}  // namespace

INSTANTIATE_TEST_SUITE_P(Jobs, DecodeThreadJobsTest, ::testing::Values(1, 2, 4),
                         [](const ::testing::TestParamInfo<int>& info) { return "Jobs" + std::to_string(info.param); });

TEST_F(DecodeThreadTest, ThreeFilesShareTheTotalBarEquallyAndMessagesComeInOrder) {
    Sources({Wav("a.wav", 3), Wav("b.wav", 3), Wav("c.wav", 3)});
    // The total bar at every step.
    std::mutex lock;
    std::vector<std::pair<uint32_t, int32_t>> samples;  // processedCount, totalPercent
    events.onProgress = [&](uint32_t) {
        std::lock_guard<std::mutex> guard(lock);
        samples.emplace_back(TestBatch().processedCount.load(), TestBatch().totalPercent.load());
    };
    RecordedThread thread(events);
    ASSERT_TRUE(thread.CreateThread());
    ASSERT_TRUE(WaitStopped()) << "the end of every batch is signalled";
    ASSERT_TRUE(thread.Join(5000)) << "the thread ends after its batch";
    EXPECT_EQ((std::vector<std::string>{"gathering done", "conversion done", "batch ended"}), events.Events());

    EXPECT_EQ(3u, TestBatch().totalCount.load());
    EXPECT_EQ(3u, TestBatch().convertedCount.load());
    EXPECT_EQ(100u, TestBatch().filePercent.load());
    EXPECT_EQ(100, TestBatch().totalPercent.load());
    ASSERT_GE(samples.size(), 9u);
    int32_t last = 0;
    for (auto [file, total] : samples) {
        EXPECT_GE(total, static_cast<int32_t>(33 * file)) << "file " << file;
        EXPECT_LE(total, static_cast<int32_t>(33 * file + 33)) << "file " << file;
        EXPECT_GE(total, last) << "the total bar never goes back";
        last = total;
    }
    EXPECT_EQ(1, TestBatch().phase.load());
    std::vector<FileReport> reports = events.Reports();
    ASSERT_EQ(3u, reports.size()) << "one report a file";
    for (const FileReport& r : reports) {
        EXPECT_TRUE(r.converted && !r.stopped && !r.cut) << r.source;
        EXPECT_DOUBLE_EQ(3.0, r.seconds) << r.source;
        EXPECT_EQ(out + "\\" + FileNamePart(r.source.c_str()), r.output);
    }
    EXPECT_EQ(folder / "c.wav", reports[2].source) << "in the order of the sources";
    EXPECT_DOUBLE_EQ(3.0, events.lastSeconds.load()) << "the steps tell the sound written";
}

TEST_P(DecodeThreadJobsTest, CancelDuringGatheringPostsNoConversionDone) {
    // The drive-root box of the counting pass is where the user cancels.
    TestBatch().outputFolder = "Z:\\wavory-test-out";
    Sources({"Z:\\", Wav("a.wav", 1)});
    events.onDriveRoot = [] { TestBatch().stopRequested = 1; };
    RecordedThread thread(events);
    ASSERT_TRUE(thread.CreateThread());
    ASSERT_TRUE(WaitStopped());
    ASSERT_TRUE(thread.Join(5000));
    EXPECT_EQ((std::vector<std::string>{"drive root Z:\\", "gathering done", "batch ended"}), events.Events());
    EXPECT_TRUE(FilesIn(out).empty());
}

namespace {
// Pauses the thread at its third step, as if the user had pressed Pause just
// then, and tells the test.
struct PausingThread {
    PausingThread() : event(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
        events.onProgress = [this](uint32_t) {
            if (events.steps != 3) return;
            thread.Pause();
            SetEvent(event);
        };
    }
    bool WaitPaused() { return WaitForSingleObject(event, 10000) == WAIT_OBJECT_0; }
    CHandle event;
    CRecordingEvents events;
    RecordedThread thread{events};
};
}  // namespace

TEST_P(DecodeThreadJobsTest, PauseHoldsTheProgressAndContinueGoesOnFromThere) {
    Sources({Wav("long.wav", 20)});
    PausingThread p;
    ASSERT_TRUE(p.thread.CreateThread());
    ASSERT_TRUE(p.WaitPaused());
    EXPECT_TRUE(p.thread.IsPaused());
    // Paused right after a block, the thread holds before the next.
    ASSERT_TRUE(PumpUntil([&] { return TestBatch().filePercent.load() == 15; })) << "at " << TestBatch().filePercent.load();
    uint32_t held = TestBatch().filePercent;
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(p.thread.m_hThread, 300)) << "held, not ended";
    EXPECT_EQ(held, TestBatch().filePercent.load()) << "no progress while paused";
    EXPECT_EQ(3, p.events.steps.load()) << "no block converted while paused";
    EXPECT_EQ(15u, held) << "3 of 20 one-second blocks";
    p.thread.Continue();
    ASSERT_TRUE(WaitStopped());
    ASSERT_TRUE(p.thread.Join(5000));
    EXPECT_EQ(1u, TestBatch().convertedCount.load());
    EXPECT_EQ(20u * 176400, ReadOutput(out + "\\long.wav").data.size()) << "resumed where it stopped";
}

TEST_F(DecodeThreadTest, CancelConfirmedWhilePausedStopsAtOnceWithAValidFile) {
    Sources({Wav("long.wav", 20), Wav("next.wav", 1)});
    PausingThread p;
    ASSERT_TRUE(p.thread.CreateThread());
    ASSERT_TRUE(p.WaitPaused());
    // What the dialog does on Cancel, Yes: stop, then let the thread go on.
    TestBatch().stopRequested = 1;
    p.thread.Continue();
    ASSERT_TRUE(WaitStopped());
    ASSERT_TRUE(p.thread.Join(5000));
    WavFile w = ReadOutput(out + "\\long.wav");
    ASSERT_TRUE(w.ok);
    EXPECT_EQ(3u * 176400, w.data.size());
    EXPECT_EQ(w.data.size(), w.dataSize);
    EXPECT_FALSE(Exists(out + "\\next.wav"));
    EXPECT_EQ(1u, TestBatch().convertedCount.load()) << "the cancelled file counts";
    std::vector<FileReport> reports = p.events.Reports();
    ASSERT_EQ(1u, reports.size()) << "the next file was never taken up";
    EXPECT_TRUE(reports[0].converted && reports[0].stopped && reports[0].cut);
    EXPECT_DOUBLE_EQ(3.0, reports[0].seconds) << "what the cut file holds";
    EXPECT_EQ((std::vector<std::string>{"gathering done", "conversion done", "batch ended"}), p.events.Events());
}

TEST_F(DecodeThreadTest, SettingsAreTakenWhenTheThreadObjectIsBuilt) {
    env.Set(settings::kVolumeNormalize, 1);
    env.Set(settings::kNormalizeValue, 55);
    env.Set(settings::kNotDisplayErrInfo, 1);
    env.Set(settings::kPromptBefore, 0);
    env.Set(settings::kFormat, settings::kFormatStored);
    TestBatch().totalCount = 9;
    RecordedThread thread(events);
    env.Set(settings::kNormalizeValue, 20);
    env.Set(settings::kFormat, settings::kFormatCd);
    EXPECT_EQ(JobSettings::Target::kStored, thread.m_settings.target) << "the format too, for every file of the batch";
    EXPECT_TRUE(thread.m_settings.volumeNormalize);
    EXPECT_EQ(55, thread.m_settings.normalizeValue);
    EXPECT_TRUE(thread.m_settings.notDisplayErrInfo);
    EXPECT_FALSE(thread.m_settings.promptBefore);
    EXPECT_EQ(0u, TestBatch().totalCount.load());
    env.Set(settings::kFilesAtOnce, 3);
    EXPECT_EQ(1, thread.m_settings.jobs);
    EXPECT_EQ(3, RecordedThread(events).m_settings.jobs);
}

TEST(FilesAtOnce, OneACoreUnlessSetAndNeverMoreThanEight) {
    EXPECT_EQ(4, ResolveJobs(0, 4)) << "unset: one a core";
    EXPECT_EQ(1, ResolveJobs(0, 1));
    EXPECT_EQ(8, ResolveJobs(0, 64)) << "a big machine still converts eight at most";
    EXPECT_EQ(1, ResolveJobs(0, 0)) << "a count the system did not give";
    EXPECT_EQ(3, ResolveJobs(3, 16));
    EXPECT_EQ(8, ResolveJobs(8, 2)) << "more than the cores, when asked";
    EXPECT_EQ(2, ResolveJobs(9, 2)) << "a stored value out of range is taken as unset";
    EXPECT_EQ(2, ResolveJobs(-1, 2));
}

TEST_P(DecodeThreadJobsTest, ABatchWithNothingConvertibleEndsNormally) {
    std::string txt = folder / "notes.txt";
    ASSERT_TRUE(WriteBytes(txt, {1}));
    Sources({txt});
    RecordedThread thread(events);
    ASSERT_TRUE(thread.CreateThread());
    ASSERT_TRUE(WaitStopped());
    ASSERT_TRUE(thread.Join(5000));
    EXPECT_EQ(0u, TestBatch().totalCount.load());
    EXPECT_EQ(0u, TestBatch().convertedCount.load());
    EXPECT_EQ(100u, TestBatch().filePercent.load());
    EXPECT_EQ(100, TestBatch().totalPercent.load());
}

// The dialog's Cancel holds the thread while it asks. Here the hold comes while
// the thread shows the first file's error box, so the thread waits between the
// files; the Yes that follows must not start the next one (whose output exists).
TEST_F(DecodeThreadTest, ACancelConfirmedBetweenFilesStartsNoFurtherFile) {
    env.Set(settings::kPromptBefore, 0);
    std::string bad = folder / "bad.wav";
    ASSERT_TRUE(WriteBytes(bad, std::vector<uint8_t>(100, 'x')));
    ASSERT_TRUE(WriteBytes(out + "\\good.wav", {1, 2, 3}));
    Sources({bad, Wav("good.wav", 1)});
    RecordedThread thread(events);
    events.onFailure = [&](FileFailure) { thread.Pause(); };
    ASSERT_TRUE(thread.CreateThread());
    // Held between the files: past the first one's count, at the next file's safe point.
    bool between = PumpUntil([&] { return TestBatch().processedCount.load() == 1 && thread.IsHolding(); }, 10000);
    TestBatch().stopRequested = 1;
    thread.Continue();
    ASSERT_TRUE(between) << "the first file was not done";
    ASSERT_TRUE(WaitStopped());
    ASSERT_TRUE(thread.Join(5000));
    EXPECT_EQ((std::vector<uint8_t>{1, 2, 3}), ReadBytes(out + "\\good.wav")) << "the existing output was replaced";
    EXPECT_EQ(0u, TestBatch().convertedCount.load());
    std::vector<FileReport> reports = events.Reports();
    ASSERT_EQ(1u, reports.size());
    EXPECT_EQ(bad, reports[0].source);
    EXPECT_FALSE(reports[0].converted);
    EXPECT_EQ(0.0, reports[0].seconds);
}

namespace {
uint64_t FailingFreeSpace(const char*) { throw std::bad_alloc(); }
}  // namespace

// An exception inside the batch still ends it in order: the stop signal, the
// end message, and no half-written output left behind.
TEST_P(DecodeThreadJobsTest, AFailureInsideTheBatchStillAnnouncesItsEnd) {
    Sources({Wav("a.wav", 2)});
    RecordedThread thread(events);
    thread.m_pfnFreeSpace = &FailingFreeSpace;
    ASSERT_TRUE(thread.CreateThread());
    EXPECT_TRUE(WaitStopped()) << "stoppedEvent never set";
    EXPECT_TRUE(events.WaitEnded()) << "no end told";
    EXPECT_EQ("batch ended", events.Events().back());
    ASSERT_TRUE(thread.Join(5000));
    EXPECT_TRUE(FilesIn(out).empty()) << "left behind: " << FilesIn(out).size() << " file(s)";
}

TEST(TempOutputNames, OnlyOurOwnPattern) {
    for (const char* name : {"wvy1.tmp", "wvyA1B2.tmp", "WVYff.TMP"}) EXPECT_TRUE(IsTempOutputName(name)) << name;
    for (const char* name : {"wvy.tmp", "wvy12345.tmp", "wvyZZ.tmp", "wvy1.tmpx", "other.tmp", "xwvy1.tmp"})
        EXPECT_FALSE(IsTempOutputName(name)) << name;
}

// What a killed run left in the output folder goes at the next batch there:
// only our own temporary files, only old ones, never one that is open.
TEST_P(DecodeThreadJobsTest, TemporaryFilesAKilledRunLeftAreRemovedAtTheNextBatch) {
    auto make = [&](const std::string& name, bool old) {
        std::string path = out + "\\" + name;
        EXPECT_TRUE(WriteBytes(path, {1}));
        if (!old) return;
        CFileHandle file(CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        FILETIME now;
        GetSystemTimeAsFileTime(&now);
        ULARGE_INTEGER t{{now.dwLowDateTime, now.dwHighDateTime}};
        t.QuadPart -= 2ull * 24 * 3600 * 10000000;  // two days ago
        FILETIME then{t.LowPart, t.HighPart};
        EXPECT_TRUE(SetFileTime(file, nullptr, nullptr, &then));
    };
    make("wvyA1B2.tmp", true);
    make("wvy1.tmp", false);
    make("other.tmp", true);
    make("wvyZZ.tmp", true);
    make("wvyC3.tmp", true);
    // A conversion under way elsewhere keeps its file open.
    CFileHandle live(CreateFileA((out + "\\wvyC3.tmp").c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 0, nullptr));
    ASSERT_TRUE(live.IsValid());
    Sources({Wav("a.wav", 1)});
    RecordedThread thread(events);
    ASSERT_TRUE(thread.CreateThread());
    ASSERT_TRUE(WaitStopped());
    ASSERT_TRUE(thread.Join(5000));
    std::vector<std::string> left = FilesIn(out);
    std::sort(left.begin(), left.end());
    EXPECT_EQ((std::vector<std::string>{"a.wav", "other.tmp", "wvy1.tmp", "wvyC3.tmp", "wvyZZ.tmp"}), left);
}
