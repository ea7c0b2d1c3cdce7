#include "kapto_dlg.h"

#include "framework/resources.h"
#include "res/resource.h"

BEGIN_MESSAGE_MAP(CKaptoDlg, CDialog)
    ON_WM_SYSCOMMAND()
    ON_WM_QUERYDRAGICON()
    ON_WM_SETCURSOR()
    ON_WM_DESTROY()
    ON_MESSAGE(WM_KICKIDLE, &CKaptoDlg::OnKickIdle)
    ON_MESSAGE(WM_HOTKEY, &CKaptoDlg::OnHotKey)
    ON_COMMAND(ID_SNAP_NEW, &CKaptoDlg::OnSnapNew)
    ON_COMMAND_RANGE(ID_SNAP_FULLSCREEN, ID_SNAP_FULLSCREEN, &CKaptoDlg::OnSnapCommand)
    ON_COMMAND_RANGE(ID_SNAP_SELECT_RECT, ID_SNAP_WIN_OBJ, &CKaptoDlg::OnSnapCommand)
    ON_UPDATE_COMMAND_UI(ID_SNAP_FULLSCREEN, &CKaptoDlg::OnUpdateSnapCommand)
    ON_UPDATE_COMMAND_UI_RANGE(ID_SNAP_SELECT_RECT, ID_SNAP_WIN_OBJ, &CKaptoDlg::OnUpdateSnapCommand)
    ON_COMMAND(ID_FILE_OPEN, &CKaptoDlg::OnFileOpen)
    ON_COMMAND(ID_FILE_SAVE, &CKaptoDlg::OnFileSave)
    ON_COMMAND(ID_FILE_SAVE_AS, &CKaptoDlg::OnFileSaveAs)
    ON_COMMAND(ID_FILE_SAVE_THUMB, &CKaptoDlg::OnFileSaveThumb)
    ON_COMMAND(ID_EDIT_COPY, &CKaptoDlg::OnEditCopy)
    ON_COMMAND(ID_EDIT_COPY_THUMB, &CKaptoDlg::OnEditCopyThumb)
    ON_COMMAND(ID_EDIT_PASTE, &CKaptoDlg::OnEditPaste)
    ON_COMMAND(ID_EDIT_IMAGE, &CKaptoDlg::OnEditImage)
    ON_COMMAND(ID_EDIT_CLEAR, &CKaptoDlg::OnEditClear)
    ON_COMMAND_RANGE(ID_OPT_GRAYSCALE, ID_OPT_SHARPEN, &CKaptoDlg::OnImageOptionCommand)
    ON_UPDATE_COMMAND_UI_RANGE(ID_OPT_GRAYSCALE, ID_OPT_SHARPEN, &CKaptoDlg::OnUpdateImageOption)
    ON_CONTROL_RANGE(BN_CLICKED, IDC_GRAYSCALE, IDC_SHARPEN, &CKaptoDlg::OnImageOptionClick)
    ON_COMMAND(ID_OPT_AUTOCOPY, &CKaptoDlg::OnAutoCopy)
    ON_UPDATE_COMMAND_UI(ID_OPT_AUTOCOPY, &CKaptoDlg::OnUpdateAutoCopy)
    ON_COMMAND(ID_OPTIONS, &CKaptoDlg::OnOptions)
    ON_COMMAND(ID_HELP_HOMEPAGE, &CKaptoDlg::OnHomePage)
    ON_COMMAND(ID_HELP_UPDATE, &CKaptoDlg::OnHomePage)
    ON_STN_CLICKED(IDC_VIEW, &CKaptoDlg::OnHomePage)
    ON_COMMAND(ID_SHOW_HIDE, &CKaptoDlg::OnShowHide)
END_MESSAGE_MAP()

namespace {

const UINT kAboutCommand = 0x0010;

}  // namespace

CKaptoDlg::CKaptoDlg(CWnd* pParent)
    : CDialog(IDD_KAPTO_DIALOG, pParent), m_nSnapType(0), m_bGrayScale(FALSE), m_bNegate(FALSE), m_bScale(FALSE),
      m_bRotate(FALSE), m_bFlipHorz(FALSE), m_bFlipVert(FALSE), m_bShearDown(FALSE), m_bShearAcross(FALSE),
      m_bBlur(FALSE), m_bSharpen(FALSE), m_hPlaceholder(nullptr) {
    m_hIcon = ::LoadIconA(AfxFindResourceHandle(MAKEINTRESOURCEA(IDR_MAINFRAME), MAKEINTRESOURCEA(14)),
                          MAKEINTRESOURCEA(IDR_MAINFRAME));
    m_hViewCursor = ::LoadCursorA(AfxFindResourceHandle(MAKEINTRESOURCEA(IDC_VIEW_CURSOR), MAKEINTRESOURCEA(12)),
                                  MAKEINTRESOURCEA(IDC_VIEW_CURSOR));
}

