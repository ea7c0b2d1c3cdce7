#include "gdiplus_codec_info.h"

CGdiplusCodecInfo::CGdiplusCodecInfo(const wchar_t* pszFormat, const wchar_t* pszExtensions, const GUID& clsid)
    : m_clsid(clsid) {
    ConvertCopy(m_strFormat, pszFormat);
    ConvertCopy(m_strExtensions, pszExtensions);
    m_strExtensions.MakeLower();

    int nEnd = m_strExtensions.Find(';');
    m_strDefExt = nEnd < 0 ? m_strExtensions : m_strExtensions.Left(nEnd);
    m_strDefExt.Remove('*');
    m_strDefExt.Remove('.');
}

bool CGdiplusCodecInfo::FindExtension(const char* pszExt) const {
    if (pszExt == nullptr) return false;
    CString strWanted;
    strWanted.Format("*.%s", pszExt);
    // Find steps over double-byte characters, so a ';' trail byte never
    // splits a pattern.
    int nStart = 0;
    for (;;) {
        int nEnd = m_strExtensions.Find(';', nStart);
        CString strPattern = nEnd < 0 ? m_strExtensions.Mid(nStart) : m_strExtensions.Mid(nStart, nEnd - nStart);
        if (strPattern.CompareNoCase(strWanted) == 0) return true;
        if (nEnd < 0) return false;
        nStart = nEnd + 1;
    }
}

void CGdiplusCodecInfo::ConvertCopy(CString& str, const wchar_t* psz) {
    str.Empty();
    if (psz == nullptr || *psz == 0) return;
    // A double-byte character needs two bytes, so the length of the wide text
    // is no bound for the narrow one: ask for the size first.
    int nBytes = WideCharToMultiByte(CP_ACP, 0, psz, -1, nullptr, 0, nullptr, nullptr);
    if (nBytes <= 1) return;
    char* pBuf = str.GetBuffer(nBytes);
    if (pBuf == nullptr) return;
    nBytes = WideCharToMultiByte(CP_ACP, 0, psz, -1, pBuf, nBytes, nullptr, nullptr);
    str.ReleaseBuffer(nBytes > 0 ? nBytes - 1 : 0);
}
