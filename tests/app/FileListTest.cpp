// The hand-off from the Explorer extension: the command line that names a
// list, the list in UTF-8 or in an older writer's code page, and who deletes it.
#include <gtest/gtest.h>

#include "app/CommandLine.h"
#include "app/FileList.h"
#include "app/ProgramBatch.h"
#include "framework/FileSystem.h"
#include "framework/ListFileNames.h"
#include "framework/Unicode.h"
#include "tests/engine/EngineFixtures.h"

using namespace fixtures;

namespace {
const char kMark[] = "\xEF\xBB\xBF";

bool WriteHiddenList(const std::string& path, const std::string& text) {
    fs::SetAttributes(path, FILE_ATTRIBUTE_NORMAL);
    CFileHandle file(fs::Open(path, GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_HIDDEN));
    DWORD written = 0;
    return file.IsValid() && WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
           written == text.size();
}

}  // namespace

TEST(CommandLine, ANamedListQuotedOrNot) {
    StartCommand quoted = ParseCommandLine("-i \"C:\\Users\\Jan Dvořák\\AppData\\Local\\Temp\\filelist-1a-2b-3.flt\"");
    EXPECT_EQ(StartMode::kList, quoted.mode);
    EXPECT_EQ("C:\\Users\\Jan Dvořák\\AppData\\Local\\Temp\\filelist-1a-2b-3.flt", quoted.listPath);
    StartCommand bare = ParseCommandLine("-I C:\\Temp\\日本語 list.flt  ");
    EXPECT_EQ(StartMode::kList, bare.mode);
    EXPECT_EQ("C:\\Temp\\日本語 list.flt", bare.listPath) << "trailing blanks are not part of it";
    EXPECT_EQ("C:\\t.flt", ParseCommandLine("-i\t  \"C:\\t.flt\"  ").listPath);
    for (const char* bad : {"-i \"\"", "-i \"C:\\t.flt", "-i \"C:\\t.flt\" -o", "-i    "}) {
        StartCommand command = ParseCommandLine(bad);
        EXPECT_EQ(StartMode::kFileDialog, command.mode) << bad << " gave the list " << command.listPath;
    }
}

TEST(CommandLine, TheProgramsOwnNameIsSkippedAsTheStartUpCodeDoes) {
    EXPECT_EQ(L"-i \"C:\\a b\\l.flt\"", ArgumentsOf(L"\"C:\\Program Files\\Wavory\\Wavory.exe\" -i \"C:\\a b\\l.flt\""));
    EXPECT_EQ(L"-o", ArgumentsOf(L"Wavory.exe   -o"));
    EXPECT_EQ(L"-o", ArgumentsOf(L"\"C:\\ソフト\\Wavory.exe\"-o"));
    EXPECT_EQ(L"", ArgumentsOf(L"\"C:\\Wavory.exe\""));
    EXPECT_EQ(L"", ArgumentsOf(L"Wavory.exe"));
    EXPECT_EQ(L"", ArgumentsOf(nullptr));
    // This test program was started with switches of its own, never one of ours.
    EXPECT_EQ(StartMode::kFileDialog, CommandOfThisProcess().mode);
}

TEST(FileListParsing, AMarkedListIsUtf8WithCrLfOrLf) {
    std::vector<std::string> paths = {"C:\\日本語の曲.mp3", "C:\\🎵 emoji.mp3", "C:\\Dvořák.mp3", "C:\\Łódź.mp3",
                                      "C:\\ソ\\表能.wav", "C:\\" + std::string(150, 'd') + "\\" + std::string(150, 'e')};
    for (const char* end : {"\r\n", "\n"}) {
        std::string text = std::string(kMark) + "0" + end + "C:\\Program Files\\Wavory" + end + "6" + end;
        for (const auto& p : paths) text += p + end;
        FileListContent c;
        EXPECT_EQ(0, ParseFileList(text, c, 932)) << "the code page is for lists without the mark";
        EXPECT_EQ("C:\\Program Files\\Wavory", c.folder);
        EXPECT_EQ(paths, c.paths) << (end[0] == '\r' ? "CR LF" : "LF");
    }
    FileListContent c;
    EXPECT_EQ(kListMalformed, ParseFileList(std::string(kMark) + "0\r\nC:\\F\r\n1\r\nC:\\Caf\xE9.mp3\r\n", c))
        << "a marked list that is not UTF-8 is damaged";
    EXPECT_EQ(kListEmpty, ParseFileList(std::string(kMark) + "0\r\nC:\\F\r\n0\r\n", c));
    EXPECT_EQ(kListMalformed, ParseFileList(kMark, c));
}

