#include <gtest/gtest.h>

#include "dialog/JobBoxes.h"
#include "dialog/JobTexts.h"
#include "dialog/ProgressText.h"
#include "engine/FreeSpaceMonitor.h"
#include "tests/TestSupport.h"
#include "ui/HyperLink.h"

TEST(FreeSpaceText, MegabytesThenGigabytes) {
    const uint64_t mb = 1048576;
    EXPECT_EQ("0MB", FreeSpaceText(0));
    EXPECT_EQ("0MB", FreeSpaceText(mb - 1));
    EXPECT_EQ("1024MB", FreeSpaceText(1024 * mb));
    EXPECT_EQ("1.0GB", FreeSpaceText(1025 * mb));
    EXPECT_EQ("1.5GB", FreeSpaceText(1536 * mb));
    EXPECT_EQ("2.0GB", FreeSpaceText(2047 * mb + mb * 9 / 10)) << "megabytes are truncated first";
    EXPECT_EQ("1000.0GB", FreeSpaceText(1000ull * 1024 * mb));
    EXPECT_EQ("", FreeSpaceText(kFreeSpaceUnknown)) << "a failed query shows no number";
}

TEST(NameCuts, ThirtyAndSixteenCharacters) {
    std::string thirty(30, 'n');
    EXPECT_EQ(thirty, CutName(thirty, 30));
    EXPECT_EQ(thirty + "...", CutName(thirty + "x", 30));
    std::string sixteen(16, 'f');
    EXPECT_EQ("From \"" + sixteen + "\" To \"" + sixteen + "...\"", FoldersText(sixteen, sixteen + "g"));
    EXPECT_EQ("From \"\" To \"Out\"", FoldersText("", "Out"));
}

// Names are UTF-8: counted and cut by characters, never inside one.
TEST(NameCuts, CountCharactersNotBytes) {
    std::string japanese;
    for (int i = 0; i < 30; ++i) japanese += "\xE6\x9B\xB2";  // three bytes each
    EXPECT_EQ(japanese, CutName(japanese, 30)) << "90 bytes are still 30 characters";
    std::string emoji;
    for (int i = 0; i < 17; ++i) emoji += "\xF0\x9F\x8E\xB5";  // four bytes, a surrogate pair in UTF-16
    std::string sixteen = emoji.substr(0, 16 * 4);
    EXPECT_EQ("From \"" + sixteen + "...\" To \"Out\"", FoldersText(emoji, "Out"));
    EXPECT_EQ("ab\xC3\xA9...", CutName("ab\xC3\xA9" "cd", 3));
}

TEST(HyperLinkText, OpenCommandPlaceholderRules) {
    EXPECT_EQ("\"C:\\b.exe\" -nohome  http://x", CommandWithAddress("\"C:\\b.exe\" -nohome \"%1\"", "http://x"));
    EXPECT_EQ("C:\\b.exe  http://x", CommandWithAddress("C:\\b.exe %1", "http://x"));
    EXPECT_EQ("C:\\b.exe -new http://x", CommandWithAddress("C:\\b.exe -new", "http://x"));
    EXPECT_EQ("b.exe  http://x", CommandWithAddress("b.exe \"%1\" %1", "http://x")) << "the quoted one first";
}

TEST(HyperLinkText, ErrorTexts) {
    EXPECT_EQ("Unable to open hyperlink:\n\nA sharing violation occurred. ", OpenErrorText(26));
    EXPECT_EQ("Unable to open hyperlink:\n\nUnknown Error (4) occurred.", OpenErrorText(4));
    EXPECT_EQ("Unable to open hyperlink:\n\nThe operating system is out\nof memory or resources.", OpenErrorText(0));
    EXPECT_EQ("Unable to open hyperlink:\n\nThere is no application associated\nwith the given filename extension.",
              OpenErrorText(31));
}

// The link's tooltip is owned by the dialog, which destroys it with itself: the
// link must not destroy that handle again when it goes.
TEST(HyperLinkLife, TheTooltipIsNotDestroyedASecondTimeAfterItsDialog) {
    HWND dialog = CreateWindowExA(0, "#32770", "", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, dialog);
    HWND text = CreateWindowExA(0, "STATIC", "www.wavory.example", WS_CHILD | WS_VISIBLE, 0, 0, 150, 12, dialog,
                                reinterpret_cast<HMENU>(1), nullptr, nullptr);
    ASSERT_NE(nullptr, text);
    DWORD error = 0;
    {
        CHyperLink link;
        ASSERT_TRUE(link.SubclassWindow(text));
        DestroyWindow(dialog);
        SetLastError(0);
    }
    error = GetLastError();
    EXPECT_EQ(0u, error) << "a call on a window that is gone failed with error " << error;
}

