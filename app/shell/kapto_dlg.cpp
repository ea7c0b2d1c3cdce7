#include "kapto_dlg.h"

#include "dlg_about.h"
#include "framework/app.h"
#include "framework/message_loop.h"
#include "framework/resources.h"
#include "monitor_enum.h"
#include "res/resource.h"

BEGIN_MESSAGE_MAP(CKaptoDlg, CDialog)
    // Window messages
    ON_WM_SYSCOMMAND()
    ON_WM_PAINT()
    ON_WM_QUERYDRAGICON()
    ON_WM_SETCURSOR()
    ON_WM_DESTROY()
    ON_MESSAGE(WM_KICKIDLE, &CKaptoDlg::OnKickIdle)
    ON_MESSAGE(WM_TRAYNOTIFY, &CKaptoDlg::OnTrayNotify)
    ON_MESSAGE(WM_QUERYENDSESSION, &CKaptoDlg::OnQueryEndSession)
    ON_MESSAGE(WM_ENDSESSION, &CKaptoDlg::OnEndSession)
    ON_WM_SHOWWINDOW()

    ON_MESSAGE(WM_HOTKEY, &CKaptoDlg::OnHotKey)
    ON_MESSAGE(WM_DISPLAYCHANGE, &CKaptoDlg::OnDisplayChange)
    ON_MESSAGE(WM_DPICHANGED, &CKaptoDlg::OnDpiChanged)

    // Commands of the menus, the buttons, the check boxes, the view and the tray icon
    ON_COMMAND(ID_SNAP_NEW, &CKaptoDlg::OnSnapNew)
    ON_COMMAND_RANGE(ID_SNAP_FULLSCREEN, ID_SNAP_FULLSCREEN, &CKaptoDlg::OnSnapCommand)
    ON_COMMAND_RANGE(ID_SNAP_SELECT_RECT, ID_SNAP_WIN_OBJ, &CKaptoDlg::OnSnapCommand)
    ON_COMMAND(ID_SNAP_SCROLL, &CKaptoDlg::OnSnapScroll)
    ON_COMMAND(ID_FILE_OPEN, &CKaptoDlg::OnFileOpen)
    ON_COMMAND(ID_FILE_SAVE, &CKaptoDlg::OnFileSave)
    ON_COMMAND(ID_FILE_SAVE_AS, &CKaptoDlg::OnFileSaveAs)
    ON_COMMAND(ID_FILE_SAVE_THUMB, &CKaptoDlg::OnFileSaveThumb)
    ON_COMMAND(ID_EDIT_COPY, &CKaptoDlg::OnEditCopy)
    ON_COMMAND(ID_EDIT_COPY_THUMB, &CKaptoDlg::OnEditCopyThumb)
    ON_COMMAND(ID_EDIT_PASTE, &CKaptoDlg::OnEditPaste)
    ON_COMMAND(ID_EDIT_IMAGE, &CKaptoDlg::OnEditImage)
    ON_COMMAND(ID_EDIT_MARKUP, &CKaptoDlg::OnEditMarkup)
    ON_COMMAND(ID_EDIT_PIN, &CKaptoDlg::OnEditPin)
    ON_COMMAND(ID_EDIT_CLEAR, &CKaptoDlg::OnEditClear)
    ON_COMMAND_RANGE(ID_OPT_GRAYSCALE, ID_OPT_SHARPEN, &CKaptoDlg::OnImageOptionCommand)
    ON_CONTROL_RANGE(BN_CLICKED, IDC_GRAYSCALE, IDC_SHARPEN, &CKaptoDlg::OnImageOptionClick)
    ON_COMMAND(ID_OPT_AUTOCOPY, &CKaptoDlg::OnAutoCopy)
    ON_COMMAND(ID_OPTIONS, &CKaptoDlg::OnOptions)
    ON_COMMAND(ID_HELP_HOMEPAGE, &CKaptoDlg::OnHomePage)
    ON_COMMAND(ID_HELP_UPDATE, &CKaptoDlg::OnHomePage)
    ON_STN_CLICKED(IDC_VIEW, &CKaptoDlg::OnHomePage)
    ON_COMMAND(ID_SHOW_HIDE, &CKaptoDlg::OnShowHide)
    ON_COMMAND(ID_APP_ABOUT, &CKaptoDlg::OnAppAbout)
    ON_COMMAND(ID_FILE_PRINT, &CKaptoDlg::OnFilePrint)
    ON_COMMAND(ID_FILE_PAGE_SETUP, &CKaptoDlg::OnFilePageSetup)
    ON_COMMAND(ID_SNAP_RECENT, &CKaptoDlg::OnRecent)
    ON_COMMAND(ID_RECENT_OPEN, &CKaptoDlg::OnRecentOpen)

    // Menu marks
    ON_UPDATE_COMMAND_UI(ID_SNAP_FULLSCREEN, &CKaptoDlg::OnUpdateSnapMode)
    ON_UPDATE_COMMAND_UI_RANGE(ID_SNAP_SELECT_RECT, ID_SNAP_WIN_OBJ, &CKaptoDlg::OnUpdateSnapMode)
    ON_UPDATE_COMMAND_UI_RANGE(ID_OPT_GRAYSCALE, ID_OPT_SHARPEN, &CKaptoDlg::OnUpdateImageOption)
    ON_UPDATE_COMMAND_UI(ID_OPT_AUTOCOPY, &CKaptoDlg::OnUpdateAutoCopy)
    ON_UPDATE_COMMAND_UI(ID_EDIT_MARKUP, &CKaptoDlg::OnUpdateEditMarkup)
    ON_UPDATE_COMMAND_UI(ID_EDIT_PIN, &CKaptoDlg::OnUpdateEditPin)
