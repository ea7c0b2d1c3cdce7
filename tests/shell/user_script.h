// A user played by a thread timer, for windows that run their own modal
// loops (a dialog, a property sheet, the file dialogs, message boxes): every
// loop dispatches the timer, so each tick runs the next step, and every
// message box of this thread is closed with OK, its text remembered.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace shelltest {

struct UserScript {
    // Each step gets the window the script plays on (the top-level dialog
    // whose title is strTitle, or the first one found when it is empty).
    std::vector<std::function<void(HWND hWnd)>> steps;
    std::string strTitle;
    size_t nNext = 0;
    int nIdleTicks = 0;
    std::vector<std::string> boxes;  // texts of the message boxes closed
};

// A message box: a dialog with its text in the static 0xFFFF, no menu, and
// not the window the script plays on.
inline bool IsMessageBox(HWND h, const UserScript& s) {
    char title[128] = "";
    ::GetWindowTextA(h, title, sizeof(title));
    if (!s.strTitle.empty() && s.strTitle == title) return false;
    return ::GetDlgItem(h, 0xFFFF) != nullptr && ::GetMenu(h) == nullptr && ::GetDlgItem(h, IDOK) != nullptr &&
           ::GetDlgItem(h, 0x47c) == nullptr;  // a file dialog's name box
}

struct FoundWindows {
    const UserScript* pScript;
    HWND hTarget = nullptr;
    HWND hBox = nullptr;
};

inline BOOL CALLBACK FindScriptWindows(HWND h, LPARAM l) {
    FoundWindows* f = reinterpret_cast<FoundWindows*>(l);
    char cls[16] = "";
    char title[128] = "";
    ::GetClassNameA(h, cls, sizeof(cls));
    ::GetWindowTextA(h, title, sizeof(title));
    if (!::IsWindowVisible(h) || lstrcmpA(cls, "#32770") != 0) return TRUE;
    if (IsMessageBox(h, *f->pScript))
        f->hBox = h;
    else if (f->hTarget == nullptr && (f->pScript->strTitle.empty() || f->pScript->strTitle == title))
        f->hTarget = h;
    return TRUE;
}

inline UserScript*& CurrentScript() {
    static UserScript* s_pScript = nullptr;
    return s_pScript;
}

inline void CALLBACK PlayScriptStep(HWND, UINT, UINT_PTR, DWORD) {
    UserScript* s = CurrentScript();
    if (s == nullptr) return;
    FoundWindows f;
    f.pScript = s;
    ::EnumThreadWindows(::GetCurrentThreadId(), FindScriptWindows, (LPARAM)&f);
    if (f.hBox != nullptr) {
        char text[512] = "";
        ::GetDlgItemTextA(f.hBox, 0xFFFF, text, sizeof(text));
        s->boxes.push_back(text);
        ::PostMessageA(f.hBox, WM_COMMAND, IDOK, 0);
        return;
    }
    if (f.hTarget == nullptr) return;
    if (s->nNext < s->steps.size()) {
        s->steps[s->nNext++](f.hTarget);
    } else if (++s->nIdleTicks > 100) {
        ::PostMessageA(f.hTarget, WM_COMMAND, IDCANCEL, 0);  // a script that forgot to end
    }
}

// Runs op (which opens the modal window) with the script playing the user.
template <class Op>
auto RunWithScript(UserScript& script, Op op) -> decltype(op()) {
    CurrentScript() = &script;
    UINT_PTR nTimer = ::SetTimer(nullptr, 0, 60, PlayScriptStep);
    auto result = op();
    ::KillTimer(nullptr, nTimer);
    CurrentScript() = nullptr;
    return result;
}

}  // namespace shelltest