TEST(FileListParsing, AListWithoutTheMarkIsInTheOlderWritersCodePage) {
    for (const char* end : {"\r\n", "\n"}) {
        // Each of these characters ends in 0x5C, a backslash in ASCII.
        std::string text = std::string("0") + end + "C:\\\x83\x5C\x83\x74\x83\x67" + end + "2" + end +
                           "C:\\\x83\x5C\\\x95\x5C\x94\x5C.mp3" + end + "C:\\\x95\x5C" + end;
        FileListContent c;
        EXPECT_EQ(0, ParseFileList(text, c, 932));
        EXPECT_EQ("C:\\ソフト", c.folder);
        EXPECT_EQ((std::vector<std::string>{"C:\\ソ\\表能.mp3", "C:\\表"}), c.paths) << (end[0] == '\r' ? "CR LF" : "LF");
    }
    FileListContent polish;
    EXPECT_EQ(0, ParseFileList("0\r\nC:\\F\r\n2\r\nC:\\\xA3\xF3\x64\x9F.mp3\r\nC:\\Dvo\xF8\xE1k.mp3\r\n", polish, 1250));
    EXPECT_EQ((std::vector<std::string>{"C:\\Łódź.mp3", "C:\\Dvořák.mp3"}), polish.paths);
    FileListContent western;
    EXPECT_EQ(0, ParseFileList("0\r\nC:\\F\r\n1\r\nC:\\Caf\xE9.mp3\r\n", western, 1252));
    EXPECT_EQ((std::vector<std::string>{"C:\\Café.mp3"}), western.paths);
}

TEST(FileListParsing, TheLimitIsThePlatformsLongestPathInUtf16Units) {
    FileListContent c;
    std::string emoji = "\xF0\x9F\x8E\xB5";  // two UTF-16 units, four bytes
    std::string longest;
    for (int i = 0; i < 16383; ++i) longest += emoji;
    longest += "x";  // 32767 units
    EXPECT_EQ(0, ParseFileList(std::string(kMark) + "0\nC:\\F\n1\n" + longest + "\n", c));
    EXPECT_EQ(longest, c.paths[0]);
    EXPECT_EQ(kListMalformed, ParseFileList(std::string(kMark) + "0\nC:\\F\n1\n" + longest + "y\n", c));
}

namespace {
class HandOff : public ::testing::Test {
protected:
    HandOff() : env("Wavory") {}
    ~HandOff() override {
        Batch().FreeSources();
        for (const auto& list : {named, FileListPath()}) {
            fs::SetAttributes(list, FILE_ATTRIBUTE_NORMAL);
            fs::Delete(list);
        }
    }
    EngineApp env;
    std::string folder;
    std::string named = fs::TempFolder() + "filelist-test-" + std::to_string(GetCurrentProcessId()) + ".flt";
};
}  // namespace

TEST_F(HandOff, ANamedListIsReadThenDeletedAndTheSharedOneIsKept) {
    std::string shared = FileListPath();
    ASSERT_TRUE(WriteHiddenList(shared, "0\r\nC:\\Apps\r\n1\r\nC:\\Shared\\a.mp3\r\n"));
    ASSERT_TRUE(WriteHiddenList(named, std::string(kMark) + "0\r\nC:\\Apps\r\n2\r\nC:\\Musik\\Łódź.mp3\r\nC:\\Musik\\日本語の曲.mp3\r\n"));
    EXPECT_EQ(0, ReadFileList(ListFileFor(named), folder));
    ASSERT_EQ(2, Batch().sourceCount);
    EXPECT_EQ("C:\\Musik\\Łódź.mp3", Batch().sourcePaths[0]);
    EXPECT_EQ("C:\\Musik\\日本語の曲.mp3", Batch().sourcePaths[1]);
    EXPECT_EQ("C:\\Musik", folder);
    EXPECT_FALSE(Exists(named)) << "the named list is the program's to delete";

    EXPECT_EQ(0, ReadFileList(ListFileFor(""), folder));
    ASSERT_EQ(1, Batch().sourceCount);
    EXPECT_EQ("C:\\Shared\\a.mp3", Batch().sourcePaths[0]);
    EXPECT_TRUE(Exists(shared)) << "the shared list stays for its writer";
}

TEST_F(HandOff, ANamedListGoesWhetherOrNotItParsed) {
    for (const std::string& text : {std::string("garbage"), std::string(kMark) + "0\r\nC:\\F\r\n0\r\n"}) {
        ASSERT_TRUE(WriteHiddenList(named, text));
        int result = ReadFileList(ListFileFor(named), folder);
        EXPECT_TRUE(result == kListMalformed || result == kListEmpty) << result;
        EXPECT_FALSE(Exists(named)) << "after a list that gave " << result;
    }
    ASSERT_TRUE(WriteHiddenList(FileListPath(), "garbage"));
    EXPECT_EQ(kListMalformed, ReadFileList(ListFileFor(""), folder));
    EXPECT_TRUE(Exists(FileListPath())) << "the shared list stays even when it is damaged";
}

TEST_F(HandOff, ListFileForNamesTheSharedListOrTheNamedOne) {
    ListFile shared = ListFileFor("");
    EXPECT_EQ(fs::TempFolder() + "filelist.flt", shared.path);
    EXPECT_FALSE(shared.deleteAfterReading);
    ListFile own = ListFileFor(fs::TempFolder() + "FileList-1a-2b-3.FLT");
    EXPECT_EQ(fs::TempFolder() + "FileList-1a-2b-3.FLT", own.path);
    EXPECT_TRUE(own.deleteAfterReading);
    // Any other file named on the command line is read, never deleted.
    for (const std::string& other : {std::string("C:\\Temp\\filelist-1.flt"), fs::TempFolder() + "notes.flt",
                                     fs::TempFolder() + "filelist-1.txt", fs::TempFolder() + kSharedListName,
                                     fs::TempFolder() + "sub\\filelist-1.flt"})
        EXPECT_FALSE(ListFileFor(other).deleteAfterReading) << other;
}
