#include <gtest/gtest.h>

#include "console/CmdOptions.h"
#include "console/CmdResults.h"
#include "console/CmdRun.h"
#include "console/CmdSources.h"
#include "console/ConsoleOutput.h"

namespace {
CmdParse Parse(std::initializer_list<const wchar_t*> args) {
    std::vector<std::wstring> list;
    for (const wchar_t* a : args) list.push_back(a);
    return ParseCmdLine(list);
}
}  // namespace

TEST(CmdLine, OptionsInEveryFormTheyAreWritten) {
    CmdParse p = Parse({L"-o", L"D:\\Out", L"--format=48000:16:1", L"-n", L"-y", L"--no-recursive", L"-q", L"--json",
                        L"--keep-tree", L"a.mp3", L"Music"});
    ASSERT_EQ("", p.error);
    EXPECT_EQ(L"D:\\Out", p.options.outputFolder);
    EXPECT_EQ(JobSettings::Target::kStored, p.options.target);
    EXPECT_EQ(48000u, p.options.format.nSamplesPerSec);
    EXPECT_EQ(1, p.options.format.nChannels);
    EXPECT_EQ(2, p.options.format.nBlockAlign);
    EXPECT_EQ(96000u, p.options.format.nAvgBytesPerSec);
    EXPECT_TRUE(p.options.normalize.value_or(false));
    EXPECT_FALSE(p.options.normalizePercent) << "-n alone keeps the saved level";
    EXPECT_TRUE(p.options.overwrite && !p.options.recursive && p.options.quiet && p.options.json);
    EXPECT_TRUE(p.options.keepTree.value_or(false));
    EXPECT_EQ((std::vector<std::wstring>{L"a.mp3", L"Music"}), p.options.sources);

    p = Parse({L"--output=E:\\W", L"-f", L"source", L"--normalize=75", L"x.wav"});
    ASSERT_EQ("", p.error);
    EXPECT_EQ(L"E:\\W", p.options.outputFolder);
    EXPECT_EQ(JobSettings::Target::kOriginal, p.options.target);
    EXPECT_EQ(75, p.options.normalizePercent.value_or(0));
    EXPECT_FALSE(p.options.overwrite) << "existing outputs are skipped unless asked";
    EXPECT_TRUE(p.options.recursive) << "folders are walked as the program walks them";

    p = Parse({L"-f", L"cd", L"--", L"-y.mp3", L"--json"});
    ASSERT_EQ("", p.error);
    EXPECT_EQ((std::vector<std::wstring>{L"-y.mp3", L"--json"}), p.options.sources) << "after -- only names";
    EXPECT_FALSE(p.options.json);
}

TEST(CmdLine, WhatIsNotUnderstoodIsAUsageError) {
    EXPECT_EQ("no file or folder to convert", Parse({L"-y"}).error);
    EXPECT_NE("", Parse({L"--frobnicate", L"a.mp3"}).error);
    EXPECT_NE("", Parse({L"a.mp3", L"-o"}).error) << "an option without its value";
    for (const wchar_t* format : {L"48000:20:2", L"44100:16", L"44100:16:2:1", L"fast", L"44100:16:9", L"0:16:2",
                                  L"44100:x:2", L"99999999999:16:2"})
        EXPECT_NE("", Parse({L"-f", format, L"a.mp3"}).error) << format;
    // The wide widths our converter writes are targets now.
    for (const wchar_t* format : {L"48000:24:2", L"192000:32:1"}) EXPECT_EQ("", Parse({L"-f", format, L"a.mp3"}).error) << format;
    CmdParse floatTarget = Parse({L"-f", L"96000:32f:2", L"a.mp3"});
    EXPECT_EQ("", floatTarget.error);
    EXPECT_EQ(WAVE_FORMAT_IEEE_FLOAT, floatTarget.options.format.wFormatTag) << "32f is 32-bit float";
    EXPECT_EQ(96000u, floatTarget.options.format.nSamplesPerSec);
    EXPECT_NE("", Parse({L"-f", L"44100:16f:2", L"a.mp3"}).error) << "float comes in 32 bits only";
    for (const wchar_t* level : {L"--normalize=0", L"--normalize=101", L"--normalize=", L"--normalize=9x"})
        EXPECT_NE("", Parse({level, L"a.mp3"}).error) << level;
    EXPECT_EQ("", Parse({L"--help"}).error) << "help needs no source";
    EXPECT_TRUE(Parse({L"/?"}).options.help);
    EXPECT_TRUE(Parse({L"--version"}).options.version);
}

