#include <gtest/gtest.h>

#include "engine/BatchState.h"
#include "engine/DecodeThread.h"
#include "tests/engine/EngineFixtures.h"

using namespace fixtures;

namespace {
// Runs the two passes on the test's own thread, the way the thread would.
class WalkTest : public ::testing::Test {
protected:
    WalkTest() : env("WavoryWalkTest"), folder(::testing::UnitTest::GetInstance()->current_test_info()->name()) {
        out = folder.MakeDir("out");
        SetOutput(out);
        TestBatch().stopRequested = 0;
        events.Reset();
        GetCurrentDirectoryA(MAX_PATH, startDir);
    }
    ~WalkTest() override {
        EXPECT_EQ(0u, boxes.Count()) << "the engine showed a box:\n" << boxes.Texts();
        events.Reset();
        SetCurrentDirectoryA(startDir);
        TestBatch().FreeSources();
    }
    void SetOutput(const std::string& path) {
        memset(TestBatch().outputFolder, 0, kPathBufferSize);
        strcpy(TestBatch().outputFolder, path.c_str());
    }
    void Sources(std::initializer_list<std::string> paths) {
        TestBatch().AllocateSources(static_cast<int32_t>(paths.size()));
        int i = 0;
        for (const auto& p : paths) TestBatch().SetSource(i++, p.c_str());
    }
    void Wav(const std::string& path, size_t bytes = 400) {
        ASSERT_TRUE(WriteBytes(path, CanonicalWav(Pcm(2, 44100, 16), Counting(bytes))));
    }
    uint32_t Count() {
        CTestThread thread;
        thread.GatherInformation();
        return TestBatch().totalCount;
    }
    uint32_t ConvertAllFiles() {
        CTestThread thread;
        thread.ConvertAll();
        return TestBatch().convertedCount;
    }
    EngineApp env;
    TestFolder folder;
    std::string out;
    char startDir[MAX_PATH];
    CRecordingEvents& events = TestEvents();
    MessageBoxRecorder boxes;
};
}  // namespace

TEST_F(WalkTest, CountingFindsExactlyWhatConvertingConverts) {
    std::string music = folder.MakeDir("Music");
    std::string sub = folder.MakeDir("Music\\Sub");
    Wav(folder / "a.wav");
    Wav(music + "\\one.wav");
    Wav(music + "\\two.WAVE");
    Wav(sub + "\\three.wav");
    ASSERT_TRUE(WriteBytes(music + "\\notes.txt", {1}));
    ASSERT_TRUE(WriteBytes(music + "\\old.mp2", {1}));
    Sources({folder / "a.wav", music});
    EXPECT_EQ(4u, Count());
    EXPECT_EQ(4u, ConvertAllFiles()) << events.Text();
    EXPECT_EQ(4u, TestBatch().processedCount.load());
    EXPECT_EQ(100, TestBatch().totalPercent.load());
    auto files = FilesIn(out);
    std::sort(files.begin(), files.end());
    EXPECT_EQ((std::vector<std::string>{"a.wav", "one.wav", "three.wav", "two.wav"}), files);
}

TEST_F(WalkTest, WithoutSubfoldersOnlyTheFolderItselfIsTaken) {
    std::string music = folder.MakeDir("Music");
    std::string sub = folder.MakeDir("Music\\Sub");
    Wav(music + "\\one.wav");
    Wav(sub + "\\deep.wav");
    Sources({music});
    JobSettings flat = SavedSettings();
    flat.walkSubfolders = false;
    CTestThread counting(flat);
    counting.GatherInformation();
    EXPECT_EQ(1u, TestBatch().totalCount.load());
    CTestThread converting(flat);
    converting.ConvertAll();
    EXPECT_EQ(1u, TestBatch().convertedCount.load()) << events.Text();
    EXPECT_EQ((std::vector<std::string>{"one.wav"}), FilesIn(out));
}

