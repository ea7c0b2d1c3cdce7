#include "framework/cstring.h"

#include "framework/contract.h"

#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#ifdef _WIN32
#include "framework/resources.h"
#endif

namespace {

char g_empty[1] = {0};

int SafeLen(const char* psz) {
    if (psz == nullptr) return 0;
    size_t n = strlen(psz);
    return n > (size_t)INT_MAX / 2 ? INT_MAX / 2 : (int)n;
}

bool IsAsciiSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

}  // namespace

bool FwIsLeadByte(unsigned char b) {
#ifdef _WIN32
    return IsDBCSLeadByte(b) != FALSE;
#else
    return b >= 0x81 && b <= 0xFE;
#endif
}

// Construction

CString::CString() : m_pch(g_empty), m_nLength(0), m_nCapacity(0) {}

CString::CString(const CString& src) : CString() { Assign(src.m_pch, src.m_nLength); }

CString::CString(const char* psz) : CString() { Assign(psz, SafeLen(psz)); }

CString::CString(const char* pch, int nLength) : CString() {
    if (pch != nullptr && nLength > 0) Assign(pch, nLength);
}

CString::CString(char ch, int nRepeat) : CString() {
    if (nRepeat > 0 && Reserve(nRepeat)) {
        memset(m_pch, ch, (size_t)nRepeat);
        m_nLength = nRepeat;
        m_pch[m_nLength] = 0;
    }
}

CString::~CString() {
    if (m_nCapacity != 0) free(m_pch);
}

CString& CString::operator=(const CString& src) {
    if (this != &src) Assign(src.m_pch, src.m_nLength);
    return *this;
}

CString& CString::operator=(const char* psz) {
    Assign(psz, SafeLen(psz));
    return *this;
}

CString& CString::operator=(char ch) {
    Assign(&ch, 1);
    return *this;
}

// Storage

bool CString::Reserve(int nCapacity) {
    if (nCapacity <= m_nCapacity) return true;
    if (nCapacity < 0 || nCapacity > INT_MAX - 1) return false;
    int nNew = m_nCapacity < 16 ? 16 : m_nCapacity;
    while (nNew < nCapacity)
        nNew = nNew > INT_MAX / 2 ? nCapacity : nNew * 2;
    char* p = (char*)malloc((size_t)nNew + 1);
    KFW_CHECK_MSG(p != nullptr, "CString could not reserve its buffer");
    if (p == nullptr) return false;
    memcpy(p, m_pch, (size_t)m_nLength + 1);
    if (m_nCapacity != 0) free(m_pch);
    m_pch = p;
    m_nCapacity = nNew;
    return true;
}

void CString::Assign(const char* pch, int nLength) {
    if (pch == nullptr || nLength <= 0) {
        Empty();
        return;
    }
    // The source may lie inside our own buffer (s = s.Mid(1)): copy first.
    if (pch >= m_pch && pch <= m_pch + m_nLength) {
        CString tmp(pch, nLength);
        Assign(tmp.m_pch, tmp.m_nLength);
        return;
    }
    if (!Reserve(nLength)) return;
    memcpy(m_pch, pch, (size_t)nLength);
    m_nLength = nLength;
    m_pch[m_nLength] = 0;
}

void CString::Empty() {
    if (m_nCapacity != 0) free(m_pch);
    m_pch = g_empty;
    m_nLength = 0;
    m_nCapacity = 0;
}

char CString::GetAt(int nIndex) const {
    KFW_CHECK_MSG(nIndex >= 0 && nIndex < m_nLength, "CString index out of range");
    if (nIndex < 0 || nIndex >= m_nLength) return 0;
    return m_pch[nIndex];
}

void CString::SetAt(int nIndex, char ch) {
    KFW_CHECK_MSG(nIndex >= 0 && nIndex < m_nLength, "CString index out of range");
    if (nIndex < 0 || nIndex >= m_nLength) return;
    m_pch[nIndex] = ch;
}

// Concatenation

