// A fixture for tests that convert files one at a time: settings under a key of
// their own, an in and an out folder for each test, the batch aimed at out.
#pragma once
#include <gtest/gtest.h>

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
        memset(b.outputFolder, 0, sizeof(b.outputFolder));
        strcpy(b.outputFolder, out.c_str());
        b.stopRequested = 0;
        b.processedCount = 0;
        b.totalCount = 1;
        b.fileChanged = 0;
    }
    // A thread object made now reads the settings as they stand.
    int Convert(const std::string& source, CDecodeThread* custom = nullptr) {
        CTestThread own;
        CDecodeThread& t = custom ? *custom : own;
        return t.ConvertFile(GetFileType(source.c_str()), source.c_str());
    }
    // The output of a source, read back.
    WavFile OutputOf(const std::string& source) const {
        std::string name = FileNamePart(source.c_str());
        return ReadOutput(out + "\\" + name.substr(0, name.rfind('.')) + ".wav");
    }
    EngineApp env;
    TestFolder folder;
    std::string in, out;
    MessageBoxRecorder boxes;
};

}  // namespace fixtures
