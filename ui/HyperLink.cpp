#include "HyperLink.h"

#include <commctrl.h>
#include <mbstring.h>
#include <shellapi.h>

#include <cstring>

#include "../framework/MessageBox.h"
#include "../framework/RegKey.h"

CHyperLink::CHyperLink() = default;

CHyperLink::~CHyperLink() = default;

void CHyperLink::SetLinkUrl(const char* url) {
    m_strLinkUrl = url ? url : "";
    if (!m_hWnd) return;
    FitToText();
    if (m_tipLink) {
        TTTOOLINFOA tool{};
        tool.cbSize = TTTOOLINFOA_V2_SIZE;
        tool.hwnd = m_hWnd;
        tool.uId = 1;
        tool.lpszText = const_cast<char*>(m_strLinkUrl.c_str());
        ::SendMessageA(m_tipLink, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

void CHyperLink::MarkVisited(BOOL visited) {
    m_bVisited = visited;
    if (m_hWnd) InvalidateRect(m_hWnd, nullptr, TRUE);
}

void CHyperLink::SetUnderlined(BOOL underlined) {
    m_bUnderlined = underlined;
    if (m_hWnd) InvalidateRect(m_hWnd, nullptr, TRUE);
}

void CHyperLink::PreSubclassWindow() {
    SetWindowLongA(m_hWnd, GWL_STYLE, GetWindowLongA(m_hWnd, GWL_STYLE) | SS_NOTIFY);
    std::string text = GetWindowText();
    if (m_strLinkUrl.empty()) m_strLinkUrl = text;
    if (text.empty()) SetWindowText(m_strLinkUrl.c_str());
    FitToText();
    m_hLinkCursor = LoadCursor(nullptr, IDC_ARROW);

    // The tooltip watches the control's mouse messages itself (TTF_SUBCLASS).
    m_tipLink = CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                                CW_USEDEFAULT, CW_USEDEFAULT, m_hWnd, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (m_tipLink) {
        TTTOOLINFOA tool{};
        tool.cbSize = TTTOOLINFOA_V2_SIZE;
        tool.uFlags = TTF_SUBCLASS;
        tool.hwnd = m_hWnd;
        tool.uId = 1;
        GetClientRect(m_hWnd, &tool.rect);
        tool.lpszText = const_cast<char*>(m_strLinkUrl.c_str());
        ::SendMessageA(m_tipLink, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

bool CHyperLink::OnReflectedMessage(UINT msg, WPARAM wp, LPARAM, LRESULT& result) {
    if (msg == WM_CTLCOLORSTATIC) {
        result = reinterpret_cast<LRESULT>(CtlColor(reinterpret_cast<HDC>(wp)));
        return true;
    }
    if (msg == WM_COMMAND && HIWORD(wp) == STN_CLICKED) {
        OnClicked();
        return true;
    }
    return false;
}

LRESULT CHyperLink::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_DESTROY) {
        // The tooltip is owned by the dialog, which destroys its owned windows
        // before its controls: it may be gone already.
        if (m_tipLink && IsWindow(m_tipLink)) DestroyWindow(m_tipLink);
        m_tipLink = nullptr;
    }
    if (msg == WM_SETCURSOR && m_hLinkCursor) {
        SetCursor(m_hLinkCursor);
        return TRUE;
    }
    return CWnd::WindowProc(msg, wp, lp);
}

HBRUSH CHyperLink::CtlColor(HDC dc) {
    SetTextColor(dc, m_bVisited ? m_crVisited : m_crLink);
    if (m_bUnderlined) {
        if (!m_fontUnderlined.IsValid()) {
            HFONT current = reinterpret_cast<HFONT>(SendMessage(WM_GETFONT));
            LOGFONTA lf{};
            GetObjectA(current ? current : GetStockObject(DEFAULT_GUI_FONT), sizeof(lf), &lf);
            lf.lfUnderline = TRUE;
            m_fontUnderlined.Attach(CreateFontIndirectA(&lf));
        }
        SelectObject(dc, m_fontUnderlined);
    }
    SetBkMode(dc, TRANSPARENT);
    return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
}

void CHyperLink::FitToText() {
    if (!m_bFitToText || !m_hWnd) return;
    RECT r;
    GetWindowRect(m_hWnd, &r);
    HWND parent = GetParent(m_hWnd);
    if (parent) MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    std::string text = GetWindowText();
    HDC dc = GetDC(m_hWnd);
    SIZE extent{};
    GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    ReleaseDC(m_hWnd, dc);
    LONG style = GetWindowLongA(m_hWnd, GWL_STYLE);
    if (style & SS_CENTERIMAGE) {
        LONG shrink = (r.bottom - r.top - extent.cy) / 2;
        r.top += shrink;
        r.bottom -= shrink;
    } else {
        r.bottom = r.top + extent.cy;
    }
    if (style & SS_CENTER) {
        LONG shrink = (r.right - r.left - extent.cx) / 2;
        r.left += shrink;
        r.right -= shrink;
    } else if (style & SS_RIGHT) {
        r.left = r.right - extent.cx;
    } else {
        r.right = r.left + extent.cx;
    }
    SetWindowPos(m_hWnd, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

void CHyperLink::OnClicked() {
    int code = OpenLink(m_strLinkUrl.c_str(), SW_SHOW);
    m_bVisited = code > 32;
    if (m_bVisited) {
        MarkVisited(TRUE);
    } else {
        MessageBeep(MB_ICONEXCLAMATION);
        ReportOpenError(code);
    }
}

int CHyperLink::OpenLink(const char* url, int showCommand) {
    int code = static_cast<int>(reinterpret_cast<INT_PTR>(ShellExecuteA(nullptr, "open", url, nullptr, nullptr, showCommand)));
    if (code > 32) return code;
    char key[2 * MAX_PATH] = {};
    if (QueryRegistryDefault(HKEY_CLASSES_ROOT, ".htm", key) != ERROR_SUCCESS) return code;
    strcat(key, "\\shell\\open\\command");
    char command[MAX_PATH] = {};
    if (QueryRegistryDefault(HKEY_CLASSES_ROOT, key, command) != ERROR_SUCCESS) return code;
    std::string line = CommandWithAddress(command, url);
    return static_cast<int>(WinExec(line.c_str(), showCommand));
}

void CHyperLink::ReportOpenError(int code) { AfxMessageBox(OpenErrorText(code).c_str(), MB_ICONEXCLAMATION); }

std::string CommandWithAddress(const std::string& command, const std::string& address) {
    std::string line = command;
    // The search respects double-byte characters of the code page.
    const unsigned char* text = reinterpret_cast<const unsigned char*>(line.c_str());
    const unsigned char* quoted = _mbsstr(text, reinterpret_cast<const unsigned char*>("\"%1\""));
    const unsigned char* bare = quoted ? quoted : _mbsstr(text, reinterpret_cast<const unsigned char*>("%1"));
    if (bare) line.resize(static_cast<size_t>(bare - text));
    return line + " " + address;
}

LONG QueryRegistryDefault(HKEY root, const char* subKey, char* out) {
    CRegKey key;
    LONG rc = key.Open(root, subKey, KEY_QUERY_VALUE);
    if (rc != ERROR_SUCCESS) return rc;
    char value[MAX_PATH] = {};
    LONG size = sizeof(value) - 1;
    rc = RegQueryValueA(key.Get(), nullptr, value, &size);
    if (rc != ERROR_SUCCESS) return rc;
    strcpy(out, value);
    return ERROR_SUCCESS;
}

std::string OpenErrorText(int code) {
    const char* text = nullptr;
    switch (code) {
    case 0: text = "The operating system is out\nof memory or resources."; break;
    case SE_ERR_FNF: text = "The specified file was not found."; break;
    case SE_ERR_PNF: text = "The specified path was not found."; break;
    case SE_ERR_ACCESSDENIED: text = "The operating system denied\naccess to the specified file."; break;
    case SE_ERR_OOM: text = "There was not enough memory to complete the operation."; break;
    case ERROR_BAD_FORMAT: text = "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image)."; break;
    case SE_ERR_SHARE: text = "A sharing violation occurred. "; break;
    case SE_ERR_ASSOCINCOMPLETE: text = "The filename association is\nincomplete or invalid."; break;
    case SE_ERR_DDETIMEOUT: text = "The DDE transaction could not\nbe completed because the request timed out."; break;
    case SE_ERR_DDEFAIL: text = "The DDE transaction failed."; break;
    case SE_ERR_DDEBUSY:
        text = "The DDE transaction could not\nbe completed because other DDE transactions\nwere being processed.";
        break;
    case SE_ERR_NOASSOC: text = "There is no application associated\nwith the given filename extension."; break;
    case SE_ERR_DLLNOTFOUND: text = "The specified dynamic-link library was not found."; break;
    default: break;
    }
    std::string message = "Unable to open hyperlink:\n\n";
    if (text) return message + text;
    char unknown[64];
    snprintf(unknown, sizeof(unknown), "Unknown Error (%d) occurred.", code);
    return message + unknown;
}