CString& CString::operator+=(const CString& s) {
    if (&s == this) {
        CString copy(s);
        return *this += copy;
    }
    return *this += s.m_pch;
}

CString& CString::operator+=(const char* psz) {
    int n = SafeLen(psz);
    if (n == 0) return *this;
    if (psz >= m_pch && psz <= m_pch + m_nLength) {
        CString copy(psz);
        return *this += copy.m_pch;
    }
    if (n > INT_MAX / 2 - m_nLength || !Reserve(m_nLength + n)) return *this;
    memcpy(m_pch + m_nLength, psz, (size_t)n + 1);
    m_nLength += n;
    return *this;
}

CString& CString::operator+=(char ch) {
    char buf[2] = {ch, 0};
    if (ch == 0) return *this;
    return *this += buf;
}

CString operator+(const CString& a, const CString& b) {
    CString r(a);
    r += b;
    return r;
}

CString operator+(const CString& a, const char* b) {
    CString r(a);
    r += b;
    return r;
}

CString operator+(const char* a, const CString& b) {
    CString r(a);
    r += b;
    return r;
}

CString operator+(const CString& a, char b) {
    CString r(a);
    r += b;
    return r;
}

// Comparison

int CString::Compare(const char* psz) const { return strcmp(m_pch, psz != nullptr ? psz : ""); }

int CString::CompareNoCase(const char* psz) const {
    const unsigned char* a = (const unsigned char*)m_pch;
    const unsigned char* b = (const unsigned char*)(psz != nullptr ? psz : "");
    for (;; ++a, ++b) {
        int ca = (*a >= 'A' && *a <= 'Z') ? *a + 32 : *a;
        int cb = (*b >= 'A' && *b <= 'Z') ? *b + 32 : *b;
        if (ca != cb) return ca < cb ? -1 : 1;
        if (ca == 0) return 0;
    }
}

// Extraction

CString CString::Left(int nCount) const {
    if (nCount < 0) nCount = 0;
    if (nCount > m_nLength) nCount = m_nLength;
    return CString(m_pch, nCount);
}

CString CString::Mid(int nFirst) const { return Mid(nFirst, m_nLength); }

CString CString::Mid(int nFirst, int nCount) const {
    if (nFirst < 0) nFirst = 0;
    if (nFirst > m_nLength) nFirst = m_nLength;
    if (nCount < 0) nCount = 0;
    if (nCount > m_nLength - nFirst) nCount = m_nLength - nFirst;
    return CString(m_pch + nFirst, nCount);
}

CString CString::Right(int nCount) const {
    if (nCount < 0) nCount = 0;
    if (nCount > m_nLength) nCount = m_nLength;
    return CString(m_pch + m_nLength - nCount, nCount);
}

// Searching. Every scan walks character by character from the start, because
// in a double-byte code page only a forward walk knows where characters begin.

int CString::CharWidth(int i) const { return FwIsLeadByte((unsigned char)m_pch[i]) && i + 1 < m_nLength ? 2 : 1; }

int CString::Find(char ch, int nStart) const {
    if (nStart < 0) nStart = 0;
    for (int i = 0; i < m_nLength;) {
        if (i >= nStart && m_pch[i] == ch) return i;
        i += CharWidth(i);
    }
    return -1;
}

int CString::Find(const char* pszSub, int nStart) const {
    int nSub = SafeLen(pszSub);
    if (nStart < 0) nStart = 0;
    if (nStart > m_nLength) return -1;
    if (nSub == 0) return nStart;
    for (int i = 0; i + nSub <= m_nLength;) {
        if (i >= nStart && memcmp(m_pch + i, pszSub, (size_t)nSub) == 0) return i;
        i += CharWidth(i);
    }
    return -1;
}

int CString::ReverseFind(char ch) const {
    int found = -1;
    for (int i = 0; i < m_nLength;) {
        if (m_pch[i] == ch) found = i;
        i += CharWidth(i);
    }
    return found;
}

