// The options dialog of the real Wavory.exe -o, against the test prefix's registry.
#include <gtest/gtest.h>

#include <algorithm>

#include "options/FormatText.h"
#include "res/resource.h"
#include "tests/engine/EngineFixtures.h"
#include "tests/gui/ProgramDriver.h"

using namespace fixtures;

namespace {
class OptionsGui : public ::testing::Test {
protected:
    static constexpr const char* kTemplateFormatLabel = "44.1KHz 16bit Stereo";
    OptionsGui() : env("Wavory") { EndStrayPrograms(); }
    ~OptionsGui() override { EndStrayPrograms(); }
    HWND Open() { return Open(program); }
    // The format chooser opened from the options dialog d, by its format list.
    HWND OpenChooser(HWND d) {
        Press(d, IDC_FORMAT_OTHER);
        ProgramDriver::Click(d, IDC_CHANGE_FORMAT);
        return program.FindDialog(102);
    }
    HWND Open(ProgramDriver& run) {
        EXPECT_TRUE(run.Start("-o"));
        HWND dialog = run.FindDialog(IDC_NORMALIZE_LEVEL);
        EXPECT_NE(nullptr, dialog) << "the options dialog did not appear";
        // Loading happens as the window is shown and writes the format label over the
        // template's text; the label's text comes back only once loading has returned.
        std::string label;
        if (dialog) {
            EXPECT_TRUE(WaitUntil([&] {
                label = ProgramDriver::ItemText(dialog, IDC_FORMAT_LABEL);
                return label != kTemplateFormatLabel;
            })) << "the settings were not loaded: the format label still says \"" << label << "\"";
        }
        return dialog;
    }
    static bool Checked(HWND dialog, int id) {
        DWORD_PTR r = 0;
        SendMessageTimeoutA(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 2000, &r);
        return r == BST_CHECKED;
    }
    static bool Enabled(HWND dialog, int id) { return IsWindowEnabled(GetDlgItem(dialog, id)) != 0; }
    // A real click on a radio button or check box.
    static void Press(HWND dialog, int id) {
        DWORD_PTR r = 0;
        SendMessageTimeoutA(GetDlgItem(dialog, id), BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, 2000, &r);
    }
    void Ok(HWND dialog) {
        ProgramDriver::Click(dialog, IDOK);
        EXPECT_TRUE(program.WaitExit(10000)) << "OK did not close the dialog";
    }
    bool Stored(const settings::IntSetting& s) const {
        CRegKey key;
        DWORD v;
        return key.Open(HKEY_CURRENT_USER, env.app.SectionKeyPath(s.section).c_str()) == ERROR_SUCCESS &&
               key.QueryDWORD(s.name, v) == ERROR_SUCCESS;
    }
    int Value(const settings::IntSetting& s) const { return settings::Read(env.app, s); }
    EngineApp env;
    ProgramDriver program;
};
}  // namespace

TEST(DescribeFormat, TextsWithTheirLeadingBlanks) {
    EXPECT_EQ("44.100kHz,16bit,Stereo", DescribeFormat(Pcm(2, 44100, 16)));
    EXPECT_EQ(" 8.000kHz, 8bit,Mono", DescribeFormat(Pcm(1, 8000, 8)));
    EXPECT_EQ("96.000kHz,24bit,Stereo", DescribeFormat(Pcm(2, 96000, 24)));
    EXPECT_EQ("192.000kHz,32bit float,Mono", DescribeFormat(Float32(1, 192000)));
}

TEST(FormatChooser, OnlyWhatOurConverterWritesIsListed) {
    EXPECT_TRUE(ChooserListsTag(WAVE_FORMAT_PCM));
    EXPECT_TRUE(ChooserListsTag(WAVE_FORMAT_IEEE_FLOAT));
    EXPECT_FALSE(ChooserListsTag(WAVE_FORMAT_ADPCM));
    EXPECT_FALSE(ChooserListsTag(0x55)) << "MPEG Layer-3";
    EXPECT_TRUE(ChooserListsFormat(Pcm(2, 192000, 32)));
    EXPECT_TRUE(ChooserListsFormat(Float32(2, 44100)));
    EXPECT_FALSE(ChooserListsFormat(Pcm(6, 48000, 24))) << "more channels than the converter mixes";
    WAVEFORMATEX doubles = Float32(2, 44100);
    doubles.wBitsPerSample = 64, doubles.nBlockAlign = 16, doubles.nAvgBytesPerSec = 44100 * 16;
    EXPECT_FALSE(ChooserListsFormat(doubles));
}

