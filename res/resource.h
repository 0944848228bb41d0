// Resource ids of Wavory.exe.
#pragma once

#define IDD_WAVORY_DIALOG 102
#define IDC_STUB_TEXT 1000
