#include "CommandLine.h"

#include <windows.h>

#include "../framework/Unicode.h"

namespace {
const char kOptionsSwitch[] = "-o";
const char kListSwitch[] = "-i";
const char kBlanks[] = " \t";

bool SameIgnoringCase(const std::string& text, const char* word) { return lstrcmpiA(text.c_str(), word) == 0; }

// The path after "-i ": quoted (nothing may follow the closing quote but
// blanks) or the rest of the line without its trailing blanks. Empty when
// there is none.
std::string ListPathOf(const std::string& rest) {
    size_t start = rest.find_first_not_of(kBlanks);
    if (start == std::string::npos) return std::string();
    if (rest[start] != '"') {
        size_t end = rest.find_last_not_of(kBlanks);
        return rest.substr(start, end + 1 - start);
    }
    size_t close = rest.find('"', start + 1);
    if (close == std::string::npos || rest.find_first_not_of(kBlanks, close + 1) != std::string::npos)
        return std::string();
    return rest.substr(start + 1, close - start - 1);
}
}  // namespace

StartCommand ParseCommandLine(const std::string& arguments) {
    StartCommand command;
    if (SameIgnoringCase(arguments, kOptionsSwitch)) {
        command.mode = StartMode::kOptions;
    } else if (SameIgnoringCase(arguments, kListSwitch)) {
        command.mode = StartMode::kList;
    } else if (arguments.size() > 2 && SameIgnoringCase(arguments.substr(0, 2), kListSwitch) &&
               (arguments[2] == ' ' || arguments[2] == '\t')) {
        command.listPath = ListPathOf(arguments.substr(3));
        if (!command.listPath.empty()) command.mode = StartMode::kList;
    }
    return command;
}

std::wstring ArgumentsOf(const wchar_t* commandLine) {
    if (!commandLine) return std::wstring();
    const wchar_t* p = commandLine;
    // The program's name: up to the closing quote, or up to the first blank.
    if (*p == L'"') {
        ++p;
        while (*p && *p != L'"') ++p;
        if (*p) ++p;
    } else {
        while (*p && *p != L' ' && *p != L'\t') ++p;
    }
    while (*p == L' ' || *p == L'\t') ++p;
    return p;
}

StartCommand CommandOfThisProcess() { return ParseCommandLine(Narrow(ArgumentsOf(GetCommandLineW()))); }
