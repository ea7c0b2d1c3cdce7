#include "autosave_page.h"

#include <shlobj.h>

#include "framework/app.h"
#include "framework/message_loop.h"
#include "kp_capture_name.h"
#include "kp_recent_captures.h"
#include "res/resource.h"
#include "xml_tree.h"

namespace {

// The formats automatic saving writes, in the order the box lists them.
const struct {
    const char* pszExt;  // the setting's value and the files' extension
    const char* pszText;
} kFormats[] = {
    {"png", "PNG (*.png)"}, {"jpg", "JPEG (*.jpg)"}, {"bmp", "BMP (*.bmp)"},
    {"gif", "GIF (*.gif)"}, {"tif", "TIFF (*.tif)"},
};
const int kFormatCount = (int)(sizeof kFormats / sizeof kFormats[0]);

const UINT kMaxCounter = 99999999;

// The box's index of a format setting ("jpeg" and "tiff" included); -1 for
// one it does not list, which automatic saving writes as PNG.
int FormatIndex(CString strFormat) {
    strFormat.Trim();
    if (strFormat.CompareNoCase("jpeg") == 0) strFormat = "jpg";
    if (strFormat.CompareNoCase("tiff") == 0) strFormat = "tif";
    for (int i = 0; i < kFormatCount; ++i)
        if (strFormat.CompareNoCase(kFormats[i].pszExt) == 0) return i;
    return -1;
}

// config.xml keeps no "<" and no longer value than its reader takes: such
// a folder or pattern is refused here, where it can still be corrected.
void DDV_SettingText(CDataExchange* pDX, const CString& str, const char* pszRefused, const char* pszMessage) {
    if (pDX->m_bFail || !pDX->m_bSaveAndValidate) return;
    if (str.FindOneOf(pszRefused) < 0 && str.GetLength() <= XML_File::kMaxToken) return;
    AfxMessageBox(pszMessage, MB_ICONEXCLAMATION);
    pDX->Fail();
}

CString ItemText(HWND hDlg, int nId) {
    CString str;
    HWND hItem = ::GetDlgItem(hDlg, nId);
    int n = ::GetWindowTextLengthA(hItem);
    ::GetWindowTextA(hItem, str.GetBuffer(n + 1), n + 1);
    str.ReleaseBuffer();
    return str;
}

// Starts the folder dialog on the folder already chosen.
int CALLBACK BrowseCallback(HWND hWnd, UINT message, LPARAM, LPARAM lpData) {
    if (message == BFFM_INITIALIZED && lpData != 0) ::SendMessageA(hWnd, BFFM_SETSELECTIONA, TRUE, lpData);
    return 0;
}

}  // namespace

BEGIN_MESSAGE_MAP(COptionAutoSave, CPropertyPage)
    ON_BN_CLICKED(IDC_AUTOSAVE_BROWSE, &COptionAutoSave::OnBrowse)
    ON_EN_CHANGE(IDC_AUTOSAVE_NAME, &COptionAutoSave::OnChanged)
    ON_EN_CHANGE(IDC_AUTOSAVE_COUNTER, &COptionAutoSave::OnChanged)
    ON_CBN_SELCHANGE(IDC_AUTOSAVE_FORMAT, &COptionAutoSave::OnChanged)
END_MESSAGE_MAP()

COptionAutoSave::COptionAutoSave()
    : CPropertyPage(IDD_OPTION_AUTOSAVE), m_bAutoSave(FALSE), m_nFormat(0), m_nCounter(1) {}

void COptionAutoSave::ReadSettings(const CKpConfig& config) {
    m_bAutoSave = config.GetAutoSave() != 0;
    m_strFolder = config.GetAutoSaveFolder();
    if (m_strFolder.IsEmpty()) m_strFolder = CKpRecentCaptures::DefaultSaveFolder();
    m_strPattern = config.GetAutoSaveName();
    m_nFormat = FormatIndex(config.GetAutoSaveFormat());
    if (m_nFormat < 0) m_nFormat = 0;
    m_nCounter = (UINT)config.GetAutoSaveCounter();
}

