// The switches the installer and the uninstaller start the program with. Each
// does its registry work and ends the program with an exit code, showing nothing.
#pragma once

enum class Maintenance {
    kNone,
    kRegServer,       // "/RegServer": the automation class, machine-wide
    kUnregServer,     // "/UnregServer": the automation class, machine and this user
    kRemoveSettings,  // "/RemoveSettings": this user's settings
};

// The whole command line, compared ignoring case ('-' may stand for '/').
Maintenance MaintenanceOf(const char* commandLine);
// 0 done, 1 something is left.
int RunMaintenance(Maintenance task);
