// Windows and message maps.
//
// A CWnd owns one window handle. The object of a window is found through the
// window itself (a window property set when the window is created, when a
// dialog receives WM_INITDIALOG, or when an existing window is subclassed);
// there are no thunks and no generated code.
//
// A class's message map is written with the macros at the end of this file.
// They expand into one virtual function, OnMessageMap, an if-chain over
// messages, commands and notifications that ends with the base class's map.
// Each entry calls a handler whose signature the macro fixes, so a handler of
// the wrong shape does not compile.
#pragma once

#include "framework/contract.h"
#include "framework/cstring.h"
#include "framework/geometry.h"
#include "framework/gdi.h"
#include "framework/object.h"

class CWnd;
class CCmdUI;
class CDataExchange;
class CToolTipCtrl;

// Pseudo-messages of the layer's own, above the 16-bit range real messages
// use, so they can never collide with one.
enum : UINT {
    KFW_MSG_UPDATE_CMDUI = 0x10000,  // wParam: command id, lParam: CCmdUI*
    KFW_MSG_REFLECT_BASE = 0x20000,  // + the message a parent reflected to its child
};

// lParam of a WM_COMMAND that only asks whether a handler exists.
#define KFW_CMD_PROBE ((LPARAM)-1)

// A CWnd operation that needs its window, called on an object that has none:
// checked builds stop; release builds let the system refuse the null handle.
#define KFW_CHECK_HWND() KFW_CHECK_MSG(m_hWnd != nullptr, "CWnd operation on an object without a window")

// Notification codes of OnCmdMsg that are not control notifications.
#define CN_COMMAND 0
#define CN_UPDATE_COMMAND_UI (-1)

#ifndef WM_KICKIDLE
#define WM_KICKIDLE 0x036A
#endif

// Anything that receives commands: windows and the application object.
class KFW_API CCmdTarget : public CObject {
    DECLARE_DYNAMIC(CCmdTarget)
public:
    // Runs the command or update handler of nID. nCode is the control
    // notification (CN_COMMAND for menus and buttons) or CN_UPDATE_COMMAND_UI
    // with pExtra the CCmdUI. For a command, pExtra is the control's window
    // handle, or KFW_CMD_PROBE to ask for a handler without running it.
    // TRUE when a handler was found. A top-level window passes what its own
    // map leaves on to the application object.
    virtual BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra);

protected:
    // The message map: TRUE when an entry handled the message, its result in
    // lResult. The base map handles nothing.
    virtual BOOL OnMessageMap(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& lResult);
};

// One command-update pass for one menu item or control.
class KFW_API CCmdUI {
public:
    CCmdUI();
    virtual ~CCmdUI() = default;

    virtual void Enable(BOOL bOn = TRUE);
    virtual void SetCheck(int nCheck = 1);  // 0 clear, 1 checked, 2 indeterminate
    virtual void SetRadio(BOOL bOn = TRUE);
    virtual void SetText(LPCSTR lpszText);

    // Asks pTarget's update handler for m_nID; without one, disables the item
    // when bDisableIfNoHndler is set and no command handler exists either.
    void DoUpdate(CCmdTarget* pTarget, BOOL bDisableIfNoHndler);

    UINT m_nID;
    UINT m_nIndex;          // position in m_hMenu
    HMENU m_hMenu;          // not owned; null for a control
    HMENU m_hSubMenu;       // not owned; the popup at m_nIndex, if any
    CWnd* m_pOther;         // not owned; the control, or null for a menu item
    BOOL m_bEnableChanged;  // an update handler called Enable
    BOOL m_bContinueRouting;
};

class KFW_API CWnd : public CCmdTarget {
    DECLARE_DYNAMIC(CWnd)
public:
    CWnd();
    ~CWnd() override;  // destroys a window it still owns
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    // Attributes
    HWND GetSafeHwnd() const { return m_hWnd; }
    operator HWND() const { return m_hWnd; }
    // The bound object of hWnd, or a temporary wrapper until the next idle.
    static CWnd* FromHandle(HWND hWnd);
    // The bound object of hWnd, or null.
    static CWnd* FromHandlePermanent(HWND hWnd);