void COptionAutoSave::WriteSettings(CKpConfig& config) const {
    config.SetAutoSave(m_bAutoSave ? 1 : 0);
    // The default folder stays "the default": it follows the user's
    // Pictures folder wherever that goes.
    CString strFolder = m_strFolder;
    strFolder.Trim();
    if (strFolder.CompareNoCase(CKpRecentCaptures::DefaultSaveFolder()) == 0) strFolder.Empty();
    config.SetAutoSaveFolder(strFolder);
    config.SetAutoSaveName(m_strPattern.IsEmpty() ? CString(KP_DEFAULT_NAME_PATTERN) : m_strPattern);
    // The setting is written as the box's only when the box changed it.
    if (m_nFormat >= 0 && m_nFormat < kFormatCount && FormatIndex(config.GetAutoSaveFormat()) != m_nFormat)
        config.SetAutoSaveFormat(kFormats[m_nFormat].pszExt);
    config.SetAutoSaveCounter((int)m_nCounter);
}

void COptionAutoSave::DoDataExchange(CDataExchange* pDX) {
    CPropertyPage::DoDataExchange(pDX);
    DDX_Check(pDX, IDC_AUTOSAVE, m_bAutoSave);
    DDX_Text(pDX, IDC_AUTOSAVE_FOLDER, m_strFolder);
    DDV_SettingText(pDX, m_strFolder, "<>\"|?*", "保存位置不是可用的文件夹路径：其中不能含有 < > \" | ? * 这些字符。");
    DDX_Text(pDX, IDC_AUTOSAVE_NAME, m_strPattern);
    DDV_SettingText(pDX, m_strPattern, "<", "文件名中不能含有字符 <，请重新输入。");
    DDX_CBIndex(pDX, IDC_AUTOSAVE_FORMAT, m_nFormat);
    DDX_Text(pDX, IDC_AUTOSAVE_COUNTER, m_nCounter);
    DDV_MinMaxUInt(pDX, m_nCounter, 0, kMaxCounter);
}

BOOL COptionAutoSave::OnInitDialog() {
    for (int i = 0; i < kFormatCount; ++i)
        ::SendDlgItemMessageA(m_hWnd, IDC_AUTOSAVE_FORMAT, CB_ADDSTRING, 0, (LPARAM)kFormats[i].pszText);
    ::SendDlgItemMessageA(m_hWnd, IDC_AUTOSAVE_FOLDER, EM_LIMITTEXT, XML_File::kMaxToken, 0);
    ::SendDlgItemMessageA(m_hWnd, IDC_AUTOSAVE_NAME, EM_LIMITTEXT, XML_File::kMaxToken, 0);
    CPropertyPage::OnInitDialog();
    ShowExample();
    return TRUE;
}

void COptionAutoSave::OnChanged() { ShowExample(); }

void COptionAutoSave::ShowExample() {
    if (m_hWnd == nullptr) return;
    CString strPattern = ItemText(m_hWnd, IDC_AUTOSAVE_NAME);
    int nFormat = (int)::SendDlgItemMessageA(m_hWnd, IDC_AUTOSAVE_FORMAT, CB_GETCURSEL, 0, 0);
    if (nFormat < 0 || nFormat >= kFormatCount) nFormat = 0;
    SYSTEMTIME st;
    ::GetLocalTime(&st);
    KpNameFields fields;
    fields.time = {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond};
    fields.nCounter = ::GetDlgItemInt(m_hWnd, IDC_AUTOSAVE_COUNTER, nullptr, FALSE);
    CString strExample = KpCaptureFileName(strPattern, fields, kKpMaxPathBytes) + "." + kFormats[nFormat].pszExt;
    SetDlgItemText(IDC_AUTOSAVE_EXAMPLE, strExample);
}

void COptionAutoSave::OnBrowse() {
    CString strFolder = ItemText(m_hWnd, IDC_AUTOSAVE_FOLDER);
    char szName[MAX_PATH] = "";
    BROWSEINFOA bi = {};
    bi.hwndOwner = m_hWnd;
    bi.pszDisplayName = szName;
    bi.lpszTitle = "选择自动保存截图的文件夹：";
    bi.ulFlags = BIF_RETURNONLYFSDIRS;
    bi.lpfn = BrowseCallback;
    bi.lParam = (LPARAM)strFolder.GetString();
    LPITEMIDLIST pidl = nullptr;
    {
        CModalScope modal;
        pidl = ::SHBrowseForFolderA(&bi);
    }
    if (pidl == nullptr) return;
    char szPath[MAX_PATH] = "";
    if (::SHGetPathFromIDListA(pidl, szPath)) SetDlgItemText(IDC_AUTOSAVE_FOLDER, szPath);
    ::CoTaskMemFree(pidl);
}
