// Texts of the program's own boxes and labels, exactly as users have always seen them.
#pragma once
#include <string>

#include "../dialog/JobTexts.h"  // the captions

namespace msg {

inline constexpr char kOleInitFailed[] =
    "OLE initialization failed.  Make sure that the OLE libraries are the correct version.";
inline constexpr char kInternalError[] = "Internal error #0.";
inline constexpr char kSupportAddress[] = "support@wavory.example";
inline std::string EmailUs() { return std::string("We are so sorry for this.Please email us ") + kSupportAddress; }
inline constexpr char kCaptionEmailUs[] = "Email us";
inline constexpr char kNoFileToConvert[] = "No file will be converted!";
inline constexpr char kCaptionInfoBox[] = "Info";
inline constexpr char kTooManyFiles[] = "Your selected files are too many to be converted!";
inline std::string PathTooLong(const std::string& path) {
    return "The path " + path + " is too long to be converted, it is left out!";
}
inline std::string OnCdRom(const std::string& folder) {
    return "The destiantion file folder(" + folder + ")is in DVD/CD-ROM driver, I can't create file on it directly!";
}
inline constexpr char kChooseOutputFolder[] = "Choose a folder to store your WAV files.";
// The folder browser gave no path: a virtual folder (a library, a phone, the network view).
inline constexpr char kFolderNotUsable[] =
    "This folder can't be used for WAV files: it is not a folder on a disk. Please choose another folder.";
inline constexpr char kOutputFolderEmpty[] = "The output folder is empty, please check the option!";
inline constexpr char kDecoderMissing[] =
    "Can't load mp3 decode library,please check whether the mjm.dll is installed!";
inline constexpr char kCancelPrompt[] = "Cancel Conversion?";
inline constexpr char kCantStartBatch[] =
    "The conversion can't be started: Windows has not enough resources left. Close some programs and try again.";
inline constexpr char kSummaryFormat[] = "%d of %d audio file(s) successfully converted!";
inline constexpr char kStageGathering[] = "Gathering Information...";
inline constexpr char kStageTotal[] = "Total Progress";
inline constexpr char kPause[] = "Pause";
inline constexpr char kContinue[] = "Continue";
inline constexpr char kOpen[] = "Open";
inline constexpr char kCancel[] = "Cancel";
inline constexpr char kClose[] = "Close";

// The file dialog's filter, in the framework's bar-separated form.
inline constexpr char kSourceFilter[] =
    "All Support Files (*.mp3;*.mp2;*.mp1;*.wma;*.wav;*.wave)|*.mp3;*.mp2;*.mp1;*.wma;*.wav;*.wave|"
    "MP3 file (*.mp3;*.mp2;*.mp1)|*.mp3;*.mp2;*.mp1|WMA file (*.wma)|*.wma|WAVE file (*.wav;*.wave)|*.wav;*.wave||";

}  // namespace msg
