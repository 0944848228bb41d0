#include <gtest/gtest.h>

#include <algorithm>

#include "Version.h"
#include "acmdriver/PcmFormats.h"
#include "decoders/SndStreamWinAmp.h"
#include "engine/DecodeThread.h"
#include "console/ConsoleOutput.h"
#include "tests/console/CmdProcess.h"
#include "tests/engine/ConversionTest.h"
#include "tests/engine/EngineFixtures.h"
#include "tests/engine/RecordingEvents.h"

using namespace fixtures;

namespace {
std::wstring Quoted(const std::string& path) { return L"\"" + Widen(path) + L"\""; }

bool CopyFixture(const std::string& name, const std::string& to) {
    return CopyFileA(FixturePath(name).c_str(), to.c_str(), FALSE) != 0;
}

struct CmdOutcome {
    DWORD code;
    std::string out, err;
    std::vector<std::map<std::string, std::string>> json;  // one per line of output
};

// Every file under folder, by its path below it, with its bytes.
std::map<std::string, std::vector<uint8_t>> Contents(const std::string& folder) {
    std::map<std::string, std::vector<uint8_t>> files;
    for (const std::string& name : FilesBelow(folder)) files[name] = ReadBytes(folder + "\\" + name);
    return files;
}

class WavoryCmd : public ::testing::Test {
protected:
    // The program's own settings, which the console reads, in a scratch state.
    WavoryCmd() : env(settings::kProgramName), folder(::testing::UnitTest::GetInstance()->current_test_info()->name()) {
        out = folder / "out";
    }
    static std::wstring Exe() {
        char cwd[MAX_PATH];
        GetCurrentDirectoryA(MAX_PATH, cwd);
        return Widen(std::string(cwd) + "\\..\\app\\WavoryCmd.exe");
    }
    CmdOutcome Run(const std::wstring& args) {
        CCmdProcess cmd(Exe(), args);
        EXPECT_TRUE(cmd.Started());
        CmdOutcome o{cmd.Wait(120000), cmd.Out(), cmd.Err(), {}};
        bool json = args.find(L"--json") != std::wstring::npos;
        for (const std::string& line : Lines(o.out)) {
            if (!json) continue;
            o.json.push_back(CJsonLine::Parse(line));
            EXPECT_FALSE(o.json.back().empty()) << "not JSON: " << line;
        }
        return o;
    }
    // The engine itself, in this process, on the same sources with the same settings.
    void EngineConvert(const std::vector<std::string>& sources, const std::string& output, const JobSettings& s) {
        ASSERT_EQ(1, SndStream().LoadPlugins());
        BatchState batch;
        batch.outputFolder = output.c_str();
        batch.SetSources(sources);
        CRecordingEvents events;
        CDecodeThread thread(s, events, batch);
        ASSERT_TRUE(thread.CreateThread());
        bool ended = events.WaitEnded(120000);
        EXPECT_TRUE(ended) << "the engine did not end its batch; told so far:\n" << events.Text();
        if (!ended) {
            // Stopped as a Cancel stops it, so that the suite goes on and reports.
            batch.stopRequested = 1;
            SndStream().ReleaseReader();
            if (!thread.Join(30000)) TerminateThread(thread.m_hThread, 1);
        }
        thread.Join();
    }
    std::string Tree() {
        std::string src = folder.MakeDir("src");
        folder.MakeDir("src\\sub");
        folder.MakeDir("src\\sub\\deep");
        EXPECT_TRUE(CopyFixture("src_stereo_44100.wav", src + "\\a.wav"));
        EXPECT_TRUE(CopyFixture("cbr128.mp3", src + "\\b.mp3"));
        EXPECT_TRUE(CopyFixture("wmav2_stereo_44100.wma", src + "\\sub\\c.wma"));
        EXPECT_TRUE(CopyFixture("mono.mp3", src + "\\sub\\deep\\d.mp3"));
        return src;
    }
    EngineApp env;
    TestFolder folder;
    std::string out;
};

// The Windows Media runtime here decodes its start-up frames differently from
// run to run (and a normalisation then scales by a different peak): a WMA
// source's output is compared by its header and length; the others exactly.
bool SameOutput(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b, bool fromWma) {
    const size_t header = 44;
    if (!fromWma || a.size() != b.size() || a.size() < header) return a == b;
    return std::equal(a.begin(), a.begin() + header, b.begin());
}

const std::map<std::string, std::string>* Find(const CmdOutcome& o, const std::string& name, const std::string& value) {
    for (const auto& j : o.json) {
        auto it = j.find(name);
        if (it != j.end() && it->second.find(value) != std::string::npos) return &j;
    }
    return nullptr;
}
}  // namespace