int CString::FindOneOf(const char* pszCharSet) const {
    if (pszCharSet == nullptr) return -1;
    for (int i = 0; i < m_nLength;) {
        bool lead = CharWidth(i) == 2;
        if (!lead && strchr(pszCharSet, m_pch[i]) != nullptr) return i;
        i += lead ? 2 : 1;
    }
    return -1;
}

// Modification

int CString::Replace(char chOld, char chNew) {
    int n = 0;
    if (chOld == chNew) return 0;
    for (int i = 0; i < m_nLength;) {
        bool lead = CharWidth(i) == 2;
        if (!lead && m_pch[i] == chOld) {
            m_pch[i] = chNew;
            ++n;
        }
        i += lead ? 2 : 1;
    }
    // A new zero byte shortens the text, as C strings do.
    if (n != 0 && chNew == 0) m_nLength = (int)strlen(m_pch);
    return n;
}

int CString::Replace(const char* pszOld, const char* pszNew) {
    int nOld = SafeLen(pszOld);
    if (nOld == 0) return 0;
    int nNew = SafeLen(pszNew);
    CString result;
    int n = 0;
    int i = 0;
    int copied = 0;
    while (i + nOld <= m_nLength) {
        if (memcmp(m_pch + i, pszOld, (size_t)nOld) == 0) {
            result += CString(m_pch + copied, i - copied);
            result += CString(pszNew, nNew);
            i += nOld;
            copied = i;
            ++n;
        } else {
            i += CharWidth(i);
        }
    }
    if (n == 0) return 0;
    result += CString(m_pch + copied, m_nLength - copied);
    *this = result;
    return n;
}

int CString::Remove(char ch) {
    int out = 0;
    int n = 0;
    for (int i = 0; i < m_nLength;) {
        bool lead = CharWidth(i) == 2;
        if (!lead && m_pch[i] == ch) {
            ++n;
            ++i;
            continue;
        }
        m_pch[out++] = m_pch[i++];
        if (lead) m_pch[out++] = m_pch[i++];
    }
    if (n != 0) {
        m_nLength = out;
        m_pch[m_nLength] = 0;
    }
    return n;
}

int CString::Insert(int nIndex, char ch) {
    char buf[2] = {ch, 0};
    return Insert(nIndex, buf);
}

int CString::Insert(int nIndex, const char* psz) {
    if (nIndex < 0) nIndex = 0;
    if (nIndex > m_nLength) nIndex = m_nLength;
    CString r(m_pch, nIndex);
    r += psz;
    r += CString(m_pch + nIndex, m_nLength - nIndex);
    *this = r;
    return m_nLength;
}

int CString::Delete(int nIndex, int nCount) {
    if (nIndex < 0) nIndex = 0;
    if (nIndex >= m_nLength || nCount <= 0) return m_nLength;
    if (nCount > m_nLength - nIndex) nCount = m_nLength - nIndex;
    memmove(m_pch + nIndex, m_pch + nIndex + nCount, (size_t)(m_nLength - nIndex - nCount) + 1);
    m_nLength -= nCount;
    return m_nLength;
}

CString& CString::MakeUpper() {
    for (int i = 0; i < m_nLength;) {
        if (CharWidth(i) == 2) {
            i += 2;
            continue;
        }
        if (m_pch[i] >= 'a' && m_pch[i] <= 'z') m_pch[i] = (char)(m_pch[i] - 32);
        ++i;
    }
    return *this;
}

CString& CString::MakeLower() {
    for (int i = 0; i < m_nLength;) {
        if (CharWidth(i) == 2) {
            i += 2;
            continue;
        }
        if (m_pch[i] >= 'A' && m_pch[i] <= 'Z') m_pch[i] = (char)(m_pch[i] + 32);
        ++i;
    }
    return *this;
}

