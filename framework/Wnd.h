// A window known to the framework: a borrowed HWND, or a child control whose
// window procedure this object has taken over (subclassing), which then also
// receives the messages its parent reflects back to it.
#pragma once
#include <windows.h>
#include <string>

#include "Unicode.h"

class CWnd {
public:
    CWnd() = default;
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND GetSafeHwnd() const { return m_hWnd; }
    HWND m_hWnd = nullptr;

    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
    void SetDlgItemText(int id, const char* text) const { ::SetDlgItemTextW(m_hWnd, id, Widen(text).c_str()); }
    std::string GetDlgItemText(int id) const;
    std::string GetWindowText() const;
    void SetWindowText(const char* text) const { ::SetWindowTextW(m_hWnd, Widen(text).c_str()); }
    BOOL PostMessage(UINT msg, WPARAM wp = 0, LPARAM lp = 0) const {
        return ::PostMessageA(m_hWnd, msg, wp, lp);
    }
    LRESULT SendMessage(UINT msg, WPARAM wp = 0, LPARAM lp = 0) const {
        return ::SendMessageA(m_hWnd, msg, wp, lp);
    }
    BOOL ShowWindow(int cmd) const { return ::ShowWindow(m_hWnd, cmd); }
    BOOL EnableWindow(BOOL enable) const { return ::EnableWindow(m_hWnd, enable); }

    // Subclassing: route the control's messages through WindowProc.
    bool SubclassWindow(HWND hwnd);
    bool SubclassDlgItem(int id, const CWnd& parent) { return SubclassWindow(parent.GetDlgItem(id)); }
    void UnsubclassWindow();
    bool IsSubclassed() const { return m_oldProc != nullptr; }

    // The object that subclassed hwnd, if any.
    static CWnd* FromSubclassed(HWND hwnd);

    // A message the parent hands back to the control that caused it
    // (WM_CTLCOLORSTATIC, WM_COMMAND notifications). Return true when handled.
    virtual bool OnReflectedMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);

protected:
    // Called once the control is subclassed, before any of its messages arrive here.
    virtual void PreSubclassWindow() {}
    // Messages of a subclassed window; the default passes them on.
    virtual LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp);
    LRESULT DefWindowProc(UINT msg, WPARAM wp, LPARAM lp);

private:
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    WNDPROC m_oldProc = nullptr;
};

inline HWND SafeHwnd(const CWnd* wnd) { return wnd ? wnd->m_hWnd : nullptr; }