TEST(CmdLine, TheSavedSettingsGiveWhatTheLineLeavesOpen) {
    JobSettings saved;
    saved.target = JobSettings::Target::kStored;
    saved.volumeNormalize = true;
    saved.normalizeValue = 90;
    saved.promptBefore = false;
    saved.notDisplayErrInfo = true;
    JobSettings s = ApplyCmdOptions(saved, Parse({L"a.mp3"}).options);
    EXPECT_EQ(JobSettings::Target::kStored, s.target);
    EXPECT_TRUE(s.volumeNormalize);
    EXPECT_EQ(90, s.normalizeValue);
    EXPECT_TRUE(s.promptBefore) << "an existing output is always asked about, and the console answers";
    EXPECT_FALSE(s.notDisplayErrInfo) << "every failure is told";
    s = ApplyCmdOptions(saved, Parse({L"--no-normalize", L"-f", L"cd", L"--no-recursive", L"a.mp3"}).options);
    EXPECT_FALSE(s.volumeNormalize);
    EXPECT_EQ(JobSettings::Target::kCd, s.target);
    EXPECT_FALSE(s.walkSubfolders);
    s = ApplyCmdOptions(saved, Parse({L"--normalize=50", L"a.mp3"}).options);
    EXPECT_EQ(50, s.normalizeValue);
    saved.keepTree = true;
    EXPECT_TRUE(ApplyCmdOptions(saved, Parse({L"a.mp3"}).options).keepTree);
    EXPECT_FALSE(ApplyCmdOptions(saved, Parse({L"--flat", L"a.mp3"}).options).keepTree);
    EXPECT_TRUE(ApplyCmdOptions(saved, Parse({L"a.mp3"}).options).copyTags) << "the saved choice";
    EXPECT_FALSE(ApplyCmdOptions(saved, Parse({L"--no-tags", L"a.mp3"}).options).copyTags);
    saved.copyTags = false;
    EXPECT_TRUE(ApplyCmdOptions(saved, Parse({L"--tags", L"a.mp3"}).options).copyTags);
    saved.jobs = 2;
    EXPECT_EQ(2, ApplyCmdOptions(saved, Parse({L"a.mp3"}).options).jobs) << "the saved choice";
    EXPECT_EQ(5, ApplyCmdOptions(saved, Parse({L"--jobs", L"5", L"a.mp3"}).options).jobs);
    EXPECT_EQ(1, ApplyCmdOptions(saved, Parse({L"-j", L"1", L"a.mp3"}).options).jobs);
    EXPECT_EQ(8, ApplyCmdOptions(saved, Parse({L"--jobs=8", L"a.mp3"}).options).jobs);
    for (const wchar_t* jobs : {L"--jobs=0", L"--jobs=9", L"--jobs=two", L"--jobs="})
        EXPECT_NE("", Parse({jobs, L"a.mp3"}).error) << jobs;
    EXPECT_NE("", Parse({L"a.mp3", L"--jobs"}).error) << "a number must follow";
}

TEST(CmdSources, GroupsByOutputFolderInTheirOrder) {
    auto groups = GroupSources({{"C:\\A\\1.mp3", "C:\\A"},
                                {"C:\\a\\2.wav", "C:\\a"},
                                {"C:\\B\\3.mp3", "C:\\B"},
                                {"C:\\A\\Album", "C:\\A"},
                                {"D:\\x.wma", "D:"}},
                               "");
    ASSERT_EQ(4u, groups.size());
    EXPECT_EQ("C:\\A", groups[0].outputFolder);
    EXPECT_EQ((std::vector<std::string>{"C:\\A\\1.mp3", "C:\\a\\2.wav"}), groups[0].sources) << "case does not matter";
    EXPECT_EQ("C:\\B", groups[1].outputFolder);
    EXPECT_EQ("C:\\A", groups[2].outputFolder) << "neighbours only: the order of the line is kept";
    EXPECT_EQ("D:", groups[3].outputFolder);
    groups = GroupSources({{"C:\\A\\1.mp3", "C:\\A"}, {"C:\\B\\2.mp3", "C:\\B"}}, "E:\\Out");
    ASSERT_EQ(1u, groups.size()) << "one output folder, one batch";
    EXPECT_EQ(2u, groups[0].sources.size());
    // A folder is found on UTF-16: a double-byte name whose second byte is a backslash stays whole.
    EXPECT_EQ(L"C:\\\x97F3\x697D", FolderOf(L"C:\\\x97F3\x697D\\\x30BD\x30F3\x30B0.mp3"));
    EXPECT_EQ(L"C:", FolderOf(L"C:\\a.mp3"));
    EXPECT_EQ(L"\\\\server\\share", FolderOf(L"\\\\server\\share\\a.mp3"));
}