TEST(NormalizeLevels, StoredValuesSelectTheFirstItemStartingWithTheirDigits) {
    // The list: 100, 99, 98, 96, ... 55, 50, 40, 30, 20.
    EXPECT_EQ(1, NormalizeLevelIndex(9)) << "99";
    EXPECT_EQ(0, NormalizeLevelIndex(10)) << "100";
    EXPECT_EQ(16, NormalizeLevelIndex(5)) << "55";
    EXPECT_EQ(2, NormalizeLevelIndex(97)) << "no match: 98";
    EXPECT_EQ(2, NormalizeLevelIndex(0));
    EXPECT_EQ(2, NormalizeLevelIndex(98));
}

TEST_F(OptionsGui, AFreshMachineShowsTheDefaults) {
    HWND d = Open();
    ASSERT_NE(nullptr, d);
    EXPECT_TRUE(Checked(d, IDC_OUTPUT_SOURCE));
    EXPECT_FALSE(Enabled(d, IDC_OUTPUT_PATH));
    EXPECT_FALSE(Enabled(d, IDC_BROWSE));
    EXPECT_FALSE(Checked(d, IDC_VOLUME_NORMALIZE));
    EXPECT_EQ("98", ProgramDriver::ItemText(d, IDC_NORMALIZE_LEVEL));
    EXPECT_FALSE(Enabled(d, IDC_NORMALIZE_LEVEL));
    EXPECT_TRUE(Checked(d, IDC_PROMPT_BEFORE));
    EXPECT_FALSE(Checked(d, IDC_DISPLAY_INFO));
    EXPECT_FALSE(Checked(d, IDC_NO_ERROR_INFO));
    EXPECT_FALSE(Checked(d, IDC_KEEP_TREE)) << "one folder for every file, unless asked";
    EXPECT_TRUE(Checked(d, IDC_COPY_TAGS)) << "tags are copied unless switched off";
    EXPECT_EQ("One per core", ProgramDriver::ItemText(d, IDC_FILES_AT_ONCE));
    EXPECT_TRUE(Checked(d, IDC_FORMAT_CD));
    EXPECT_FALSE(Enabled(d, IDC_CHANGE_FORMAT));
    EXPECT_EQ("44.100kHz,16bit,Stereo", ProgramDriver::ItemText(d, IDC_FORMAT_LABEL));
    EXPECT_EQ("Options", ProgramDriver::Caption(d));
    char cwd[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, cwd);
    ProgramDriver::Screenshot(d, std::string(cwd) + "\\..\\..\\screenshot-options.bmp");
    ProgramDriver::Click(d, IDCANCEL);
    EXPECT_TRUE(program.WaitExit(10000));
    EXPECT_FALSE(env.scratch.Exists()) << "Cancel stores nothing";
}

TEST_F(OptionsGui, StoredLevelsSelectTheirItem) {
    for (auto [stored, shown] : {std::pair<int, const char*>{9, "99"}, {10, "100"}, {5, "55"}, {97, "98"}, {0, "98"}}) {
        env.Set(settings::kNormalizeValue, stored);
        env.Set(settings::kVolumeNormalize, 1);
        ProgramDriver run;
        HWND d = Open(run);
        ASSERT_NE(nullptr, d);
        EXPECT_EQ(shown, ProgramDriver::ItemText(d, IDC_NORMALIZE_LEVEL)) << "stored " << stored;
        EXPECT_TRUE(Enabled(d, IDC_NORMALIZE_LEVEL));
        ProgramDriver::Click(d, IDOK);
        ASSERT_TRUE(run.WaitExit(10000));
        EXPECT_EQ(atoi(shown), Value(settings::kNormalizeValue)) << "OK stores the shown level";
    }
}