END_MESSAGE_MAP()

namespace {

// The view's tooltip.
const char kViewTip[] = "点击访问Orvel网";

// At exit, when config.xml could not be written (%s: its path).
const char kSettingsNotSaved[] =
    "无法将设置保存到文件：\n%s\n\n该文件夹可能不允许写入，或者磁盘已满。"
    "原有的设置文件没有改动，本次运行中更改的设置未能保存。";
// When a change could not be written (%s: the path).
const char kSettingsNotSavedNow[] =
    "无法将设置保存到文件：\n%s\n\n该文件夹可能不允许写入，或者磁盘已满。"
    "原有的设置文件没有改动；以后更改设置和退出时会再次尝试保存。";
// At start, when config.xml is there but could not be read (%s: its path):
// with the defaults, or with what an unfinished save left beside it.
const char kSettingsUnreadable[] =
    "无法读取设置文件：\n%s\n\n该文件可能正被其他程序使用，或者无法访问。"
    "本次运行将使用默认设置，并且不会保存设置，以免覆盖原有的设置文件。";
const char kSettingsUnreadableLeftover[] =
    "无法读取设置文件：\n%s\n\n该文件可能正被其他程序使用，或者无法访问。"
    "本次运行将使用上次保存时留下的设置副本，并且不会保存设置，以免覆盖原有的设置文件。";

// A message about the settings file (pszFormat: %s for its path).
void SayAboutSettingsFile(const char* pszFormat) {
    CString strText;
    strText.Format(pszFormat, (LPCSTR)CKpConfig::GetConfigPath());
    AfxMessageBox(strText, MB_OK | MB_ICONWARNING);
}

// Runs the command-update pass for each item of hPopup and, nLevels deep,
// of the popups inside it. Menu marks only: nothing is disabled.
void UpdatePopupItems(CCmdTarget* pTarget, HMENU hPopup, int nLevels) {
    CCmdUI state;
    state.m_hMenu = hPopup;
    int nCount = ::GetMenuItemCount(hPopup);
    for (int i = 0; i < nCount; ++i) {
        state.m_nIndex = (UINT)i;
        state.m_nID = ::GetMenuItemID(hPopup, i);
        state.m_hSubMenu = ::GetSubMenu(hPopup, i);
        state.DoUpdate(pTarget, FALSE);
        if (state.m_hSubMenu != nullptr && nLevels > 1) UpdatePopupItems(pTarget, state.m_hSubMenu, nLevels - 1);
    }
}

}  // namespace

