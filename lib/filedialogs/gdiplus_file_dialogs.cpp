#include "gdiplus_file_dialogs.h"

// The framework asks for a lean <windows.h>; GDI+ needs the OLE types too.
#include <objidl.h>
#include <gdiplus.h>

#include <new>

using namespace Gdiplus::DllExports;

// CGdiplusFileDialog

IMPLEMENT_DYNAMIC(CGdiplusFileDialog, CFileDialog)

BEGIN_MESSAGE_MAP(CGdiplusFileDialog, CFileDialog)
    ON_WM_DESTROY()
END_MESSAGE_MAP()

CGdiplusFileDialog::CGdiplusFileDialog(int bOpenFileDialog, const char* lpszFileName, unsigned long dwFlags,
                                       CWnd* pParentWnd)
    // The process's current folder stays where it was: left in the chosen
    // file's folder, it would be searched for programs and libraries.
    : CFileDialog(bOpenFileDialog, nullptr, lpszFileName, dwFlags | OFN_NOCHANGEDIR, nullptr, pParentWnd) {}

CGdiplusFileDialog::~CGdiplusFileDialog() {
    // Normally empty already (OnDestroy); not when the system never showed
    // the dialog.
    DeleteCodecInfo();
}

INT_PTR CGdiplusFileDialog::DoModal() {
    Gdiplus::GpBitmap* pProbe = nullptr;
    Gdiplus::GpStatus status = GdipCreateBitmapFromScan0(1, 1, 0, PixelFormat32bppARGB, nullptr, &pProbe);
    if (status == Gdiplus::GdiplusNotInitialized) {
        if (pProbe != nullptr) GdipDisposeImage(pProbe);
        return IDCANCEL;
    }
    FillCodecInfoArray();
    ConstructMFCStyleFilter();
    TranslateFilter();
    INT_PTR nResult = CFileDialog::DoModal();
    if (pProbe != nullptr) GdipDisposeImage(pProbe);
    return nResult;
}

void CGdiplusFileDialog::OnDestroy() {
    CFileDialog::OnDestroy();
    DeleteCodecInfo();
}

void CGdiplusFileDialog::DeleteCodecInfo() {
    for (int i = 0; i < m_arrCodecInfo.GetSize(); ++i)
        delete m_arrCodecInfo[i];
    m_arrCodecInfo.RemoveAll();
}

void CGdiplusFileDialog::TranslateFilter() {
    if (m_strFilter.IsEmpty()) return;
    // The text ends in '|', so once translated it ends in two NULs.
    TranslateBars(m_strFilter);
    m_ofn.lpstrFilter = m_strFilter;
}

void CGdiplusFileDialog::FillFromGdiplus(bool bEncoders) {
    DeleteCodecInfo();
    ForEachGdiplusCodec(
        bEncoders,
        [](const CGdiplusCodecInfo& info, void* pContext) {
            auto* pArray = static_cast<CArray<CGdiplusCodecInfo*, CGdiplusCodecInfo*>*>(pContext);
            // A record that could not be made leaves no hole in the catalogue.
            CGdiplusCodecInfo* pCopy = new (std::nothrow) CGdiplusCodecInfo(info);
            if (pCopy != nullptr && pArray->Add(pCopy) < 0) delete pCopy;
            return true;
        },
        &m_arrCodecInfo);
}

CString CGdiplusFileDialog::BuildCodecItems() const {
    CString strItems;
    for (int i = 0; i < m_arrCodecInfo.GetSize(); ++i) {
        const CGdiplusCodecInfo* pInfo = m_arrCodecInfo[i];
        CString strExt = pInfo->GetExtensions();
        strItems.AppendFormat("%s 文件(%s)|%s|", pInfo->GetFormat().GetString(), strExt.GetString(),
                              strExt.GetString());
    }
    return strItems;
}

// CGdiplusFileOpenDialog

IMPLEMENT_DYNAMIC(CGdiplusFileOpenDialog, CGdiplusFileDialog)

CGdiplusFileOpenDialog::CGdiplusFileOpenDialog(const char* lpszFileName, unsigned long dwFlags, CWnd* pParentWnd)
    : CGdiplusFileDialog(TRUE, lpszFileName, dwFlags, pParentWnd) {}

void CGdiplusFileOpenDialog::FillCodecInfoArray() { FillFromGdiplus(false); }