TEST_F(OptionsGui, KeepingTheFoldersStructureIsShownAndStored) {
    env.Set(settings::kKeepTree, 1);
    HWND d = Open();
    ASSERT_NE(nullptr, d);
    EXPECT_TRUE(Checked(d, IDC_KEEP_TREE));
    Press(d, IDC_KEEP_TREE);
    Ok(d);
    EXPECT_TRUE(Stored(settings::kKeepTree));
    EXPECT_EQ(0, Value(settings::kKeepTree));
}

TEST_F(OptionsGui, CopyingTagsIsShownAndStored) {
    env.Set(settings::kCopyTags, 0);
    HWND d = Open();
    ASSERT_NE(nullptr, d);
    EXPECT_FALSE(Checked(d, IDC_COPY_TAGS));
    Press(d, IDC_COPY_TAGS);
    Ok(d);
    EXPECT_EQ(1, Value(settings::kCopyTags));
}

TEST_F(OptionsGui, FilesConvertedAtOnceAreShownAndStored) {
    for (auto [stored, shown] : {std::pair<int, const char*>{3, "3"}, {8, "8"}, {0, "One per core"}, {12, "One per core"}}) {
        env.Set(settings::kFilesAtOnce, stored);
        ProgramDriver run;
        HWND d = Open(run);
        ASSERT_NE(nullptr, d);
        EXPECT_EQ(shown, ProgramDriver::ItemText(d, IDC_FILES_AT_ONCE)) << "stored " << stored;
        // Another choice: the list's items are "One per core", then 1 to 8.
        const int shownIndex = stored >= 1 && stored <= 8 ? stored : 0;
        const int chosen = shownIndex == 8 ? 1 : shownIndex + 1;
        SendMessageA(GetDlgItem(d, IDC_FILES_AT_ONCE), CB_SETCURSEL, chosen, 0);
        ProgramDriver::Click(d, IDOK);
        ASSERT_TRUE(run.WaitExit(10000));
        EXPECT_EQ(chosen, Value(settings::kFilesAtOnce)) << "stored " << stored;
    }
}

TEST_F(OptionsGui, UntickedNormalisationLeavesTheStoredLevelAlone) {
    env.Set(settings::kNormalizeValue, 55);
    HWND d = Open();
    ASSERT_NE(nullptr, d);
    Ok(d);
    EXPECT_EQ(0, Value(settings::kVolumeNormalize));
    EXPECT_EQ(55, Value(settings::kNormalizeValue));
    EXPECT_TRUE(Stored(settings::kPromptBefore)) << "the other values are stored";
}

TEST_F(OptionsGui, AnEmptyFixedFolderKeepsTheDialogAndStoresNothing) {
    HWND d = Open();
    ASSERT_NE(nullptr, d);
    Press(d, IDC_OUTPUT_FIXED);
    EXPECT_TRUE(Enabled(d, IDC_OUTPUT_PATH));
    Press(d, IDC_DISPLAY_INFO);
    ProgramDriver::Click(d, IDOK);
    HWND box = program.FindMessageBox("output folder is empty");
    ASSERT_NE(nullptr, box);
    EXPECT_EQ("The output folder is empty, please enter the output folder!", ProgramDriver::BoxText(box));
    EXPECT_EQ("Error", ProgramDriver::Caption(box));
    ProgramDriver::Click(box, IDOK);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(box); })) << "the message box is still open after its OK";
    // Reading the caption goes through the dialog's thread, so OK's handling has ended by then.
    std::string caption = ProgramDriver::Caption(d);
    EXPECT_TRUE(program.IsRunning() && IsWindowVisible(d))
        << "the dialog stays open; running " << program.IsRunning() << ", visible " << (IsWindowVisible(d) != 0)
        << ", caption \"" << caption << "\"";
    EXPECT_FALSE(env.scratch.Exists()) << "not even the check boxes";
    ProgramDriver::Click(d, IDCANCEL);
    EXPECT_TRUE(program.WaitExit(10000));
}

