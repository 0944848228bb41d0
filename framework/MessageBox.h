// The one message-box function of the program. Tests install a hook that
// records each box and answers it instead of the user.
#pragma once
#include <windows.h>
#include <functional>
#include <string>

struct MessageBoxCall {
    HWND owner;
    std::string text;
    std::string caption;
    UINT type;  // MB_ flags: buttons and icon
};

using MessageBoxHook = std::function<int(const MessageBoxCall&)>;

// Shows a box owned by owner (may be NULL); returns the button pressed (IDOK, IDYES, ...).
int AppMessageBox(HWND owner, const char* text, const char* caption, UINT type);
// The framework's box: owned by the main window, captioned with the application name.
int AfxMessageBox(const char* text, UINT type = MB_OK);

// Installs hook (an empty one removes it); returns the previous hook. Safe from any thread.
MessageBoxHook SetMessageBoxHook(MessageBoxHook hook);

inline UINT IconOf(UINT type) { return type & MB_ICONMASK; }
inline UINT ButtonsOf(UINT type) { return type & MB_TYPEMASK; }
