// Tooltips: tools for child windows, the tips EnableToolTips makes from the
// controls' command strings, and the layer's loop relaying the mouse to them.
#include <gtest/gtest.h>

#include "framework/dialog.h"
#include "framework/tooltip_ctrl.h"
#include "framework_test_ids.h"
#include "support/input_events.h"

namespace {

TEST(ToolTipTest, ToolsForChildWindowsKeepTheirTexts) {
    CWnd parent;
    ASSERT_TRUE(parent.CreateEx(0, nullptr, "parent", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr));
    CWnd child;
    ASSERT_TRUE(
        child.CreateEx(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_NOTIFY, 5, 5, 50, 20, parent.m_hWnd, (HMENU)1005));
    CToolTipCtrl tip;
    ASSERT_TRUE(tip.Create(&parent));
    EXPECT_EQ(parent.m_hWnd, ::GetWindow(tip.m_hWnd, GW_OWNER));
    ASSERT_TRUE(tip.AddTool(&child, "\xb5\xe3\xbb\xf7\xb7\xc3\xce\xca"));  // 点击访问
    EXPECT_EQ(1, tip.GetToolCount());
    CString strText;
    tip.GetText(strText, &child);
    EXPECT_STREQ("\xb5\xe3\xbb\xf7\xb7\xc3\xce\xca", strText);
    tip.DelTool(&child);
    EXPECT_EQ(0, tip.GetToolCount());
}

// A dialog with EnableToolTips: IDC_TEST_CHECK's string has a tip after its
// newline, IDOK's has none.
class TipDialog : public CDialog {
public:
    TipDialog() : CDialog(IDD_TEST) {}
    BOOL m_bTipShown = FALSE;
    int m_nTools = -1;
    CString m_strTip;

    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        EnableToolTips(TRUE);
        CToolTipCtrl* pTips = GetToolTips();
        if (pTips != nullptr) {
            m_nTools = pTips->GetToolCount();
            pTips->GetText(m_strTip, GetDlgItem(IDC_TEST_CHECK));
        }
        SetTimer(1, 50);
        m_nStart = ::GetTickCount();
        return TRUE;
    }
    void OnTimer(UINT_PTR) {
        // Rest the mouse on the check box until its tip shows (or give up).
        CRect rc;
        ::GetWindowRect(::GetDlgItem(m_hWnd, IDC_TEST_CHECK), &rc);
        if (::GetTickCount() - m_nStart < 500) testinput::SendMoveTo(rc.left + 5, rc.top + 4);
        m_bTipShown = GetToolTips() != nullptr && ::IsWindowVisible(GetToolTips()->m_hWnd);
        if (m_bTipShown || ::GetTickCount() - m_nStart > 10000) EndDialog(IDOK);
    }

protected:
    DWORD m_nStart = 0;
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(TipDialog, CDialog)
    ON_WM_TIMER()
END_MESSAGE_MAP()

TEST(ToolTipTest, EnableToolTipsTipsTheControlsAndTheLoopRelaysTheMouse) {
    POINT ptBefore;
    ::GetCursorPos(&ptBefore);
    TipDialog dlg;
    EXPECT_EQ(IDOK, dlg.DoModal());
    // The mouse goes back where it was: later tests count the messages it makes.
    ::SetCursorPos(ptBefore.x, ptBefore.y);
    EXPECT_EQ(1, dlg.m_nTools);
    EXPECT_STREQ("\xb9\xb4\xd1\xa1\xcc\xe1\xca\xbe", dlg.m_strTip);  // 勾选提示
    EXPECT_TRUE(dlg.m_bTipShown);
}

}  // namespace