TEST_F(WalkTest, HiddenAndSystemFilesAreFound) {
    std::string src = folder.MakeDir("src");
    Wav(src + "\\h.wav");
    SetFileAttributesA((src + "\\h.wav").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    Sources({src});
    EXPECT_EQ(1u, Count());
}

TEST_F(WalkTest, TheOutputFolderIsNeverWalked) {
    std::string music = folder.MakeDir("Music");
    std::string wavOut = folder.MakeDir("Music\\Wav");
    Wav(music + "\\a.wav");
    Wav(wavOut + "\\old.wav");
    SetOutput(wavOut);
    Sources({music});
    EXPECT_EQ(1u, Count());
    // Written with a trailing backslash the paths differ, and the folder is entered.
    SetOutput(wavOut + "\\");
    EXPECT_EQ(2u, Count());
}

TEST_F(WalkTest, ASourceEqualToTheOutputFolderContributesNothing) {
    Wav(out + "\\a.wav");
    Sources({out});
    EXPECT_EQ(0u, Count());
    EXPECT_EQ((std::vector<std::string>{"gathering done"}), events.Events()) << "nothing else told";
}

TEST_F(WalkTest, DotFoldersAndPageFileFoldersAreSkippedButADotMp3FileIsNot) {
    std::string src = folder.MakeDir("src");
    folder.MakeDir("src\\.hidden");
    folder.MakeDir("src\\pagefile.sys");
    Wav(src + "\\.hidden\\x.wav");
    Wav(src + "\\pagefile.sys\\y.wav");
    ASSERT_TRUE(WriteBytes(src + "\\.mp3", {0}));
    Sources({src});
    EXPECT_EQ(1u, Count());
}

TEST_F(WalkTest, DriveRootHoldingTheOutputIsRefusedAndToldOnlyWhenCounting) {
    // Z: is the whole file system under Wine: the rule must keep the walk out of it.
    SetOutput("Z:\\wavory-test-out");
    Sources({"Z:\\"});
    EXPECT_EQ(0u, Count());
    EXPECT_EQ((std::vector<std::string>{"drive root Z:\\", "gathering done"}), events.Events());
    EXPECT_EQ(0u, ConvertAllFiles());
    EXPECT_EQ((std::vector<std::string>{"drive root Z:\\", "gathering done", "conversion done"}), events.Events())
        << "not told again when converting";
}

TEST_F(WalkTest, AFolderThatCannotBeEnteredIsSkippedNotWalkedTwice) {
    std::string src = folder.MakeDir("src");
    Wav(src + "\\a.wav");
    Sources({src, folder / "no such folder", src + "\\a.wav"});
    EXPECT_EQ(2u, Count());
}

TEST_F(WalkTest, ALinkBackToAnAncestorDoesNotRecurse) {
    std::string src = folder.MakeDir("src");
    Wav(src + "\\a.wav");
    std::string link = src + "\\loop";
    if (!CreateSymbolicLinkA(link.c_str(), src.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY))
        GTEST_SKIP() << "directory links cannot be made here (error " << GetLastError() << ")";
    Sources({src});
    EXPECT_EQ(1u, Count()) << "the link is not followed";
    RemoveDirectoryA(link.c_str());
}

// The walk lists folders by their full paths: the process's current directory
// stays where it was, before, during and after every file of every subfolder.
TEST_F(WalkTest, TheWalkNeverChangesTheCurrentDirectory) {
    std::string music = folder.MakeDir("Music");
    folder.MakeDir("Music\\Disc 1");
    std::string deep = folder.MakeDir("Music\\Disc 1\\Bonus");
    Wav(music + "\\one.wav");
    Wav(deep + "\\two.wav");
    Sources({music});
    ASSERT_TRUE(SetCurrentDirectoryA(out.c_str()));
    char before[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, before);
    std::vector<std::string> seen;
    events.onProgress = [&seen](uint32_t) {
        char here[MAX_PATH] = {};
        GetCurrentDirectoryA(MAX_PATH, here);
        seen.push_back(here);
    };
    CTestThread thread;
    thread.ConvertAll();
    EXPECT_EQ(2u, TestBatch().convertedCount.load());
    ASSERT_EQ(2u, seen.size()) << "one step for each file";
    for (const std::string& during : seen) EXPECT_EQ(before, during) << "during a file";
    char after[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, after);
    EXPECT_STREQ(before, after);
}

TEST_F(WalkTest, StopRequestEndsCountingAndConverting) {
    std::string src = folder.MakeDir("src");
    for (int i = 0; i < 5; ++i) Wav(src + "\\f" + std::to_string(i) + ".wav");
    Sources({src});
    TestBatch().stopRequested = 1;
    EXPECT_EQ(0u, Count());
    EXPECT_EQ(0u, ConvertAllFiles());
    EXPECT_TRUE(FilesIn(out).empty());
}

TEST_F(WalkTest, StopRequestDuringConvertingEndsTheWalkAfterTheCurrentFile) {
    std::string src = folder.MakeDir("src");
    for (int i = 0; i < 5; ++i) Wav(src + "\\f" + std::to_string(i) + ".wav");
    Sources({src});
    // The overwrite question of the second file is where the user cancels.
    Wav(out + "\\f1.wav");
    Wav(out + "\\f0.wav");
    Wav(out + "\\f2.wav");
    Wav(out + "\\f3.wav");
    Wav(out + "\\f4.wav");
    int asked = 0;
    events.overwrite = false;
    events.onOverwrite = [&] {
        if (++asked == 2) TestBatch().stopRequested = 1;
    };
    EXPECT_EQ(0u, ConvertAllFiles());
    EXPECT_EQ(2, asked) << "no file after the stop request: " << events.Text();
    EXPECT_EQ(2u, TestBatch().processedCount.load());
}
