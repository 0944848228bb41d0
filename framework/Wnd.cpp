#include "Wnd.h"

#include <vector>

#include "Unicode.h"

namespace {
const char kOwnerProp[] = "Wavory.CWnd";

std::string TextOf(HWND hwnd) {
    int length = GetWindowTextLengthW(hwnd);
    if (length <= 0) return std::string();
    std::vector<wchar_t> buffer(length + 1, L'\0');
    GetWindowTextW(hwnd, buffer.data(), length + 1);
    return Narrow(buffer.data());
}
}  // namespace

CWnd::~CWnd() { UnsubclassWindow(); }

std::string CWnd::GetDlgItemText(int id) const { return TextOf(GetDlgItem(id)); }

std::string CWnd::GetWindowText() const { return TextOf(m_hWnd); }

bool CWnd::SubclassWindow(HWND hwnd) {
    if (!hwnd || m_oldProc || FromSubclassed(hwnd)) return false;
    if (!SetPropA(hwnd, kOwnerProp, this)) return false;
    m_hWnd = hwnd;
    m_oldProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::SubclassProc)));
    PreSubclassWindow();
    return true;
}

void CWnd::UnsubclassWindow() {
    if (!m_oldProc) return;
    if (IsWindow(m_hWnd)) {
        SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_oldProc));
        RemovePropA(m_hWnd, kOwnerProp);
    }
    m_oldProc = nullptr;
    m_hWnd = nullptr;
}

CWnd* CWnd::FromSubclassed(HWND hwnd) {
    return hwnd ? static_cast<CWnd*>(GetPropA(hwnd, kOwnerProp)) : nullptr;
}

bool CWnd::OnReflectedMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

LRESULT CWnd::WindowProc(UINT msg, WPARAM wp, LPARAM lp) { return DefWindowProc(msg, wp, lp); }

LRESULT CWnd::DefWindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    return CallWindowProcA(m_oldProc, m_hWnd, msg, wp, lp);
}

LRESULT CALLBACK CWnd::SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    CWnd* self = FromSubclassed(hwnd);
    if (!self) return ::DefWindowProcA(hwnd, msg, wp, lp);
    LRESULT result = 0;
    // No exception may cross back into the platform's window code.
    try {
        result = self->WindowProc(msg, wp, lp);
    } catch (...) {
        result = 0;
    }
    if (msg == WM_NCDESTROY) self->UnsubclassWindow();
    return result;
}