TEST_F(WavoryCmd, TheSameFilesAsTheProgramsEngineForEveryTypeAndATree) {
    std::string src = Tree();
    struct Case {
        const wchar_t* args;
        JobSettings settings;
    };
    JobSettings resampled = SavedSettings();
    resampled.target = JobSettings::Target::kStored;
    resampled.storedFormat = MakePcm(1, 22050, 8);
    resampled.volumeNormalize = true;
    resampled.normalizeValue = 90;
    int run = 0;
    for (const Case& c : {Case{L"", SavedSettings()}, Case{L"-f 22050:8:1 --normalize=90", resampled}}) {
        // Each run's files stay for a look when they differ.
        std::string out = folder / ("out" + std::to_string(++run));
        std::string reference = folder / ("reference" + std::to_string(run));
        CreateDirectoryA(reference.c_str(), nullptr);
        CmdOutcome o = Run(std::wstring(c.args) + L" -o " + Quoted(out) + L" " + Quoted(src));
        EXPECT_EQ(0u, o.code) << o.err;
        EngineConvert({src}, reference, c.settings);
        std::map<std::string, std::vector<uint8_t>> mine = Contents(out), theirs = Contents(reference);
        EXPECT_EQ(4u, mine.size()) << "every file of the tree, flat in the output folder";
        for (const auto& [name, bytes] : theirs)
            EXPECT_TRUE(mine.count(name) && SameOutput(mine[name], bytes, name == "c.wav"))
                << name << " differs with options [" << c.args << "]";
    }
}

TEST_F(WavoryCmd, TheSavedOptionsAreTheDefaultsAndAreNeverWritten) {
    std::string in = folder.MakeDir("in");
    ASSERT_TRUE(CopyFixture("src_stereo_44100.wav", in + "\\a.wav"));
    env.Set(settings::kFormat, settings::kFormatStored);
    settings::WriteStoredFormat(env.app, MakePcm(1, 8000, 8));
    CmdOutcome o = Run(L"-o " + Quoted(out) + L" " + Quoted(in));
    ASSERT_EQ(0u, o.code) << o.err;
    WavFile w = ReadOutput(out + "\\a.wav");
    EXPECT_EQ(8000u, w.format.nSamplesPerSec);
    EXPECT_EQ(8, w.format.wBitsPerSample);
    o = Run(L"-y -f cd -o " + Quoted(out) + L" " + Quoted(in));
    ASSERT_EQ(0u, o.code) << o.err;
    EXPECT_EQ(44100u, ReadOutput(out + "\\a.wav").format.nSamplesPerSec);
    EXPECT_EQ(settings::kFormatStored, settings::Read(env.app, settings::kFormat)) << "the line never writes the options";
    EXPECT_EQ(8000, settings::Read(env.app, settings::kSamplesPerSec));
}

TEST_F(WavoryCmd, ExistingOutputsAreSkippedAndSaidUnlessReplaced) {
    std::string in = folder.MakeDir("in");
    ASSERT_TRUE(CopyFixture("src_mono_8000.wav", in + "\\a.wav"));
    CreateDirectoryA(out.c_str(), nullptr);
    ASSERT_TRUE(WriteBytes(out + "\\a.wav", {1, 2, 3}));
    CmdOutcome o = Run(L"--json -o " + Quoted(out) + L" " + Quoted(in + "\\a.wav"));
    EXPECT_EQ(1u, o.code) << "a skipped file is no success";
    EXPECT_NE(std::string::npos, o.err.find(out + "\\a.wav: exists; skipped")) << o.err;
    EXPECT_EQ((std::vector<uint8_t>{1, 2, 3}), ReadBytes(out + "\\a.wav"));
    ASSERT_TRUE(Find(o, "status", "skipped")) << o.out;
    ASSERT_TRUE(Find(o, "summary.skipped", "1")) << o.out;
    o = Run(L"-y -o " + Quoted(out) + L" " + Quoted(in + "\\a.wav"));
    EXPECT_EQ(0u, o.code) << o.err;
    EXPECT_TRUE(ReadOutput(out + "\\a.wav").ok);
}

