// The main window's commands: what the menus, the push buttons, the check
// boxes, the view, the tray menu and the global hot keys ask for, each
// a thin call into the capture engine, and the update handlers that put the
// marks on the menu items.
#include "kapto_dlg.h"

#include <shellapi.h>

#include <utility>
#include <vector>

#include "dlg_about.h"
#include "editor_path.h"
#include "framework/app.h"
#include "framework/message_loop.h"
#include "hotkey_table.h"
#include "maker_links.h"
#include "markup/markup_dlg.h"
#include "options_sheet.h"
#include "res/resource.h"

namespace {

// The object capture's menu item carries no mark, even while it is the mode.
const int kUnmarkedMode = kSnapWinObj;

// ShellExecute's result is an error code up to this value.
const INT_PTR kShellExecuteFailed = 32;

// The editor of the settings (%s: as given there) was not found or did not start.
const char kEditorNotStarted[] =
    "无法启动图像编辑程序“%s”：找不到该程序，或者它无法运行。\n请在“参数设置”的“图像”页中指定图像编辑程序的完整路径。";

// After a hot key's failure (%s: a combination nothing holds now).
const char kFreeHotkey[] = "\n\n可以改用 %s（目前未被占用），请在“参数设置”的“热键”页中设置。";

// The id a combination is tried under to see whether it is free; apart
// from the hot keys' own.
const int kProbeHotkeyId = 0xBFFE;

// The marked image could not become the current one.
const char kMarkupNotTaken[] = "无法完成标注：内存不足。\n当前的图像保持不变。";

// What a command does to the current image.
enum ImageUse {
    kLeavesImage,    // nothing: runs at any time
    kUsesImage,      // reads it: holds it until the command is done
    kReplacesImage,  // frees or replaces it: refused while the image is busy
    kPinsImage,      // copies it into a window in front of all: refused while the image is busy
};

// The commands that are neither captures nor image options (those two tables
// are the dialog's own) and touch the image.
const struct {
    UINT nCommand;
    ImageUse use;
} kImageCommands[] = {
    {ID_SNAP_NEW, kReplacesImage},   {ID_FILE_OPEN, kReplacesImage},   {ID_EDIT_PASTE, kReplacesImage},
    {ID_EDIT_CLEAR, kReplacesImage}, {ID_OPTIONS, kReplacesImage},     {ID_EDIT_MARKUP, kReplacesImage},
    {ID_FILE_SAVE, kUsesImage},      {ID_FILE_SAVE_AS, kUsesImage},    {ID_FILE_SAVE_THUMB, kUsesImage},
    {ID_EDIT_COPY, kUsesImage},      {ID_EDIT_COPY_THUMB, kUsesImage}, {ID_EDIT_IMAGE, kUsesImage},
    {ID_FILE_PRINT, kUsesImage},
    {ID_SNAP_SCROLL, kReplacesImage},
    {ID_EDIT_PIN, kPinsImage},
    {ID_RECENT_OPEN, kReplacesImage},
};

// Holds the engine's current image for the life of one command.
class ImageHold {
public:
    explicit ImageHold(CKpCore& core) : m_core(core) { m_core.HoldImage(); }
    ~ImageHold() { m_core.UnholdImage(); }
    ImageHold(const ImageHold&) = delete;
    ImageHold& operator=(const ImageHold&) = delete;

private:
    CKpCore& m_core;  // not owned
};

}  // namespace

// ---- Commands and the current image -----------------------------------------------

BOOL CKaptoDlg::IsImageBusy() const { return AfxGetModalCount() > m_nModalBase || m_core.IsImageHeld(); }

BOOL CKaptoDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
    UINT nID = LOWORD(wParam);
    // Menus, buttons, the tray's menu and the hot keys alike.
    ImageUse use = kLeavesImage;
    const ImageOption* pClickedOption = nullptr;
    for (const SnapMode& mode : kSnapModes) {
        if (mode.nCommand == nID) use = kReplacesImage;
    }
    for (const ImageOption& option : kImageOptions) {
        if (option.nCommand == nID) use = kReplacesImage;
        if ((UINT)option.nCheckBox == nID && lParam != 0 && HIWORD(wParam) == BN_CLICKED) {
            use = kReplacesImage;
            pClickedOption = &option;
        }
    }
    for (const auto& command : kImageCommands) {
        if (command.nCommand == nID) use = command.use;
    }

    if ((use == kReplacesImage || use == kPinsImage) && IsImageBusy()) {
        // The box has turned itself already: it goes back to the setting.
        if (pClickedOption != nullptr) CheckDlgButton(nID, this->*pClickedOption->pFlag ? BST_CHECKED : BST_UNCHECKED);
        ::MessageBeep(MB_OK);
        return TRUE;
    }
    if (use == kUsesImage) {
        ImageHold hold(m_core);
        return CDialog::OnCommand(wParam, lParam);
    }
    return CDialog::OnCommand(wParam, lParam);
}

