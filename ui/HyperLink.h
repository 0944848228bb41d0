// A static control shown and used as a link: link colours, underline, a hand
// cursor, a tooltip with the address, and a click that opens the address.
#pragma once
#include <string>

#include "../framework/Handles.h"
#include "../framework/Wnd.h"

class CHyperLink : public CWnd {
public:
    CHyperLink();
    ~CHyperLink() override;

    void SetLinkUrl(const char* url);
    void MarkVisited(BOOL visited);
    void SetUnderlined(BOOL underlined);

    COLORREF m_crLink = RGB(0, 0, 238);
    COLORREF m_crVisited = RGB(85, 26, 139);
    BOOL m_bVisited = 0;
    BOOL m_bUnderlined = 1;
    BOOL m_bFitToText = 1;
    std::string m_strLinkUrl;
    HCURSOR m_hLinkCursor = nullptr;  // the owner may replace it

protected:
    void PreSubclassWindow() override;
    bool OnReflectedMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

    HBRUSH CtlColor(HDC dc);
    void FitToText();
    void OnClicked();
    // Opens the address with the shell, or with the program registered for .htm files;
    // the shell's result code (above 32 is success).
    virtual int OpenLink(const char* url, int showCommand);
    void ReportOpenError(int code);

private:
    CFontHandle m_fontUnderlined;
    HWND m_tipLink = nullptr;
};

// "Unable to open hyperlink:\n\n" and the shell error's text.
std::string OpenErrorText(int code);
// The registered open command with its "%1" placeholder replaced by address.
std::string CommandWithAddress(const std::string& command, const std::string& address);
// The default value of root\subKey into a 260-byte buffer; 0 or the registry error.
LONG QueryRegistryDefault(HKEY root, const char* subKey, char* out);