TEST_F(WavoryCmd, UsageErrorsExitTwoAndHelpAndVersionZero) {
    for (const wchar_t* args : {L"", L"--frobnicate a.wav", L"-f 48000:12:2 a.wav", L"a.wav -o"}) {
        CmdOutcome o = Run(args);
        EXPECT_EQ(2u, o.code) << "[" << args << "] " << o.err;
        EXPECT_NE(std::string::npos, o.err.find("Try WavoryCmd --help")) << o.err;
    }
    CmdOutcome o = Run(L"--help");
    EXPECT_EQ(0u, o.code);
    EXPECT_NE(std::string::npos, o.out.find("Exit codes: 0 every file converted")) << o.out;
    o = Run(L"--version");
    EXPECT_EQ(0u, o.code);
    EXPECT_EQ("WavoryCmd " WAVORY_VERSION_TEXT, Lines(o.out).at(0));
    // An output folder that cannot be made is a usage error, found before any work.
    std::string blocker = folder / "file";
    ASSERT_TRUE(WriteBytes(blocker, {1}));
    o = Run(L"-o " + Quoted(blocker + "\\sub") + L" " + Quoted(FixturePath("src_mono_8000.wav")));
    EXPECT_EQ(2u, o.code) << o.err;
    // Drive X: of the test prefix is a CD-ROM drive.
    o = Run(L"-o X:\\Out " + Quoted(FixturePath("src_mono_8000.wav")));
    EXPECT_EQ(2u, o.code) << o.err;
    EXPECT_NE(std::string::npos, o.err.find("X:\\Out: can't write WAV files to a CD or DVD drive")) << o.err;
}

TEST_F(WavoryCmd, DamagedAndMissingInputsGiveOneLineEachAndTheOthersConvert) {
    std::string in = folder.MakeDir("in");
    ASSERT_TRUE(WriteBytes(in + "\\bad.mp3", std::vector<uint8_t>(5000, 'x')));
    ASSERT_TRUE(WriteBytes(in + "\\bad.wav", std::vector<uint8_t>(300, 'y')));
    ASSERT_TRUE(CopyFixture("src_mono_22050.wav", in + "\\good.wav"));
    ASSERT_TRUE(WriteBytes(folder / "notes.txt", {1}));
    std::string missing = folder / "missing.mp3";
    CmdOutcome o = Run(L"--json -o " + Quoted(out) + L" " + Quoted(in) + L" " + Quoted(missing) + L" " +
                       Quoted(folder / "notes.txt"));
    EXPECT_EQ(1u, o.code) << o.err;
    for (const std::string& name : {in + "\\bad.mp3", in + "\\bad.wav", missing, folder / "notes.txt"}) {
        size_t lines = 0;
        for (const std::string& line : Lines(o.err)) lines += line.find(name + ": ") != std::string::npos;
        EXPECT_EQ(1u, lines) << name << " in:\n" << o.err;
        const auto* record = Find(o, "source", name);
        ASSERT_TRUE(record) << name;
        EXPECT_EQ("failed", record->at("status"));
        EXPECT_FALSE(record->at("reason").empty());
    }
    EXPECT_NE(std::string::npos, o.err.find(missing + ": no such file or folder"));
    EXPECT_NE(std::string::npos, o.err.find("bad.mp3: not a correct MP3 file"));
    EXPECT_EQ((std::vector<std::string>{"good.wav"}), FilesIn(out)) << "nothing half-made beside it";
    ASSERT_TRUE(Find(o, "summary.failed", "4")) << o.out;
    EXPECT_EQ("1", Find(o, "summary.failed", "4")->at("summary.converted"));
    EXPECT_EQ("1", Find(o, "summary.failed", "4")->at("summary.exitCode"));
}