// ---- Helpers ---------------------------------------------------------------------

int CKaptoDlg::StoredSnapMode() {
    int nMode = m_core.m_config.GetSnapMode();
    return nMode >= 0 && nMode < kSnapModeCount ? nMode : kSnapFullScreen;
}

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

// ---- Captures --------------------------------------------------------------------

void CKaptoDlg::SnapByMode(int nMode) {
    if (nMode < 0 || nMode >= kSnapModeCount) return;
    int nModeBefore = m_core.m_config.GetSnapMode();
    int nCounterBefore = m_core.m_config.GetAutoSaveCounter();
    if ((m_core.*kSnapModes[nMode].pfnSnap)()) DrawView(FALSE);
    // Whatever came of it, the box shows the mode the engine recorded.
    m_nSnapType = StoredSnapMode();
    UpdateData(FALSE);
    // The automatic-saving counter goes on after a restart, even one the
    // program did not see coming.
    if (m_nSnapType != nModeBefore || m_core.m_config.GetAutoSaveCounter() != nCounterBefore) SaveSettings();
}

void CKaptoDlg::OnSnapCommand(UINT nID) {
    for (int i = 0; i < kSnapModeCount; ++i) {
        if (kSnapModes[i].nCommand == nID) SnapByMode(i);
    }
}

void CKaptoDlg::OnSnapNew() {
    // The box's choice reaches the settings only through the capture.
    UpdateData(TRUE);
    SnapByMode(m_nSnapType);
}

void CKaptoDlg::OnSnapScroll() {
    // No capture mode of its own: the box and the new-capture command keep
    // the mode they had.
    int nCounterBefore = m_core.m_config.GetAutoSaveCounter();
    if (m_core.SnapScroll()) DrawView(FALSE);
    if (m_core.m_config.GetAutoSaveCounter() != nCounterBefore) SaveSettings();
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
    KaptoHotkeyInForce wanted[KAPTO_HOTKEY_COUNT] = {};
    bool bChanged[KAPTO_HOTKEY_COUNT] = {};
    for (int i = 0; i < KAPTO_HOTKEY_COUNT; ++i) {
        KaptoHotkeyInForce& now = m_hotkeysInForce[i];
        if (!bUnregisterOnly) {
            (m_core.m_config.*pHotkeys[i].pfnGet)(wanted[i].wModifier, wanted[i].wVk);
            // A key another program held is tried again: it may be free now.
            bChanged[i] = !now.bRegistered || now.wModifier != wanted[i].wModifier || now.wVk != wanted[i].wVk;
        }
        // Every key that changes lets go first, so two keys may swap pairs.
        // An id that is not registered is harmless to unregister.
        if (bUnregisterOnly || bChanged[i]) {
            ::UnregisterHotKey(m_hWnd, pHotkeys[i].nId);
            now = KaptoHotkeyInForce();
        }
    }
    if (bUnregisterOnly) return;
    // No pair is judged beforehand: the system says what it refuses.
    for (int i = 0; i < KAPTO_HOTKEY_COUNT; ++i) {
        if (!bChanged[i]) continue;
        KaptoHotkeyInForce& now = m_hotkeysInForce[i];
        now = wanted[i];
        now.bOffered = TRUE;
        if (HotkeyHasNoKey(pHotkeys[i], now.wVk)) continue;
        now.bRegistered = ::RegisterHotKey(m_hWnd, pHotkeys[i].nId, HotkeyModifiersToSystem(now.wModifier), now.wVk);
        if (now.bRegistered) continue;
        CString strMessage = pHotkeys[i].pszFailure;
        WORD wFreeFlags = 0, wFreeVk = 0;
        if (FindFreeHotkey(wanted, now.wVk, wFreeFlags, wFreeVk)) {
            CString strFree;
            strFree.Format(kFreeHotkey, DescribeHotkey(wFreeFlags, wFreeVk).GetString());
            strMessage += strFree;
        }
        AfxMessageBox(strMessage, MB_OK);
    }
}