TEST_F(OptionsGui, AFixedFolderIsStoredWithItsChoice) {
    HWND d = Open();
    ASSERT_NE(nullptr, d);
    Press(d, IDC_OUTPUT_FIXED);
    SendMessageA(GetDlgItem(d, IDC_OUTPUT_PATH), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("C:\\Wav Out"));
    Ok(d);
    EXPECT_EQ(2, Value(settings::kOutputTo));
    EXPECT_EQ("C:\\Wav Out", settings::Read(env.app, settings::kOutputPath));
}

TEST_F(OptionsGui, AFixedFolderOfAnyScriptAndLengthIsStoredAsTyped) {
    HWND d = Open();
    ASSERT_NE(nullptr, d);
    Press(d, IDC_OUTPUT_FIXED);
    std::wstring typed = L"D:\\\x97F3\x697D \xD83C\xDFB5\\\x0141\x00F3" L"d\x017A\\" + std::wstring(280, L'x');
    SendMessageW(GetDlgItem(d, IDC_OUTPUT_PATH), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(typed.c_str()));
    Ok(d);
    EXPECT_EQ(2, Value(settings::kOutputTo));
    // Still the one REG_SZ under its old name, now holding every character.
    EXPECT_EQ("D:\\\xE9\x9F\xB3\xE6\xA5\xBD \xF0\x9F\x8E\xB5\\\xC5\x81\xC3\xB3" "d\xC5\xBA\\" + std::string(280, 'x'),
              settings::Read(env.app, settings::kOutputPath));
}

TEST_F(OptionsGui, BrowseCancelledChangesNothing) {
    HWND d = Open();
    ASSERT_NE(nullptr, d);
    Press(d, IDC_OUTPUT_FIXED);
    ProgramDriver::Click(d, IDC_BROWSE);
    HWND browser = program.FindDialog(0x3741);  // the folder browser's tree
    ASSERT_NE(nullptr, browser);
    ProgramDriver::Click(browser, IDCANCEL);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(browser); })) << "the folder browser is still open after Cancel";
    // The browser is gone; reading the box goes through the dialog's thread, after Browse's handling.
    EXPECT_EQ("", ProgramDriver::ItemText(d, IDC_OUTPUT_PATH));
    ProgramDriver::Click(d, IDCANCEL);
    EXPECT_TRUE(program.WaitExit(10000));
}

TEST_F(OptionsGui, OthersFormatWithNoFormatChosenStoresTheDefaults) {
    HWND d = Open();
    ASSERT_NE(nullptr, d);
    Press(d, IDC_FORMAT_OTHER);
    EXPECT_TRUE(Enabled(d, IDC_CHANGE_FORMAT));
    Ok(d);
    EXPECT_EQ(2, Value(settings::kFormat));
    WAVEFORMATEX f = settings::ReadStoredFormat(env.app);
    EXPECT_TRUE(Stored(settings::kChannels));
    EXPECT_EQ(1, f.wFormatTag);
    EXPECT_EQ(2, f.nChannels);
    EXPECT_EQ(44100u, f.nSamplesPerSec);
    EXPECT_EQ(176400u, f.nAvgBytesPerSec);
    EXPECT_EQ(4, f.nBlockAlign);
    EXPECT_EQ(16, f.wBitsPerSample);
}

TEST_F(OptionsGui, AChosenFormatThenCdFormatStoresNoneOfTheSix) {
    HWND d = Open();
    ASSERT_NE(nullptr, d);
    HWND chooser = OpenChooser(d);  // the format list of the chooser
    ASSERT_NE(nullptr, chooser);
    HWND formats = GetDlgItem(chooser, 102);
    LRESULT count = SendMessageA(formats, CB_GETCOUNT, 0, 0);
    ASSERT_GT(count, 1);
    SendMessageA(formats, CB_SETCURSEL, 1, 0);
    SendMessageA(chooser, WM_COMMAND, MAKEWPARAM(102, CBN_SELCHANGE), reinterpret_cast<LPARAM>(formats));
    ProgramDriver::Click(chooser, IDOK);
    std::string label;
    EXPECT_TRUE(WaitUntil([&] {
        label = ProgramDriver::ItemText(d, IDC_FORMAT_LABEL);
        return label != "44.100kHz,16bit,Stereo";
    })) << "the chooser's format is shown; the label still says \"" << label << "\"";
    Press(d, IDC_FORMAT_CD);
    EXPECT_FALSE(Enabled(d, IDC_CHANGE_FORMAT));
    Ok(d);
    EXPECT_EQ(0, Value(settings::kFormat));
    EXPECT_FALSE(Stored(settings::kSamplesPerSec));
    EXPECT_FALSE(Stored(settings::kChannels));
}