TEST_F(WavoryCmd, QuietAndFlatRunsAndOutputsBesideTheirSources) {
    std::string src = Tree();
    CmdOutcome o = Run(L"-q --no-recursive " + Quoted(src + "\\a.wav") + L" " + Quoted(src + "\\sub"));
    EXPECT_EQ(1u, o.code) << o.err;
    EXPECT_EQ("", o.out) << "quiet: nothing but errors";
    EXPECT_EQ("WavoryCmd: " + src + "\\a.wav: the output would be the file itself\n", o.err);
    EXPECT_TRUE(ReadOutput(src + "\\a.wav").ok) << "the source itself is refused, not replaced";
    EXPECT_TRUE(ReadOutput(src + "\\c.wav").ok) << "a folder's files go beside the folder";
    EXPECT_FALSE(Exists(src + "\\d.wav")) << "no subfolder walked";
}

TEST_F(WavoryCmd, KeepTreeMirrorsTheFolders) {
    std::string src = Tree();
    CmdOutcome o = Run(L"-q --keep-tree -o " + Quoted(out) + L" " + Quoted(src));
    EXPECT_EQ(0u, o.code) << o.err;
    EXPECT_EQ(4u, FilesBelow(out).size()) << "nothing flat beside the tree";
    for (const char* file : {"src\\a.wav", "src\\b.wav", "src\\sub\\c.wav", "src\\sub\\deep\\d.wav"})
        EXPECT_TRUE(ReadOutput(out + "\\" + file).ok) << file;
}

// The saved choice (on) copies the tags; --no-tags leaves them out of this run only.
TEST_F(WavoryCmd, NoTagsLeavesTheTagsOut) {
    ASSERT_TRUE(CopyFixture("tags_info.wav", folder / "in.wave"));
    CmdOutcome o = Run(L"-q -o " + Quoted(out) + L" " + Quoted(folder / "in.wave"));
    ASSERT_EQ(0u, o.code) << o.err;
    EXPECT_FALSE(ReadOutput(out + "\\in.wav").tail.empty()) << "tags by default";
    o = Run(L"-q -y --no-tags -o " + Quoted(out) + L" " + Quoted(folder / "in.wave"));
    ASSERT_EQ(0u, o.code) << o.err;
    WavFile w = ReadOutput(out + "\\in.wav");
    EXPECT_TRUE(w.ok && w.tail.empty()) << w.tail.size() << " bytes behind the data with --no-tags";
}

// Sources in turns of folders make several batches; none replaces what an earlier one wrote.
TEST_F(WavoryCmd, OneRunNeverReplacesItsOwnOutputs) {
    std::string a = folder.MakeDir("A"), b = folder.MakeDir("B");
    ASSERT_TRUE(CopyFixture("mono.mp3", a + "\\1.mp3"));
    ASSERT_TRUE(CopyFixture("src_mono_8000.wav", b + "\\x.wav"));
    ASSERT_TRUE(CopyFixture("src_mono_22050.wav", a + "\\1.wave"));
    CmdOutcome o = Run(L"-y " + Quoted(a + "\\1.mp3") + L" " + Quoted(b + "\\x.wav") + L" " + Quoted(a + "\\1.wave"));
    EXPECT_EQ(1u, o.code) << "x.wav beside itself is refused: " << o.err;
    EXPECT_EQ(44100u, ReadOutput(a + "\\1.wav").format.nSamplesPerSec) << "the MP3's output stays";
    EXPECT_TRUE(ReadOutput(a + "\\1 (2).wav").ok) << o.out;
}

TEST_F(WavoryCmd, AFullOutputDiskStopsTheRunWithFour) {
    const char* small = getenv("WAVORY_SMALL_DISK");
    if (!small) GTEST_SKIP() << "no small disk mounted";
    TestFolder::Remove(std::string(small) + "\\cmd");
    std::string in = folder.MakeDir("in");
    ASSERT_TRUE(CopyFixture("src_stereo_44100.wav", in + "\\a.wav"));
    ASSERT_TRUE(CopyFixture("src_stereo_44100.wav", in + "\\b.wav"));
    CmdOutcome o = Run(L"--json -f 48000:16:2 -o " + Quoted(std::string(small) + "\\cmd") + L" " + Quoted(in));
    EXPECT_EQ(4u, o.code) << o.err;
    EXPECT_NE(std::string::npos, o.err.find("the output disk is full")) << o.err;
    ASSERT_TRUE(Find(o, "summary.diskFull", "true")) << o.out;
    for (const std::string& name : FilesIn(std::string(small) + "\\cmd"))
        EXPECT_TRUE(ReadOutput(std::string(small) + "\\cmd\\" + name).ok) << "left on the full disk: " << name;
    TestFolder::Remove(std::string(small) + "\\cmd");
}