TEST(CmdSources, EveryNameReachesTheEngineExactlyInUtf8) {
    EXPECT_EQ(L"C:\\Music", FullPath(L"C:\\Music\\"));
    EXPECT_EQ(L"C:\\", FullPath(L"C:\\"));
    std::string utf8;
    EXPECT_TRUE(ToUtf8Exactly(L"C:\\Music\\plain.mp3", utf8));
    EXPECT_EQ("C:\\Music\\plain.mp3", utf8);
    EXPECT_TRUE(ToUtf8Exactly(L"C:\\\x65E5\x672C\\\x0141\x00F3\x0064\x017A \xD83C\xDFB5.mp3", utf8));
    EXPECT_EQ("C:\\\xE6\x97\xA5\xE6\x9C\xAC\\\xC5\x81\xC3\xB3\x64\xC5\xBA \xF0\x9F\x8E\xB5.mp3", utf8)
        << "Japanese, Polish and an emoji (a surrogate pair), whatever the code page";
    EXPECT_FALSE(ToUtf8Exactly(L"C:\\\xD83C.mp3", utf8)) << "a lone surrogate would become another file's name";
}

TEST(CmdResults, ExitCodesInTheirOrderOfWeight) {
    CmdSummary s;
    EXPECT_EQ(1, ExitCode(s)) << "nothing converted is no success";
    s.converted = 3;
    EXPECT_EQ(0, ExitCode(s));
    s.skipped = 1;
    EXPECT_EQ(1, ExitCode(s));
    s.cancelled = true;
    EXPECT_EQ(3, ExitCode(s));
    s.diskFull = true;
    EXPECT_EQ(4, ExitCode(s));
    CmdSummary counted;
    counted.Add({L"a", L"b", FileStatus::kCut, L"", 2.5});
    counted.Add({L"c", L"", FileStatus::kStopped, L"", 0});
    EXPECT_EQ(1u, counted.converted) << "a cut file is converted, as the program counts it";
    EXPECT_EQ(1u, counted.cut);
    EXPECT_EQ(0u, counted.failed);
    EXPECT_DOUBLE_EQ(2.5, counted.soundSeconds);
}

TEST(CmdResults, TheProgressLineFitsItsWidthAndTellsTheTimeLeft) {
    ProgressFigures f{L"A very long name of a song.mp3", 2, 10, 50, 25, 120.0, 10.0};
    std::wstring line = ProgressLine(f, 200);
    EXPECT_EQ(L"2/10 A very long name of a song.mp3 50%  total 25%  12.0x  0:30 left", line);
    line = ProgressLine(f, 50);
    EXPECT_EQ(50u, line.size()) << std::string(line.begin(), line.end());
    EXPECT_EQ(0u, line.find(L"2/10 ... song.mp3 50%")) << "the end of the name is kept";
    EXPECT_EQ(L"2/10 ...3 50%  total 25%", ProgressLine(f, 24)) << "a narrow screen drops speed and time first";
    EXPECT_EQ(L"2/10 ", ProgressLine(f, 5)) << "and never wraps";
    f.fileName = L"\x65E5\x672C\x8A9E\xD83C\xDFB5.mp3";  // three wide characters and an emoji
    EXPECT_EQ(12u, Cells(f.fileName));
    EXPECT_EQ(L"2/10 ...\xD83C\xDFB5.mp3 50%  total 25%", ProgressLine(f, 30)) << "cut by screen cells, the pair whole";
    EXPECT_EQ(L"\x65E5", KeepStart(f.fileName, 3));
    f.fileName = L"A very long name of a song.mp3";
    f.totalPercent = 0;
    f.soundSeconds = 0;
    EXPECT_EQ(L"2/10 A very long name of a song.mp3 50%  total 0%", ProgressLine(f, 0)) << "no speed or time yet";
    EXPECT_EQ(L"0:07", Duration(7.4));
    EXPECT_EQ(L"12:34", Duration(754));
    EXPECT_EQ(L"1:02:03", Duration(3723));
}

TEST(CmdResults, JsonEscapesEveryNameAndNamesEveryFigure) {
    EXPECT_EQ(L"\"a\\\"b\\\\c\\u000a\x00E9\"", JsonString(L"a\"b\\c\n\x00E9"));
    FileResult r{L"C:\\in.mp3", L"C:\\in.wav", FileStatus::kFailed, L"not a correct MP3 file", 0};
    EXPECT_EQ(L"{\"source\":\"C:\\\\in.mp3\",\"output\":\"C:\\\\in.wav\",\"status\":\"failed\","
              L"\"reason\":\"not a correct MP3 file\",\"seconds\":0.000}",
              FileJson(r));
    CmdSummary s;
    s.converted = 2;
    s.diskFull = true;
    s.soundSeconds = 1.5;
    EXPECT_EQ(L"{\"summary\":{\"converted\":2,\"cut\":0,\"failed\":0,\"skipped\":0,\"cancelled\":false,"
              L"\"diskFull\":true,\"seconds\":1.500,\"elapsed\":0.000,\"exitCode\":4}}",
              SummaryJson(s));
}