CString& CString::MakeReverse() {
    CString r;
    if (!r.Reserve(m_nLength)) return *this;
    int out = m_nLength;
    for (int i = 0; i < m_nLength;) {
        int w = CharWidth(i);
        out -= w;
        memcpy(r.m_pch + out, m_pch + i, (size_t)w);
        i += w;
    }
    r.m_nLength = m_nLength;
    r.m_pch[m_nLength] = 0;
    *this = r;
    return *this;
}

CString& CString::TrimLeft() {
    int i = 0;
    while (i < m_nLength && IsAsciiSpace(m_pch[i]))
        ++i;
    Delete(0, i);
    return *this;
}

CString& CString::TrimRight() {
    // Only a byte that begins a character may be trimmed: a trail byte never
    // equals a blank in code page 936, but the walk keeps that true anywhere.
    int keep = 0;
    for (int i = 0; i < m_nLength;) {
        int w = CharWidth(i);
        if (w == 2 || !IsAsciiSpace(m_pch[i])) keep = i + w;
        i += w;
    }
    if (keep < m_nLength) {
        m_nLength = keep;
        m_pch[m_nLength] = 0;
    }
    return *this;
}

CString& CString::Trim() { return TrimRight().TrimLeft(); }

CString& CString::TrimLeft(char ch) {
    int i = 0;
    while (i < m_nLength && m_pch[i] == ch)
        ++i;
    Delete(0, i);
    return *this;
}

CString& CString::TrimRight(char ch) {
    int keep = 0;
    for (int i = 0; i < m_nLength;) {
        int w = CharWidth(i);
        if (w == 2 || m_pch[i] != ch) keep = i + w;
        i += w;
    }
    if (keep < m_nLength) {
        m_nLength = keep;
        m_pch[m_nLength] = 0;
    }
    return *this;
}

CString& CString::Trim(char ch) { return TrimRight(ch).TrimLeft(ch); }

// Formatting

void CString::FormatV(const char* pszFormat, va_list args) {
    if (pszFormat == nullptr) {
        Empty();
        return;
    }
    va_list copy;
    va_copy(copy, args);
    int n = vsnprintf(nullptr, 0, pszFormat, copy);
    va_end(copy);
    if (n <= 0) {
        Empty();
        return;
    }
    CString r;
    if (!r.Reserve(n)) return;
    vsnprintf(r.m_pch, (size_t)n + 1, pszFormat, args);
    r.m_nLength = n;
    *this = r;
}

void CString::Format(const char* pszFormat, ...) {
    va_list args;
    va_start(args, pszFormat);
    FormatV(pszFormat, args);
    va_end(args);
}

void CString::AppendFormat(const char* pszFormat, ...) {
    CString tail;
    va_list args;
    va_start(args, pszFormat);
    tail.FormatV(pszFormat, args);
    va_end(args);
    *this += tail;
}

#ifdef _WIN32
BOOL CString::LoadString(UINT nID) {
    HINSTANCE hInst = AfxFindStringResourceHandle(nID);
    if (hInst == nullptr) {
        Empty();
        return FALSE;
    }
    char buf[1024];
    int n = ::LoadStringA(hInst, nID, buf, (int)sizeof(buf));
    Assign(buf, n);
    return n > 0;
}
#endif

// Buffer access

char* CString::GetBuffer(int nMinLength) {
    if (nMinLength < m_nLength) nMinLength = m_nLength;
    if (nMinLength < 1) nMinLength = 1;
    if (!Reserve(nMinLength)) return nullptr;
    return m_pch;
}

void CString::ReleaseBuffer(int nNewLength) {
    if (m_nCapacity == 0) return;
    if (nNewLength < 0 || nNewLength > m_nCapacity) nNewLength = (int)strnlen(m_pch, (size_t)m_nCapacity);
    m_nLength = nNewLength;
    m_pch[m_nLength] = 0;
}

char* CString::GetBufferSetLength(int nNewLength) {
    if (nNewLength < 0) nNewLength = 0;
    char* p = GetBuffer(nNewLength);
    if (p == nullptr) return nullptr;
    m_nLength = nNewLength;
    m_pch[m_nLength] = 0;
    return p;
}