const CKaptoDlg::ImageOption CKaptoDlg::kImageOptions[10] = {
    {&CKaptoDlg::m_bGrayScale, IDC_GRAYSCALE, ID_OPT_GRAYSCALE, &CKpConfig::GetGrayScale, &CKpConfig::SetGrayScale},
    {&CKaptoDlg::m_bNegate, IDC_NEGATE, ID_OPT_NEGATE, &CKpConfig::GetNegate, &CKpConfig::SetNegate},
    {&CKaptoDlg::m_bScale, IDC_SCALE, ID_OPT_SCALE, &CKpConfig::GetScale, &CKpConfig::SetScale},
    {&CKaptoDlg::m_bRotate, IDC_ROTATE, ID_OPT_ROTATE, &CKpConfig::GetRotate, &CKpConfig::SetRotate},
    {&CKaptoDlg::m_bFlipHorz, IDC_FLIP_HORZ, ID_OPT_FLIP_HORZ, &CKpConfig::GetFlipHorz, &CKpConfig::SetFlipHorz},
    {&CKaptoDlg::m_bFlipVert, IDC_FLIP_VERT, ID_OPT_FLIP_VERT, &CKpConfig::GetFlipVert, &CKpConfig::SetFlipVert},
    {&CKaptoDlg::m_bShearDown, IDC_SHEAR_DOWN, ID_OPT_SHEAR_DOWN, &CKpConfig::GetShearDown, &CKpConfig::SetShearDown},
    {&CKaptoDlg::m_bShearAcross, IDC_SHEAR_ACROSS, ID_OPT_SHEAR_ACROSS, &CKpConfig::GetShearAcross,
     &CKpConfig::SetShearAcross},
    {&CKaptoDlg::m_bBlur, IDC_BLUR, ID_OPT_BLUR, &CKpConfig::GetBlur, &CKpConfig::SetBlur},
    {&CKaptoDlg::m_bSharpen, IDC_SHARPEN, ID_OPT_SHARPEN, &CKpConfig::GetSharpen, &CKpConfig::SetSharpen},
};

const CKaptoDlg::SnapMode CKaptoDlg::kSnapModes[kSnapModeCount] = {
    {ID_SNAP_FULLSCREEN, &CKpCore::SnapFullScreen},  {ID_SNAP_ACTIVE_WIN, &CKpCore::SnapActiveWin},
    {ID_SNAP_CURRENT_WIN, &CKpCore::SnapCurrentWin}, {ID_SNAP_WIN_CLIENT, &CKpCore::SnapWinClient},
    {ID_SNAP_WIN_OBJ, &CKpCore::SnapWinObj},         {ID_SNAP_SELECT_RECT, &CKpCore::SnapSelectRect},
};

CKaptoDlg::CKaptoDlg(CWnd* pParent)
    : CDialog(IDD_KAPTO_DIALOG, pParent),
      m_nSnapType(0),
      m_bGrayScale(FALSE),
      m_bNegate(FALSE),
      m_bScale(FALSE),
      m_bRotate(FALSE),
      m_bFlipHorz(FALSE),
      m_bFlipVert(FALSE),
      m_bShearDown(FALSE),
      m_bShearAcross(FALSE),
      m_bBlur(FALSE),
      m_bSharpen(FALSE),
      m_hPlaceholder(nullptr),
      m_nModalBase(0),
      m_hotkeysInForce(),
      m_bSaveFailureTold(FALSE) {
    HINSTANCE hIcons = AfxFindResourceHandle(MAKEINTRESOURCEA(IDR_MAINFRAME), RT_GROUP_ICON);
    m_hIcon = ::LoadIconA(hIcons, MAKEINTRESOURCEA(IDR_MAINFRAME));
    // The title bar and the tray want the small image itself, not the large
    // one shrunk.
    m_hSmallIcon = (HICON)::LoadImageA(hIcons, MAKEINTRESOURCEA(IDR_MAINFRAME), IMAGE_ICON,
                                       ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON), LR_SHARED);
    if (m_hSmallIcon == nullptr) m_hSmallIcon = m_hIcon;
    m_hViewCursor = ::LoadCursorA(AfxFindResourceHandle(MAKEINTRESOURCEA(IDC_VIEW_CURSOR), RT_GROUP_CURSOR),
                                  MAKEINTRESOURCEA(IDC_VIEW_CURSOR));
}

