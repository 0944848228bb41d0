// A batch of several files at once with a decoder library that offers no
// decoder instances (ours, built without that export, beside this test): its
// MP3 files go one at a time while the other workers take the other files,
// and everything converts as it does one file at a time.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "decoders/SndStreamWinAmp.h"
#include "engine/DecodeThread.h"
#include "engine/PathRules.h"
#include "tests/engine/ConversionTest.h"
#include "tests/engine/EngineFixtures.h"
#include "tests/engine/RecordingEvents.h"

using namespace fixtures;

TEST(SingleDecoder, Mp3FilesGoOneAtATimeAndTheBatchConvertsAsAlone) {
    EngineApp env("WavorySingleDecoderTest");
    TestFolder folder(TestFolderName());
    MessageBoxRecorder boxes;
    ASSERT_EQ(1, SndStream().LoadPlugins()) << "the library beside the test";
    EXPECT_EQ(1, SndStream().StreamCount()) << "a library without the instance export gives one decoder";
    std::vector<std::string> sources;
    for (const char* mp3 : {"cbr128.mp3", "long.mp3", "mono.mp3", "vbr.mp3"}) {
        sources.push_back(FixturePath(mp3));
        std::string wav = folder / (std::string("w") + mp3 + ".wav");
        ASSERT_TRUE(WriteBytes(wav, CanonicalWav(Pcm(2, 44100, 16), Tone16(44100 * 2, 2, 44100, 5000))));
        sources.push_back(wav);
    }
    auto run = [&](int jobs) {
        std::string out = folder.MakeDir("out" + std::to_string(jobs));
        BatchState& b = TestBatch();
        b.outputFolder = out;
        b.stopRequested = 0;
        ResetEvent(b.stoppedEvent);
        b.SetSources(sources);
        CRecordingEvents events;
        JobSettings settings = SavedSettings();
        settings.jobs = jobs;
        CDecodeThread thread(settings, events, b);
        EXPECT_TRUE(thread.CreateThread());
        EXPECT_TRUE(PumpUntil([&] { return WaitForSingleObject(b.stoppedEvent, 0) == WAIT_OBJECT_0; }, 120000));
        EXPECT_TRUE(thread.Join(10000));
        EXPECT_EQ(sources.size(), b.convertedCount.load()) << events.Text();
        EXPECT_EQ(sources.size(), b.processedCount.load());
        std::set<std::string> told;
        for (const FileReport& r : events.Reports()) told.insert(r.source);
        EXPECT_EQ(std::set<std::string>(sources.begin(), sources.end()), told) << "every file told once";
        std::map<std::string, std::vector<uint8_t>> files;
        for (const std::string& name : FilesIn(out)) files[name] = ReadBytes(out + "\\" + name);
        return files;
    };
    const auto alone = run(1), together = run(4);
    SndStream().UnloadPlugins();
    EXPECT_EQ(sources.size(), together.size());
    EXPECT_TRUE(alone == together) << "the outputs differ from one file at a time";
    EXPECT_EQ(0u, boxes.Count()) << boxes.Texts();
}
