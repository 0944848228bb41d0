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
