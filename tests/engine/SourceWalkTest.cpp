#include <gtest/gtest.h>

#include <map>

#include "engine/BatchState.h"
#include "engine/DecodeThread.h"
#include "engine/OutputNames.h"
#include "engine/PathRules.h"
#include "tests/engine/RecordingEvents.h"
#include "tests/engine/EngineFixtures.h"

using namespace fixtures;

namespace {
// Runs the two passes on the test's own thread, the way the thread would.
class WalkTest : public ::testing::Test {
protected:
    WalkTest() : env("WavoryWalkTest"), folder(TestFolderName()) {
        // One file at a time unless a test asks for more: the machine's cores must not decide what it sees.
        env.Set(settings::kFilesAtOnce, 1);
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
        TestBatch().outputFolder = path.c_str();
    }
    void Sources(std::initializer_list<std::string> paths) {
        TestBatch().SetSources(paths);
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

// The same checks with one, two and four files converted at once.
class WalkJobsTest : public WalkTest, public ::testing::WithParamInterface<int> {
protected:
    WalkJobsTest() { env.Set(settings::kFilesAtOnce, GetParam()); }
};
}  // namespace

INSTANTIATE_TEST_SUITE_P(Jobs, WalkJobsTest, ::testing::Values(1, 2, 4),
                         [](const ::testing::TestParamInfo<int>& info) { return "Jobs" + std::to_string(info.param); });

TEST_P(WalkJobsTest, CountingFindsExactlyWhatConvertingConverts) {
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
    // However it is typed: a trailing backslash or another case is the same folder.
    SetOutput(wavOut + "\\");
    EXPECT_EQ(1u, Count());
    SetOutput(music + "\\WAV");
    EXPECT_EQ(1u, Count());
    // Or by another spelling of the same folder, which text cannot see: its 8.3 name.
    std::string longName = folder.MakeDir("Music\\Converted Output Folder");
    Wav(longName + "\\old2.wav");
    wchar_t shortName[MAX_PATH] = {};
    GetShortPathNameW(TestPath(longName).c_str(), shortName, MAX_PATH);
    std::string shortPath = TestName(shortName);
    if (shortPath.empty() || SameFolder(shortPath.c_str(), longName.c_str())) return;  // no 8.3 names on this volume
    SetOutput(shortPath);
    EXPECT_EQ(2u, Count()) << "the output folder " << shortPath << " was walked as a source";
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

TEST(OutputNames, NumberedTwinsAndMirroredFolders) {
    std::string out;
    ASSERT_TRUE(NumberedPath("C:\\Out\\01 Intro.wav", 2, out));
    EXPECT_EQ("C:\\Out\\01 Intro (2).wav", out);
    ASSERT_TRUE(NumberedPath("C:\\a.b\\noext", 3, out));
    EXPECT_EQ("C:\\a.b\\noext (3)", out) << "a dot in a folder's name is no extension";
    ASSERT_TRUE(NumberedPath(("C:\\" + std::string(250, 'n') + ".wav").c_str(), 10, out)) << "past MAX_PATH is fine";
    EXPECT_FALSE(NumberedPath(("C:\\" + std::string(kMaxPathBytes, 'n') + ".wav").c_str(), 10, out));
    EXPECT_EQ("", out);

    const char* file = "C:\\Music\\Album\\Disc 2\\01.mp3";
    ASSERT_TRUE(MirrorFolder("D:\\Out", "C:\\Music\\Album", file, out));
    EXPECT_EQ("D:\\Out\\Album\\Disc 2", out);
    ASSERT_TRUE(MirrorFolder("c:\\music", "C:\\Music\\Album", file, out));
    EXPECT_EQ("c:\\music\\Album (WAV)\\Disc 2", out) << "beside the sources, never into them";
    for (const char* root : {"C:\\", "c:"}) {
        ASSERT_TRUE(MirrorFolder(root, "C:\\Music", "C:\\Music\\Live\\a.mp3", out));
        EXPECT_EQ(std::string(root[2] ? "C:" : "c:") + "\\Music (WAV)\\Live", out)
            << "however the root is typed, the copy never falls into the sources: " << root;
    }
    ASSERT_TRUE(MirrorFolder("D:\\Out", "C:\\Music\\Album", "C:\\Music\\Album\\x.mp3", out));
    EXPECT_EQ("D:\\Out\\Album", out);
    ASSERT_TRUE(MirrorFolder("E:\\Out", "D:\\", "D:\\x.mp3", out));
    EXPECT_EQ("E:\\Out", out) << "a drive root has no name to keep";
    ASSERT_TRUE(MirrorFolder("E:\\Out", "D:\\", "D:\\Sub\\x.mp3", out));
    EXPECT_EQ("E:\\Out\\Sub", out);
    EXPECT_FALSE(MirrorFolder(("E:\\" + std::string(kMaxPathBytes, 'o')).c_str(), "C:\\M", "C:\\M\\deep\\x.mp3", out));

    COutputNames written;
    written.Add("C:\\Out\\A.wav");
    EXPECT_TRUE(written.Written("c:\\out\\a.WAV"));
    EXPECT_FALSE(written.Written("C:\\Out\\A (2).wav"));
}

// Two discs with a track of the same name, flat in one folder: the second gets
// a numbered name whatever the overwrite setting, and the prompt is only ever
// about a file that was there before the batch.
TEST_P(WalkJobsTest, ABatchNeverReplacesWhatItWroteItself) {
    std::string album = folder.MakeDir("Album");
    folder.MakeDir("Album\\Disc 1");
    folder.MakeDir("Album\\Disc 2");
    Wav(album + "\\Disc 1\\01 Intro.wav", 400);
    Wav(album + "\\Disc 2\\01 Intro.wav", 800);
    Sources({album});
    for (int prompt : {1, 0}) {
        env.Set(settings::kPromptBefore, prompt);
        TestFolder::Remove(out);
        CreateDirectoryA(out.c_str(), nullptr);
        events.Reset();
        EXPECT_EQ(2u, ConvertAllFiles()) << events.Text();
        EXPECT_EQ((std::vector<std::string>{"01 Intro (2).wav", "01 Intro.wav"}), FilesBelow(out));
        size_t sizes = ReadOutput(out + "\\01 Intro.wav").data.size() + ReadOutput(out + "\\01 Intro (2).wav").data.size();
        EXPECT_EQ(1200u, sizes) << "both discs' tracks are there";
        EXPECT_EQ(std::string::npos, events.Text().find("overwrite?")) << events.Text();
    }
    // Outputs from before the batch keep their question; taken numbers are
    // passed over, also where a folder holds the name.
    env.Set(settings::kPromptBefore, 1);
    ASSERT_TRUE(WriteBytes(out + "\\01 Intro (2).wav", {9}));
    ASSERT_TRUE(CreateDirectoryA((out + "\\01 Intro (3).wav").c_str(), nullptr));
    events.Reset();
    EXPECT_EQ(2u, ConvertAllFiles()) << events.Text();
    EXPECT_EQ((std::vector<std::string>{OverwriteAsked(out + "\\01 Intro.wav"), "conversion done"}), events.Events());
    EXPECT_EQ((std::vector<uint8_t>{9}), ReadBytes(out + "\\01 Intro (2).wav"));
    EXPECT_TRUE(ReadOutput(out + "\\01 Intro (4).wav").ok);
}

TEST_P(WalkJobsTest, KeptFoldersMirrorTheTreeBelowTheSelectedFoldersParent) {
    env.Set(settings::kKeepTree, 1);
    std::string album = folder.MakeDir("Album");
    folder.MakeDir("Album\\Disc 1");
    folder.MakeDir("Album\\Disc 2");
    folder.MakeDir("Album\\Disc 2\\Bonus");
    Wav(album + "\\cover.wav");
    Wav(album + "\\Disc 1\\01 Intro.wav");
    Wav(album + "\\Disc 2\\01 Intro.wav");
    Wav(album + "\\Disc 2\\Bonus\\01 Intro.wav");
    Wav(folder / "single.wav");
    Sources({album, folder / "single.wav"});
    EXPECT_EQ(5u, Count());
    EXPECT_EQ(5u, ConvertAllFiles()) << events.Text();
    EXPECT_EQ((std::vector<std::string>{"Album\\Disc 1\\01 Intro.wav", "Album\\Disc 2\\01 Intro.wav",
                                        "Album\\Disc 2\\Bonus\\01 Intro.wav", "Album\\cover.wav", "single.wav"}),
              FilesBelow(out))
        << "a file chosen by itself goes to the output folder itself";
}

TEST_P(WalkJobsTest, AKeptTreeBesideTheSourcesOrInsideThemIsNeverWalked) {
    env.Set(settings::kKeepTree, 1);
    std::string album = folder.MakeDir("Album");
    folder.MakeDir("Album\\Disc 1");
    Wav(album + "\\Disc 1\\01.wav");
    Wav(album + "\\02.wav");
    // The output folder is the one that holds the selected folder: a twin beside it.
    SetOutput(folder.Path());
    Sources({album});
    EXPECT_EQ(2u, ConvertAllFiles()) << events.Text();
    EXPECT_TRUE(ReadOutput(folder / "Album (WAV)\\Disc 1\\01.wav").ok);
    EXPECT_TRUE(ReadOutput(folder / "Album (WAV)\\02.wav").ok);
    EXPECT_EQ((std::vector<std::string>{"02.wav", "Disc 1\\01.wav"}), FilesBelow(album)) << "the sources untouched";
    // The output folder inside the selected one, typed otherwise than the walk
    // finds it: its new folders are never walked into.
    std::string inside = album + "\\Out";
    CreateDirectoryA(inside.c_str(), nullptr);
    std::string typed = inside + "\\";
    CharUpperBuffA(&typed[typed.size() - 4], 3);
    SetOutput(typed);
    EXPECT_EQ(2u, Count());
    EXPECT_EQ(2u, ConvertAllFiles()) << events.Text();
    EXPECT_EQ((std::vector<std::string>{"Album\\02.wav", "Album\\Disc 1\\01.wav"}), FilesBelow(inside));
}

TEST_F(WalkTest, AStopInAKeptTreeLeavesWholeFilesAndTheOneCutFile) {
    env.Set(settings::kKeepTree, 1);
    std::string album = folder.MakeDir("Album");
    folder.MakeDir("Album\\A");
    folder.MakeDir("Album\\B");
    for (const char* name : {"A\\1.wav", "A\\2.wav", "B\\1.wav", "B\\2.wav"}) Wav(album + "\\" + name, 176400 * 4);
    Sources({album});
    // The stop comes in the third file, as a Cancel would.
    events.onProgress = [](uint32_t) {
        if (TestBatch().processedCount.load() == 2) TestBatch().stopRequested = 1;
    };
    EXPECT_EQ(3u, ConvertAllFiles()) << "the cut file counts, as a cancelled file does";
    std::vector<std::string> files = FilesBelow(out);
    ASSERT_EQ(3u, files.size()) << "no temporary file, nothing after the stop";
    size_t whole = 0;
    for (const std::string& f : files) {
        WavFile w = ReadOutput(out + "\\" + f);
        EXPECT_TRUE(w.ok) << f;
        whole += w.data.size() == 176400u * 4;
    }
    EXPECT_EQ(2u, whole) << "two whole files and the cut one (the listing decides which)";
}

// A rerun that asked for a code page must really have it, or it tests nothing new.
TEST(CodePage, IsTheOneTheRunAskedFor) {
    const char* expected = getenv("WAVORY_EXPECT_ACP");
    if (!expected) GTEST_SKIP() << "this run asked for no code page";
    EXPECT_EQ(static_cast<UINT>(atoi(expected)), GetACP()) << "is the Unix locale of the run installed?";
}

namespace {
// Names of many scripts, in UTF-8 (the sources stay ASCII).
const std::string kCafe = "Caf\xC3\xA9 Cr\xC3\xA8me";
const std::string kJapanese = "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE3\x81\xAE\xE6\x9B\xB2";
const std::string kEmoji = "\xF0\x9F\x8E\xB5 emoji";  // beyond the basic plane: a surrogate pair in UTF-16
const std::string kCzech = "Dvo\xC5\x99\xC3\xA1k";
const std::string kPolish = "\xC5\x81\xC3\xB3" "d\xC5\xBA";     // best fit in code page 1252 gives its twin...
const std::string kPolishTwin = "L\xC3\xB3" "dz";                 // ...this other recording
const std::string kCyrillic = "\xD0\x9F\xD0\xB5\xD1\x81\xD0\xBD\xD1\x8F";
// In code page 932 the second byte of each of these is 0x5C, a backslash.
const std::string kSo = "\xE3\x82\xBD", kHyo = "\xE8\xA1\xA8", kNo = "\xE8\x83\xBD";
const std::string kAlbum = "\xE3\x82\xA2\xE3\x83\xAB\xE3\x83\x90\xE3\x83\xA0";
}  // namespace

TEST_P(WalkJobsTest, EveryNameWindowsCanHoldConvertsToAWavOfTheSameName) {
    std::string music = folder.MakeDir(kSo + kHyo + kNo);
    std::string album = folder.MakeDir(kSo + kHyo + kNo + "\\" + kAlbum);
    const std::vector<std::string> names = {kCafe, kJapanese, kEmoji, kCzech, kPolish, kPolishTwin, kCyrillic, kSo};
    // Each file's bytes differ, so a file converted in another's place shows.
    std::map<std::string, std::vector<uint8_t>> expected;
    for (size_t i = 0; i < names.size(); ++i) {
        expected[names[i] + ".wav"] = Counting(400 + 4 * i);
        ASSERT_TRUE(WriteBytes(music + "\\" + names[i] + ".wav", CanonicalWav(Pcm(2, 44100, 16), expected[names[i] + ".wav"])));
    }
    expected[kNo + ".wav"] = Counting(1000);
    ASSERT_TRUE(WriteBytes(album + "\\" + kNo + ".wav", CanonicalWav(Pcm(2, 44100, 16), expected[kNo + ".wav"])));
    Sources({music});
    EXPECT_EQ(names.size() + 1, Count());
    EXPECT_EQ(names.size() + 1, ConvertAllFiles()) << events.Text();
    std::vector<std::string> outputs = FilesIn(out);
    std::sort(outputs.begin(), outputs.end());
    std::vector<std::string> wanted;
    for (const auto& name : expected) wanted.push_back(name.first);
    EXPECT_EQ(wanted, outputs);
    for (const auto& name : expected) {
        WavFile w = ReadOutput(out + "\\" + name.first);
        EXPECT_TRUE(w.ok && w.data == name.second) << name.first << " holds another file's sound or none";
    }
    EXPECT_EQ(names.size(), FilesIn(music).size()) << "no source touched, nothing written beside them";
}

TEST_P(WalkJobsTest, FoldersPastMaxPathAreWalkedAndWrittenInto) {
    // Three levels of 100 characters: over 300 in all, in the sources and in the output folder.
    std::string deep = folder.Path();
    for (int level = 0; level < 3; ++level) {
        deep += "\\" + std::string(90, static_cast<char>('a' + level)) + kJapanese;
        ASSERT_TRUE(CreateDirectoryW(TestPath(deep).c_str(), nullptr)) << deep;
    }
    ASSERT_GT(deep.size(), 300u);
    std::string deepOut = deep + "\\out " + kEmoji;
    ASSERT_TRUE(CreateDirectoryW(TestPath(deepOut).c_str(), nullptr));
    ASSERT_TRUE(WriteBytes(deep + "\\" + kCzech + ".wav", CanonicalWav(Pcm(2, 44100, 16), Counting(800))));
    SetOutput(deepOut);
    Sources({folder.Path() + "\\" + std::string(90, 'a') + kJapanese});
    EXPECT_EQ(1u, Count());
    EXPECT_EQ(1u, ConvertAllFiles()) << events.Text();
    WavFile w = ReadOutput(deepOut + "\\" + kCzech + ".wav");
    EXPECT_TRUE(w.ok && w.data == Counting(800)) << "the output at " << deepOut.size() << " bytes of path";
    EXPECT_EQ((std::vector<std::string>{kCzech + ".wav"}), FilesIn(deepOut)) << "no temporary file left";
}
