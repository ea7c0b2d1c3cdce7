// CGdiplusCodecInfo: one GDI+ image codec (decoder or encoder) as the file
// dialogs list it: format name, extension patterns, default extension and
// class identifier.
#pragma once

#include "framework/cstring.h"
#include "framework/platform.h"
#include "kp_export.h"

class KPLIB_API CGdiplusCodecInfo {
public:
    // pszFormat: the codec's format description; pszExtensions: its pattern
    // list as GDI+ reports it ("*.JPG;*.JPEG;..."); clsid: its class id.
    // Null texts count as empty.
    CGdiplusCodecInfo(const wchar_t* pszFormat, const wchar_t* pszExtensions, const GUID& clsid);

    CString GetFormat() const { return m_strFormat; }
    // The pattern list in lower case, patterns separated by ';'.
    CString GetExtensions() const { return m_strExtensions; }
    // The first pattern without '*' and '.': "jpg" for "*.jpg;*.jpeg".
    const char* GetDefExt() const { return m_strDefExt; }
    GUID GetCLSID() const { return m_clsid; }

    // True when "*.<pszExt>" equals one of the patterns, ignoring case.
    bool FindExtension(const char* pszExt) const;

protected:
    // str = psz in the ANSI code page; characters it lacks become '?'.
    void ConvertCopy(CString& str, const wchar_t* psz);

    CString m_strFormat;
    CString m_strExtensions;
    CString m_strDefExt;
    GUID m_clsid;
};

// Hands every GDI+ encoder (bEncoders) or decoder, in the order GDI+ lists
// them, to pfnVisit until it returns false. FALSE when GDI+ gave no list (not
// started, or no memory for it).
KPLIB_API BOOL ForEachGdiplusCodec(bool bEncoders, bool (*pfnVisit)(const CGdiplusCodecInfo& info, void* pContext),
                                   void* pContext);

// The encoder that claims the extension pszExt (no dot), first in the order
// GDI+ lists them. FALSE when none does.
KPLIB_API BOOL FindGdiplusEncoder(const char* pszExt, CLSID& clsid);
