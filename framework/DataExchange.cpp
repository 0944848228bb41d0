#include "DataExchange.h"

#include "Wnd.h"

HWND CDataExchange::Control(int id) const {
    HWND hwnd = m_pDlgWnd->GetDlgItem(id);
    return hwnd;
}

namespace {
bool IsRadioButton(HWND hwnd) {
    if (SendMessageA(hwnd, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON) return true;
    LONG style = GetWindowLongA(hwnd, GWL_STYLE) & BS_TYPEMASK;
    return style == BS_RADIOBUTTON || style == BS_AUTORADIOBUTTON;
}
}  // namespace

void DDX_Radio(CDataExchange& dx, int firstId, int& value) {
    HWND hwnd = dx.Control(firstId);
    if (!hwnd) return dx.Fail();
    if (dx.m_bSaveAndValidate) value = -1;
    int index = 0;
    // Walk siblings in z-order (the tab order) until the next group starts.
    do {
        if (IsRadioButton(hwnd)) {
            if (dx.m_bSaveAndValidate) {
                if (SendMessageA(hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED) value = index;
            } else {
                SendMessageA(hwnd, BM_SETCHECK, index == value ? BST_CHECKED : BST_UNCHECKED, 0);
            }
            ++index;
        }
        hwnd = GetWindow(hwnd, GW_HWNDNEXT);
    } while (hwnd && !(GetWindowLongA(hwnd, GWL_STYLE) & WS_GROUP));
}

void DDX_Check(CDataExchange& dx, int id, int& value) {
    HWND hwnd = dx.Control(id);
    if (!hwnd) return dx.Fail();
    if (dx.m_bSaveAndValidate)
        value = static_cast<int>(SendMessageA(hwnd, BM_GETCHECK, 0, 0));
    else
        SendMessageA(hwnd, BM_SETCHECK, static_cast<WPARAM>(value), 0);
}

void DDX_Text(CDataExchange& dx, int id, std::string& value) {
    HWND hwnd = dx.Control(id);
    if (!hwnd) return dx.Fail();
    if (dx.m_bSaveAndValidate)
        value = dx.m_pDlgWnd->GetDlgItemText(id);
    else
        SetWindowTextW(hwnd, Widen(value).c_str());
}

void DDX_CBIndex(CDataExchange& dx, int id, int& value) {
    HWND hwnd = dx.Control(id);
    if (!hwnd) return dx.Fail();
    if (dx.m_bSaveAndValidate)
        value = static_cast<int>(SendMessageA(hwnd, CB_GETCURSEL, 0, 0));
    else
        SendMessageA(hwnd, CB_SETCURSEL, static_cast<WPARAM>(value), 0);
}

void DDX_Control(CDataExchange& dx, int id, CWnd& control) {
    if (control.IsSubclassed()) return;
    if (!control.SubclassDlgItem(id, *dx.m_pDlgWnd)) dx.Fail();
}