BOOL CKaptoDlg::FindFreeHotkey(const KaptoHotkeyInForce* pWanted, WORD wVk, WORD& wFlags, WORD& wFreeVk) {
    // The same key with more modifiers first, then keys programs seldom take.
    const WORD kModifiers[] = {HOTKEYF_CONTROL | HOTKEYF_ALT, HOTKEYF_CONTROL | HOTKEYF_SHIFT,
                               HOTKEYF_SHIFT | HOTKEYF_ALT, HOTKEYF_CONTROL | HOTKEYF_SHIFT | HOTKEYF_ALT};
    const WORD kSpareKeys[] = {VK_F9, VK_F10, VK_F11, VK_F12};
    std::vector<std::pair<WORD, WORD>> candidates;
    if (wVk != 0) {
        for (WORD wMod : kModifiers)
            candidates.push_back({wMod, wVk});
    }
    for (WORD wKey : kSpareKeys) {
        for (WORD wMod : {(WORD)0, kModifiers[0], kModifiers[1]})
            candidates.push_back({wMod, wKey});
    }
    for (const auto& candidate : candidates) {
        // Never one of the pairs the settings name: that one would fail next.
        bool bOurs = false;
        for (int i = 0; i < KAPTO_HOTKEY_COUNT; ++i) {
            bOurs = bOurs || ((pWanted[i].wModifier & ~HOTKEYF_EXT) == candidate.first && pWanted[i].wVk == candidate.second);
        }
        if (bOurs) continue;
        // Free is what the system gives: taken for a moment and let go.
        if (!::RegisterHotKey(m_hWnd, kProbeHotkeyId, HotkeyModifiersToSystem(candidate.first), candidate.second))
            continue;
        ::UnregisterHotKey(m_hWnd, kProbeHotkeyId);
        wFlags = candidate.first;
        wFreeVk = candidate.second;
        return TRUE;
    }
    return FALSE;
}

// ---- The current image ----------------------------------------------------------

