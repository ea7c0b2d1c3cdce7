// The main window's commands: captures, files, the clipboard, the external
// editor, the image options, the options sheet, the home page, showing and
// hiding, and the eight global hot keys that run them.
#include "kapto_dlg.h"

#include <shellapi.h>

#include "framework/app.h"
#include "home_page.h"
#include "hotkey_table.h"
#include "options_sheet.h"
#include "res/resource.h"

namespace {

// The capture modes: one numbering for the configuration, the capture-type
// box and the engine.
struct SnapMode {
    int nMode;
    UINT nCommand;
    int (CKpCore::*pfnSnap)();
};

const SnapMode kSnapModes[] = {
    {0, ID_SNAP_FULLSCREEN, &CKpCore::SnapFullScreen}, {1, ID_SNAP_ACTIVE_WIN, &CKpCore::SnapActiveWin},
    {2, ID_SNAP_CURRENT_WIN, &CKpCore::SnapCurrentWin}, {3, ID_SNAP_WIN_CLIENT, &CKpCore::SnapWinClient},
    {4, ID_SNAP_WIN_OBJ, &CKpCore::SnapWinObj},         {5, ID_SNAP_SELECT_RECT, &CKpCore::SnapSelectRect},
};
const int kSnapModeCount = (int)(sizeof(kSnapModes) / sizeof(kSnapModes[0]));
// The object capture's menu item carries no mark, even while it is the mode.
const int kUnmarkedMode = 4;

const SnapMode* FindSnapMode(UINT nCommand) {
    for (const SnapMode& m : kSnapModes)
        if (m.nCommand == nCommand) return &m;
    return nullptr;
}

// The ten image options: the flag, its check box and its menu command.
struct ImageOption {
    BOOL CKaptoDlg::*pFlag;
    UINT nCheckBox;
    UINT nCommand;
};

const ImageOption kImageOptions[] = {
    {&CKaptoDlg::m_bGrayScale, IDC_GRAYSCALE, ID_OPT_GRAYSCALE},
    {&CKaptoDlg::m_bNegate, IDC_NEGATE, ID_OPT_NEGATE},
    {&CKaptoDlg::m_bFlipHorz, IDC_FLIP_HORZ, ID_OPT_FLIP_HORZ},
    {&CKaptoDlg::m_bFlipVert, IDC_FLIP_VERT, ID_OPT_FLIP_VERT},
    {&CKaptoDlg::m_bRotate, IDC_ROTATE, ID_OPT_ROTATE},
    {&CKaptoDlg::m_bScale, IDC_SCALE, ID_OPT_SCALE},
    {&CKaptoDlg::m_bShearAcross, IDC_SHEAR_ACROSS, ID_OPT_SHEAR_ACROSS},
    {&CKaptoDlg::m_bShearDown, IDC_SHEAR_DOWN, ID_OPT_SHEAR_DOWN},
    {&CKaptoDlg::m_bBlur, IDC_BLUR, ID_OPT_BLUR},
    {&CKaptoDlg::m_bSharpen, IDC_SHARPEN, ID_OPT_SHARPEN},
};

const ImageOption* FindImageOption(UINT nID, UINT ImageOption::*pWhich) {
    for (const ImageOption& o : kImageOptions)
        if (o.*pWhich == nID) return &o;
    return nullptr;
}

}  // namespace

// ---- Helpers -------------------------------------------------------------------------

void CKaptoDlg::Repaint() {
    CRect rc;
    GetClientRect(&rc);
    InvalidateRect(&rc, TRUE);
}

void CKaptoDlg::ReportFileFailure() {
    if (m_core.GetLastFileResult() != CKpImageStore::FileFailed) return;
    CString strPath = m_core.GetLastFilePath();
    CString strMessage;
    if (strPath.IsEmpty())
        strMessage = "无法把图像复制到剪贴板：剪贴板正被其他程序占用，请稍后再试。";
    else
        strMessage.Format("无法保存图像文件“%s”。\n请检查磁盘空间、文件夹的写入权限和文件类型。", strPath.GetString());
    AfxMessageBox(strMessage, MB_OK | MB_ICONEXCLAMATION);
}

// ---- Captures ------------------------------------------------------------------------

