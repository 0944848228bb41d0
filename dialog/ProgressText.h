// Texts of the conversion dialog's labels.
#pragma once
#include <cstdint>
#include <string>

// Whole megabytes; above 1024 of them, gigabytes with one decimal; nothing when unknown.
std::string FreeSpaceText(uint64_t freeBytes);
// The first limit characters and "..." when the text is longer.
std::string CutName(const std::string& name, size_t limit);
// From "source" To "output", each name cut at 16 characters.
std::string FoldersText(const std::string& sourceFolder, const std::string& outputFolder);
