// Window messages that reach the conversion dialog from the decode thread and
// from the MP3 decoder library.
#pragma once
#include <windows.h>

constexpr UINT WM_GATHERING_DONE = 5000;
constexpr UINT WM_CONVERSION_DONE = 5001;
constexpr UINT WM_DECODER_EOF = WM_USER + 2;  // 1026, sent by the decoder library