void CKaptoDlg::RunCapture(int nMode) {
    const SnapMode* pMode = nullptr;
    for (const SnapMode& m : kSnapModes)
        if (m.nMode == nMode) pMode = &m;
    if (pMode == nullptr) return;
    if ((m_core.*pMode->pfnSnap)()) {
        Repaint();
        UpdateWindow();
    }
    // Whatever happened, the box shows the mode the engine recorded.
    m_nSnapType = m_core.m_config.GetSnapMode();
    UpdateData(FALSE);
}

void CKaptoDlg::OnSnapCommand(UINT nID) {
    const SnapMode* pMode = FindSnapMode(nID);
    if (pMode != nullptr) RunCapture(pMode->nMode);
}

void CKaptoDlg::OnSnapNew() {
    // The box's choice reaches the configuration only through the capture.
    UpdateData(TRUE);
    if (m_nSnapType >= 0 && m_nSnapType < kSnapModeCount) RunCapture(m_nSnapType);
}

void CKaptoDlg::OnUpdateSnapCommand(CCmdUI* pCmdUI) {
    const SnapMode* pMode = FindSnapMode(pCmdUI->m_nID);
    if (pMode == nullptr || pMode->nMode == kUnmarkedMode) return;
    pCmdUI->SetRadio(m_core.m_config.GetSnapMode() == pMode->nMode);
}

LRESULT CKaptoDlg::OnHotKey(WPARAM wParam, LPARAM) {
    const KaptoHotkey* pHotkeys = GetKaptoHotkeys();
    for (int i = 0; i < KAPTO_HOTKEY_COUNT; ++i) {
        // Exactly as the menu item would.
        if ((WPARAM)pHotkeys[i].nId == wParam) SendMessage(WM_COMMAND, MAKEWPARAM(pHotkeys[i].nCommand, 0), 0);
    }
    return 0;
}

void CKaptoDlg::RegisterHotkeys(BOOL bUnregisterOnly) {
    const KaptoHotkey* pHotkeys = GetKaptoHotkeys();
    for (int i = 0; i < KAPTO_HOTKEY_COUNT; ++i) ::UnregisterHotKey(m_hWnd, pHotkeys[i].nId);
    if (bUnregisterOnly) return;
    for (int i = 0; i < KAPTO_HOTKEY_COUNT; ++i) {
        unsigned short wModifier = 0;
        unsigned short wVk = 0;
        (m_core.m_config.*pHotkeys[i].pfnGet)(wModifier, wVk);
        if (!::RegisterHotKey(m_hWnd, pHotkeys[i].nId, HotkeyModifiersToSystem(wModifier), wVk))
            AfxMessageBox(pHotkeys[i].pszFailure, MB_OK);
    }
}

// ---- Files and the clipboard ---------------------------------------------------------

void CKaptoDlg::OnFileOpen() {
    if (m_core.OpenImage(CString())) {
        // The engine reset the image options for the opened file: the boxes
        // and menu ticks follow, so the next toggle does not write the old
        // set back.
        ExchangeImageOptions(FALSE);
        Repaint();
        return;
    }
    if (m_core.GetLastFileResult() == CKpImageStore::FileFailed) {
        CString strMessage;
        strMessage.Format("无法打开“%s”：它不是可读的图像文件。\n当前的图像保持不变。",
                          m_core.GetLastFilePath().GetString());
        AfxMessageBox(strMessage, MB_OK | MB_ICONEXCLAMATION);
    }
}

void CKaptoDlg::OnFileSave() {
    m_core.SaveImage(m_core.GetPathName(), FALSE);
    ReportFileFailure();
}

void CKaptoDlg::OnFileSaveAs() {
    m_core.SaveImage(CString(), FALSE);
    ReportFileFailure();
}

void CKaptoDlg::OnFileSaveThumb() {
    m_core.SaveImage(CString(), TRUE);
    ReportFileFailure();
}

void CKaptoDlg::OnEditCopy() {
    m_core.CopyImageData(FALSE);
    ReportFileFailure();
}

void CKaptoDlg::OnEditCopyThumb() {
    m_core.CopyImageData(TRUE);
    ReportFileFailure();
}

void CKaptoDlg::OnEditPaste() {
    if (m_core.PasteImageData()) Repaint();
}

void CKaptoDlg::OnEditClear() {
    m_core.ClearGdiplusImage();
    Repaint();
}

