#include "recent_dlg.h"

#include <shellapi.h>

#include <algorithm>
#include <memory>

#include <objidl.h>
#include <gdiplus.h>

#include "framework/app.h"
#include "framework/message_loop.h"
#include "framework/resources.h"
#include "framework/scoped_handles.h"
#include "image_decoder.h"
#include "res/resource.h"

using namespace Gdiplus::DllExports;

namespace {

// The list's columns, in order; the first shows the thumbnail too.
const struct {
    const char* pszTitle;
    int nWidth;  // pixels
} kColumns[] = {{"时间", 250}, {"大小", 90}, {"文件", 400}};

// The buttons, which the context menu shares, and whether each needs a file.
const struct {
    int nId;
    bool bNeedsFile;
} kItemCommands[] = {
    {IDC_RECENT_OPEN, false},   {IDC_RECENT_COPY, false},   {IDC_RECENT_SAVE_AS, false},
    {IDC_RECENT_DELETE, false}, {IDC_RECENT_FOLDER, true},  {IDC_RECENT_COPY_PATH, true},
};

// Gaps of the layout, in pixels.
const int kMargin = 10;
const int kButtonGap = 6;

const char* kSaveStates[] = {"未保存", "正在保存…", "", "保存失败"};

// A question or a word from this window, owned by it: the window waits for
// the answer and nothing else of it can be clicked meanwhile.
int Ask(HWND hOwner, const CString& strText, UINT nType) {
    CWinApp* pApp = AfxGetApp();
    CModalScope modal;
    return ::MessageBoxA(hOwner, strText, pApp != nullptr ? pApp->m_pszAppName : "Kapto", nType);
}

CString TimeText(const KpClock& t) {
    CString str;
    str.Format("%04d-%02d-%02d %02d:%02d:%02d", t.nYear, t.nMonth, t.nDay, t.nHour, t.nMinute, t.nSecond);
    return str;
}

// Text on the clipboard as the program's code page and as Unicode.
BOOL PutTextOnClipboard(HWND hOwner, const CString& str) {
    kfw::ScopedClipboard clipboard(hOwner);
    if (!clipboard.IsOpen()) return FALSE;
    ::EmptyClipboard();
    HGLOBAL hText = ::GlobalAlloc(GMEM_MOVEABLE, (SIZE_T)str.GetLength() + 1);
    if (hText == nullptr) return FALSE;
    memcpy(::GlobalLock(hText), str.GetString(), (size_t)str.GetLength() + 1);
    ::GlobalUnlock(hText);
    if (::SetClipboardData(CF_TEXT, hText) == nullptr) {
        ::GlobalFree(hText);
        return FALSE;
    }
    int nWide = ::MultiByteToWideChar(CP_ACP, 0, str, -1, nullptr, 0);
    HGLOBAL hWide = nWide > 0 ? ::GlobalAlloc(GMEM_MOVEABLE, (SIZE_T)nWide * sizeof(WCHAR)) : nullptr;
    if (hWide != nullptr) {
        ::MultiByteToWideChar(CP_ACP, 0, str, -1, static_cast<WCHAR*>(::GlobalLock(hWide)), nWide);
        ::GlobalUnlock(hWide);
        if (::SetClipboardData(CF_UNICODETEXT, hWide) == nullptr) ::GlobalFree(hWide);
    }
    return TRUE;
}

// An image on the clipboard as a bitmap, as the main window's Copy puts one.
BOOL PutImageOnClipboard(HWND hOwner, Gdiplus::GpImage* pImage) {
    HBITMAP hBitmap = nullptr;
    if (GdipCreateHBITMAPFromBitmap(static_cast<Gdiplus::GpBitmap*>(pImage), &hBitmap, 0xFFFFFFFF) != Gdiplus::Ok ||
        hBitmap == nullptr)
        return FALSE;
    kfw::ScopedBitmap bitmap(hBitmap);
    kfw::ScopedClipboard clipboard(hOwner);
    if (!clipboard.IsOpen()) return FALSE;
    ::EmptyClipboard();
    if (::SetClipboardData(CF_BITMAP, bitmap.get()) == nullptr) return FALSE;
    bitmap.Release();  // the clipboard's from here
    return TRUE;
}

}  // namespace