    // Binding an existing window
    BOOL Attach(HWND hWndNew);  // binds without changing the window procedure
    HWND Detach();
    BOOL SubclassWindow(HWND hWnd);  // binds and routes the window's messages here first
    BOOL SubclassDlgItem(UINT nID, CWnd* pParent);
    HWND UnsubclassWindow();

    // Creation. The class may be one of ours (AfxRegisterWndClass) or any
    // system class; the latter is subclassed once created.
    BOOL CreateEx(DWORD dwExStyle, LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle, int x, int y, int nWidth,
                  int nHeight, HWND hWndParent, HMENU nIDorHMenu, LPVOID lpParam = nullptr);
    BOOL CreateEx(DWORD dwExStyle, LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                  CWnd* pParentWnd, UINT nID, LPVOID lpParam = nullptr);
    virtual BOOL Create(LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd,
                        UINT nID);
    virtual BOOL DestroyWindow();

    // Window state
    DWORD GetStyle() const { return (DWORD)::GetWindowLongPtrA(m_hWnd, GWL_STYLE); }
    DWORD GetExStyle() const { return (DWORD)::GetWindowLongPtrA(m_hWnd, GWL_EXSTYLE); }
    BOOL ModifyStyle(DWORD dwRemove, DWORD dwAdd, UINT nFlags = 0);
    BOOL ModifyStyleEx(DWORD dwRemove, DWORD dwAdd, UINT nFlags = 0);
    int GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }
    BOOL IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
    BOOL IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }
    BOOL EnableWindow(BOOL bEnable = TRUE) {
        KFW_CHECK_HWND();
        return ::EnableWindow(m_hWnd, bEnable);
    }
    BOOL ShowWindow(int nCmdShow) {
        KFW_CHECK_HWND();
        return ::ShowWindow(m_hWnd, nCmdShow);
    }
    BOOL IsIconic() const { return ::IsIconic(m_hWnd); }
    void SetWindowText(LPCSTR lpszString) {
        KFW_CHECK_HWND();
        ::SetWindowTextA(m_hWnd, lpszString);
    }
    void GetWindowText(CString& rString) const;
    int GetWindowTextLength() const { return ::GetWindowTextLengthA(m_hWnd); }
    void SetFont(CFont* pFont, BOOL bRedraw = TRUE);
    CFont* GetFont() const;
    HICON SetIcon(HICON hIcon, BOOL bBigIcon);

    // Geometry
    void GetClientRect(LPRECT lpRect) const {
        KFW_CHECK_HWND();
        ::GetClientRect(m_hWnd, lpRect);
    }
    void GetWindowRect(LPRECT lpRect) const {
        KFW_CHECK_HWND();
        ::GetWindowRect(m_hWnd, lpRect);
    }
    void ClientToScreen(LPPOINT lpPoint) const { ::ClientToScreen(m_hWnd, lpPoint); }
    void ClientToScreen(LPRECT lpRect) const;
    void ScreenToClient(LPPOINT lpPoint) const { ::ScreenToClient(m_hWnd, lpPoint); }
    void ScreenToClient(LPRECT lpRect) const;
    void MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint = TRUE) {
        KFW_CHECK_HWND();
        ::MoveWindow(m_hWnd, x, y, nWidth, nHeight, bRepaint);
    }
    void MoveWindow(LPCRECT lpRect, BOOL bRepaint = TRUE) {
        MoveWindow(lpRect->left, lpRect->top, lpRect->right - lpRect->left, lpRect->bottom - lpRect->top, bRepaint);
    }
    // pWndInsertAfter may be one of the four Z-order places below.
    BOOL SetWindowPos(const CWnd* pWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags);
    // Centres on pAlternateOwner, else the owner, else the work area.
    void CenterWindow(CWnd* pAlternateOwner = nullptr);

    // Painting
    void Invalidate(BOOL bErase = TRUE) {
        KFW_CHECK_HWND();
        ::InvalidateRect(m_hWnd, nullptr, bErase);
    }
    void InvalidateRect(LPCRECT lpRect, BOOL bErase = TRUE) {
        KFW_CHECK_HWND();
        ::InvalidateRect(m_hWnd, lpRect, bErase);
    }
    void InvalidateRgn(CRgn* pRgn, BOOL bErase = TRUE) {
        KFW_CHECK_HWND();
        ::InvalidateRgn(m_hWnd, pRgn != nullptr ? (HRGN)pRgn->m_hObject : nullptr, bErase);
    }
    void UpdateWindow() {
        KFW_CHECK_HWND();
        ::UpdateWindow(m_hWnd);
    }
    BOOL HideCaret() { return ::HideCaret(m_hWnd); }
    BOOL ShowCaret() { return ::ShowCaret(m_hWnd); }
    BOOL RedrawWindow(LPCRECT lpRectUpdate = nullptr, HRGN hrgnUpdate = nullptr,
                      UINT flags = RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE) {
        return ::RedrawWindow(m_hWnd, lpRectUpdate, hrgnUpdate, flags);
    }

    // Relations
    CWnd* GetParent() const { return FromHandle(::GetParent(m_hWnd)); }
    CWnd* GetDlgItem(int nID) const { return FromHandle(::GetDlgItem(m_hWnd, nID)); }
    void GetDlgItem(int nID, HWND* phWnd) const { *phWnd = ::GetDlgItem(m_hWnd, nID); }
    CWnd* SetFocus() { return FromHandle(::SetFocus(m_hWnd)); }
    static CWnd* GetFocus() { return FromHandle(::GetFocus()); }
    BOOL SetForegroundWindow() { return ::SetForegroundWindow(m_hWnd); }
    // The mouse: all its messages go to this window until ReleaseCapture.
    CWnd* SetCapture() {
        KFW_CHECK_HWND();
        return FromHandle(::SetCapture(m_hWnd));
    }
    static CWnd* GetCapture() { return FromHandle(::GetCapture()); }
    static CWnd* GetDesktopWindow() { return FromHandle(::GetDesktopWindow()); }
    HMENU GetMenu() const { return ::GetMenu(m_hWnd); }
    BOOL SetMenu(HMENU hMenu) { return ::SetMenu(m_hWnd, hMenu); }
    HMENU GetSystemMenu(BOOL bRevert) const { return ::GetSystemMenu(m_hWnd, bRevert); }
    void SetDlgItemText(int nID, LPCSTR lpszString) { ::SetDlgItemTextA(m_hWnd, nID, lpszString); }
    void CheckDlgButton(int nID, UINT nCheck) { ::CheckDlgButton(m_hWnd, nID, nCheck); }
    UINT IsDlgButtonChecked(int nID) const { return ::IsDlgButtonChecked(m_hWnd, nID); }

    // Messages
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
        KFW_CHECK_HWND();
        return ::SendMessageA(m_hWnd, message, wParam, lParam);
    }
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
        KFW_CHECK_HWND();
        return ::PostMessageA(m_hWnd, message, wParam, lParam);
    }
    UINT_PTR SetTimer(UINT_PTR nIDEvent, UINT nElapse, TIMERPROC lpfnTimer = nullptr) {
        KFW_CHECK_HWND();
        return ::SetTimer(m_hWnd, nIDEvent, nElapse, lpfnTimer);
    }
    BOOL KillTimer(UINT_PTR nIDEvent) {
        KFW_CHECK_HWND();
        return ::KillTimer(m_hWnd, nIDEvent);
    }
    CDC* GetDC() { return CDC::FromHandle(::GetDC(m_hWnd)); }
    int ReleaseDC(CDC* pDC);
    // Tips for the child controls: TRUE makes (once) a tooltip owned by this
    // window with one tool per child whose id has a string resource with a
    // tip after its newline ("prompt\ntip"), and activates it; FALSE
    // deactivates it. The layer's message loops relay the mouse messages of
    // this window and its children to it. TRUE when tips are on afterwards.
    BOOL EnableToolTips(BOOL bEnable = TRUE);
    CToolTipCtrl* GetToolTips() const { return m_pToolTips; }

    // Data exchange: UpdateData(TRUE) reads the controls into the members and
    // stops at the first failure (message shown, control focused, FALSE);
    // UpdateData(FALSE) fills the controls.
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);

    // Command-update pass over the child controls that have ids.
    void UpdateDialogControls(CCmdTarget* pTarget, BOOL bDisableIfNoHndler);

    // Overridables
    virtual BOOL PreTranslateMessage(MSG* pMsg);
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual void DoDataExchange(CDataExchange* pDX);
    // After the window is gone; a window that owns itself deletes itself here.
    virtual void PostNcDestroy();
    BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra) override;
    // Offers PreTranslateMessage to the target window and its parents, up to
    // and including hWndStop.
    static BOOL WalkPreTranslateTree(HWND hWndStop, MSG* pMsg);

    // Default processing of the message being handled now.
    LRESULT Default();

    HWND m_hWnd;  // owned while bound: destroyed with the object

    // The Z-order places SetWindowPos takes (HWND_TOP, HWND_BOTTOM,
    // HWND_TOPMOST, HWND_NOTOPMOST); they are no windows.
    static const CWnd wndTop;
    static const CWnd wndBottom;
    static const CWnd wndTopMost;
    static const CWnd wndNoTopMost;

    // The default handlers of the typed map entries: default processing.
    int OnCreate(LPCREATESTRUCTA lpCreateStruct);
    void OnDestroy();
    void OnPaint();
    BOOL OnEraseBkgnd(CDC* pDC);
    void OnTimer(UINT_PTR nIDEvent);
    void OnSysCommand(UINT nID, LPARAM lParam);
    HCURSOR OnQueryDragIcon();
    BOOL OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message);
    void OnClose();
    void OnSize(UINT nType, int cx, int cy);
    void OnMove(int x, int y);
    void OnShowWindow(BOOL bShow, UINT nStatus);
    void OnActivate(UINT nState, CWnd* pWndOther, BOOL bMinimized);
    HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor);
    LRESULT OnNcHitTest(CPoint point);
    void OnContextMenu(CWnd* pWnd, CPoint pos);
    void OnLButtonDown(UINT nFlags, CPoint point);
    void OnLButtonUp(UINT nFlags, CPoint point);
    void OnLButtonDblClk(UINT nFlags, CPoint point);
    void OnRButtonDown(UINT nFlags, CPoint point);
    void OnRButtonUp(UINT nFlags, CPoint point);
    void OnMouseMove(UINT nFlags, CPoint point);
    void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);
    void OnKeyUp(UINT nChar, UINT nRepCnt, UINT nFlags);
    void OnChar(UINT nChar, UINT nRepCnt, UINT nFlags);
    void OnCaptureChanged(CWnd* pWnd);
    void OnGetMinMaxInfo(MINMAXINFO* lpMMI);
    void OnSetFocus(CWnd* pOldWnd);

