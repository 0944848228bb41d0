#include "CmdOptions.h"

#include <cwchar>

#include "../acmdriver/PcmFormats.h"

namespace {
std::string Narrow(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) out += c < 0x80 ? static_cast<char>(c) : '?';
    return out;
}

// A whole decimal number in [low, high], nothing before or after it.
std::optional<int> Number(const std::wstring& text, int low, int high) {
    if (text.empty() || text.size() > 9) return std::nullopt;
    int value = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') return std::nullopt;
        value = value * 10 + (c - L'0');
    }
    if (value < low || value > high) return std::nullopt;
    return value;
}

// cd, source, or RATE:BITS:CHANNELS that our converter writes (BITS "32f": 32-bit float).
bool ParseFormat(const std::wstring& text, CmdOptions& options) {
    if (text == L"cd") {
        options.target = JobSettings::Target::kCd;
        return true;
    }
    if (text == L"source") {
        options.target = JobSettings::Target::kOriginal;
        return true;
    }
    size_t first = text.find(L':'), second = text.find(L':', first + 1);
    if (first == std::wstring::npos || second == std::wstring::npos) return false;
    const std::wstring width = text.substr(first + 1, second - first - 1);
    const bool isFloat = width == L"32f";
    auto rate = Number(text.substr(0, first), 1000, 384000);
    auto bits = isFloat ? std::optional<int>(32) : Number(width, 1, 64);
    auto channels = Number(text.substr(second + 1), 1, 8);
    if (!rate || !bits || !channels) return false;
    WAVEFORMATEX format = isFloat ? MakeFloat(static_cast<WORD>(*channels), static_cast<DWORD>(*rate))
                                  : MakePcm(static_cast<WORD>(*channels), static_cast<DWORD>(*rate), static_cast<WORD>(*bits));
    if (!IsConvertibleTarget(format)) return false;
    options.target = JobSettings::Target::kStored;
    options.format = format;
    return true;
}

struct Arguments {
    const std::vector<std::wstring>& args;
    size_t next = 0;
    bool More() const { return next < args.size(); }
    const std::wstring& Take() { return args[next++]; }
};

// The value of an option that takes one: "--name=value", "-x value" or "--name value".
bool TakeValue(Arguments& in, const std::wstring& arg, std::wstring& value) {
    size_t equals = arg.find(L'=');
    if (equals != std::wstring::npos) {
        value = arg.substr(equals + 1);
        return true;
    }
    if (!in.More()) return false;
    value = in.Take();
    return true;
}

std::wstring Name(const std::wstring& arg) { return arg.substr(0, arg.find(L'=')); }

// One option; false with error set when it is not understood.
bool ParseOption(Arguments& in, const std::wstring& arg, CmdOptions& o, std::string& error) {
    const std::wstring name = Name(arg);
    std::wstring value;
    if (name == L"-h" || name == L"--help" || name == L"/?") o.help = true;
    else if (name == L"--version") o.version = true;
    else if (name == L"-y" || name == L"--overwrite") o.overwrite = true;
    else if (name == L"--no-overwrite") o.overwrite = false;
    else if (name == L"-r" || name == L"--recursive") o.recursive = true;
    else if (name == L"--no-recursive") o.recursive = false;
    else if (name == L"-q" || name == L"--quiet") o.quiet = true;
    else if (name == L"--json") o.json = true;
    else if (name == L"--no-normalize") o.normalize = false;
    else if (name == L"--keep-tree") o.keepTree = true;
    else if (name == L"--flat") o.keepTree = false;
    else if (name == L"--tags") o.copyTags = true;
    else if (name == L"--no-tags") o.copyTags = false;
    else if (name == L"-n" || name == L"--normalize") {
        o.normalize = true;
        if (arg.find(L'=') != std::wstring::npos) {
            o.normalizePercent = Number(arg.substr(arg.find(L'=') + 1), 1, 100);
            if (!o.normalizePercent) error = "the normalisation level is a percent from 1 to 100: " + Narrow(arg);
        }
    } else if (name == L"-o" || name == L"--output") {
        if (!TakeValue(in, arg, value) || value.empty()) error = "--output needs a folder";
        else o.outputFolder = value;
    } else if (name == L"-j" || name == L"--jobs") {
        if (!TakeValue(in, arg, value) || !(o.jobs = Number(value, 1, kMaxJobs)))
            error = "--jobs needs a number of files from 1 to " + std::to_string(kMaxJobs);
    } else if (name == L"-f" || name == L"--format") {
        if (!TakeValue(in, arg, value)) error = "--format needs cd, source or RATE:BITS:CHANNELS";
        else if (!ParseFormat(value, o))
            error = "unknown format \"" + Narrow(value) + "\" (cd, source, or RATE:BITS:CHANNELS such as 48000:16:2)";
    } else {
        error = "unknown option " + Narrow(arg);
    }
    return error.empty();
}

bool IsOption(const std::wstring& arg) { return arg.size() > 1 && (arg[0] == L'-' || arg == L"/?"); }

}  // namespace

CmdParse ParseCmdLine(const std::vector<std::wstring>& args) {
    CmdParse parse;
    Arguments in{args};
    bool onlySources = false;  // after "--" every argument is a name
    while (in.More() && parse.error.empty()) {
        const std::wstring& arg = in.Take();
        if (onlySources || !IsOption(arg)) parse.options.sources.push_back(arg);
        else if (arg == L"--") onlySources = true;
        else ParseOption(in, arg, parse.options, parse.error);
    }
    if (parse.error.empty() && parse.options.sources.empty() && !parse.options.help && !parse.options.version)
        parse.error = "no file or folder to convert";
    return parse;
}

JobSettings ApplyCmdOptions(JobSettings saved, const CmdOptions& options) {
    if (options.target) saved.target = *options.target;
    if (options.target == JobSettings::Target::kStored) saved.storedFormat = options.format;
    if (options.normalize) saved.volumeNormalize = *options.normalize;
    if (options.normalizePercent) saved.normalizeValue = *options.normalizePercent;
    if (options.keepTree) saved.keepTree = *options.keepTree;
    if (options.copyTags) saved.copyTags = *options.copyTags;
    if (options.jobs) saved.jobs = *options.jobs;
    saved.promptBefore = true;
    saved.notDisplayErrInfo = false;
    saved.walkSubfolders = options.recursive;
    return saved;
}
