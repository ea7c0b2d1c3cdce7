#include "option_pages.h"

#include <algorithm>

#include "framework/app.h"
#include "framework/file_dialog.h"
#include "res/resource.h"

namespace {

// A Windows path never holds "<" or ">", and config.xml cannot carry "<":
// such a path is refused here, where the user can still correct it.
void DDV_PathChars(CDataExchange* pDX, const CString& strPath) {
    if (pDX->m_bFail || !pDX->m_bSaveAndValidate) return;
    if (strPath.FindOneOf("<>") < 0) return;
    AfxMessageBox("图像编辑程序的路径中不能含有字符 < 或 >，请重新输入。", MB_ICONEXCLAMATION);
    pDX->Fail();
}

}  // namespace

// What a whole-screen capture takes, in the order of CKpConfig's scopes.
const char* const kFullScreenScopes[] = {"主屏幕", "鼠标所在的屏幕", "所有屏幕"};

// ---- COptionBasic ------------------------------------------------------------------

COptionBasic::COptionBasic()
    : CPropertyPage(IDD_OPTION_BASIC),
      m_bPlaySnapSound(TRUE),
      m_bHideMainWnd(TRUE),
      m_bSnapOnStart(TRUE),
      m_nSnapDelayTime(500),
      m_bKeepOnTop(TRUE),
      m_bCapturePointer(FALSE),
      m_nFullScreenScope(CKpConfig::kScopePrimary) {}

BOOL COptionBasic::OnInitDialog() {
    // The list's items before the data exchange selects one of them.
    for (const char* pszScope : kFullScreenScopes)
        ::SendDlgItemMessageA(m_hWnd, IDC_FULL_SCREEN_SCOPE, CB_ADDSTRING, 0, (LPARAM)pszScope);
    return CPropertyPage::OnInitDialog();
}

void COptionBasic::DoDataExchange(CDataExchange* pDX) {
    CPropertyPage::DoDataExchange(pDX);
    if (!pDX->m_bSaveAndValidate) {
        // A settings file may hold any number: a box is ticked or not, and
        // the engine waits no longer than the field takes. OK is never
        // refused for a value the user did not type.
        for (BOOL* pFlag : {&m_bPlaySnapSound, &m_bHideMainWnd, &m_bSnapOnStart, &m_bKeepOnTop, &m_bCapturePointer})
            *pFlag = *pFlag != FALSE;
        m_nSnapDelayTime = std::min(m_nSnapDelayTime, (UINT)kMaxSnapDelay);
    }
    DDX_Check(pDX, IDC_PLAY_SNAP_SOUND, m_bPlaySnapSound);
    DDX_Check(pDX, IDC_HIDE_MAIN_WND, m_bHideMainWnd);
    DDX_Check(pDX, IDC_SNAP_ON_START, m_bSnapOnStart);
    DDX_Text(pDX, IDC_SNAP_DELAY_TIME, m_nSnapDelayTime);
    DDV_MinMaxUInt(pDX, m_nSnapDelayTime, 0, (UINT)kMaxSnapDelay);
    DDX_Check(pDX, IDC_KEEP_ON_TOP, m_bKeepOnTop);
    DDX_Check(pDX, IDC_CAPTURE_POINTER, m_bCapturePointer);
    DDX_CBIndex(pDX, IDC_FULL_SCREEN_SCOPE, m_nFullScreenScope);
}

// ---- COptionImage ------------------------------------------------------------------

BEGIN_MESSAGE_MAP(COptionImage, CPropertyPage)
    ON_BN_CLICKED(IDC_BROWSE_EDIT_APP, &COptionImage::OnBrowse)
END_MESSAGE_MAP()

COptionImage::COptionImage()
    : CPropertyPage(IDD_OPTION_IMAGE),
      m_nRotateAngle(0),
      m_nScaleFactor(0),
      m_nShearAcrossAmout(0),
      m_nShearDownAmout(0),
      m_nBlurFactor(0),
      m_nSharpenFactor(0) {}