BEGIN_MESSAGE_MAP(CRecentDlg, CDialog)
    ON_WM_DESTROY()
    ON_WM_SIZE()
    ON_WM_GETMINMAXINFO()
    ON_WM_CONTEXTMENU()
    ON_COMMAND(IDC_RECENT_OPEN, &CRecentDlg::OnOpen)
    ON_COMMAND(IDC_RECENT_COPY, &CRecentDlg::OnCopy)
    ON_COMMAND(IDC_RECENT_SAVE_AS, &CRecentDlg::OnSaveAs)
    ON_COMMAND(IDC_RECENT_DELETE, &CRecentDlg::OnDelete)
    ON_COMMAND(IDC_RECENT_FOLDER, &CRecentDlg::OnOpenFolder)
    ON_COMMAND(IDC_RECENT_COPY_PATH, &CRecentDlg::OnCopyPath)
END_MESSAGE_MAP()

CRecentDlg::CRecentDlg()
    : CDialog(IDD_RECENT), m_pMain(nullptr), m_pCore(nullptr), m_hList(nullptr), m_hThumbs(nullptr), m_nChosenId(-1) {}

BOOL CRecentDlg::Open(CWnd* pMain, CKpCore* pCore) {
    m_pMain = pMain;
    m_pCore = pCore;
    if (m_hWnd == nullptr && !Create(IDD_RECENT, pMain)) return FALSE;
    ShowWindow(::IsIconic(m_hWnd) ? SW_RESTORE : SW_SHOW);
    ::SetForegroundWindow(m_hWnd);
    return TRUE;
}

BOOL CRecentDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    m_hList = ::GetDlgItem(m_hWnd, IDC_RECENT_LIST);
    ListView_SetExtendedListViewStyle(m_hList, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
    for (int i = 0; i < (int)(sizeof kColumns / sizeof kColumns[0]); ++i) {
        LVCOLUMNA column = {};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = const_cast<char*>(kColumns[i].pszTitle);
        column.cx = kColumns[i].nWidth;
        ::SendMessageA(m_hList, LVM_INSERTCOLUMNA, (WPARAM)i, (LPARAM)&column);
    }
    m_hThumbs = ImageList_Create(CKpRecentCaptures::kThumbWidth, CKpRecentCaptures::kThumbHeight, ILC_COLOR32,
                                 8, 8);
    ListView_SetImageList(m_hList, m_hThumbs, LVSIL_SMALL);
    // A first size that shows the columns and several rows, within the
    // screen the main window is on, and centred there.
    MONITORINFO mi = {};
    mi.cbSize = sizeof mi;
    ::GetMonitorInfoA(::MonitorFromWindow(m_pMain != nullptr ? m_pMain->m_hWnd : m_hWnd, MONITOR_DEFAULTTOPRIMARY),
                      &mi);
    const CRect rcWork(mi.rcWork);
    const int w = std::min(900, rcWork.Width()), h = std::min(540, rcWork.Height());
    ::SetWindowPos(m_hWnd, nullptr, rcWork.left + (rcWork.Width() - w) / 2, rcWork.top + (rcWork.Height() - h) / 2, w,
                   h, SWP_NOZORDER | SWP_NOACTIVATE);
    Layout();
    Refill();
    // The earlier sessions' files are read for their thumbnails only now
    // that someone looks at them.
    m_pCore->GetRecentCaptures().LoadFileThumbnails();
    return TRUE;
}

void CRecentDlg::OnCancel() { DestroyWindow(); }

void CRecentDlg::OnDestroy() {
    CDialog::OnDestroy();
    if (m_hThumbs != nullptr) ImageList_Destroy(m_hThumbs);
    m_hThumbs = nullptr;
    m_hList = nullptr;
}

void CRecentDlg::PostNcDestroy() {}