// The dialog's side of a batch's events: the boxes users have always seen, the
// per-file ones only while error boxes are on, the runtime's own ones always
// (its absence once a batch), and the overwrite question's answer passed back.
TEST(JobBoxes, TextsCaptionsAndWhichBoxesShow) {
    MessageBoxRecorder boxes;
    JobSettings quiet;
    quiet.notDisplayErrInfo = true;
    CJobBoxes silent(nullptr, quiet);
    silent.FileFailed(FileFailure::kNotWav, "C:\\a.wav");
    silent.FileFailed(FileFailure::kCantWrite, "C:\\out\\a.wav");
    EXPECT_EQ(0u, boxes.Count()) << boxes.Texts();
    silent.FileFailed(FileFailure::kWmaRuntimeMissing, "C:\\a.wma");
    silent.FileFailed(FileFailure::kWmaRuntimeMissing, "C:\\b.wma");
    silent.FileFailed(FileFailure::kWmaInitFailed, "C:\\c.wma");
    ASSERT_EQ(2u, boxes.Count()) << boxes.Texts();
    EXPECT_EQ(msg::kWmaRuntimeMissing, boxes.Calls()[0].text);
    EXPECT_EQ(msg::kWmaInitFailed, boxes.Calls()[1].text);
    EXPECT_EQ("Information", boxes.Calls()[1].caption);

    CJobBoxes shown(nullptr, JobSettings());
    shown.FileFailed(FileFailure::kNotPcm, "C:\\odd.wav");
    ASSERT_EQ(3u, boxes.Count());
    EXPECT_EQ(msg::NotPcm("C:\\odd.wav"), boxes.Calls()[2].text);
    EXPECT_EQ("Error", boxes.Calls()[2].caption);
    boxes.Script({IDYES, IDNO});
    EXPECT_TRUE(shown.AskOverwrite("C:\\out\\a.wav"));
    EXPECT_FALSE(shown.AskOverwrite("C:\\out\\a.wav"));
    EXPECT_EQ(msg::OverwritePrompt("C:\\out\\a.wav"), boxes.Calls()[3].text);
    shown.DiskFull();
    EXPECT_EQ(msg::kDiskFull, boxes.Calls().back().text);
}

// Every file failure the engine tells, as the box users have always seen it:
// the text, the "Error" caption and the stop icon; then the batch's own boxes,
// which show even with error boxes off.
TEST(JobBoxes, EveryBoxItsTextCaptionAndIcon) {
    const std::string a = "C:\\in\\a.wav";
    const std::pair<FileFailure, std::string> failures[] = {
        {FileFailure::kCantOpenShared, "Can't Open C:\\in\\a.wav. Maybe it is used by another program."},
        {FileFailure::kSameFolder, "Can't convert File C:\\in\\a.wav in the same folder"},
        {FileFailure::kCantCreate, "Can't create File C:\\in\\a.wav"},
        {FileFailure::kCantOpenWav, "Can't open C:\\in\\a.wav"},
        {FileFailure::kNotWav, "C:\\in\\a.wav is not a correct wav file!"},
        {FileFailure::kNotMp3, "C:\\in\\a.wav is not a correct mp3 file!"},
        {FileFailure::kNotWma,
         "C:\\in\\a.wav is not a correct wma file!Or the file was protected by Digital Rights Management(DRM)!"},
        {FileFailure::kWmaHeadError, "There is some error when I read the head of C:\\in\\a.wav"},
        {FileFailure::kNotPcm,
         "The C:\\in\\a.wav is not a PCM format WAV file.Tarn Sonelle can only convert PCM format WAV file!"},
        {FileFailure::kCantReadToEnd, "There is some error when I read C:\\in\\a.wav, so it is not converted!"},
        {FileFailure::kConversionFailed, "There is some error when I convert C:\\in\\a.wav, so it is not converted!"},
        {FileFailure::kCantWrite, "I can't write to C:\\in\\a.wav"},
    };
    MessageBoxRecorder boxes;
    CJobBoxes shown(nullptr, JobSettings());
    for (const auto& f : failures) {
        shown.FileFailed(f.first, a);
        ASSERT_FALSE(boxes.Calls().empty());
        MessageBoxCall box = boxes.Calls().back();
        EXPECT_EQ(f.second, box.text);
        EXPECT_EQ("Error", box.caption) << f.second;
        EXPECT_EQ(static_cast<UINT>(MB_ICONERROR), IconOf(box.type)) << f.second;
    }
    EXPECT_EQ(sizeof(failures) / sizeof(failures[0]), boxes.Count());

    JobSettings quiet;
    quiet.notDisplayErrInfo = true;
    CJobBoxes silent(nullptr, quiet);
    boxes.Script({IDNO});
    EXPECT_FALSE(silent.AskOverwrite("C:\\out\\a.wav"));
    MessageBoxCall question = boxes.Calls().back();
    EXPECT_EQ("C:\\out\\a.wav is exist!Overwrite it?", question.text);
    EXPECT_EQ("Information", question.caption);
    EXPECT_EQ(static_cast<UINT>(MB_YESNO | MB_ICONINFORMATION), question.type);
    silent.DiskFull();
    MessageBoxCall full = boxes.Calls().back();
    EXPECT_EQ("There is no available space in the destination folder, so the converter will be quit!", full.text);
    EXPECT_EQ("Information", full.caption);
    EXPECT_EQ(static_cast<UINT>(MB_ICONEXCLAMATION), IconOf(full.type));
    silent.FileFailed(FileFailure::kWmaInitFailed, a);
    EXPECT_EQ(static_cast<UINT>(MB_OK), boxes.Calls().back().type) << "no icon";
    silent.FileFailed(FileFailure::kWmaRuntimeMissing, a);
    EXPECT_EQ(static_cast<UINT>(MB_ICONERROR), IconOf(boxes.Calls().back().type));
    EXPECT_EQ("Information", boxes.Calls().back().caption);
    silent.DriveRootRefused("C:\\", "C:\\out");
    MessageBoxCall root = boxes.Calls().back();
    EXPECT_EQ("I can't convert all the files of C:\\ to C:\\out .Please choose another destination driver to convert "
              "to(exa:convert files from c: to d:)",
              root.text);
    EXPECT_EQ("info", root.caption);
    EXPECT_EQ(static_cast<UINT>(MB_ICONEXCLAMATION), IconOf(root.type));
}