protected:
    // Messages the layer handles before the map: commands, notifications and
    // the colour messages it reflects to subclassed children.
    virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    virtual BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult);

    WNDPROC m_pfnSuper;         // the window's own procedure, when subclassed
    CToolTipCtrl* m_pToolTips;  // owned: made by EnableToolTips, deleted with the window
    BOOL m_bToolTipsOn;

    friend LRESULT CALLBACK AfxWndProc(HWND, UINT, WPARAM, LPARAM);
    friend INT_PTR CALLBACK AfxDlgProc(HWND, UINT, WPARAM, LPARAM);
    friend class CDialog;

private:
    // Only for the Z-order places: a handle that is never bound.
    explicit CWnd(HWND hWndPlace) : m_hWnd(hWndPlace), m_pfnSuper(nullptr) {}

    void Bind(HWND hWnd);
    void Unbind();
    void DeleteToolTips();
};

// The window procedure of every window of ours.
KFW_API LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

// A window class of ours with the given look; returns its name (kept for the
// life of the process).
KFW_API LPCSTR AfxRegisterWndClass(UINT nClassStyle, HCURSOR hCursor = nullptr, HBRUSH hbrBackground = nullptr,
                                   HICON hIcon = nullptr);

// The message being handled now on this thread.
KFW_API const MSG* AfxGetCurrentMessage();