// The members go in reverse order: the engine first, the view last.
CKaptoDlg::~CKaptoDlg() {}

void CKaptoDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_CBIndex(pDX, IDC_SNAP_TYPE, m_nSnapType);
    DDX_Control(pDX, IDC_VIEW, m_wndView);
    for (const ImageOption& option : kImageOptions)
        DDX_Check(pDX, option.nCheckBox, this->*option.pFlag);
}

BOOL CKaptoDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    m_nModalBase = AfxGetModalCount();

    HMENU hSysMenu = GetSystemMenu(FALSE);
    if (hSysMenu != nullptr) {
        CString strAbout;
        strAbout.LoadString(IDS_ABOUTBOX);
        if (!strAbout.IsEmpty()) {
            ::AppendMenuA(hSysMenu, MF_SEPARATOR, 0, nullptr);
            ::AppendMenuA(hSysMenu, MF_STRING, IDM_ABOUTBOX, strAbout);
        }
    }

    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hSmallIcon, FALSE);

    // A section, not a screen bitmap: a printer's memory context takes it too.
    HINSTANCE hArt = AfxFindResourceHandle(MAKEINTRESOURCEA(IDB_PLACEHOLDER), RT_BITMAP);
    if (hArt != nullptr)
        m_hPlaceholder =
            (HBITMAP)::LoadImageA(hArt, MAKEINTRESOURCEA(IDB_PLACEHOLDER), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION);

    EnableToolTips(TRUE);
    if (m_toolTip.Create(this, 0)) {
        m_toolTip.Activate(TRUE);
        m_toolTip.AddTool(&m_wndView, kViewTip);
    }

    // Loads the settings, and captures the screen now if they say so: the
    // window is not shown yet.
    m_core.InitSnapper(this, &m_wndView);
    m_pins.SetProgram(&m_core, m_hWnd);
    m_recentWindows.Attach(this, &m_core);
    // Once, with its path: the user's settings are in that file, and this
    // run leaves it alone.
    CKpConfig::LoadResult nLoad = m_core.m_config.GetLoadResult();
    if (nLoad == CKpConfig::ConfigUnreadable || nLoad == CKpConfig::ConfigUnreadableLeftover)
        SayAboutSettingsFile(nLoad == CKpConfig::ConfigUnreadable ? kSettingsUnreadable : kSettingsUnreadableLeftover);

    RegisterHotkeys(FALSE);
    CenterWindow();

    CKpConfig& config = m_core.m_config;
    m_nSnapType = StoredSnapMode();
    ExchangeImageOptions(FALSE);
    UpdateData(FALSE);
    SetWindowText(config.GetAppName());
    // The template makes the window topmost; the stored choice decides.
    ::SetWindowPos(m_hWnd, config.GetKeepOnTop() ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

    HICON hTrayIcons[1] = {m_hSmallIcon};
    if (!m_trayIcon.Create(this, IDR_TRAYMENU, config.GetAppName(), hTrayIcons, 1, 1000, WM_TRAYNOTIFY))
        AfxMessageBox("错误：创建系统图标失败！", MB_ICONHAND);
    return TRUE;
}

BOOL CKaptoDlg::PreTranslateMessage(MSG* pMsg) {
    if (m_toolTip.GetSafeHwnd() != nullptr) m_toolTip.RelayEvent(pMsg);
    return CDialog::PreTranslateMessage(pMsg);
}

void CKaptoDlg::ExchangeImageOptions(BOOL bSave) {
    CKpConfig& config = m_core.m_config;
    if (bSave) {
        UpdateData(TRUE);
        for (const ImageOption& option : kImageOptions)
            (config.*option.pfnSet)(this->*option.pFlag);
    } else {
        // A setting edited in the file may hold any number: a box is ticked or not.
        for (const ImageOption& option : kImageOptions)
            this->*option.pFlag = (config.*option.pfnGet)() != 0;
        UpdateData(FALSE);
    }
}

