// The list file through which the Explorer extension hands a selection to the
// program: flag, folder, count, then one path a line. The extension writes
// UTF-8 after a byte-order mark; older writers wrote the ANSI code page.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "../engine/BatchState.h"

enum FileListResult { kListEmpty = -1, kListMalformed = -2, kListNoFolder = -3 };

struct FileListContent {
    int flag = 0;
    std::string folder;              // UTF-8
    std::vector<std::string> paths;  // UTF-8
};

// Parses the text; returns the flag (0 or positive), kListEmpty for a count of
// 0, or kListMalformed for a missing line, a non-number, a negative value, a
// line longer than the platform's longest path, or a marked list that is not
// UTF-8. Lines of a list without the mark are read in legacyCodePage.
int ParseFileList(const std::string& text, FileListContent& content, UINT legacyCodePage = CP_ACP);

// The shared list older callers of "-i" leave: %TEMP%\filelist.flt.
std::string FileListPath();

// Which list to read, and whether it is the program's to delete: a list named
// on the command line was written for this start alone; the shared one stays.
struct ListFile {
    std::string path;
    bool deleteAfterReading = false;
};
// The named list, or the shared one when name is empty.
ListFile ListFileFor(const std::string& name);

// Reads the list into BatchState's sources and settles folder: a flag of 0
// applies the output-folder policy (kListNoFolder when it gives none), a
// positive flag takes line 2. Returns the flag or a FileListResult.
int ReadFileList(const ListFile& list, std::string& folder);
