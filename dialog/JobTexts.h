// The texts of the boxes about a batch's files, exactly as users have always seen them.
#pragma once
#include <string>

namespace msg {

inline constexpr char kCaptionError[] = "Error";
inline constexpr char kCaptionInformation[] = "Information";
inline constexpr char kCaptionInfo[] = "info";

inline std::string CantOpenShared(const std::string& source) {
    return "Can't Open " + source + ". Maybe it is used by another program.";
}
inline std::string SameFolder(const std::string& source) { return "Can't convert File " + source + " in the same folder"; }
inline std::string OverwritePrompt(const std::string& output) { return output + " is exist!Overwrite it?"; }
inline std::string CantCreate(const std::string& output) { return "Can't create File " + output; }
inline std::string CantOpenWav(const std::string& source) { return "Can't open " + source; }
inline std::string NotWav(const std::string& source) { return source + " is not a correct wav file!"; }
inline std::string NotMp3(const std::string& source) { return source + " is not a correct mp3 file!"; }
inline std::string NotWma(const std::string& source) {
    return source + " is not a correct wma file!Or the file was protected by Digital Rights Management(DRM)!";
}
inline constexpr char kWmaInitFailed[] =
    "Can't Initialize WMA decoder,reinstall Windows Media Format 9 series carefully!";
inline constexpr char kWmaRuntimeMissing[] =
    "Can't convert WMA files: the Windows Media Format runtime (wmvcore.dll) is not installed on this Windows. "
    "On an N or KN edition of Windows, install the Media Feature Pack.";
inline std::string WmaHeadError(const std::string& source) {
    return "There is some error when I read the head of " + source;
}
inline std::string CantReadToEnd(const std::string& source) {
    return "There is some error when I read " + source + ", so it is not converted!";
}
inline std::string ConversionFailed(const std::string& source) {
    return "There is some error when I convert " + source + ", so it is not converted!";
}
inline std::string CantWrite(const std::string& output) { return "I can't write to " + output; }
inline std::string NotPcm(const std::string& source) {
    return "The " + source + " is not a PCM format WAV file.Tarn Sonelle can only convert PCM format WAV file!";
}
inline constexpr char kDiskFull[] =
    "There is no available space in the destination folder, so the converter will be quit!";
inline std::string DriveRoot(const std::string& entry, const std::string& outputFolder) {
    return "I can't convert all the files of " + entry + " to " + outputFolder +
           " .Please choose another destination driver to convert to(exa:convert files from c: to d:)";
}

}  // namespace msg
