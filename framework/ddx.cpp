#include "framework/ddx.h"

#include <errno.h>
#include <limits.h>
#include <stdlib.h>

#include "framework/app.h"
#include "framework/contract.h"

namespace {

// The layer's own validation messages, in the program's language.
const char kParseInt[] = "请输入一个整数。";
const char kRangeInt[] = "请输入一个介于 %d 和 %d 之间的整数。";
const char kRangeUInt[] = "请输入一个介于 %u 和 %u 之间的整数。";
const char kMaxChars[] = "请输入不超过 %d 个字符。";

// A whole integer with optional blanks around it and an optional sign; no
// other text, and it must fit in [minVal, maxVal].
bool ParseInteger(const CString& text, long long minVal, long long maxVal, long long& value) {
    const char* p = text;
    while (*p == ' ' || *p == '\t')
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    if (*p < '0' || *p > '9') return false;
    long long v = 0;
    while (*p >= '0' && *p <= '9') {
        v = v * 10 + (*p++ - '0');
        if (v > (long long)UINT_MAX + 1) return false;
    }
    while (*p == ' ' || *p == '\t')
        ++p;
    if (*p != 0) return false;
    if (negative) v = -v;
    if (v < minVal || v > maxVal) return false;
    value = v;
    return true;
}

bool GetInteger(CDataExchange* pDX, int nIDC, long long minVal, long long maxVal, long long& value) {
    HWND hWnd = pDX->PrepareEditCtrl(nIDC);
    if (hWnd == nullptr) return false;
    CString text;
    CWnd::FromHandle(hWnd)->GetWindowText(text);
    if (!ParseInteger(text, minVal, maxVal, value)) {
        AfxMessageBox(kParseInt, MB_ICONEXCLAMATION);
        pDX->Fail();
        return false;
    }
    return true;
}

void SetText(CDataExchange* pDX, int nIDC, const char* psz) {
    HWND hWnd = pDX->PrepareEditCtrl(nIDC);
    if (hWnd != nullptr) ::SetWindowTextA(hWnd, psz);
}

}  // namespace

CDataExchange::CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate)
    : m_bSaveAndValidate(bSaveAndValidate),
      m_pDlgWnd(pDlgWnd),
      m_hWndLastControl(nullptr),
      m_bEditLastControl(FALSE),
      m_bFail(FALSE) {}

HWND CDataExchange::PrepareCtrl(int nIDC) {
    HWND hWnd = m_pDlgWnd != nullptr ? ::GetDlgItem(m_pDlgWnd->m_hWnd, nIDC) : nullptr;
    // Every exchange names a control of its own template.
    KFW_CHECK_MSG(hWnd != nullptr, "data exchange with a control the dialog does not have");
    if (hWnd == nullptr) {
        Fail();
        return nullptr;
    }
    m_hWndLastControl = hWnd;
    m_bEditLastControl = FALSE;
    return hWnd;
}

HWND CDataExchange::PrepareEditCtrl(int nIDC) {
    HWND hWnd = PrepareCtrl(nIDC);
    if (hWnd != nullptr) m_bEditLastControl = TRUE;
    return hWnd;
}

void CDataExchange::Fail() { m_bFail = TRUE; }

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl) {
    if (pDX->m_bFail || rControl.m_hWnd != nullptr) return;
    HWND hWnd = pDX->PrepareCtrl(nIDC);
    if (hWnd != nullptr && !rControl.SubclassWindow(hWnd)) pDX->Fail();
}

void DDX_Text(CDataExchange* pDX, int nIDC, CString& value) {
    if (pDX->m_bFail) return;
    if (pDX->m_bSaveAndValidate) {
        HWND hWnd = pDX->PrepareEditCtrl(nIDC);
        if (hWnd != nullptr) CWnd::FromHandle(hWnd)->GetWindowText(value);
    } else {
        SetText(pDX, nIDC, value);
    }
}

namespace {

// The three integer forms differ only in their type, range and format.
template <class T>
void ExchangeInteger(CDataExchange* pDX, int nIDC, T& value, long long minVal, long long maxVal,
                     const char* pszFormat) {
    if (pDX->m_bFail) return;
    if (pDX->m_bSaveAndValidate) {
        long long v;
        if (GetInteger(pDX, nIDC, minVal, maxVal, v)) value = (T)v;
    } else {
        CString s;
        s.Format(pszFormat, value);
        SetText(pDX, nIDC, s);
    }
}

}  // namespace

