// What WavoryCmd says, in one place: usage, the reason of every failure, the
// summary. Texts take and give UTF-16, as the console shows it.
#pragma once
#include <string>

#include "../engine/JobEvents.h"

namespace cmdmsg {

inline constexpr wchar_t kProgram[] = L"WavoryCmd";

inline constexpr wchar_t kUsage[] =
    L"Converts MP3, WMA and WAV files, and folders of them, into WAV files.\n"
    L"\n"
    L"WavoryCmd [options] <file or folder>...\n"
    L"  -o, --output DIR       output folder (default: the folder of each source)\n"
    L"  -f, --format cd|source|RATE:BITS:CHANNELS\n"
    L"                         the WAV format (default: the saved options' choice);\n"
    L"                         BITS 8, 16, 24, 32, or 32f for 32-bit float\n"
    L"  -n, --normalize[=PCT]  peak normalisation (default: the saved options' choice);\n"
    L"      --no-normalize     none\n"
    L"  -y, --overwrite        replace existing outputs\n"
    L"      --no-overwrite     skip them, and say so (the default)\n"
    L"  -r, --recursive        walk folders' subfolders (the default); --no-recursive\n"
    L"      --keep-tree        files found in a folder keep its folders below the output\n"
    L"                         folder; --flat puts them all in it (default: the options')\n"
    L"      --tags             copy the sources' tags (title, artist, ...) into the WAV\n"
    L"                         files; --no-tags leaves them out (default: the options')\n"
    L"  -j, --jobs N           files converted at once, 1 to 8 (default: the options';\n"
    L"                         at first one a core)\n"
    L"  -q, --quiet            only errors\n"
    L"      --json             one JSON object per file and a summary, on standard output\n"
    L"  -h, --help, --version\n"
    L"\n"
    L"Exit codes: 0 every file converted, 1 some failed or were skipped (or none was\n"
    L"found), 2 bad usage, 3 cancelled, 4 output disk full.\n";

// Why a file failed, said after its name.
inline const wchar_t* Reason(FileFailure kind) {
    switch (kind) {
    case FileFailure::kCantOpenShared: return L"can't open it; maybe another program uses it";
    case FileFailure::kSameFolder: return L"the output would be the file itself";
    case FileFailure::kCantCreate: return L"can't create this output";
    case FileFailure::kCantOpenWav: return L"can't open it";
    case FileFailure::kNotWav: return L"not a correct WAV file";
    case FileFailure::kNotMp3: return L"not a correct MP3 file";
    case FileFailure::kNotWma: return L"not a correct WMA file, or protected by Digital Rights Management (DRM)";
    case FileFailure::kWmaHeadError: return L"its header can't be read";
    case FileFailure::kWmaInitFailed: return L"the Windows Media decoder can't be started";
    case FileFailure::kWmaRuntimeMissing:
        return L"the Windows Media Format runtime (wmvcore.dll) is not installed; on an N or KN edition of "
               L"Windows, install the Media Feature Pack";
    case FileFailure::kNotPcm: return L"no converter takes its sound to the chosen format";
    case FileFailure::kCantReadToEnd: return L"a read failed before its end, so it is not converted";
    case FileFailure::kConversionFailed: return L"the converter failed, so it is not converted";
    case FileFailure::kCantWrite: return L"can't write this output";
    }
    return L"not converted";
}

inline constexpr wchar_t kDiskFull[] = L"the output disk is full; stopping";
inline constexpr wchar_t kSkippedExists[] = L"exists; skipped (-y replaces it)";
inline constexpr wchar_t kDecoderMissing[] =
    L"the MP3 decoder library mjm.dll is missing beside WavoryCmd.exe; reinstall Wavory";
inline constexpr wchar_t kNothingFound[] = L"no MP3, WMA or WAV file found";
inline constexpr wchar_t kNoSuchSource[] = L"no such file or folder";
inline constexpr wchar_t kNotConvertible[] = L"not an MP3, WMA or WAV file";
inline constexpr wchar_t kNameTooLong[] = L"the name is too long";
inline constexpr wchar_t kNameNotUnicode[] = L"the name holds a broken character (half of a UTF-16 pair)";
inline constexpr wchar_t kCantMakeOutput[] = L"can't create the output folder";
inline constexpr wchar_t kNotConverted[] = L"not converted";
inline constexpr wchar_t kCantStart[] = L"can't start the conversion";

inline std::wstring DriveRoot(const std::wstring& output) {
    return L"not walked, as it holds the output folder " + output + L"; choose an output on another drive";
}
inline constexpr wchar_t kOutputOnCd[] = L"can't write WAV files to a CD or DVD drive; choose an output folder with -o";

}  // namespace cmdmsg