// ---- Message map macros ----------------------------------------------------

#define DECLARE_MESSAGE_MAP() \
protected:                    \
    BOOL OnMessageMap(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& lResult) override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                                  \
    BOOL theClass::OnMessageMap(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& lResult) { \
        typedef theClass ThisClass;                                                             \
        typedef baseClass TheBaseClass;                                                         \
        (void)wParam;                                                                           \
        (void)lParam;                                                                           \
        (void)lResult;

#define END_MESSAGE_MAP()                                                \
    return TheBaseClass::OnMessageMap(message, wParam, lParam, lResult); \
    }

// Calls memberFxn through a pointer of exactly the signature sig.
#define KFW_CALL(sig, memberFxn, ...) (this->*static_cast<sig>(memberFxn))(__VA_ARGS__)

#define KFW_IS_COMMAND(id, code) \
    (message == WM_COMMAND && LOWORD(wParam) == (WORD)(id) && HIWORD(wParam) == (WORD)(code))

// Commands and control notifications (void handler()).
#define ON_CONTROL(code, id, memberFxn)                                          \
    if (KFW_IS_COMMAND(id, code)) {                                              \
        if (lParam != KFW_CMD_PROBE) KFW_CALL(void (ThisClass::*)(), memberFxn); \
        lResult = 0;                                                             \
        return TRUE;                                                             \
    }
