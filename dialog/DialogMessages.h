// Window messages of the conversion dialog: a batch's events, posted by its
// listener from the decode thread, and the dialog's own.
#pragma once
#include <windows.h>

constexpr UINT WM_GATHERING_DONE = 5000;
constexpr UINT WM_CONVERSION_DONE = 5001;
// Posted last by every batch, however it ended (done, stopped, or failed on the way):
// after it the thread touches nothing the dialog owns.
constexpr UINT WM_BATCH_ENDED = WM_APP + 1;
// The dialog to itself: start the first batch once the window is up.
constexpr UINT WM_START_BATCH = WM_APP + 2;
