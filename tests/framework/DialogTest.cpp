#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

#include "TestDialogIds.h"
#include "framework/Dialog.h"

namespace {
const UINT WM_RUN_SCRIPT = WM_USER + 100;

// A static control that answers its parent's reflected messages.
class ReflectingStatic : public CWnd {
public:
    HBRUSH brush = reinterpret_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
    int clicks = 0;
    int colorRequests = 0;
    bool OnReflectedMessage(UINT msg, WPARAM wp, LPARAM, LRESULT& result) override {
        if (msg == WM_CTLCOLORSTATIC) {
            ++colorRequests;
            result = reinterpret_cast<LRESULT>(brush);
            return true;
        }
        if (msg == WM_COMMAND && HIWORD(wp) == STN_CLICKED) {
            ++clicks;
            return true;
        }
        return false;
    }
};

class TestDialog : public CDialog {
public:
    TestDialog() : CDialog(IDD_TEST) {}
    int radio = 1;
    int check = 1;
    std::string text = "hello";
    ReflectingStatic link;
    std::vector<UINT> commands;
    std::function<void(TestDialog&)> script;
    bool initRan = false;

protected:
    void DoDataExchange(CDataExchange& dx) override {
        DDX_Radio(dx, IDC_RADIO1, radio);
        DDX_Check(dx, IDC_CHECK, check);
        DDX_Text(dx, IDC_EDIT, text);
        DDX_Control(dx, IDC_LINK, link);
    }
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        initRan = true;
        PostMessage(WM_RUN_SCRIPT);
        return TRUE;
    }
    bool OnCommand(UINT id, UINT code, HWND) override {
        if (id == IDC_PRESS && code == BN_CLICKED) {
            commands.push_back(id);
            return true;
        }
        return false;
    }
    bool OnUserMessage(UINT msg, WPARAM, LPARAM, LRESULT&) override {
        if (msg != WM_RUN_SCRIPT) return false;
        if (script) script(*this);
        return true;
    }
};

LRESULT IsChecked(const CWnd& dlg, int id) { return SendMessageA(dlg.GetDlgItem(id), BM_GETCHECK, 0, 0); }
}  // namespace

TEST(Dialog, LoadsMembersIntoControls) {
    TestDialog dlg;
    LRESULT r1 = -1, r2 = -1, r3 = -1, box = -1;
    std::string edit;
    dlg.script = [&](TestDialog& d) {
        r1 = IsChecked(d, IDC_RADIO1);
        r2 = IsChecked(d, IDC_RADIO2);
        r3 = IsChecked(d, IDC_RADIO3);
        box = IsChecked(d, IDC_CHECK);
        edit = d.GetDlgItemText(IDC_EDIT);
        d.EndDialog(IDCANCEL);
    };
    EXPECT_EQ(IDCANCEL, dlg.DoModal());
    EXPECT_TRUE(dlg.initRan);
    EXPECT_EQ(BST_UNCHECKED, r1);
    EXPECT_EQ(BST_CHECKED, r2);
    EXPECT_EQ(BST_UNCHECKED, r3);
    EXPECT_EQ(BST_CHECKED, box);
    EXPECT_EQ("hello", edit);
}

TEST(Dialog, OkSavesControlsIntoMembers) {
    TestDialog dlg;
    dlg.script = [](TestDialog& d) {
        SendMessageA(d.GetDlgItem(IDC_RADIO3), BM_CLICK, 0, 0);
        SendMessageA(d.GetDlgItem(IDC_CHECK), BM_CLICK, 0, 0);
        d.SetDlgItemText(IDC_EDIT, "C:\\Music");
        d.PostMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(d.GetDlgItem(IDOK)));
    };
    EXPECT_EQ(IDOK, dlg.DoModal());
    EXPECT_EQ(2, dlg.radio);
    EXPECT_EQ(0, dlg.check);
    EXPECT_EQ("C:\\Music", dlg.text);
}

TEST(Dialog, RadioGroupWithNothingCheckedSavesMinusOne) {
    TestDialog dlg;
    dlg.radio = -1;
    bool saved = false;
    dlg.script = [&](TestDialog& d) {
        saved = d.UpdateData(true);
        d.EndDialog(IDCANCEL);
    };
    dlg.DoModal();
    EXPECT_TRUE(saved);
    EXPECT_EQ(-1, dlg.radio);
}

TEST(Dialog, CancelLeavesMembersAlone) {
    TestDialog dlg;
    dlg.script = [](TestDialog& d) {
        d.SetDlgItemText(IDC_EDIT, "changed");
        d.PostMessage(WM_COMMAND, IDCANCEL, 0);
    };
    EXPECT_EQ(IDCANCEL, dlg.DoModal());
    EXPECT_EQ("hello", dlg.text);
}

TEST(Dialog, CommandsReachTheirHandler) {
    TestDialog dlg;
    dlg.script = [](TestDialog& d) {
        SendMessageA(d.GetDlgItem(IDC_PRESS), BM_CLICK, 0, 0);
        SendMessageA(d.GetDlgItem(IDC_PRESS), BM_CLICK, 0, 0);
        d.EndDialog(7);
    };
    EXPECT_EQ(7, dlg.DoModal());
    EXPECT_EQ((std::vector<UINT>{IDC_PRESS, IDC_PRESS}), dlg.commands);
}

TEST(Dialog, ReflectsColourAndClickToTheSubclassedStatic) {
    TestDialog dlg;
    LRESULT brush = 0;
    dlg.script = [&](TestDialog& d) {
        HWND link = d.GetDlgItem(IDC_LINK);
        HDC dc = GetDC(link);
        brush = SendMessageA(d.m_hWnd, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(link));
        ReleaseDC(link, dc);
        // A real click: the static (SS_NOTIFY) tells its parent, which reflects it back.
        SendMessageA(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
        SendMessageA(link, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
        d.EndDialog(IDCANCEL);
    };
    dlg.DoModal();
    EXPECT_EQ(reinterpret_cast<LRESULT>(dlg.link.brush), brush);
    EXPECT_GE(dlg.link.colorRequests, 1);
    EXPECT_EQ(1, dlg.link.clicks);
    EXPECT_FALSE(dlg.link.IsSubclassed()) << "the subclass ends with the window";
}

TEST(Dialog, AnExceptionInAHandlerEndsTheDialogInsteadOfCrossingThePlatform) {
    TestDialog dlg;
    dlg.script = [](TestDialog&) { throw std::runtime_error("handler failed"); };
    EXPECT_EQ(IDABORT, dlg.DoModal());
}

TEST(Dialog, MissingTemplateReportsFailure) {
    CDialog dlg(9999);
    EXPECT_EQ(-1, dlg.DoModal());
}
