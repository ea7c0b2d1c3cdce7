#include "gdiplus_codec_info.h"

// The framework asks for a lean <windows.h>; GDI+ needs the OLE types too.
#include <objidl.h>
#include <gdiplus.h>

#include <memory>
#include <new>

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

BOOL ForEachGdiplusCodec(bool bEncoders, bool (*pfnVisit)(const CGdiplusCodecInfo& info, void* pContext),
                         void* pContext) {
    using namespace Gdiplus::DllExports;
    UINT nCodecs = 0;
    UINT nBytes = 0;
    Gdiplus::GpStatus status =
        bEncoders ? GdipGetImageEncodersSize(&nCodecs, &nBytes) : GdipGetImageDecodersSize(&nCodecs, &nBytes);
    if (status != Gdiplus::Ok || nCodecs == 0 || nBytes < nCodecs * sizeof(Gdiplus::ImageCodecInfo)) return FALSE;
    // The records are followed by the strings they point into: one block.
    std::unique_ptr<BYTE[]> block(new (std::nothrow) BYTE[nBytes]);
    if (block == nullptr) return FALSE;
    auto* pCodecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(block.get());
    status =
        bEncoders ? GdipGetImageEncoders(nCodecs, nBytes, pCodecs) : GdipGetImageDecoders(nCodecs, nBytes, pCodecs);
    if (status != Gdiplus::Ok) return FALSE;
    for (UINT i = 0; i < nCodecs; ++i) {
        CGdiplusCodecInfo info(pCodecs[i].FormatDescription, pCodecs[i].FilenameExtension, pCodecs[i].Clsid);
        if (!pfnVisit(info, pContext)) break;
    }
    return TRUE;
}

BOOL FindGdiplusEncoder(const char* pszExt, CLSID& clsid) {
    struct Search {
        const char* pszExt;
        CLSID* pClsid;
        BOOL bFound;
    } search = {pszExt, &clsid, FALSE};
    ForEachGdiplusCodec(
        true,
        [](const CGdiplusCodecInfo& info, void* pContext) {
            Search* p = static_cast<Search*>(pContext);
            if (!info.FindExtension(p->pszExt)) return true;
            *p->pClsid = info.GetCLSID();
            p->bFound = TRUE;
            return false;
        },
        &search);
    return search.bFound;
}