void CKaptoDlg::OnEditImage() {
    if (m_core.GetPathName().IsEmpty()) {
        // An image that has no file yet is saved first.
        m_core.SaveImage(CString(), FALSE);
        ReportFileFailure();
    }
    CString strPath = m_core.GetPathName();
    CString strName = m_core.GetFileName();
    // The folder is the path without its final name part (with the trailing
    // separator), even when the name's text also occurs in a folder's name.
    CString strFolder;
    if (!strName.IsEmpty() && strPath.GetLength() >= strName.GetLength() &&
        strPath.Right(strName.GetLength()) == strName)
        strFolder = strPath.Left(strPath.GetLength() - strName.GetLength());

    CString strEditor = m_core.m_config.GetEditAppPath();
    if (!strEditor.IsEmpty()) {
        // Quoted: a name with blanks is one argument.
        CString strParameters;
        if (!strName.IsEmpty()) strParameters.Format("\"%s\"", strName.GetString());
        ::ShellExecuteA(nullptr, "open", strEditor, strParameters, strFolder, SW_SHOW);
    } else if (!strPath.IsEmpty()) {
        // No editor configured: the program Windows associates with the type.
        ::ShellExecuteA(nullptr, "open", strPath, nullptr, strFolder, SW_SHOW);
    }
}

// ---- Image options -------------------------------------------------------------------

void CKaptoDlg::ExchangeImageOptions(BOOL bSave) {
    CKpConfig& config = m_core.m_config;
    if (bSave) {
        UpdateData(TRUE);
        config.SetGrayScale(m_bGrayScale);
        config.SetNegate(m_bNegate);
        config.SetScale(m_bScale);
        config.SetRotate(m_bRotate);
        config.SetFlipHorz(m_bFlipHorz);
        config.SetFlipVert(m_bFlipVert);
        config.SetShearDown(m_bShearDown);
        config.SetShearAcross(m_bShearAcross);
        config.SetBlur(m_bBlur);
        config.SetSharpen(m_bSharpen);
    } else {
        m_bGrayScale = config.GetGrayScale();
        m_bNegate = config.GetNegate();
        m_bScale = config.GetScale();
        m_bRotate = config.GetRotate();
        m_bFlipHorz = config.GetFlipHorz();
        m_bFlipVert = config.GetFlipVert();
        m_bShearDown = config.GetShearDown();
        m_bShearAcross = config.GetShearAcross();
        m_bBlur = config.GetBlur();
        m_bSharpen = config.GetSharpen();
        UpdateData(FALSE);
    }
}

void CKaptoDlg::OnImageOptionCommand(UINT nID) {
    const ImageOption* pOption = FindImageOption(nID, &ImageOption::nCommand);
    if (pOption == nullptr) return;
    this->*pOption->pFlag = !(this->*pOption->pFlag);
    UpdateData(FALSE);
    OnImageOptionClick(pOption->nCheckBox);
}

void CKaptoDlg::OnImageOptionClick(UINT nID) {
    if (FindImageOption(nID, &ImageOption::nCheckBox) == nullptr) return;
    ExchangeImageOptions(TRUE);
    m_core.RefreshImageData();
    Repaint();
}

void CKaptoDlg::OnUpdateImageOption(CCmdUI* pCmdUI) {
    const ImageOption* pOption = FindImageOption(pCmdUI->m_nID, &ImageOption::nCommand);
    if (pOption != nullptr) pCmdUI->SetCheck(this->*pOption->pFlag ? 1 : 0);
}

void CKaptoDlg::OnAutoCopy() { m_core.m_config.SetAutoCopy(!m_core.m_config.GetAutoCopy()); }

void CKaptoDlg::OnUpdateAutoCopy(CCmdUI* pCmdUI) { pCmdUI->SetCheck(m_core.m_config.GetAutoCopy() ? 1 : 0); }

// ---- Options, home page, showing and hiding -----------------------------------------

void CKaptoDlg::OnOptions() {
    if (RunOptionsSheet(this, m_core.m_config) != IDOK) return;
    RegisterHotkeys(FALSE);
    m_core.RefreshImageData();
    Repaint();
}

void CKaptoDlg::OnHomePage() { ::ShellExecuteA(nullptr, "open", kKaptoHomePage, nullptr, "", SW_SHOWMAXIMIZED); }

void CKaptoDlg::OnShowHide() { ShowWindow(IsWindowVisible() ? SW_HIDE : SW_SHOW); }