// Ctrl+C as a console delivers it: the run ends its file at the next safe
// point, writes its summary and exits 3, with no temporary file left and no
// file started after the stop.
TEST_F(WavoryCmd, CtrlCMidFileStopsCleanlyWithThree) {
    std::string in = folder.MakeDir("in");
    const std::vector<std::string> names{"one.wav", "two.wav", "three.wav"};
    for (const std::string& name : names)
        ASSERT_TRUE(WriteBytes(in + "\\" + name, CanonicalWav(Pcm(2, 44100, 16), Tone16(44100 * 120, 2, 44100, 9000))));
    // One file at a time: what is told depends on no file running beside the first.
    CCmdProcess cmd(Exe(), L"--json --jobs 1 -f 48000:16:2 -o " + Quoted(out) + L" " + Quoted(in), true);
    ASSERT_TRUE(cmd.WaitForErr("1/3 one.wav", 60000)) << "no progress seen: " << cmd.Err();
    // Into the run's console, as a person's key press; this process ignores it meanwhile.
    FreeConsole();
    SetConsoleCtrlHandler(nullptr, TRUE);
    ASSERT_TRUE(AttachConsole(cmd.Id())) << GetLastError();
    EXPECT_TRUE(GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0)) << GetLastError();
    FreeConsole();
    DWORD code = cmd.Wait(60000);
    SetConsoleCtrlHandler(nullptr, FALSE);
    EXPECT_EQ(3u, code) << cmd.Err();
    std::vector<std::map<std::string, std::string>> records;
    for (const std::string& line : Lines(cmd.Out())) records.push_back(CJsonLine::Parse(line));
    ASSERT_FALSE(records.empty());
    EXPECT_EQ("true", records.back()["summary.cancelled"]) << cmd.Out();
    // Files in order: converted ones, the one the stop came in cut (or whole,
    // when the stop fell between two files), then none started.
    size_t told = records.size() - 1;
    ASSERT_GE(told, 1u) << cmd.Out();
    ASSERT_LE(told, 2u) << "the stop came in the second file at the latest: " << cmd.Out();
    for (size_t i = 0; i < told; ++i) {
        const std::string& status = records[i]["status"];
        EXPECT_TRUE(status == "converted" || (status == "cut" && i + 1 == told)) << cmd.Out();
    }
    for (size_t i = 0; i < names.size(); ++i) {
        bool written = Exists(out + "\\" + names[i]);
        EXPECT_EQ(i < told, written) << names[i];
        if (written) {
            EXPECT_TRUE(ReadOutput(out + "\\" + names[i]).ok) << names[i] << " is whole in itself";
        }
    }
    EXPECT_EQ(told, FilesIn(out).size()) << "a temporary file was left";
}

TEST_F(WavoryCmd, EveryNameConvertsAndShowsInUtf8WhateverTheCodePage) {
    std::string in = folder.MakeDir("in");
    const std::string cafe = "Caf\xC3\xA9", japanese = "\xE6\x97\xA5\xE6\x9C\xAC", emoji = "\xF0\x9F\x8E\xB5";
    for (const std::string& name : {cafe, japanese, emoji})
        ASSERT_TRUE(CopyFileW(Widen(FixturePath("src_mono_8000.wav")).c_str(), Widen(in + "\\" + name + ".wav").c_str(),
                              FALSE));
    CmdOutcome o = Run(L"-o " + Quoted(out) + L" " + Quoted(in + "\\" + cafe + ".wav") + L" " +
                       Quoted(in + "\\" + japanese + ".wav") + L" " + Quoted(in + "\\" + emoji + ".wav"));
    EXPECT_EQ(0u, o.code) << o.err;
    for (const std::string& name : {cafe, japanese, emoji}) {
        EXPECT_TRUE(ReadOutput(out + "\\" + name + ".wav").ok) << name;
        EXPECT_NE(std::string::npos, o.out.find(name + ".wav")) << "UTF-8 when redirected: " << o.out;
    }
}
