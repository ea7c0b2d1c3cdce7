#include "dlg_active_win.h"

#include "res/resource.h"
#include "window_list.h"

#include <memory>
#include <new>

IMPLEMENT_DYNAMIC(CDlgActiveWin, CDialog)

BEGIN_MESSAGE_MAP(CDlgActiveWin, CDialog)
    ON_LBN_SELCHANGE(IDC_WINDOW_LIST, &CDlgActiveWin::OnSelChangeList)
    ON_LBN_DBLCLK(IDC_WINDOW_LIST, &CDlgActiveWin::OnDblClkList)
END_MESSAGE_MAP()

CDlgActiveWin::CDlgActiveWin(CWnd* pParent) : CDialog(IDD_ACTIVE_WIN, pParent), m_hSelWnd(nullptr) {}

CDlgActiveWin::~CDlgActiveWin() {}

void CDlgActiveWin::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_WINDOW_LIST, m_lstWindows);
}

BOOL CDlgActiveWin::OnInitDialog() {
    CDialog::OnInitDialog();

    // About 66 KB: too much for the stack of a dialog that runs inside
    // other handlers.
    std::unique_ptr<WindowList> list(new (std::nothrow) WindowList);
    if (list != nullptr) {
        int nCount = CollectTopWindows(*list);
        // The shell's desktop window (the lowest in the Z order where there
        // is one) is not worth offering. It is left out by what it is, not by
        // its place: where no shell window lies at the bottom (Wine's
        // desktop, a replaced shell) the lowest window is a real program's.
        HWND hShell = ::GetShellWindow();
        for (int i = 1; i <= nCount; ++i) {
            const WindowList::Entry& entry = list->entries[i];
            if (entry.hWnd == hShell) continue;
            int nItem = m_lstWindows.InsertString(-1, entry.szTitle);
            if (nItem >= 0) m_lstWindows.SetItemData(nItem, (DWORD_PTR)entry.hWnd);
        }
    }
    // Selecting from here sends no LBN_SELCHANGE: nothing comes forward yet.
    m_lstWindows.SetCurSel(0);
    return TRUE;
}

void CDlgActiveWin::OnSelChangeList() {
    int nSel = m_lstWindows.GetCurSel();
    if (nSel == LB_ERR) return;
    HWND hWnd = (HWND)m_lstWindows.GetItemData(nSel);
    // The chooser is topmost: it stays above the window it brings forward.
    if (hWnd != nullptr && hWnd != (HWND)(LONG_PTR)LB_ERR) ::SetForegroundWindow(hWnd);
}

void CDlgActiveWin::OnDblClkList() {
    if (m_lstWindows.GetCurSel() != LB_ERR) OnOK();
}

void CDlgActiveWin::OnOK() {
    // With an empty list there is no selection: the handle stays null and
    // the engine captures nothing.
    int nSel = m_lstWindows.GetCurSel();
    if (nSel != LB_ERR) {
        m_hSelWnd = (HWND)m_lstWindows.GetItemData(nSel);
        m_lstWindows.GetText(nSel, m_strTitle);
    }
    CDialog::OnOK();
}
