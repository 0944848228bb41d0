// A dialog built from a dialog template. All of its messages arrive in one
// place (OnMessage), which turns them into calls of small On... members.
#pragma once
#include "DataExchange.h"
#include "Wnd.h"

class CDialog : public CWnd {
public:
    explicit CDialog(UINT templateId, CWnd* parent = nullptr);
    ~CDialog() override;

    // Runs the dialog modally; the result of EndDialog, or -1 when it could not be made.
    virtual INT_PTR DoModal();
    void EndDialog(INT_PTR result);
    bool IsModalRunning() const { return m_bModal && m_hWnd != nullptr; }

    // Moves data between members and controls; false when a value was refused.
    bool UpdateData(bool saveAndValidate = true);

    UINT TemplateId() const { return m_nTemplateId; }
    CWnd* Parent() const { return m_pParentWnd; }

protected:
    virtual BOOL OnInitDialog();
    virtual void DoDataExchange(CDataExchange& dx);
    virtual void OnOK();
    virtual void OnCancel();
    // Return true when the command was handled.
    virtual bool OnCommand(UINT id, UINT code, HWND control);
    virtual void OnTimer(UINT_PTR id);
    virtual bool OnSysCommand(UINT id, LPARAM lp);
    virtual bool OnPaint();
    virtual HCURSOR OnQueryDragIcon();
    virtual void OnShowWindow(bool show, UINT status);
    virtual void OnDestroy();
    // The close box and Alt+F4; the default turns them into IDCANCEL.
    virtual bool OnClose();
    // A move, size or show is about to happen; the dialog may change pos.
    virtual void OnWindowPosChanging(WINDOWPOS& pos);
    // Messages from WM_USER on (the program's own messages); true when handled.
    virtual bool OnUserMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);

    // The single dispatch point; derived dialogs override the On... members, not this.
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    static bool Reflect(HWND control, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);

    UINT m_nTemplateId;
    CWnd* m_pParentWnd;
    bool m_bModal = false;
};
