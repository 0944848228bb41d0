#include "ProgressText.h"

#include "../engine/FreeSpaceMonitor.h"
#include "../framework/Unicode.h"

#include <cstdio>

std::string FreeSpaceText(uint64_t freeBytes) {
    if (freeBytes == kFreeSpaceUnknown) return "";
    double megabytes = static_cast<double>(freeBytes / 1048576);
    char text[64];
    if (megabytes > 1024.0)
        snprintf(text, sizeof(text), "%.1lfGB", megabytes * 0.0009765625);
    else
        snprintf(text, sizeof(text), "%.0lfMB", megabytes);
    return text;
}

// Counted in characters, so a cut never splits one (a name is UTF-8).
std::string CutName(const std::string& name, size_t limit) {
    return CharacterCount(name) > limit ? CutCharacters(name, limit) + "..." : name;
}

std::string FoldersText(const std::string& sourceFolder, const std::string& outputFolder) {
    return "From \"" + CutName(sourceFolder, 16) + "\" To \"" + CutName(outputFolder, 16) + "\"";
}
