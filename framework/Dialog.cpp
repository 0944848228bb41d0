#include "Dialog.h"

#include <windowsx.h>

CDialog::CDialog(UINT templateId, CWnd* parent) : m_nTemplateId(templateId), m_pParentWnd(parent) {}

CDialog::~CDialog() {
    if (m_hWnd && IsWindow(m_hWnd)) {
        SetWindowLongPtrA(m_hWnd, DWLP_USER, 0);
        DestroyWindow(m_hWnd);
    }
    m_hWnd = nullptr;
}

INT_PTR CDialog::DoModal() {
    m_bModal = true;
    INT_PTR result = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(m_nTemplateId),
                                     SafeHwnd(m_pParentWnd), &CDialog::DialogProc,
                                     reinterpret_cast<LPARAM>(this));
    m_bModal = false;
    return result;
}

void CDialog::EndDialog(INT_PTR result) {
    if (m_hWnd) ::EndDialog(m_hWnd, result);
}

bool CDialog::UpdateData(bool saveAndValidate) {
    CDataExchange dx(this, saveAndValidate);
    DoDataExchange(dx);
    return !dx.Failed();
}

BOOL CDialog::OnInitDialog() {
    UpdateData(false);
    return TRUE;
}

void CDialog::DoDataExchange(CDataExchange&) {}

void CDialog::OnOK() {
    if (UpdateData(true)) EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

bool CDialog::OnCommand(UINT, UINT, HWND) { return false; }
void CDialog::OnTimer(UINT_PTR) {}
bool CDialog::OnSysCommand(UINT, LPARAM) { return false; }
bool CDialog::OnPaint() { return false; }
HCURSOR CDialog::OnQueryDragIcon() { return nullptr; }
void CDialog::OnShowWindow(bool, UINT) {}
void CDialog::OnDestroy() {}
bool CDialog::OnClose() { return false; }
void CDialog::OnWindowPosChanging(WINDOWPOS&) {}
bool CDialog::OnUserMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

bool CDialog::Reflect(HWND control, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    CWnd* child = CWnd::FromSubclassed(control);
    return child && child->OnReflectedMessage(msg, wp, lp, result);
}

bool CDialog::OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    switch (msg) {
    case WM_INITDIALOG:
        result = OnInitDialog();
        return true;
    case WM_COMMAND: {
        HWND control = reinterpret_cast<HWND>(lp);
        if (control && Reflect(control, msg, wp, lp, result)) return true;
        UINT id = LOWORD(wp), code = HIWORD(wp);
        if (OnCommand(id, code, control)) return true;
        if (code == BN_CLICKED || code == 0) {
            if (id == IDOK) { OnOK(); return true; }
            if (id == IDCANCEL) { OnCancel(); return true; }
        }
        return false;
    }
    case WM_CTLCOLORSTATIC:
        return Reflect(reinterpret_cast<HWND>(lp), msg, wp, lp, result);
    case WM_TIMER:
        OnTimer(wp);
        return true;
    case WM_SYSCOMMAND:
        return OnSysCommand(static_cast<UINT>(wp), lp);
    case WM_PAINT:
        return OnPaint();
    case WM_QUERYDRAGICON:
        result = reinterpret_cast<LRESULT>(OnQueryDragIcon());
        return result != 0;
    case WM_SHOWWINDOW:
        OnShowWindow(wp != 0, static_cast<UINT>(lp));
        return false;
    case WM_DESTROY:
        OnDestroy();
        return false;
    case WM_CLOSE:
        return OnClose();
    case WM_WINDOWPOSCHANGING:
        OnWindowPosChanging(*reinterpret_cast<WINDOWPOS*>(lp));
        return false;
    default:
        if (msg >= WM_USER && msg < 0xC000) return OnUserMessage(msg, wp, lp, result);
        return false;
    }
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    CDialog* self;
    if (msg == WM_INITDIALOG) {
        self = reinterpret_cast<CDialog*>(lp);
        SetWindowLongPtrA(hwnd, DWLP_USER, lp);
        self->m_hWnd = hwnd;
    } else {
        self = reinterpret_cast<CDialog*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    }
    if (!self) return FALSE;

    LRESULT result = 0;
    bool handled = false;
    // The one wall: no exception may unwind through the platform's dialog code.
    try {
        handled = self->OnMessage(msg, wp, lp, result);
    } catch (...) {
        ::EndDialog(hwnd, IDABORT);
        return TRUE;
    }
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrA(hwnd, DWLP_USER, 0);
        self->m_hWnd = nullptr;
    }
    if (!handled) return FALSE;
    return SetDlgMsgResult(hwnd, msg, result);
}
