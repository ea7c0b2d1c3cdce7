#include "window_list.h"

#include <string.h>

namespace {

// A client area this small is no window a user would want to capture.
const LONG kMinClientSide = 4;

}  // namespace

BOOL CALLBACK EnumTopWindowProc(HWND hWnd, LPARAM lParam) {
    WindowList* pList = *reinterpret_cast<WindowList**>(lParam);
    // Entry 0 stays unused, so the last usable entry is kMaxEntries - 2.
    if (pList->nCount + 1 >= WindowList::kMaxEntries - 1) return TRUE;
    if (!::IsWindowVisible(hWnd) || ::IsIconic(hWnd) || ::GetPropA(hWnd, KP_NOT_A_WINDOW_TO_CAPTURE) != nullptr)
        return TRUE;
    RECT rcClient;
    if (!::GetClientRect(hWnd, &rcClient) || rcClient.right <= kMinClientSide || rcClient.bottom <= kMinClientSide)
        return TRUE;
    char szTitle[WindowList::kMaxTitle] = "";
    if (::GetWindowTextA(hWnd, szTitle, (int)sizeof szTitle) <= 0 || szTitle[0] == 0) return TRUE;
    WindowList::Entry& entry = pList->entries[pList->nCount + 1];
    entry.hWnd = hWnd;
    strcpy_s(entry.szTitle, sizeof entry.szTitle, szTitle);
    ++pList->nCount;
    return TRUE;
}

int CollectTopWindows(WindowList& list) {
    list.nCount = 0;
    WindowList* pList = &list;
    ::EnumWindows(EnumTopWindowProc, reinterpret_cast<LPARAM>(&pList));
    return list.nCount;
}
