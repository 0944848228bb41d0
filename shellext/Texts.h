// The texts both menus show, and the program they start: one definition each.
#pragma once

namespace shellext {

inline constexpr char kConvertTitle[] = "Convert to WAV";
inline constexpr char kOptionsTitle[] = "Converter Options...";
inline constexpr char kConvertHelp[] = "Convert to WAV file(s)";
inline constexpr char kOptionsHelp[] = "Converter Options...";
inline constexpr char kProgramName[] = "Wavory.exe";

}  // namespace shellext