#define ON_COMMAND(id, memberFxn) ON_CONTROL(CN_COMMAND, id, memberFxn)
#define ON_BN_CLICKED(id, memberFxn) ON_CONTROL(BN_CLICKED, id, memberFxn)
#define ON_BN_DOUBLECLICKED(id, memberFxn) ON_CONTROL(BN_DOUBLECLICKED, id, memberFxn)
#define ON_STN_CLICKED(id, memberFxn) ON_CONTROL(STN_CLICKED, id, memberFxn)
#define ON_CBN_SELCHANGE(id, memberFxn) ON_CONTROL(CBN_SELCHANGE, id, memberFxn)
#define ON_EN_CHANGE(id, memberFxn) ON_CONTROL(EN_CHANGE, id, memberFxn)
#define ON_LBN_SELCHANGE(id, memberFxn) ON_CONTROL(LBN_SELCHANGE, id, memberFxn)
#define ON_LBN_DBLCLK(id, memberFxn) ON_CONTROL(LBN_DBLCLK, id, memberFxn)

// A range of command ids (void handler(UINT nID)).
#define ON_COMMAND_RANGE(idFirst, idLast, memberFxn)                                                 \
    if (message == WM_COMMAND && HIWORD(wParam) == CN_COMMAND && LOWORD(wParam) >= (idFirst) &&      \
        LOWORD(wParam) <= (idLast)) {                                                                \
        if (lParam != KFW_CMD_PROBE) KFW_CALL(void (ThisClass::*)(UINT), memberFxn, LOWORD(wParam)); \
        lResult = 0;                                                                                 \
        return TRUE;                                                                                 \
    }

