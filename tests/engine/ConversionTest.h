// A fixture for tests that convert files one at a time: settings under a key of
// their own, an in and an out folder for each test, the batch aimed at out.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>

#include "decoders/FormatCheck.h"
#include "engine/BatchState.h"
#include "engine/DecodeThread.h"
#include "engine/PathRules.h"
#include "tests/engine/EngineFixtures.h"

namespace fixtures {

// A file that tools/make-fixtures.sh made, seen from the results folder.
inline std::string FixturePath(const std::string& name) {
    char cwd[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, cwd);
    return std::string(cwd) + "\\..\\..\\fixtures\\" + name;
}

class ConversionTest : public ::testing::Test {
protected:
    explicit ConversionTest(const char* appName)
        : env(appName), folder(::testing::UnitTest::GetInstance()->current_test_info()->name()) {
        out = folder.MakeDir("out");
        in = folder.MakeDir("in");
        BatchState& b = TestBatch();
        b.outputFolder = out.c_str();
        b.stopRequested = 0;
        b.processedCount = 0;
        b.totalCount = 1;
        b.fileChanged = 0;
        events.Reset();
    }
    // The engine tells; it never shows a box itself.
    ~ConversionTest() override {
        EXPECT_EQ(0u, boxes.Count()) << "the engine showed a box:\n" << boxes.Texts();
        events.Reset();  // no action of this test's stays behind
    }
    // A thread object made now reads the settings as they stand.
    int Convert(const std::string& source, CDecodeThread* custom = nullptr) {
        CTestThread own;
        CDecodeThread& t = custom ? *custom : own;
        return t.ConvertFile(GetFileType(source.c_str()), source.c_str());
    }
    // What a conversion may leave: either no file, or one sound, self-consistent
    // WAV of at most maxData bytes (then removed, for the next one).
    void ExpectSoundOrNothing(const std::string& what, int result, size_t maxData = SIZE_MAX) {
        std::vector<std::string> left = FilesIn(out);
        ASSERT_LE(left.size(), 1u) << what;
        if (result == 0) {
            EXPECT_TRUE(left.empty()) << what << ": a refused file left " << (left.empty() ? "" : left[0]);
            return;
        }
        ASSERT_EQ(1u, left.size()) << what << ": converted, but no output";
        WavFile w = ReadOutput(out + "\\" + left[0]);
        EXPECT_TRUE(w.ok) << what << ": the output is no WAV file";
        EXPECT_EQ(w.data.size(), w.dataSize) << what;
        EXPECT_EQ(w.fileSize - 8, w.riffSize) << what << ": the RIFF size is not where the file ends";
        EXPECT_LE(w.data.size(), maxData) << what << ": runaway output";
        EXPECT_TRUE(IsConsistentFormat(w.format)) << what << ": the output's format fields disagree";
        DeleteFileA((out + "\\" + left[0]).c_str());
    }
    // The output of a source, read back.
    WavFile OutputOf(const std::string& source) const {
        std::string name = FileNamePart(source.c_str());
        return ReadOutput(out + "\\" + name.substr(0, name.rfind('.')) + ".wav");
    }
    EngineApp env;
    TestFolder folder;
    std::string in, out;
    CRecordingEvents& events = TestEvents();
    MessageBoxRecorder boxes;
};

}  // namespace fixtures
