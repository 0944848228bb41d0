// Our PCM converter, added to the ACM as a local driver of this process so
// that acmStreamOpen with no particular driver chooses it for every PCM to PCM
// conversion before the platform's own converter.
#pragma once
#include <windows.h>
#include <mmreg.h>
#include <msacm.h>

// Adds the driver once per process; false when the ACM refused it, which
// leaves the platform's converter in charge.
bool InstallPcmConverter();
// The id of our driver, null until it is added.
HACMDRIVERID PcmConverterId();