void CKaptoDlg::OnSysCommand(UINT nID, LPARAM lParam) {
    if ((nID & 0xFFF0) == IDM_ABOUTBOX) {
        CDlgAbout dlgAbout;
        dlgAbout.DoModal();
    } else if (nID == SC_MINIMIZE) {
        // Minimising hides the window; the tray icon brings it back.
        ShowWindow(SW_HIDE);
    } else {
        CDialog::OnSysCommand(nID, lParam);
    }
}

HCURSOR CKaptoDlg::OnQueryDragIcon() { return (HCURSOR)m_hIcon; }

BOOL CKaptoDlg::OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message) {
    // The view is a link to the maker's home page: the pointing hand.
    if (pWnd == &m_wndView) {
        ::SetCursor(m_hViewCursor);
        return TRUE;
    }
    return CDialog::OnSetCursor(pWnd, nHitTest, message);
}

LRESULT CKaptoDlg::OnKickIdle(WPARAM, LPARAM) {
    UpdateDialogControls(this, TRUE);
    HMENU hMenu = GetMenu();
    if (hMenu != nullptr) {
        // The bar's popups and the submenus inside them (颜色, 画布, 效果).
        int nCount = ::GetMenuItemCount(hMenu);
        for (int i = 0; i < nCount; ++i) {
            HMENU hPopup = ::GetSubMenu(hMenu, i);
            if (hPopup != nullptr) UpdatePopupItems(this, hPopup, 2);
        }
    }
    return 0;
}

void CKaptoDlg::OnShowWindow(BOOL bShow, UINT) {
    Default();
    m_recentWindows.FollowMain(bShow);
}

LRESULT CKaptoDlg::OnTrayNotify(WPARAM wParam, LPARAM lParam) { return m_trayIcon.OnIconNotify(wParam, lParam); }

BOOL CKaptoDlg::SaveSettings() {
    // Withheld: said at the start already.
    if (m_core.m_config.IsSaveWithheld()) return FALSE;
    BOOL bSaved = m_core.m_config.SaveConfig();
    // Said when it happens, once until a save succeeds again (also when
    // another change comes while the message waits).
    BOOL bTell = !bSaved && !m_bSaveFailureTold;
    m_bSaveFailureTold = !bSaved;
    if (bTell) SayAboutSettingsFile(kSettingsNotSavedNow);
    return bSaved;
}

LRESULT CKaptoDlg::OnQueryEndSession(WPARAM, LPARAM) {
    // The process may be ended without another word after this answer.
    SaveSettings();
    return TRUE;
}

LRESULT CKaptoDlg::OnEndSession(WPARAM wParam, LPARAM) {
    if (wParam) SaveSettings();
    return 0;
}

void CKaptoDlg::OnDestroy() {
    CDialog::OnDestroy();
    m_pins.CloseAll();
    // No hot key may start anything while a message box below waits.
    RegisterHotkeys(TRUE);
    m_recentWindows.Detach();
    // Frees the image, stops the engine and writes the settings file: a
    // failure must not pass in silence, nor be said twice.
    if (!m_core.CloseSnapper() && !m_core.m_config.IsSaveWithheld() && !m_bSaveFailureTold)
        SayAboutSettingsFile(kSettingsNotSaved);
    if (m_hPlaceholder != nullptr) {
        ::DeleteObject(m_hPlaceholder);
        m_hPlaceholder = nullptr;
    }
    m_trayIcon.RemoveIcon();
}

LRESULT CKaptoDlg::OnDisplayChange(WPARAM, LPARAM) {
    KpKeepWindowOnMonitors(m_hWnd);
    return 0;
}

LRESULT CKaptoDlg::OnDpiChanged(WPARAM, LPARAM lParam) {
    KpTakeSuggestedRect(m_hWnd, lParam);
    return 0;
}