namespace {
// The texts of a combo box of the chooser, whose lists are Unicode windows.
std::vector<std::string> ComboTexts(HWND combo) {
    std::vector<std::string> all;
    LRESULT count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        wchar_t wide[256] = {};
        SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(wide));
        char text[256] = {};
        WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof(text), nullptr, nullptr);
        all.push_back(text);
    }
    return all;
}

void SelectItem(HWND chooser, int id, LRESULT index) {
    HWND combo = GetDlgItem(chooser, id);
    SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageA(chooser, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}
}  // namespace

// The chooser lists the PCM and float formats of our converter, each once, named by the ACM.
TEST_F(OptionsGui, TheFormatChooserListsTheConvertersFormats) {
    HWND d = Open();
    ASSERT_NE(nullptr, d);
    HWND chooser = OpenChooser(d);
    ASSERT_NE(nullptr, chooser);
    std::vector<std::string> tags = ComboTexts(GetDlgItem(chooser, 101));
    std::string listed = "tags:";
    for (const auto& t : tags) listed += " [" + t + "]";
    listed += "\n";
    auto formatsOf = [&](const char* tag, size_t count) {
        auto at = std::find(tags.begin(), tags.end(), std::string(tag));
        if (at == tags.end()) return std::vector<std::string>();
        SelectItem(chooser, 101, at - tags.begin());
        std::vector<std::string> formats;
        // The list is filled as the tag changes; it is read once it has all.
        WaitUntil([&] { return (formats = ComboTexts(GetDlgItem(chooser, 102))).size() >= count; });
        return formats;
    };
    EXPECT_EQ(1, std::count(tags.begin(), tags.end(), std::string("PCM"))) << "PCM is one entry\n" << listed;
    EXPECT_EQ(1, std::count(tags.begin(), tags.end(), std::string("IEEE Float"))) << "float is one entry\n" << listed;
    std::vector<std::string> floats = formatsOf("IEEE Float", 26), formats = formatsOf("PCM", 104);
    for (const auto& f : formats) listed += f + "\n";
    EXPECT_EQ(104u, formats.size()) << listed;
    EXPECT_EQ(26u, floats.size()) << listed;
    for (std::vector<std::string> sorted : {formats, floats}) {
        std::sort(sorted.begin(), sorted.end());
        EXPECT_EQ(sorted.end(), std::adjacent_find(sorted.begin(), sorted.end())) << "no format twice\n" << listed;
    }
    auto has = [&](const char* part) {
        return std::any_of(formats.begin(), formats.end(), [&](const std::string& f) { return f.find(part) != std::string::npos; });
    };
    EXPECT_TRUE(has("8000 Hz")) << listed;
    EXPECT_TRUE(has("96000 Hz")) << listed;
    EXPECT_TRUE(has("192000 Hz; 24 bits")) << listed;
    EXPECT_TRUE(has("44100 Hz; 32 bits")) << listed;
    ProgramDriver::Click(chooser, IDCANCEL);
    // A Cancel posted while the chooser runs would reach the options dialog through the chooser's loop.
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(chooser); })) << "the chooser is still open after Cancel";
    ProgramDriver::Click(d, IDCANCEL);
    EXPECT_TRUE(program.WaitExit(10000)) << "Cancel did not close the options dialog";
}

