// The list file through which the Explorer extension hands a selection to the
// program: flag, folder, count, then one path a line, in the temporary folder.
#pragma once
#include <string>
#include <vector>

#include "../engine/BatchState.h"

enum FileListResult { kListEmpty = -1, kListMalformed = -2, kListNoFolder = -3 };

struct FileListContent {
    int flag = 0;
    std::string folder;
    std::vector<std::string> paths;
};

// Parses the text; returns the flag (0 or positive), kListEmpty for a count of
// 0, or kListMalformed for a missing line, a non-number, a negative value or a
// line of 260 bytes or more.
int ParseFileList(const std::string& text, FileListContent& content);

// GetTempPathA + "\filelist.flt", as the writer builds it.
std::string FileListPath();

// Reads the list into BatchState's sources and settles folder: a flag of 0
// applies the output-folder policy (kListNoFolder when it gives none), a
// positive flag takes line 2. Returns the flag or a FileListResult.
int ReadFileList(std::string& folder);