CKaptoDlg::~CKaptoDlg() {}

void CKaptoDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_CBIndex(pDX, IDC_SNAP_TYPE, m_nSnapType);
    DDX_Control(pDX, IDC_VIEW, m_wndView);
    DDX_Check(pDX, IDC_GRAYSCALE, m_bGrayScale);
    DDX_Check(pDX, IDC_NEGATE, m_bNegate);
    DDX_Check(pDX, IDC_SCALE, m_bScale);
    DDX_Check(pDX, IDC_ROTATE, m_bRotate);
    DDX_Check(pDX, IDC_FLIP_HORZ, m_bFlipHorz);
    DDX_Check(pDX, IDC_FLIP_VERT, m_bFlipVert);
    DDX_Check(pDX, IDC_SHEAR_DOWN, m_bShearDown);
    DDX_Check(pDX, IDC_SHEAR_ACROSS, m_bShearAcross);
    DDX_Check(pDX, IDC_BLUR, m_bBlur);
    DDX_Check(pDX, IDC_SHARPEN, m_bSharpen);
}

BOOL CKaptoDlg::OnInitDialog() {
    CDialog::OnInitDialog();

    HMENU hSysMenu = GetSystemMenu(FALSE);
    if (hSysMenu != nullptr) {
        CString strAbout;
        strAbout.LoadString(IDS_ABOUTBOX);
        if (!strAbout.IsEmpty()) {
            ::AppendMenuA(hSysMenu, MF_SEPARATOR, 0, nullptr);
            ::AppendMenuA(hSysMenu, MF_STRING, kAboutCommand, strAbout);
        }
    }

    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);

    m_hPlaceholder = ::LoadBitmapA(AfxGetResourceHandle(), MAKEINTRESOURCEA(IDB_PLACEHOLDER));

    // Every setting read from here on is the stored one.
    m_core.InitSnapper(this, &m_wndView);
    RegisterHotkeys(FALSE);
    CenterWindow();
    m_nSnapType = m_core.m_config.GetSnapMode();
    ExchangeImageOptions(FALSE);
    UpdateData(FALSE);
    SetWindowText(m_core.m_config.GetAppName());
    return TRUE;
}

BOOL CKaptoDlg::PreTranslateMessage(MSG* pMsg) { return CDialog::PreTranslateMessage(pMsg); }

void CKaptoDlg::OnSysCommand(UINT nID, LPARAM lParam) {
    if (nID == SC_MINIMIZE) {
        // Minimising hides the window; the tray icon brings it back.
        ShowWindow(SW_HIDE);
        return;
    }
    CDialog::OnSysCommand(nID, lParam);
}

HCURSOR CKaptoDlg::OnQueryDragIcon() { return (HCURSOR)m_hIcon; }

BOOL CKaptoDlg::OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message) {
    if (pWnd == &m_wndView) {
        ::SetCursor(m_hViewCursor);
        return TRUE;
    }
    return CDialog::OnSetCursor(pWnd, nHitTest, message);
}

void CKaptoDlg::OnDestroy() {
    CDialog::OnDestroy();
    m_core.CloseSnapper();  // writes config.xml
    RegisterHotkeys(TRUE);
    if (m_hPlaceholder != nullptr) {
        ::DeleteObject(m_hPlaceholder);
        m_hPlaceholder = nullptr;
    }
}

LRESULT CKaptoDlg::OnKickIdle(WPARAM, LPARAM) {
    UpdateDialogControls(this, TRUE);
    // The menu bar's popups and their submenus, two levels down: the marks of
    // the capture modes and the image options.
    HMENU hBar = GetMenu();
    CCmdUI state;
    for (int i = 0, n = hBar != nullptr ? ::GetMenuItemCount(hBar) : 0; i < n; ++i) {
        HMENU hPopup = ::GetSubMenu(hBar, i);
        if (hPopup == nullptr) continue;
        for (int j = 0, m = ::GetMenuItemCount(hPopup); j < m; ++j) {
            state.m_hMenu = hPopup;
            state.m_nIndex = (UINT)j;
            state.m_nID = ::GetMenuItemID(hPopup, j);
            state.DoUpdate(this, FALSE);
            HMENU hSub = ::GetSubMenu(hPopup, j);
            for (int k = 0, l = hSub != nullptr ? ::GetMenuItemCount(hSub) : 0; k < l; ++k) {
                state.m_hMenu = hSub;
                state.m_nIndex = (UINT)k;
                state.m_nID = ::GetMenuItemID(hSub, k);
                state.DoUpdate(this, FALSE);
            }
        }
    }
    return 0;
}
