// Modal dialogs: their own loop, idle messages, pre-translation, owners,
// nesting, and data exchange with validation.
#include <gtest/gtest.h>

#include "framework/carray.h"
#include "framework/app.h"
#include "framework/controls.h"
#include "framework/dialog.h"
#include "framework_test_ids.h"

namespace {

const UINT kMsgPosted = WM_APP + 10;

// Closes the message boxes this process shows, remembering their texts, so a
// validation failure can be tested without a person to click it away.
class MessageBoxCloser {
public:
    MessageBoxCloser() : m_nClosed(0), m_hStop(::CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
        m_hThread = ::CreateThread(nullptr, 0, &MessageBoxCloser::Run, this, 0, nullptr);
    }
    ~MessageBoxCloser() {
        ::SetEvent(m_hStop);
        ::WaitForSingleObject(m_hThread, INFINITE);
        ::CloseHandle(m_hThread);
        ::CloseHandle(m_hStop);
    }
    CString m_strLastText;
    volatile LONG m_nClosed;

private:
    static BOOL CALLBACK FindBox(HWND h, LPARAM l) {
        MessageBoxCloser* self = reinterpret_cast<MessageBoxCloser*>(l);
        DWORD pid = 0;
        ::GetWindowThreadProcessId(h, &pid);
        char cls[16];
        ::GetClassNameA(h, cls, sizeof(cls));
        // A message box is a dialog with its text in the static 0xFFFF.
        if (pid == ::GetCurrentProcessId() && lstrcmpA(cls, "#32770") == 0 && ::IsWindowVisible(h) &&
            ::GetDlgItem(h, 0xFFFF) != nullptr) {
            char text[256] = "";
            ::GetDlgItemTextA(h, 0xFFFF, text, sizeof(text));
            self->m_strLastText = text;
            ::PostMessageA(h, WM_COMMAND, IDOK, 0);
            ::InterlockedIncrement(&self->m_nClosed);
            return FALSE;
        }
        return TRUE;
    }
    static DWORD WINAPI Run(LPVOID p) {
        MessageBoxCloser* self = static_cast<MessageBoxCloser*>(p);
        while (::WaitForSingleObject(self->m_hStop, 50) == WAIT_TIMEOUT)
            ::EnumWindows(FindBox, (LPARAM)self);
        return 0;
    }
    HANDLE m_hStop;
    HANDLE m_hThread;
};

class IdleDialog : public CDialog {
public:
    explicit IdleDialog(CWnd* pParent = nullptr) : CDialog(IDD_TEST, pParent) {}

