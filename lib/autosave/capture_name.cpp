#include "kp_capture_name.h"

#include <string.h>

#include <initializer_list>

namespace {

// The title of a capture that shows no single window.
const char kScreenTitle[] = "屏幕";

// The room KpNewCapturePath keeps for "_9999".
const int kSuffixRoom = 5;
const int kMaxSuffix = 9999;

// Bytes of the character at p (2 for a double-byte character whose trail is
// there, else 1).
int CharBytes(const char* p) { return FwIsLeadByte((unsigned char)p[0]) && p[1] != '\0' ? 2 : 1; }

// Control characters and the nine Windows refuses anywhere in a file name.
bool IsRefused(unsigned char c) { return c < 0x20 || strchr("<>:\"/\\|?*", c) != nullptr; }

// Every refused character as '_'; a lead byte without its trail too.
CString Sanitized(const CString& str) {
    CString out;
    for (const char* p = str; *p != '\0';) {
        int n = CharBytes(p);
        if (n == 2) {
            out += CString(p, 2);
        } else if (IsRefused((unsigned char)*p) || FwIsLeadByte((unsigned char)*p)) {
            out += '_';
        } else {
            out += *p;
        }
        p += n;
    }
    return out;
}

// At most nMaxBytes of str, never half a character.
CString CutTo(const CString& str, int nMaxBytes) {
    int n = 0;
    for (const char* p = str; *p != '\0';) {
        int w = CharBytes(p);
        if (n + w > nMaxBytes) break;
        n += w;
        p += w;
    }
    return str.Left(n);
}

// The pattern with its fields filled in; *pnTitles counts the titles in it.
CString Expand(const CString& strPattern, const KpNameFields& f, const CString& strTitle, int* pnTitles) {
    CString out;
    *pnTitles = 0;
    for (const char* p = strPattern; *p != '\0';) {
        int n = CharBytes(p);
        if (n == 2 || *p != '%' || p[1] == '\0') {
            out += CString(p, n);
            p += n;
            continue;
        }
        switch (p[1]) {
            case 'Y':
                out.AppendFormat("%04d", f.time.nYear);
                break;
            case 'm':
                out.AppendFormat("%02d", f.time.nMonth);
                break;
            case 'd':
                out.AppendFormat("%02d", f.time.nDay);
                break;
            case 'H':
                out.AppendFormat("%02d", f.time.nHour);
                break;
            case 'M':
                out.AppendFormat("%02d", f.time.nMinute);
                break;
            case 'S':
                out.AppendFormat("%02d", f.time.nSecond);
                break;
            case 'n':
                out.AppendFormat("%04lu", f.nCounter);
                break;
            case 't':
                out += strTitle;
                ++*pnTitles;
                break;
            case '%':
                out += '%';
                break;
            default:
                // Not a field: the two characters stand as written.
                out += '%';
                p += 1;
                continue;
        }
        p += 2;
    }
    return out;
}

// CON, PRN, AUX, NUL, COM1-9 and LPT1-9 name devices whatever follows the
// first dot.
bool IsDeviceName(const CString& strName) {
    int nDot = strName.Find('.');
    CString strBase = nDot < 0 ? strName : strName.Left(nDot);
    strBase.TrimRight(' ');
    strBase.MakeUpper();
    for (const char* psz : {"CON", "PRN", "AUX", "NUL"})
        if (strBase == psz) return true;
    return strBase.GetLength() == 4 && (strBase.Left(3) == "COM" || strBase.Left(3) == "LPT") && strBase[3] >= '1' &&
           strBase[3] <= '9';
}

}  // namespace

bool KpNamePatternUsesCounter(const CString& strPattern) {
    for (const char* p = strPattern; *p != '\0';) {
        int n = CharBytes(p);
        if (n == 1 && p[0] == '%' && p[1] != '\0') {
            if (p[1] == 'n') return true;
            n = 2;  // "%%" or another pair: the second character is no field's start
        }
        p += n;
    }
    return false;
}

CString KpCaptureFileName(const CString& strPattern, const KpNameFields& fields, int nMaxBytes) {
    if (nMaxBytes <= 0) return CString();
    const CString strUsed = strPattern.IsEmpty() ? CString(KP_DEFAULT_NAME_PATTERN) : strPattern;
    CString strTitle = Sanitized(fields.strTitle.IsEmpty() ? CString(kScreenTitle) : fields.strTitle);
    int nTitles = 0;
    // The pattern's own text may hold refused characters as well.
    CString strName = Sanitized(Expand(strUsed, fields, strTitle, &nTitles));
    if (IsDeviceName(strName)) strName = "_" + strName;
    if (strName.GetLength() > nMaxBytes && nTitles > 0) {
        // The title gives way first, the same amount at each place it shows.
        int nExcess = strName.GetLength() - nMaxBytes;
        int nKeep = strTitle.GetLength() - (nExcess + nTitles - 1) / nTitles;
        strTitle = CutTo(strTitle, nKeep > 0 ? nKeep : 0);
        strName = Sanitized(Expand(strUsed, fields, strTitle, &nTitles));
        if (IsDeviceName(strName)) strName = "_" + strName;
    }
    strName = CutTo(strName, nMaxBytes);
    if (strName.IsEmpty() || IsDeviceName(strName)) strName = CutTo("_" + strName, nMaxBytes);
    return strName;
}

CString KpNewCapturePath(const CString& strFolder, const CString& strPattern, const KpNameFields& fields,
                         const CString& strExt, KpPathExistsFn pfnExists, void* pContext) {
    CString strDir = strFolder;
    int nLast = strDir.GetLength() - 1;
    if (nLast < 0 || (strDir.ReverseFind('\\') != nLast && strDir.ReverseFind('/') != nLast)) strDir += '\\';
    int nRoom = kKpMaxPathBytes - strDir.GetLength() - 1 - strExt.GetLength() - kSuffixRoom;
    CString strName = KpCaptureFileName(strPattern, fields, nRoom);
    if (strName.IsEmpty()) return CString();
    CString strPath = strDir + strName + "." + strExt;
    for (int i = 2; pfnExists != nullptr && pfnExists(strPath, pContext); ++i) {
        if (i > kMaxSuffix) return CString();
        strPath.Format("%s%s_%d.%s", strDir.GetString(), strName.GetString(), i, strExt.GetString());
    }
    return strPath;
}