// A range of control ids with one notification (void handler(UINT nID)).
#define ON_CONTROL_RANGE(code, idFirst, idLast, memberFxn)                                           \
    if (message == WM_COMMAND && HIWORD(wParam) == (WORD)(code) && LOWORD(wParam) >= (idFirst) &&    \
        LOWORD(wParam) <= (idLast)) {                                                                \
        if (lParam != KFW_CMD_PROBE) KFW_CALL(void (ThisClass::*)(UINT), memberFxn, LOWORD(wParam)); \
        lResult = 0;                                                                                 \
        return TRUE;                                                                                 \
    }

// Command update (void handler(CCmdUI*)).
#define ON_UPDATE_COMMAND_UI(id, memberFxn)                                                   \
    if (message == KFW_MSG_UPDATE_CMDUI && wParam == (WPARAM)(id)) {                          \
        KFW_CALL(void (ThisClass::*)(CCmdUI*), memberFxn, reinterpret_cast<CCmdUI*>(lParam)); \
        return TRUE;                                                                          \
    }
// Command update of a range of ids (void handler(CCmdUI*); m_nID tells which).
#define ON_UPDATE_COMMAND_UI_RANGE(idFirst, idLast, memberFxn)                                          \
    if (message == KFW_MSG_UPDATE_CMDUI && wParam >= (WPARAM)(idFirst) && wParam <= (WPARAM)(idLast)) { \
        KFW_CALL(void (ThisClass::*)(CCmdUI*), memberFxn, reinterpret_cast<CCmdUI*>(lParam));           \
        return TRUE;                                                                                    \
    }

// Command update for a range of ids (void handler(CCmdUI*)); the handler
// reads the id from the CCmdUI.
#define ON_UPDATE_COMMAND_UI_RANGE(idFirst, idLast, memberFxn)                                          \
    if (message == KFW_MSG_UPDATE_CMDUI && wParam >= (WPARAM)(idFirst) && wParam <= (WPARAM)(idLast)) { \
        KFW_CALL(void (ThisClass::*)(CCmdUI*), memberFxn, reinterpret_cast<CCmdUI*>(lParam));           \
        return TRUE;                                                                                    \
    }

// WM_NOTIFY (void handler(NMHDR*, LRESULT*)).
#define ON_NOTIFY(code, id, memberFxn)                                                                          \
    if (message == WM_NOTIFY && reinterpret_cast<NMHDR*>(lParam)->idFrom == (UINT_PTR)(id) &&                   \
        reinterpret_cast<NMHDR*>(lParam)->code == (UINT)(code)) {                                               \
        lResult = 0;                                                                                            \
        KFW_CALL(void (ThisClass::*)(NMHDR*, LRESULT*), memberFxn, reinterpret_cast<NMHDR*>(lParam), &lResult); \
        return TRUE;                                                                                            \
    }

// Any message by number (LRESULT handler(WPARAM, LPARAM)).
#define ON_MESSAGE(msg, memberFxn)                                                            \
    if (message == (UINT)(msg)) {                                                             \
        lResult = KFW_CALL(LRESULT(ThisClass::*)(WPARAM, LPARAM), memberFxn, wParam, lParam); \
        return TRUE;                                                                          \
    }
// A registered message whose number is in the variable nMessageVariable.
#define ON_REGISTERED_MESSAGE(nMessageVariable, memberFxn)                                    \
    if ((nMessageVariable) != 0 && message == (UINT)(nMessageVariable)) {                     \
        lResult = KFW_CALL(LRESULT(ThisClass::*)(WPARAM, LPARAM), memberFxn, wParam, lParam); \
        return TRUE;                                                                          \
    }

