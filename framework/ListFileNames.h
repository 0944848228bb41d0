// The names of the lists through which the Explorer extension hands a selection
// to the program, in the user's temporary folder: the one shared list of older
// extensions, and the list of its own that each command writes now.
#pragma once

inline constexpr char kSharedListName[] = "filelist.flt";
inline constexpr char kOwnListPrefix[] = "filelist-";
inline constexpr char kListExtension[] = ".flt";
