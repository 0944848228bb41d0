// Dialog data exchange: one function per kind of control, moving a member's
// value into the control (load) or back out of it (save).
#pragma once
#include <windows.h>
#include <string>

class CWnd;

class CDataExchange {
public:
    CDataExchange(CWnd* dialog, bool saveAndValidate) : m_pDlgWnd(dialog), m_bSaveAndValidate(saveAndValidate) {}
    CWnd* m_pDlgWnd;
    bool m_bSaveAndValidate;
    void Fail() { m_bFailed = true; }
    bool Failed() const { return m_bFailed; }
    HWND Control(int id) const;

private:
    bool m_bFailed = false;
};

// The radio group that starts at firstId (the control with WS_GROUP) and runs up
// to the next WS_GROUP control; value is the index of the checked button, -1 for none.
void DDX_Radio(CDataExchange& dx, int firstId, int& value);
// 0 unchecked, 1 checked, 2 indeterminate.
void DDX_Check(CDataExchange& dx, int id, int& value);
void DDX_Text(CDataExchange& dx, int id, std::string& value);
// Index of the selected item of a combo box, -1 for none.
void DDX_CBIndex(CDataExchange& dx, int id, int& value);
// Attaches the control to a CWnd object the first time (subclassing).
void DDX_Control(CDataExchange& dx, int id, CWnd& control);
