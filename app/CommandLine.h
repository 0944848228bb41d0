// The modes the whole command line selects, compared as one string ignoring case.
#pragma once

enum class StartMode { kOptions, kList, kFileDialog };
StartMode ModeOfCommandLine(const char* commandLine);