// A float format chosen is shown as float and stored with its own tag.
TEST_F(OptionsGui, AChosenFloatFormatIsShownAndStored) {
    HWND d = Open();
    ASSERT_NE(nullptr, d);
    HWND chooser = OpenChooser(d);
    ASSERT_NE(nullptr, chooser);
    std::vector<std::string> tags = ComboTexts(GetDlgItem(chooser, 101));
    auto at = std::find(tags.begin(), tags.end(), std::string("IEEE Float"));
    ASSERT_NE(tags.end(), at) << "no float tag to choose";
    SelectItem(chooser, 101, at - tags.begin());
    ASSERT_TRUE(WaitUntil([&] { return ComboTexts(GetDlgItem(chooser, 102)).size() == 26; }));
    SelectItem(chooser, 102, 25);  // the last: 192 kHz stereo
    ProgramDriver::Click(chooser, IDOK);
    std::string label;
    EXPECT_TRUE(WaitUntil([&] { return (label = ProgramDriver::ItemText(d, IDC_FORMAT_LABEL)) == "192.000kHz,32bit float,Stereo"; }))
        << "the label says \"" << label << "\"";
    Ok(d);
    WAVEFORMATEX f = settings::ReadStoredFormat(env.app);
    EXPECT_EQ(WAVE_FORMAT_IEEE_FLOAT, f.wFormatTag);
    EXPECT_EQ(2, f.nChannels);
    EXPECT_EQ(192000u, f.nSamplesPerSec);
    EXPECT_EQ(1536000u, f.nAvgBytesPerSec);
    EXPECT_EQ(8, f.nBlockAlign);
    EXPECT_EQ(32, f.wBitsPerSample);
}

TEST_F(OptionsGui, AHandEditedOutputToShowsNoChoiceAndOkStoresMinusOne) {
    env.Set(settings::kOutputTo, 5);
    HWND d = Open();
    ASSERT_NE(nullptr, d);
    EXPECT_FALSE(Checked(d, IDC_OUTPUT_SOURCE));
    EXPECT_FALSE(Checked(d, IDC_OUTPUT_ASK));
    EXPECT_FALSE(Checked(d, IDC_OUTPUT_FIXED));
    Ok(d);
    EXPECT_EQ(-1, Value(settings::kOutputTo));
}

TEST_F(OptionsGui, AStoredFormatReachesTheConvertedFile) {
    // Stored as the dialog stores it, then a batch through the program.
    TestFolder folder("gui_options_format");
    std::string in = folder.MakeDir("in"), out = folder.MakeDir("out");
    env.Set(settings::kFormat, settings::kFormatStored);
    settings::WriteStoredFormat(env.app, Pcm(1, 22050, 8));
    env.Set(settings::kOutputTo, settings::kOutputToFixedFolder);
    settings::Write(env.app, settings::kOutputPath, out.c_str());
    HWND d = Open();
    ASSERT_NE(nullptr, d);
    EXPECT_TRUE(Checked(d, IDC_FORMAT_OTHER));
    EXPECT_EQ("22.050kHz, 8bit,Mono", ProgramDriver::ItemText(d, IDC_FORMAT_LABEL));
    Ok(d);

    std::string src = in + "\\a.wav";
    ASSERT_TRUE(WriteBytes(src, CanonicalWav(Pcm(2, 44100, 16), Tone16(44100, 2, 44100, 9000))));
    std::string list = "0\r\n" + folder.Path() + "\r\n1\r\n" + src + "\r\n";
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    ASSERT_TRUE(WriteBytes(std::string(temp) + "\\filelist.flt", std::vector<uint8_t>(list.begin(), list.end())));
    ProgramDriver batch;
    ASSERT_TRUE(batch.Start("-i"));
    HWND dialog = batch.FindDialog(IDC_PAUSE);
    ASSERT_NE(nullptr, dialog);
    ASSERT_TRUE(ProgramDriver::WaitText(dialog, IDC_PAUSE, "Open"));
    ProgramDriver::Click(dialog, IDCANCEL);
    ASSERT_TRUE(batch.WaitExit(10000));
    WavFile w = ReadOutput(out + "\\a.wav");
    ASSERT_TRUE(w.ok);
    EXPECT_EQ(1, w.format.nChannels);
    EXPECT_EQ(22050u, w.format.nSamplesPerSec);
    EXPECT_EQ(8, w.format.wBitsPerSample);
    EXPECT_EQ(1, w.format.nBlockAlign);
    EXPECT_NEAR(22050.0, static_cast<double>(w.data.size()), 64);
}