// Typed window messages.
#define KFW_ON_VOID(msg, sig, fn, ...)                \
    if (message == (msg)) {                           \
        KFW_CALL(sig, &ThisClass::fn, ##__VA_ARGS__); \
        lResult = 0;                                  \
        return TRUE;                                  \
    }
#define ON_WM_CREATE()                                                               \
    if (message == WM_CREATE) {                                                      \
        lResult = KFW_CALL(int(ThisClass::*)(LPCREATESTRUCTA), &ThisClass::OnCreate, \
                           reinterpret_cast<LPCREATESTRUCTA>(lParam));               \
        return TRUE;                                                                 \
    }
#define ON_WM_DESTROY() KFW_ON_VOID(WM_DESTROY, void (ThisClass::*)(), OnDestroy)
#define ON_WM_PAINT() KFW_ON_VOID(WM_PAINT, void (ThisClass::*)(), OnPaint)
#define ON_WM_CLOSE() KFW_ON_VOID(WM_CLOSE, void (ThisClass::*)(), OnClose)
#define ON_WM_ERASEBKGND()                                                                                    \
    if (message == WM_ERASEBKGND) {                                                                           \
        lResult = KFW_CALL(BOOL(ThisClass::*)(CDC*), &ThisClass::OnEraseBkgnd, CDC::FromHandle((HDC)wParam)); \
        return TRUE;                                                                                          \
    }
#define ON_WM_TIMER() KFW_ON_VOID(WM_TIMER, void (ThisClass::*)(UINT_PTR), OnTimer, (UINT_PTR)wParam)
#define ON_WM_SYSCOMMAND() \
    KFW_ON_VOID(WM_SYSCOMMAND, void (ThisClass::*)(UINT, LPARAM), OnSysCommand, (UINT)wParam, lParam)
#define ON_WM_QUERYDRAGICON()                                                              \
    if (message == WM_QUERYDRAGICON) {                                                     \
        lResult = (LRESULT)KFW_CALL(HCURSOR(ThisClass::*)(), &ThisClass::OnQueryDragIcon); \
        return TRUE;                                                                       \
    }
#define ON_WM_SETCURSOR()                                                                               \
    if (message == WM_SETCURSOR) {                                                                      \
        lResult = KFW_CALL(BOOL(ThisClass::*)(CWnd*, UINT, UINT), &ThisClass::OnSetCursor,              \
                           CWnd::FromHandle((HWND)wParam), (UINT)LOWORD(lParam), (UINT)HIWORD(lParam)); \
        return TRUE;                                                                                    \
    }
#define ON_WM_SIZE()                                                                                       \
    KFW_ON_VOID(WM_SIZE, void (ThisClass::*)(UINT, int, int), OnSize, (UINT)wParam, (short)LOWORD(lParam), \
                (short)HIWORD(lParam))
#define ON_WM_MOVE() \
    KFW_ON_VOID(WM_MOVE, void (ThisClass::*)(int, int), OnMove, (short)LOWORD(lParam), (short)HIWORD(lParam))
#define ON_WM_SHOWWINDOW() \
    KFW_ON_VOID(WM_SHOWWINDOW, void (ThisClass::*)(BOOL, UINT), OnShowWindow, (BOOL)wParam, (UINT)lParam)
#define ON_WM_ACTIVATE()                                                                               \
    KFW_ON_VOID(WM_ACTIVATE, void (ThisClass::*)(UINT, CWnd*, BOOL), OnActivate, (UINT)LOWORD(wParam), \
                CWnd::FromHandle((HWND)lParam), (BOOL)HIWORD(wParam))
#define ON_WM_CTLCOLOR()                                                                             \
    if (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC) {                              \
        lResult = (LRESULT)KFW_CALL(HBRUSH(ThisClass::*)(CDC*, CWnd*, UINT), &ThisClass::OnCtlColor, \
                                    CDC::FromHandle((HDC)wParam), CWnd::FromHandle((HWND)lParam),    \
                                    message - WM_CTLCOLORMSGBOX);                                    \
        return TRUE;                                                                                 \
    }
// A colour message reflected by the parent (HBRUSH CtlColor(CDC*, UINT
// nCtlColor)); a null brush lets the parent colour the control after all.
#define ON_WM_CTLCOLOR_REFLECT()                                                                                       \
    if (message >= KFW_MSG_REFLECT_BASE + WM_CTLCOLORMSGBOX && message <= KFW_MSG_REFLECT_BASE + WM_CTLCOLORSTATIC) {  \
        lResult = (LRESULT)KFW_CALL(HBRUSH(ThisClass::*)(CDC*, UINT), &ThisClass::CtlColor,                            \
                                    CDC::FromHandle((HDC)wParam), message - KFW_MSG_REFLECT_BASE - WM_CTLCOLORMSGBOX); \
        return lResult != 0;                                                                                           \
    }
#define ON_WM_NCHITTEST()                                                          \
    if (message == WM_NCHITTEST) {                                                 \
        lResult = KFW_CALL(LRESULT(ThisClass::*)(CPoint), &ThisClass::OnNcHitTest, \
                           CPoint((short)LOWORD(lParam), (short)HIWORD(lParam)));  \
        return TRUE;                                                               \
    }
#define ON_WM_CONTEXTMENU()                                                                                        \
    KFW_ON_VOID(WM_CONTEXTMENU, void (ThisClass::*)(CWnd*, CPoint), OnContextMenu, CWnd::FromHandle((HWND)wParam), \
                CPoint((short)LOWORD(lParam), (short)HIWORD(lParam)))
#define KFW_ON_MOUSE(msg, fn)                                             \
    KFW_ON_VOID(msg, void (ThisClass::*)(UINT, CPoint), fn, (UINT)wParam, \
                CPoint((short)LOWORD(lParam), (short)HIWORD(lParam)))
#define ON_WM_LBUTTONDOWN() KFW_ON_MOUSE(WM_LBUTTONDOWN, OnLButtonDown)
#define ON_WM_LBUTTONUP() KFW_ON_MOUSE(WM_LBUTTONUP, OnLButtonUp)
#define ON_WM_LBUTTONDBLCLK() KFW_ON_MOUSE(WM_LBUTTONDBLCLK, OnLButtonDblClk)
#define ON_WM_RBUTTONDOWN() KFW_ON_MOUSE(WM_RBUTTONDOWN, OnRButtonDown)
#define ON_WM_RBUTTONUP() KFW_ON_MOUSE(WM_RBUTTONUP, OnRButtonUp)
#define ON_WM_MOUSEMOVE() KFW_ON_MOUSE(WM_MOUSEMOVE, OnMouseMove)
#define KFW_ON_KEY(msg, fn)                                                                         \
    KFW_ON_VOID(msg, void (ThisClass::*)(UINT, UINT, UINT), fn, (UINT)wParam, (UINT)LOWORD(lParam), \
                (UINT)HIWORD(lParam))
#define ON_WM_KEYDOWN() KFW_ON_KEY(WM_KEYDOWN, OnKeyDown)
#define ON_WM_KEYUP() KFW_ON_KEY(WM_KEYUP, OnKeyUp)
#define ON_WM_CHAR() KFW_ON_KEY(WM_CHAR, OnChar)
#define ON_WM_CAPTURECHANGED() \
    KFW_ON_VOID(WM_CAPTURECHANGED, void (ThisClass::*)(CWnd*), OnCaptureChanged, CWnd::FromHandle((HWND)lParam))
#define ON_WM_SETFOCUS() \
    KFW_ON_VOID(WM_SETFOCUS, void (ThisClass::*)(CWnd*), OnSetFocus, CWnd::FromHandle((HWND)wParam))
#define ON_WM_GETMINMAXINFO()                                                        \
    KFW_ON_VOID(WM_GETMINMAXINFO, void (ThisClass::*)(MINMAXINFO*), OnGetMinMaxInfo, \
                reinterpret_cast<MINMAXINFO*>(lParam))