void CKaptoDlg::OnFileOpen() {
    if (m_core.OpenImage(CString())) {
        // The engine reset the image options for the opened file: the boxes
        // and menu ticks follow, so the next toggle does not write the old
        // set back.
        ExchangeImageOptions(FALSE);
        SaveSettings();
        Repaint();
        return;
    }
    const char* pszFormat = nullptr;
    if (m_core.GetLastFileResult() == CKpImageStore::FileFailed)
        pszFormat = "无法打开“%s”：它不是可读的图像文件。\n当前的图像保持不变。";
    else if (m_core.GetLastFileResult() == CKpImageStore::FileTooLarge)
        pszFormat = "无法打开“%s”：图像太大，超过了可以处理的 6400 万像素。\n当前的图像保持不变。";
    else if (m_core.GetLastFileResult() == CKpImageStore::FileNoDecoder)
        pszFormat = "无法打开“%s”：用来读取图像文件的 Kapto 辅助进程无法启动，请检查 Kapto 的程序文件是否完整。"
                    "\n当前的图像保持不变。";
    if (pszFormat != nullptr) {
        CString strMessage;
        strMessage.Format(pszFormat, m_core.GetLastFilePath().GetString());
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
    // The editor opens a file: an image never saved is saved first (the
    // user may cancel, and the editor then starts without a file).
    if (m_core.GetPathName().IsEmpty()) {
        m_core.SaveImage(CString(), FALSE);
        ReportFileFailure();
    }
    CString strPath = m_core.GetPathName();
    CString strName = m_core.GetFileName();
    // The folder is what precedes the name at the end of the path, with its
    // separator: the name's text may occur in the folder's names too.
    CString strFolder;
    if (!strName.IsEmpty() && strPath.GetLength() >= strName.GetLength() &&
        strPath.Right(strName.GetLength()) == strName)
        strFolder = strPath.Left(strPath.GetLength() - strName.GetLength());
    CString strEditor = m_core.m_config.GetEditAppPath();
    if (!strEditor.IsEmpty()) {
        // Never by the shell's search: that would look in the image's folder
        // and the current one first, where anyone may have put a program of
        // the editor's name.
        CString strProgram = FindEditorProgram(strEditor);
        // Quoted, so that a name with spaces reaches the editor as one file.
        CString strParams;
        if (!strName.IsEmpty()) strParams = "\"" + strName + "\"";
        if (strProgram.IsEmpty() || (INT_PTR)::ShellExecuteA(nullptr, "open", strProgram, strParams, strFolder,
                                                             SW_SHOW) <= kShellExecuteFailed) {
            CString strMessage;
            strMessage.Format(kEditorNotStarted, strEditor.GetString());
            AfxMessageBox(strMessage, MB_OK | MB_ICONEXCLAMATION);
        }
    } else if (!strPath.IsEmpty()) {
        // No editor configured: the program Windows associates with the type.
        ::ShellExecuteA(nullptr, "open", strPath, nullptr, strFolder, SW_SHOW);
    }
}

void CKaptoDlg::OnEditMarkup() {
    if (m_core.GetImage() == nullptr) return;
    Gdiplus::GpBitmap* pMarked = RunMarkupWindow(this, m_core.GetImage());
    if (pMarked == nullptr) return;
    // The engine takes the image over, also when it refuses it.
    if (!m_core.SetCurrentImage(pMarked)) {
        AfxMessageBox(kMarkupNotTaken, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    // The engine switched the image options off for the marked image: the
    // boxes and menu ticks follow, so that the next one ticked runs once.
    ExchangeImageOptions(FALSE);
    SaveSettings();
    Repaint();
}

void CKaptoDlg::OnEditPin() {
    if (m_core.GetImage() == nullptr) return;
    if (!m_pins.Pin(m_core.GetImage(), m_core.GetCaptureInfo()))
        AfxMessageBox("内存不足，无法把图像钉在屏幕上。", MB_OK | MB_ICONEXCLAMATION);
}

// ---- Image options ---------------------------------------------------------------

void CKaptoDlg::OnImageOptionCommand(UINT nID) {
    for (const ImageOption& option : kImageOptions) {
        if (option.nCommand != nID) continue;
        this->*option.pFlag = !(this->*option.pFlag);
        UpdateData(FALSE);
        OnImageOptionClick((UINT)option.nCheckBox);
        return;
    }
}

void CKaptoDlg::OnImageOptionClick(UINT nID) {
    for (const ImageOption& option : kImageOptions) {
        if ((UINT)option.nCheckBox != nID) continue;
        // The box has its new state already: everything follows it.
        ExchangeImageOptions(TRUE);
        SaveSettings();
        m_core.RefreshImageData();
        Repaint();
        return;
    }
}

void CKaptoDlg::OnAutoCopy() {
    m_core.m_config.SetAutoCopy(!m_core.m_config.GetAutoCopy());
    SaveSettings();
}

// ---- Options, links and the window ----------------------------------------------

void CKaptoDlg::OnOptions() {
    if (RunOptionsSheet(this, m_core.m_config) != IDOK) return;
    SaveSettings();
    RegisterHotkeys(FALSE);
    m_core.RefreshImageData();
    Repaint();
}

void CKaptoDlg::OnHomePage() { OpenMakerLink(kMakerHomePage); }

// ---- The recent captures --------------------------------------------------------

void CKaptoDlg::OnRecent() { m_recentWindows.ShowList(); }

void CKaptoDlg::OnRecentOpen() {
    if (OpenRecentCapture(m_core, m_recentWindows.ChosenItem())) {
        // As after Open: the image options were reset for it.
        ExchangeImageOptions(FALSE);
        SaveSettings();
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

void CKaptoDlg::OnShowHide() { ShowWindow(IsWindowVisible() ? SW_HIDE : SW_SHOW); }

void CKaptoDlg::OnAppAbout() {
    CDlgAbout dlgAbout;
    dlgAbout.DoModal();
}

// ---- Menu marks -----------------------------------------------------------------

void CKaptoDlg::OnUpdateSnapMode(CCmdUI* pCmdUI) {
    int nMode = m_core.m_config.GetSnapMode();
    for (int i = 0; i < kSnapModeCount; ++i) {
        if (kSnapModes[i].nCommand == pCmdUI->m_nID && i != kUnmarkedMode) pCmdUI->SetRadio(i == nMode);
    }
}

void CKaptoDlg::OnUpdateImageOption(CCmdUI* pCmdUI) {
    for (const ImageOption& option : kImageOptions) {
        if (option.nCommand == pCmdUI->m_nID) pCmdUI->SetCheck(this->*option.pFlag ? 1 : 0);
    }
}

void CKaptoDlg::OnUpdateAutoCopy(CCmdUI* pCmdUI) { pCmdUI->SetCheck(m_core.m_config.GetAutoCopy() ? 1 : 0); }

// The items that are disabled: there is nothing to mark up or pin without an image.
void CKaptoDlg::OnUpdateEditMarkup(CCmdUI* pCmdUI) { pCmdUI->Enable(m_core.GetImage() != nullptr); }
void CKaptoDlg::OnUpdateEditPin(CCmdUI* pCmdUI) { pCmdUI->Enable(m_core.GetImage() != nullptr); }
