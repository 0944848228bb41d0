// The registration of the automation class "Wavory.Application": one table of
// keys, written machine-wide by the installer, removed by the uninstaller, and
// refreshed by a normal start where it may write.
#pragma once
#include <windows.h>

#include <string>

namespace automation {

inline constexpr char kProgId[] = "Wavory.Application";
inline constexpr char kClsidText[] = "{58223E6A-9342-4440-9B26-54B6DF7EC493}";

// Open "Software\Classes" keys; either may be null when it cannot be opened.
struct ClassesRoots {
    HKEY machine;
    HKEY user;
};

// True when root holds the class with this program as its local server.
bool IsRegisteredFor(HKEY root, const std::string& exePath);
// Writes the whole table under root; false at the first key that cannot be written.
bool WriteRegistration(HKEY root, const std::string& exePath);
// Removes the table's keys from root; false when they are there and stay.
bool DeleteRegistration(HKEY root);

// A normal start: nothing when the registration in effect (the user's keys,
// else the machine's) names this program; otherwise the user's keys when there
// are some, else the machine's, else the user's when those cannot be written.
// Failures are not reported: the program works without its registration.
void RefreshRegistration(const ClassesRoots& roots, const std::string& exePath);

// On the real registry, for this executable: the installer's machine-wide
// registration; the uninstaller's removal of the machine's and this user's keys
// (true when none is left); a normal start's refresh.
bool RegisterMachineWide();
bool UnregisterEverywhere();
void RefreshThisProgram();

}  // namespace automation
