// Resource ids of Sonelle.dll, for its resource script and its code.
#pragma once

#define IDB_MENU 210
// Windows 11's menu takes its icons as "<file>,-<id>": the id of an icon resource.
#define IDI_COMMAND 211
