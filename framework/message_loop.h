// The layer's one message loop.
//
// Every loop of the layer runs through AfxRunMessageLoop: the application's
// (CWinApp::Run), each modal dialog's (CDialog::RunModalLoop) and any loop a
// class runs while it follows the mouse. They share one rule:
//
// - each message is offered to the client first (PreTranslateLoopMessage);
//   what the client leaves is translated and dispatched;
// - while the queue is empty the client's OnLoopIdle is called with a count
//   that starts at 0 after every message that counts as input, until it
//   returns FALSE;
// - the temporary FromHandle wrappers are freed only when the outermost loop
//   of the thread is idle, so a handler that opened a nested loop still holds
//   valid wrappers when that loop returns;
// - WM_QUIT ends the loop, and every enclosing loop after it: the quit is
//   posted again for the next loop out.
//
// The state behind it (the loop depth) is per thread.
#pragma once

#include "framework/wnd.h"

class KFW_API CMessageLoopClient {
public:
    virtual ~CMessageLoopClient() = default;

    // Asked before every wait and after every message.
    virtual BOOL ContinueLoop() const = 0;
    // TRUE when the client has dealt with the message itself: it is then
    // neither translated nor dispatched.
    virtual BOOL PreTranslateLoopMessage(MSG* pMsg) = 0;
    // Idle time; TRUE asks for another call before the loop waits.
    virtual BOOL OnLoopIdle(LONG lCount);
};

// Runs the loop until ContinueLoop() is FALSE (TRUE returned) or WM_QUIT
// arrives (FALSE returned, its exit code in *pnQuitCode).
KFW_API BOOL AfxRunMessageLoop(CMessageLoopClient& client, int* pnQuitCode = nullptr);

// The number of loops running on this thread, one inside another.
KFW_API int AfxGetLoopDepth();

// Waits nMs milliseconds in a loop of its own, so the thread's windows go on
// painting and answering meanwhile; a handler calls it where it would
// otherwise Sleep. The wait counts as nested in the handler that called it,
// even before any loop runs (a dialog's initialisation): the handler's
// temporary wrappers stay valid. A loop opened by a message meanwhile (a
// dialog) ends first: the wait then returns when that loop returns. FALSE
// when WM_QUIT ended the wait early (the quit is posted again for the loop
// outside).
KFW_API BOOL AfxWaitDispatching(UINT nMs);

// Modal runs: a dialog's or property sheet's loop, a system file or print
// dialog, a message box, or any other wait during which the user can reach
// the program's windows but must not start what would pull the ground from
// under the window that waits (a capture replacing the image being saved).
// Each run holds one scope for its whole length; the count is per thread.
// The program's own main dialog, run modally, counts as one.
class KFW_API CModalScope {
public:
    CModalScope();
    ~CModalScope();
    CModalScope(const CModalScope&) = delete;
    CModalScope& operator=(const CModalScope&) = delete;
};

// The number of modal runs on this thread, one inside another.
KFW_API int AfxGetModalCount();