void DDX_Text(CDataExchange* pDX, int nIDC, int& value) { ExchangeInteger(pDX, nIDC, value, INT_MIN, INT_MAX, "%d"); }

void DDX_Text(CDataExchange* pDX, int nIDC, UINT& value) { ExchangeInteger(pDX, nIDC, value, 0, UINT_MAX, "%u"); }

void DDX_Text(CDataExchange* pDX, int nIDC, long& value) {
    ExchangeInteger(pDX, nIDC, value, LONG_MIN, LONG_MAX, "%ld");
}

void DDX_Check(CDataExchange* pDX, int nIDC, int& value) {
    if (pDX->m_bFail) return;
    HWND hWnd = pDX->PrepareCtrl(nIDC);
    if (hWnd == nullptr) return;
    if (pDX->m_bSaveAndValidate) {
        value = (int)::SendMessageA(hWnd, BM_GETCHECK, 0, 0);
    } else {
        KFW_CHECK_MSG(value >= BST_UNCHECKED && value <= BST_INDETERMINATE, "a check box state out of range");
        ::SendMessageA(hWnd, BM_SETCHECK, (WPARAM)(value < 0 || value > 2 ? 0 : value), 0);
    }
}

void DDX_CBIndex(CDataExchange* pDX, int nIDC, int& index) {
    if (pDX->m_bFail) return;
    HWND hWnd = pDX->PrepareCtrl(nIDC);
    if (hWnd == nullptr) return;
    if (pDX->m_bSaveAndValidate) {
        index = (int)::SendMessageA(hWnd, CB_GETCURSEL, 0, 0);
    } else {
        // -1 selects nothing; anything else is one of the box's items.
        KFW_CHECK_MSG(index >= -1 && index < (int)::SendMessageA(hWnd, CB_GETCOUNT, 0, 0),
                      "a combo box index out of range");
        ::SendMessageA(hWnd, CB_SETCURSEL, (WPARAM)index, 0);
    }
}

void DDX_Radio(CDataExchange* pDX, int nIDC, int& value) {
    if (pDX->m_bFail) return;
    HWND hWnd = pDX->PrepareCtrl(nIDC);
    if (hWnd == nullptr) return;
    if (pDX->m_bSaveAndValidate) value = -1;
    int i = 0;
    do {
        if (::SendMessageA(hWnd, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON) {
            if (pDX->m_bSaveAndValidate) {
                if (::SendMessageA(hWnd, BM_GETCHECK, 0, 0) != 0) value = i;
            } else {
                ::SendMessageA(hWnd, BM_SETCHECK, i == value, 0);
            }
            ++i;
        }
        hWnd = ::GetWindow(hWnd, GW_HWNDNEXT);
    } while (hWnd != nullptr && !(::GetWindowLongPtrA(hWnd, GWL_STYLE) & WS_GROUP));
}

void DDV_MinMaxInt(CDataExchange* pDX, int value, int minVal, int maxVal) {
    if (pDX->m_bFail || !pDX->m_bSaveAndValidate) return;
    if (value >= minVal && value <= maxVal) return;
    CString msg;
    msg.Format(kRangeInt, minVal, maxVal);
    AfxMessageBox(msg, MB_ICONEXCLAMATION);
    pDX->Fail();
}

void DDV_MinMaxUInt(CDataExchange* pDX, UINT value, UINT minVal, UINT maxVal) {
    if (pDX->m_bFail || !pDX->m_bSaveAndValidate) return;
    if (value >= minVal && value <= maxVal) return;
    CString msg;
    msg.Format(kRangeUInt, minVal, maxVal);
    AfxMessageBox(msg, MB_ICONEXCLAMATION);
    pDX->Fail();
}

void DDV_MaxChars(CDataExchange* pDX, const CString& value, int nChars) {
    if (pDX->m_bFail) return;
    if (!pDX->m_bSaveAndValidate) {
        if (pDX->m_hWndLastControl != nullptr) ::SendMessageA(pDX->m_hWndLastControl, EM_LIMITTEXT, nChars, 0);
        return;
    }
    if (value.GetLength() <= nChars) return;
    CString msg;
    msg.Format(kMaxChars, nChars);
    AfxMessageBox(msg, MB_ICONEXCLAMATION);
    pDX->Fail();
}