void CGdiplusFileOpenDialog::ConstructMFCStyleFilter() {
    CString strAll = "所有支持的图像文件|";
    int nCodecs = m_arrCodecInfo.GetSize();
    for (int i = 0; i < nCodecs; ++i) {
        strAll += m_arrCodecInfo[i]->GetExtensions();
        if (i != nCodecs - 1) strAll += ";";
    }
    m_strFilter.Format("%s|%s|", strAll.GetString(), BuildCodecItems().GetString());
}

// CGdiplusFileSaveAsDialog

IMPLEMENT_DYNAMIC(CGdiplusFileSaveAsDialog, CGdiplusFileDialog)

CGdiplusFileSaveAsDialog::CGdiplusFileSaveAsDialog(const char* lpszFileName, unsigned long dwFlags, CWnd* pParentWnd)
    : CGdiplusFileDialog(FALSE, lpszFileName, dwFlags, pParentWnd), m_clsidCodec() {}

void CGdiplusFileSaveAsDialog::FillCodecInfoArray() { FillFromGdiplus(true); }

void CGdiplusFileSaveAsDialog::SetInitialFolder(const CString& strFolder) {
    m_strInitialFolder = strFolder;
    m_ofn.lpstrInitialDir = m_strInitialFolder.IsEmpty() ? nullptr : m_strInitialFolder.GetString();
}

void CGdiplusFileSaveAsDialog::ConstructMFCStyleFilter() {
    m_strFilter.Format("%s|", BuildCodecItems().GetString());
    for (int i = 0; !m_strInitialExt.IsEmpty() && i < m_arrCodecInfo.GetSize(); ++i) {
        if (!m_arrCodecInfo[i]->FindExtension(m_strInitialExt)) continue;
        m_ofn.nFilterIndex = (DWORD)(i + 1);
        break;
    }
    // The dialog starts with the default extension of the type selected at
    // the start. Wine's dialog ignores a default extension set later
    // (CDM_SETDEFEXT), but appends the selected type's own extension to a
    // bare name as long as it was given one at the start.
    SetDefaultExt();
}

CString CGdiplusFileSaveAsDialog::GetFileExt() const {
    if (m_hWnd == nullptr) return CString();
    char szSpec[MAX_PATH];
    if (::SendMessageA(::GetParent(m_hWnd), CDM_GETSPEC, MAX_PATH, (LPARAM)szSpec) < 0) return CString();
    CString strName(szSpec);
    // ReverseFind steps over double-byte characters.
    int nDot = strName.ReverseFind('.');
    return nDot < 0 ? CString() : strName.Mid(nDot + 1);
}

BOOL CGdiplusFileSaveAsDialog::OnFileNameOK() {
    CString strExt = GetFileExt();
    if (strExt.IsEmpty()) return CGdiplusFileDialog::OnFileNameOK();
    for (int i = 0; i < m_arrCodecInfo.GetSize(); ++i) {
        if (m_arrCodecInfo[i]->FindExtension(strExt)) {
            m_clsidCodec = m_arrCodecInfo[i]->GetCLSID();
            return CGdiplusFileDialog::OnFileNameOK();
        }
    }
    // No encoder writes this extension (or there is none at all): the dialog
    // stays open for another name.
    return TRUE;
}

void CGdiplusFileSaveAsDialog::OnInitDone() {
    CGdiplusFileDialog::OnInitDone();
    SetDefaultExt();
    SetCurrentCodecCLSID();
}

void CGdiplusFileSaveAsDialog::OnTypeChange() {
    CGdiplusFileDialog::OnTypeChange();
    SetDefaultExt();
    SetCurrentCodecCLSID();
}

void CGdiplusFileSaveAsDialog::SetDefaultExt() {
    int nIndex = (int)m_ofn.nFilterIndex - 1;
    if (nIndex < 0 || nIndex >= m_arrCodecInfo.GetSize()) return;
    SetDefExt(m_arrCodecInfo[nIndex]->GetDefExt());
}

void CGdiplusFileSaveAsDialog::SetCurrentCodecCLSID() {
    int nIndex = (int)m_ofn.nFilterIndex - 1;
    if (nIndex < 0 || nIndex >= m_arrCodecInfo.GetSize()) return;
    m_clsidCodec = m_arrCodecInfo[nIndex]->GetCLSID();
}
