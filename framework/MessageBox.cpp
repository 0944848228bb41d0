#include "MessageBox.h"

#include <mutex>

#include "Unicode.h"
#include "WinApp.h"

namespace {
std::mutex g_hookLock;
MessageBoxHook g_hook;
}  // namespace

MessageBoxHook SetMessageBoxHook(MessageBoxHook hook) {
    std::lock_guard<std::mutex> guard(g_hookLock);
    MessageBoxHook previous = std::move(g_hook);
    g_hook = std::move(hook);
    return previous;
}

int AppMessageBox(HWND owner, const char* text, const char* caption, UINT type) {
    MessageBoxHook hook;
    {
        std::lock_guard<std::mutex> guard(g_hookLock);
        hook = g_hook;
    }
    // The box may run for minutes: never hold the lock while it is up.
    if (hook) return hook(MessageBoxCall{owner, text ? text : "", caption ? caption : "", type});
    return MessageBoxW(owner, Widen(text).c_str(), Widen(caption).c_str(), type);
}

int AfxMessageBox(const char* text, UINT type) {
    CWinApp* app = AfxGetApp();
    const char* caption = app ? app->m_strAppName.c_str() : "";
    return AppMessageBox(AfxGetMainHwnd(), text, caption, type);
}