    CArray<LONG, LONG> m_idleCounts;
    int m_nPreTranslatedPosted = 0;
    int m_nHandledPosted = 0;
    BOOL m_bOwnerDisabledDuringModal = FALSE;
    HWND m_hOwner = nullptr;
    int m_nEndAfterIdle = 3;
    IdleDialog* m_pNested = nullptr;  // not owned: run modally from the first idle
    INT_PTR m_nNestedResult = 0;

    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        // Posted to a control: the walk from the control up to the dialog
        // must offer it to the dialog's PreTranslateMessage.
        ::PostMessageA(::GetDlgItem(m_hWnd, IDC_TEST_EDIT), kMsgPosted, 0, 0);
        if (m_hOwner != nullptr) m_bOwnerDisabledDuringModal = !::IsWindowEnabled(m_hOwner);
        return TRUE;
    }
    BOOL PreTranslateMessage(MSG* pMsg) override {
        if (pMsg->message == kMsgPosted) ++m_nPreTranslatedPosted;
        return CDialog::PreTranslateMessage(pMsg);
    }
    LRESULT OnKickIdle(WPARAM, LPARAM lCount) {
        m_idleCounts.Add((LONG)lCount);
        if (m_pNested != nullptr) {
            IdleDialog* p = m_pNested;
            m_pNested = nullptr;
            m_nNestedResult = p->DoModal();
        }
        if (lCount + 1 >= m_nEndAfterIdle) {
            EndDialog(42);
            return 0;
        }
        return 1;  // more idle work wanted
    }

protected:
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(IdleDialog, CDialog)
    ON_MESSAGE(WM_KICKIDLE, &IdleDialog::OnKickIdle)
END_MESSAGE_MAP()

TEST(ModalDialogTest, IdleMessagesPreTranslationAndResult) {
    IdleDialog dlg;
    EXPECT_EQ(42, dlg.DoModal());
    ASSERT_GE(dlg.m_idleCounts.GetSize(), 3);
    EXPECT_EQ(0, dlg.m_idleCounts[0]);
    EXPECT_EQ(1, dlg.m_idleCounts[1]);
    EXPECT_EQ(2, dlg.m_idleCounts[2]);
    EXPECT_EQ(1, dlg.m_nPreTranslatedPosted);
    EXPECT_EQ(nullptr, dlg.m_hWnd);  // destroyed when the loop ended
}

TEST(ModalDialogTest, OwnerIsDisabledWhileModalAndEnabledAfter) {
    CWnd owner;
    ASSERT_TRUE(
        owner.CreateEx(0, nullptr, "owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100, nullptr, nullptr));
    IdleDialog dlg(&owner);
    dlg.m_hOwner = owner.m_hWnd;
    EXPECT_EQ(42, dlg.DoModal());
    EXPECT_TRUE(dlg.m_bOwnerDisabledDuringModal);
    EXPECT_TRUE(owner.IsWindowEnabled());
}

TEST(ModalDialogTest, ModalDialogsNest) {
    IdleDialog outer;
    IdleDialog inner(&outer);
    inner.m_nEndAfterIdle = 1;
    outer.m_pNested = &inner;
    EXPECT_EQ(42, outer.DoModal());
    EXPECT_EQ(42, outer.m_nNestedResult);
    EXPECT_EQ(1, inner.m_nPreTranslatedPosted);
    EXPECT_GE(outer.m_idleCounts.GetSize(), 3);
}

// WM_QUIT inside a nested dialog ends it and every loop outside it.
TEST(ModalDialogTest, QuitEndsTheNestedDialogAndItsOwner) {
    struct QuittingDialog : IdleDialog {
        using IdleDialog::IdleDialog;
        LRESULT OnQuitIdle(WPARAM, LPARAM lCount) {
            if (lCount == 0) ::PostQuitMessage(7);
            return 1;
        }
        BOOL OnMessageMap(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& lResult) override {
            if (message == WM_KICKIDLE) {
                lResult = OnQuitIdle(wParam, lParam);
                return TRUE;
            }
            return IdleDialog::OnMessageMap(message, wParam, lParam, lResult);
        }
    };
    IdleDialog outer;
    outer.m_nEndAfterIdle = 1000;  // ends only through the quit
    QuittingDialog inner(&outer);
    outer.m_pNested = &inner;
    EXPECT_EQ(-1, outer.DoModal());
    EXPECT_EQ(-1, outer.m_nNestedResult);
    EXPECT_EQ(nullptr, inner.m_hWnd);
    EXPECT_EQ(nullptr, outer.m_hWnd);
    // The outermost loop does not pass the quit on: nothing is left over.
    MSG msg;
    EXPECT_FALSE(::PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

// A command handled in the application's loop opens a modal dialog: the
// temporary wrapper it took before must still be valid afterwards, since
// wrappers are freed only when the outermost loop is idle.
TEST(ModalDialogTest, AppLoopKeepsAHandlersWrappersAcrossANestedDialog) {
    CWinApp& app = *AfxGetApp();  // the test program's application object
    struct Owner : CWnd {
        HWND m_hProbe = nullptr;
        BOOL m_bWrapperKept = FALSE;
        BOOL OnMessageMap(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& lResult) override {
            if (message == kMsgPosted) {
                CWnd* pTemp = CWnd::FromHandle(m_hProbe);  // a temporary wrapper
                IdleDialog dlg(this);
                dlg.m_nEndAfterIdle = 2;
                dlg.DoModal();
                m_bWrapperKept = AfxIsTempObject(pTemp) && pTemp->m_hWnd == m_hProbe;
                ::PostQuitMessage(0);
                lResult = 0;
                return TRUE;
            }
            return CWnd::OnMessageMap(message, wParam, lParam, lResult);
        }
    } owner;
    ASSERT_TRUE(owner.CreateEx(0, nullptr, "owner", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr));
    owner.m_hProbe =
        ::CreateWindowExA(0, "STATIC", "probe", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, owner.m_hProbe);
    CWnd* pOldMain = app.m_pMainWnd;
    app.m_pMainWnd = &owner;
    owner.PostMessage(kMsgPosted);
    app.Run();
    app.m_pMainWnd = pOldMain;
    EXPECT_TRUE(owner.m_bWrapperKept);
    ::DestroyWindow(owner.m_hProbe);
}

TEST(ModalDialogTest, MissingTemplateFails) {
    CDialog dlg(9999);
    EXPECT_EQ(-1, dlg.DoModal());
}

// Data exchange between the test template's controls and members.
class DataDialog : public CDialog {
public:
    DataDialog() : CDialog(IDD_TEST) {}
    CString m_strText = "\xb2\xe2\xca\xd4";  // CP936 text
    int m_nNumber = 42;
    UINT m_nUnsigned = 7;
    int m_nCheck = 1;
    int m_nCombo = 2;
    CComboBox m_combo;
    // Each test step runs from the dialog's idle handler, inside the loop.
    void (*m_pfnStep)(DataDialog*) = nullptr;

    void DoDataExchange(CDataExchange* pDX) override {
        DDX_Control(pDX, IDC_TEST_COMBO, m_combo);
        DDX_Text(pDX, IDC_TEST_EDIT, m_strText);
        DDX_Text(pDX, IDC_TEST_NUMBER, m_nNumber);
        DDV_MinMaxInt(pDX, m_nNumber, 0, 100);
        DDX_Text(pDX, IDC_TEST_UNSIGNED, m_nUnsigned);
        DDV_MinMaxUInt(pDX, m_nUnsigned, 0, 15000);
        DDX_Check(pDX, IDC_TEST_CHECK, m_nCheck);
        DDX_CBIndex(pDX, IDC_TEST_COMBO, m_nCombo);
    }
    LRESULT OnKickIdle(WPARAM, LPARAM) {
        if (m_pfnStep != nullptr) {
            void (*step)(DataDialog*) = m_pfnStep;
            m_pfnStep = nullptr;
            step(this);
        }
        return 0;
    }
    CString Text(int id) {
        char buf[128] = "";
        ::GetDlgItemTextA(m_hWnd, id, buf, sizeof(buf));
        return buf;
    }

protected:
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(DataDialog, CDialog)
    ON_MESSAGE(WM_KICKIDLE, &DataDialog::OnKickIdle)
END_MESSAGE_MAP()

TEST(DataExchangeTest, RoundTripThroughTheControls) {
    DataDialog dlg;
    dlg.m_pfnStep = [](DataDialog* d) {
        // OnInitDialog filled the controls; the combo items came from the
        // template's initial data.
        EXPECT_STREQ("\xb2\xe2\xca\xd4", d->Text(IDC_TEST_EDIT));
        EXPECT_STREQ("42", d->Text(IDC_TEST_NUMBER));
        EXPECT_EQ(3, d->m_combo.GetCount());
        CString item;
        d->m_combo.GetLBText(1, item);
        EXPECT_STREQ("\xb6\xfe", item);  // "二"
        EXPECT_EQ(2, d->m_combo.GetCurSel());
        EXPECT_EQ(BST_CHECKED, (int)::IsDlgButtonChecked(d->m_hWnd, IDC_TEST_CHECK));
        ::SetDlgItemTextA(d->m_hWnd, IDC_TEST_EDIT, "abc\\def");
        ::SetDlgItemTextA(d->m_hWnd, IDC_TEST_NUMBER, " -0 ");
        ::SetDlgItemTextA(d->m_hWnd, IDC_TEST_UNSIGNED, "15000");
        ::CheckDlgButton(d->m_hWnd, IDC_TEST_CHECK, BST_UNCHECKED);
        d->m_combo.SetCurSel(0);
        EXPECT_TRUE(d->UpdateData(TRUE));
        d->EndDialog(IDOK);
    };
    EXPECT_EQ(IDOK, dlg.DoModal());
    EXPECT_STREQ("abc\\def", dlg.m_strText);
    EXPECT_EQ(0, dlg.m_nNumber);
    EXPECT_EQ(15000u, dlg.m_nUnsigned);
    EXPECT_EQ(0, dlg.m_nCheck);
    EXPECT_EQ(0, dlg.m_nCombo);
}

struct BadInput {
    const char* number;
    const char* unsignedText;
    const char* message;  // CP936
    int focusId;
};

TEST(DataExchangeTest, AFailureStopsTheExchangeWithAMessage) {
    const BadInput cases[] = {
        {"abc", "1", "\xc7\xeb\xca\xe4\xc8\xeb\xd2\xbb\xb8\xf6\xd5\xfb\xca\xfd\xa1\xa3", IDC_TEST_NUMBER},
        {"12x", "1", "\xc7\xeb\xca\xe4\xc8\xeb\xd2\xbb\xb8\xf6\xd5\xfb\xca\xfd\xa1\xa3", IDC_TEST_NUMBER},
        {"150", "1", "100", IDC_TEST_NUMBER},  // digits: a part of the range message
        {"5", "-1", "\xc7\xeb\xca\xe4\xc8\xeb\xd2\xbb\xb8\xf6\xd5\xfb\xca\xfd\xa1\xa3", IDC_TEST_UNSIGNED},
        {"5", "15001", "15000", IDC_TEST_UNSIGNED},
    };
    for (const BadInput& c : cases) {
        static const BadInput* s_case;
        s_case = &c;
        MessageBoxCloser closer;
        DataDialog dlg;
        dlg.m_pfnStep = [](DataDialog* d) {
            ::SetDlgItemTextA(d->m_hWnd, IDC_TEST_EDIT, "kept");
            ::SetDlgItemTextA(d->m_hWnd, IDC_TEST_NUMBER, s_case->number);
            ::SetDlgItemTextA(d->m_hWnd, IDC_TEST_UNSIGNED, s_case->unsignedText);
            ::CheckDlgButton(d->m_hWnd, IDC_TEST_CHECK, BST_UNCHECKED);
            // OK runs the exchange; the failure keeps the dialog open.
            d->SendMessage(WM_COMMAND, IDOK);
            EXPECT_TRUE(d->ContinueModal());
            EXPECT_EQ(::GetDlgItem(d->m_hWnd, s_case->focusId), ::GetFocus());
            d->EndDialog(IDCANCEL);
        };
        EXPECT_EQ(IDCANCEL, dlg.DoModal()) << c.number;
        EXPECT_EQ(1, closer.m_nClosed) << c.number;
        if (c.message[0] >= '0' && c.message[0] <= '9') {
            EXPECT_NE(-1, closer.m_strLastText.Find(c.message)) << (const char*)closer.m_strLastText;
        } else {
            EXPECT_STREQ(c.message, closer.m_strLastText);
        }
        // The exchange stopped at the failure: later members kept their values.
        EXPECT_EQ(1, dlg.m_nCheck);
        EXPECT_STREQ("kept", dlg.m_strText);
    }
}

// An edit control bound by data exchange to a class with a map of its own:
// it sees its own messages first, and the colour message its parent gets
// for it, passing everything else on to the control.
class OwnMapEdit : public CWnd {
public:
    int m_nPaints = 0;
    int m_nColours = 0;
    UINT m_nLastCtlColor = 99;
    int m_nChars = 0;

    void OnPaint() {
        ++m_nPaints;
        Default();
    }
    void OnChar(UINT, UINT, UINT) {
        ++m_nChars;
        Default();
    }
    HBRUSH CtlColor(CDC* pDC, UINT nCtlColor) {
        ++m_nColours;
        m_nLastCtlColor = nCtlColor;
        pDC->SetBkMode(TRANSPARENT);
        return nullptr;  // the parent's colouring applies
    }

protected:
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(OwnMapEdit, CWnd)
    ON_WM_PAINT()
    ON_WM_CHAR()
    ON_WM_CTLCOLOR_REFLECT()
END_MESSAGE_MAP()

class ControlsDialog : public CDialog {
public:
    ControlsDialog() : CDialog(IDD_TEST) {}
    OwnMapEdit m_edit;
    CListBox m_list;
    int m_nSelChanges = 0;
    void (*m_pfnStep)(ControlsDialog*) = nullptr;

    void DoDataExchange(CDataExchange* pDX) override {
        DDX_Control(pDX, IDC_TEST_EDIT, m_edit);
        DDX_Control(pDX, IDC_TEST_LIST, m_list);
    }
    void OnSelChange() { ++m_nSelChanges; }
    LRESULT OnKickIdle(WPARAM, LPARAM) {
        if (m_pfnStep != nullptr) {
            void (*step)(ControlsDialog*) = m_pfnStep;
            m_pfnStep = nullptr;
            step(this);
        }
        return 0;
    }

protected:
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(ControlsDialog, CDialog)
    ON_MESSAGE(WM_KICKIDLE, &ControlsDialog::OnKickIdle)
    ON_LBN_SELCHANGE(IDC_TEST_LIST, &ControlsDialog::OnSelChange)
END_MESSAGE_MAP()

TEST(DataExchangeTest, AnEditBoundToAClassWithItsOwnMapGetsItsMessagesAndItsColour) {
    ControlsDialog dlg;
    dlg.m_pfnStep = [](ControlsDialog* d) {
        EXPECT_EQ(&d->m_edit, CWnd::FromHandlePermanent(::GetDlgItem(d->m_hWnd, IDC_TEST_EDIT)));
        d->m_edit.Invalidate();
        d->m_edit.UpdateWindow();
        EXPECT_GT(d->m_edit.m_nPaints, 0);
        EXPECT_GT(d->m_edit.m_nColours, 0);
        EXPECT_EQ((UINT)CTLCOLOR_EDIT, d->m_edit.m_nLastCtlColor);
        d->m_edit.SetWindowText("");
        d->m_edit.SendMessage(WM_CHAR, 'k', 1);
        EXPECT_EQ(1, d->m_edit.m_nChars);
        CString str;
        d->m_edit.GetWindowText(str);
        EXPECT_STREQ("k", str);  // handled, then passed on to the control
        d->EndDialog(IDOK);
    };
    EXPECT_EQ(IDOK, dlg.DoModal());
}

TEST(DataExchangeTest, ListBoxItemsDataSelectionAndText) {
    ControlsDialog dlg;
    dlg.m_pfnStep = [](ControlsDialog* d) {
        CListBox& list = d->m_list;
        EXPECT_EQ(0, list.InsertString(-1, "\xd2\xbb"));  // "一", at the end
        EXPECT_EQ(1, list.InsertString(-1, "b"));
        EXPECT_EQ(0, list.InsertString(0, "first"));
        EXPECT_EQ(3, list.GetCount());
        list.SetItemData(2, (DWORD_PTR)0x1234);
        EXPECT_EQ((DWORD_PTR)0x1234, list.GetItemData(2));
        EXPECT_EQ((DWORD_PTR)(LONG_PTR)LB_ERR, list.GetItemData(7));
        CString str;
        list.GetText(1, str);
        EXPECT_STREQ("\xd2\xbb", str);
        list.GetText(7, str);
        EXPECT_STREQ("", str);
        EXPECT_EQ(LB_ERR, list.GetCurSel());
        list.SetCurSel(2);
        EXPECT_EQ(2, list.GetCurSel());
        EXPECT_EQ(0, d->m_nSelChanges);  // only the user's changes notify
        d->EndDialog(IDOK);
    };
    EXPECT_EQ(IDOK, dlg.DoModal());
}

}  // namespace