void CRecentDlg::Refill() {
    if (m_hList == nullptr) return;
    const CKpRecentCaptures& recent = m_pCore->GetRecentCaptures();
    const int nSelected = SelectedId();
    ::SendMessageA(m_hList, WM_SETREDRAW, FALSE, 0);
    ListView_DeleteAllItems(m_hList);
    ImageList_RemoveAll(m_hThumbs);
    int nSelectIndex = -1;
    for (int i = 0; i < recent.GetCount(); ++i) {
        const CKpRecentCaptures::Item& item = recent.GetItem(i);
        int nImage = item.hThumbnail != nullptr ? ImageList_Add(m_hThumbs, item.hThumbnail, nullptr) : -1;
        CString strTime = TimeText(item.time);
        LVITEMA lvi = {};
        lvi.mask = LVIF_TEXT | LVIF_PARAM | LVIF_IMAGE;
        lvi.iItem = i;
        lvi.pszText = const_cast<char*>(strTime.GetString());
        lvi.iImage = nImage >= 0 ? nImage : I_IMAGENONE;
        lvi.lParam = item.nId;
        int nRow = (int)::SendMessageA(m_hList, LVM_INSERTITEMA, 0, (LPARAM)&lvi);
        CString strSize;
        strSize.Format("%d × %d", (int)item.size.cx, (int)item.size.cy);
        CString strFile = item.strPath.IsEmpty() ? CString(kSaveStates[item.nSaveState]) : item.strPath;
        const CString* texts[] = {&strSize, &strFile};
        for (int c = 0; c < 2; ++c) {
            LVITEMA sub = {};
            sub.iSubItem = c + 1;
            sub.pszText = const_cast<char*>(texts[c]->GetString());
            ::SendMessageA(m_hList, LVM_SETITEMTEXTA, (WPARAM)nRow, (LPARAM)&sub);
        }
        if (item.nId == nSelected) nSelectIndex = nRow;
    }
    if (nSelectIndex < 0 && recent.GetCount() > 0) nSelectIndex = 0;
    if (nSelectIndex >= 0) {
        ListView_SetItemState(m_hList, nSelectIndex, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        ListView_EnsureVisible(m_hList, nSelectIndex, FALSE);
    }
    ::SendMessageA(m_hList, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(m_hList, nullptr, TRUE);
    CString strCount;
    strCount.Format("共 %d 张截图", recent.GetCount());
    SetDlgItemText(IDC_RECENT_COUNT, strCount);
    UpdateButtons();
}

int CRecentDlg::SelectedId() const {
    if (m_hList == nullptr) return -1;
    int nRow = ListView_GetNextItem(m_hList, -1, LVNI_SELECTED);
    if (nRow < 0) return -1;
    LVITEMA lvi = {};
    lvi.mask = LVIF_PARAM;
    lvi.iItem = nRow;
    ::SendMessageA(m_hList, LVM_GETITEMA, 0, (LPARAM)&lvi);
    return (int)lvi.lParam;
}

int CRecentDlg::SelectedIndex() const {
    int nId = SelectedId();
    return nId < 0 ? -1 : m_pCore->GetRecentCaptures().FindItem(nId);
}

void CRecentDlg::UpdateButtons() {
    int nIndex = SelectedIndex();
    bool bFile = nIndex >= 0 && !m_pCore->GetRecentCaptures().GetItem(nIndex).strPath.IsEmpty();
    for (const auto& c : kItemCommands)
        ::EnableWindow(::GetDlgItem(m_hWnd, c.nId), nIndex >= 0 && (bFile || !c.bNeedsFile));
}

void CRecentDlg::Layout() {
    if (m_hList == nullptr) return;
    CRect rc;
    GetClientRect(&rc);
    CRect rcButton;
    ::GetWindowRect(::GetDlgItem(m_hWnd, IDC_RECENT_OPEN), &rcButton);
    const int nButtonWidth = rcButton.Width(), nButtonHeight = rcButton.Height();
    const int xButtons = rc.right - kMargin - nButtonWidth;
    ::MoveWindow(m_hList, kMargin, kMargin, std::max(0, xButtons - 2 * kMargin), std::max(0, rc.Height() - 2 * kMargin),
                 TRUE);
    // The file column takes the room the others leave.
    ListView_SetColumnWidth(m_hList, 2, LVSCW_AUTOSIZE_USEHEADER);
    int y = kMargin;
    for (const auto& c : kItemCommands) {
        // A gap between what works on the capture and what works on its file.
        if (c.nId == IDC_RECENT_FOLDER) y += nButtonHeight;
        ::MoveWindow(::GetDlgItem(m_hWnd, c.nId), xButtons, y, nButtonWidth, nButtonHeight, TRUE);
        y += nButtonHeight + kButtonGap;
    }
    const int yClose = rc.bottom - kMargin - nButtonHeight;
    ::MoveWindow(::GetDlgItem(m_hWnd, IDCANCEL), xButtons, yClose, nButtonWidth, nButtonHeight, TRUE);
    ::MoveWindow(::GetDlgItem(m_hWnd, IDC_RECENT_COUNT), xButtons, yClose - 2 * nButtonHeight, nButtonWidth,
                 nButtonHeight * 2 - kButtonGap, TRUE);
}

void CRecentDlg::OnSize(UINT, int, int) { Layout(); }

void CRecentDlg::OnGetMinMaxInfo(MINMAXINFO* lpMMI) {
    lpMMI->ptMinTrackSize.x = 480;
    lpMMI->ptMinTrackSize.y = 360;
}

void CRecentDlg::OnContextMenu(CWnd* pWnd, CPoint point) {
    if (pWnd == nullptr || pWnd->m_hWnd != m_hList || SelectedId() < 0) return;
    if (point.x == -1 && point.y == -1) {  // the keyboard's menu key: at the selected row
        CRect rcRow;
        ListView_GetItemRect(m_hList, ListView_GetNextItem(m_hList, -1, LVNI_SELECTED), &rcRow, LVIR_LABEL);
        point = CPoint(rcRow.left, rcRow.bottom);
        ::ClientToScreen(m_hList, &point);
    }
    HINSTANCE hRes = AfxFindResourceHandle(MAKEINTRESOURCEA(IDR_RECENT_MENU), RT_MENU);
    HMENU hMenu = ::LoadMenuA(hRes, MAKEINTRESOURCEA(IDR_RECENT_MENU));
    if (hMenu == nullptr) return;
    HMENU hPopup = ::GetSubMenu(hMenu, 0);
    ::SetMenuDefaultItem(hPopup, IDC_RECENT_OPEN, FALSE);
    for (const auto& c : kItemCommands)
        ::EnableMenuItem(hPopup, (UINT)c.nId, ::IsWindowEnabled(::GetDlgItem(m_hWnd, c.nId)) ? MF_ENABLED : MF_GRAYED);
    ::TrackPopupMenu(hPopup, TPM_LEFTALIGN | TPM_RIGHTBUTTON, point.x, point.y, 0, m_hWnd, nullptr);
    ::DestroyMenu(hMenu);
}

BOOL CRecentDlg::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    const NMHDR* pHeader = reinterpret_cast<const NMHDR*>(lParam);
    if (pHeader->idFrom != IDC_RECENT_LIST) return CDialog::OnNotify(wParam, lParam, pResult);
    switch (pHeader->code) {
        case NM_DBLCLK:
            if (SelectedId() >= 0) OnOpen();
            break;
        case LVN_ITEMCHANGED:
            UpdateButtons();
            break;
        case LVN_KEYDOWN:
            if (reinterpret_cast<const NMLVKEYDOWN*>(lParam)->wVKey == VK_DELETE && SelectedId() >= 0) OnDelete();
            break;
        default:
            return CDialog::OnNotify(wParam, lParam, pResult);
    }
    *pResult = 0;
    return TRUE;
}

// ---- What can be done with the selected capture ----------------------------------------

void CRecentDlg::OnOpen() {
    m_nChosenId = SelectedId();
    // The main window decides: it refuses while it is busy with its image.
    if (m_nChosenId >= 0 && m_pMain != nullptr) m_pMain->SendMessage(WM_COMMAND, ID_RECENT_OPEN, 0);
}

Gdiplus::GpImage* CRecentDlg::LoadImage(int nIndex) {
    const CKpRecentCaptures& recent = m_pCore->GetRecentCaptures();
    const CKpRecentCaptures::Item& item = recent.GetItem(nIndex);
    Gdiplus::GpImage* pImage = recent.CreateImage(item.nId);
    if (pImage != nullptr || item.strPath.IsEmpty()) return pImage;
    CString strPath = item.strPath;
    KpDecodeResult result = KpProbeImageFile(strPath);
    if (result == KpDecoded) result = KpDecodeImageFile(strPath, &pImage);
    if (result == KpDecoded) return pImage;
    CString strText;
    strText.Format("无法读取“%s”：文件已不在原处，或者它不再是可读的图像文件。", strPath.GetString());
    Ask(m_hWnd, strText, MB_OK | MB_ICONEXCLAMATION);
    return nullptr;
}

void CRecentDlg::OnCopy() {
    int nIndex = SelectedIndex();
    if (nIndex < 0) return;
    kfw::ScopedGpImage<Gdiplus::GpImage> image(LoadImage(nIndex));
    if (image.get() == nullptr) return;
    if (!PutImageOnClipboard(m_hWnd, image.get()))
        Ask(m_hWnd, "无法把图像复制到剪贴板：剪贴板正被其他程序占用，请稍后再试。", MB_OK | MB_ICONEXCLAMATION);
}

void CRecentDlg::OnSaveAs() {
    int nIndex = SelectedIndex();
    if (nIndex < 0) return;
    const CKpRecentCaptures::Item& item = m_pCore->GetRecentCaptures().GetItem(nIndex);
    KpCaptureInfo info = {};
    info.strTitle = item.strTitle;
    info.stTime.wYear = (WORD)item.time.nYear;
    info.stTime.wMonth = (WORD)item.time.nMonth;
    info.stTime.wDay = (WORD)item.time.nDay;
    info.stTime.wHour = (WORD)item.time.nHour;
    info.stTime.wMinute = (WORD)item.time.nMinute;
    info.stTime.wSecond = (WORD)item.time.nSecond;
    info.nMode = -1;
    const CString strName = CKpRecentCaptures::ProposeFileName(m_pCore->m_config, info);
    kfw::ScopedGpImage<Gdiplus::GpImage> image(LoadImage(nIndex));
    if (image.get() == nullptr) return;
    if (m_pCore->SaveOtherImage(image.get(), strName, this)) return;
    if (m_pCore->GetLastFileResult() != CKpImageStore::FileFailed) return;
    CString strText;
    strText.Format("无法保存图像文件“%s”。\n请检查磁盘空间、文件夹的写入权限和文件类型。",
                   m_pCore->GetLastFilePath().GetString());
    Ask(m_hWnd, strText, MB_OK | MB_ICONEXCLAMATION);
}

void CRecentDlg::OnDelete() {
    int nIndex = SelectedIndex();
    if (nIndex < 0) return;
    CKpRecentCaptures& recent = m_pCore->GetRecentCaptures();
    const CKpRecentCaptures::Item& item = recent.GetItem(nIndex);
    const int nId = item.nId;
    BOOL bDeleteFile = FALSE;
    if (!item.strPath.IsEmpty() || item.nSaveState == CKpRecentCaptures::kSaving) {
        CString strText;
        if (item.strPath.IsEmpty())
            strText = "这张截图正在自动保存。\n是否同时删除它的文件？\n\n选“否”只从列表中删除。";
        else
            strText.Format("是否同时删除文件“%s”？\n\n选“是”把文件移到回收站，选“否”只从列表中删除。",
                           item.strPath.GetString());
        int nAnswer = Ask(m_hWnd, strText, MB_YESNOCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2);
        if (nAnswer == IDCANCEL) return;
        bDeleteFile = nAnswer == IDYES;
    }
    recent.Remove(nId, bDeleteFile);
}

void CRecentDlg::OnOpenFolder() {
    int nIndex = SelectedIndex();
    if (nIndex < 0) return;
    CString strPath = m_pCore->GetRecentCaptures().GetItem(nIndex).strPath;
    if (strPath.IsEmpty()) return;
    // The file selected in its folder.
    CString strParams = "/select,\"" + strPath + "\"";
    ::ShellExecuteA(m_hWnd, "open", "explorer.exe", strParams, nullptr, SW_SHOWNORMAL);
}

void CRecentDlg::OnCopyPath() {
    int nIndex = SelectedIndex();
    if (nIndex < 0) return;
    CString strPath = m_pCore->GetRecentCaptures().GetItem(nIndex).strPath;
    if (!strPath.IsEmpty() && !PutTextOnClipboard(m_hWnd, strPath))
        Ask(m_hWnd, "无法把文件路径复制到剪贴板：剪贴板正被其他程序占用，请稍后再试。", MB_OK | MB_ICONEXCLAMATION);
}