void COptionImage::DoDataExchange(CDataExchange* pDX) {
    CPropertyPage::DoDataExchange(pDX);
    // An angle from a settings file turns the same modulo a full turn.
    if (!pDX->m_bSaveAndValidate) m_nRotateAngle %= kMaxRotateAngle;
    DDX_Text(pDX, IDC_EDIT_APP_PATH, m_strEditAppPath);
    DDV_PathChars(pDX, m_strEditAppPath);
    DDX_Text(pDX, IDC_ROTATE_ANGLE, m_nRotateAngle);
    DDX_Text(pDX, IDC_SCALE_FACTOR, m_nScaleFactor);
    DDX_Text(pDX, IDC_SHEAR_ACROSS_AMOUNT, m_nShearAcrossAmout);
    DDX_Text(pDX, IDC_SHEAR_DOWN_AMOUNT, m_nShearDownAmout);
    DDX_Text(pDX, IDC_BLUR_FACTOR, m_nBlurFactor);
    DDX_Text(pDX, IDC_SHARPEN_FACTOR, m_nSharpenFactor);
    // The angle's field is the one focused when it is out of range.
    if (pDX->m_bSaveAndValidate && !pDX->m_bFail) pDX->PrepareEditCtrl(IDC_ROTATE_ANGLE);
    DDV_MinMaxInt(pDX, m_nRotateAngle, -kMaxRotateAngle, kMaxRotateAngle);
}

void COptionImage::OnBrowse() {
    CFileDialog dlg(TRUE, nullptr, nullptr, 0, "图像编辑程序(*.exe)|*.exe||", nullptr);
    if (dlg.DoModal() != IDOK) return;
    m_strEditAppPath = dlg.GetPathName();
    UpdateData(FALSE);
}

// ---- COptionHotkey -----------------------------------------------------------------

COptionHotkey::COptionHotkey() : CPropertyPage(IDD_OPTION_HOTKEY) {
    // The configuration's own defaults, in the table's order.
    CKpConfig defaults;
    const KaptoHotkey* pHotkeys = GetKaptoHotkeys();
    for (int i = 0; i < KAPTO_HOTKEY_COUNT; ++i) {
        unsigned short wModifier = 0;
        unsigned short wVk = 0;
        (defaults.*pHotkeys[i].pfnGet)(wModifier, wVk);
        m_hotkey[i][0] = wModifier;
        m_hotkey[i][1] = wVk;
    }
}

void COptionHotkey::DoDataExchange(CDataExchange* pDX) {
    CPropertyPage::DoDataExchange(pDX);
    const KaptoHotkey* pHotkeys = GetKaptoHotkeys();
    for (int i = 0; i < KAPTO_HOTKEY_COUNT; ++i)
        DDX_Control(pDX, (int)pHotkeys[i].nControl, m_hotkeyCtrl[i]);
}

BOOL COptionHotkey::OnInitDialog() {
    CPropertyPage::OnInitDialog();
    // A hot-key control can neither show nor take PrintScreen: F1 stands in
    // for it, as the note on the page says.
    for (int i = 0; i < KAPTO_HOTKEY_COUNT; ++i) {
        if (m_hotkey[i][1] == VK_SNAPSHOT) m_hotkey[i][1] = VK_F1;
        m_hotkeyCtrl[i].SetHotKey(m_hotkey[i][1], m_hotkey[i][0]);
    }
    return TRUE;
}

void COptionHotkey::OnOK() {
    for (int i = 0; i < KAPTO_HOTKEY_COUNT; ++i) {
        m_hotkeyCtrl[i].GetHotKey(m_hotkey[i][1], m_hotkey[i][0]);
        if (m_hotkey[i][1] == VK_F1) m_hotkey[i][1] = VK_SNAPSHOT;
        // Modifiers alone are no key: such a hot key stays unset.
        if (HotkeyHasNoKey(GetKaptoHotkeys()[i], m_hotkey[i][1])) m_hotkey[i][0] = 0;
    }
    CPropertyPage::OnOK();
}
