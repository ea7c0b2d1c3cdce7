// CString: the narrow string of the program and the library.
//
// Text is in the ANSI code page (936 for Kapto). Equality and ordering compare
// bytes; everything that searches for a character or a substring steps over
// double-byte characters, so a trail byte that happens to equal '\\' or '|'
// is never taken for that character.
#pragma once

#include <stdarg.h>

#include "framework/export.h"
#include "framework/platform.h"

// True when b starts a double-byte character in the ANSI code page. On
// Windows this asks the system; the native build assumes code page 936
// (lead bytes 0x81..0xFE), which is what the program runs with.
KFW_API bool FwIsLeadByte(unsigned char b);

class KFW_API CString {
public:
    // Construction
    CString();
    CString(const CString& src);
    CString(const char* psz);  // null gives an empty string
    CString(const char* pch, int nLength);
    CString(char ch, int nRepeat = 1);
    ~CString();

    CString& operator=(const CString& src);
    CString& operator=(const char* psz);
    CString& operator=(char ch);

    // Attributes
    int GetLength() const { return m_nLength; }
    bool IsEmpty() const { return m_nLength == 0; }
    void Empty();
    char GetAt(int nIndex) const;
    void SetAt(int nIndex, char ch);
    char operator[](int nIndex) const { return GetAt(nIndex); }
    operator const char*() const { return m_pch; }
    const char* GetString() const { return m_pch; }

    // Concatenation
    CString& operator+=(const CString& s);
    CString& operator+=(const char* psz);
    CString& operator+=(char ch);
    friend KFW_API CString operator+(const CString& a, const CString& b);
    friend KFW_API CString operator+(const CString& a, const char* b);
    friend KFW_API CString operator+(const char* a, const CString& b);
    friend KFW_API CString operator+(const CString& a, char b);

    // Comparison (bytes)
    int Compare(const char* psz) const;
    int CompareNoCase(const char* psz) const;  // ASCII letters only
    bool operator==(const char* psz) const { return Compare(psz) == 0; }
    bool operator!=(const char* psz) const { return Compare(psz) != 0; }
    bool operator<(const char* psz) const { return Compare(psz) < 0; }
    bool operator>(const char* psz) const { return Compare(psz) > 0; }
    bool operator==(const CString& s) const { return Compare(s) == 0; }
    bool operator!=(const CString& s) const { return Compare(s) != 0; }
    bool operator<(const CString& s) const { return Compare(s) < 0; }
    bool operator>(const CString& s) const { return Compare(s) > 0; }

    // Extraction (byte counts and positions)
    CString Left(int nCount) const;
    CString Mid(int nFirst) const;
    CString Mid(int nFirst, int nCount) const;
    CString Right(int nCount) const;

    // Searching: positions of whole characters only; -1 when absent
    int Find(char ch, int nStart = 0) const;
    int Find(const char* pszSub, int nStart = 0) const;
    int ReverseFind(char ch) const;
    int FindOneOf(const char* pszCharSet) const;

    // Modification
    int Replace(char chOld, char chNew);
    int Replace(const char* pszOld, const char* pszNew);
    int Remove(char ch);
    int Insert(int nIndex, char ch);
    int Insert(int nIndex, const char* psz);
    int Delete(int nIndex, int nCount = 1);
    CString& MakeUpper();  // ASCII letters of single-byte characters
    CString& MakeLower();
    CString& MakeReverse();  // keeps double-byte characters whole
    CString& Trim();
    CString& TrimLeft();
    CString& TrimRight();
    CString& Trim(char ch);
    CString& TrimLeft(char ch);
    CString& TrimRight(char ch);

    // Formatting (printf rules)
    void Format(const char* pszFormat, ...)
#if defined(__GNUC__)
        __attribute__((format(printf, 2, 3)))
#endif
        ;
    void FormatV(const char* pszFormat, va_list args);
    void AppendFormat(const char* pszFormat, ...)
#if defined(__GNUC__)
        __attribute__((format(printf, 2, 3)))
#endif
        ;

#ifdef _WIN32
    // Loads string nID from the framework's resource chain; FALSE when absent.
    BOOL LoadString(UINT nID);
#endif

    // Direct buffer access: room for at least nMinLength characters plus the
    // terminator; ReleaseBuffer(-1) takes the length up to the first zero.
    char* GetBuffer(int nMinLength = 0);
    void ReleaseBuffer(int nNewLength = -1);
    char* GetBufferSetLength(int nNewLength);

private:
    void Assign(const char* pch, int nLength);
    // The bytes of the character that starts at byte i: 2 for a lead byte
    // with its trail, else 1 (a lone lead byte at the end counts alone).
    int CharWidth(int i) const;
    bool Reserve(int nCapacity);

    char* m_pch;  // owned; never null, always zero-terminated
    int m_nLength;
    int m_nCapacity;  // 0 while m_pch points at the shared empty text
};

inline bool operator==(const char* a, const CString& b) { return b.Compare(a) == 0; }
inline bool operator!=(const char* a, const CString& b) { return b.Compare(a) != 0; }
