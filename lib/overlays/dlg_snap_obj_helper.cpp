// The object tip: the tip panel in a small topmost dialog near the
// bottom-right corner of the screen, showing the cursor position and a live
// magnifier while the user picks an interface object.
#include "snap_tip_windows.h"

#include "framework/ddx.h"
#include "res/resource.h"
#include "monitor_enum.h"
#include "window_list.h"

#include <memory>
#include <new>

namespace {

// 10 pixels from the screen's bottom-right corner.
const int kTipMargin = 10;

const char kTipPosition[] = "·坐标(X:%d, Y:%d)\r\n";
const char kTipHint[] = "·左键点击截取图像\r\n·点击右键退出";

}  // namespace

IMPLEMENT_DYNAMIC(CDlgSnapObjHelper, CDialog)

BEGIN_MESSAGE_MAP(CDlgSnapObjHelper, CDialog)
    ON_WM_MOUSEMOVE()
    ON_WM_DESTROY()
END_MESSAGE_MAP()

CDlgSnapObjHelper::CDlgSnapObjHelper(CWnd* pParent)
    : CDialog(IDD_SNAP_OBJ, pParent),
      m_bAtTopLeft(0),
      m_nTipWidth(CSnapTipEdit::kPanelWidth),
      m_nTipHeight(216),
      m_bFirstMove(1) {}

CDlgSnapObjHelper::~CDlgSnapObjHelper() {}

void CDlgSnapObjHelper::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_SNAP_OBJ_TIP, m_edtTip);
}

BOOL CDlgSnapObjHelper::OnInitDialog() {
    CDialog::OnInitDialog();
    m_edtTip.SetSourceWnd(CWnd::GetDesktopWindow(), 1);

    // Bottom right on the monitor under the cursor, at its scale.
    CKpMonitorLayout layout;
    KpGetMonitorLayout(layout);
    POINT pt = {0, 0};
    ::GetCursorPos(&pt);
    int i = layout.Nearest(pt);
    m_edtTip.SetPanelScale(KpPanelScalePercent(layout.GetMonitor(i).nDpi));
    CSize size = CSnapTipEdit::GetPanelSize(m_edtTip.GetPanelScale());
    m_nTipWidth = size.cx;
    m_nTipHeight = size.cy;
    CRect rcTip = layout.CornerOf(i, size, kTipMargin, CKpMonitorLayout::kBottomRight);
    MoveWindow(rcTip.left, rcTip.top, m_nTipWidth, m_nTipHeight);
    if (m_edtTip.m_hWnd != nullptr) {
        CRect rcClient;
        GetClientRect(&rcClient);
        m_edtTip.MoveWindow(&rcClient);
    }
    SetWindowPos(&wndTopMost, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    return TRUE;
}

void CDlgSnapObjHelper::DrawTipWindow() {
    if (m_edtTip.m_hWnd == nullptr) return;
    POINT pt = {0, 0};
    ::GetCursorPos(&pt);
    CString strTip;
    strTip.Format(kTipPosition, (int)pt.x, (int)pt.y);
    strTip += kTipHint;
    m_edtTip.SetWindowText(strTip);
    m_edtTip.Invalidate(TRUE);
}

void CDlgSnapObjHelper::OnMouseMove(UINT, CPoint) {
    DrawTipWindow();
    if (m_bFirstMove) {
        // The application under the tip becomes active again while the user
        // points: the top-most window that a user would call a window.
        std::unique_ptr<WindowList> pList(new (std::nothrow) WindowList);
        if (pList && CollectTopWindows(*pList) >= 1) ::SetForegroundWindow(pList->entries[1].hWnd);
        m_bFirstMove = 0;
    }
    Default();
}

void CDlgSnapObjHelper::OnDestroy() {
    Default();
    m_bFirstMove = 1;
}
