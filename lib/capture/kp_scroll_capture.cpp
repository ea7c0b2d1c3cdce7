// The scrolling capture: the window picked as for an object capture, then
// scrolled from its top to its end and stitched into one picture that
// becomes the current image like any capture (kp_scroll_run.h).
#include "kp_core.h"

#include <new>

#include "kp_scroll_run.h"

int CKpCore::SnapScroll() {
    if (m_hWnd == nullptr) return 0;
    if (!BeginSnap()) return 0;
    m_bScrollPick = 1;
    m_hScrollArea = nullptr;
    RunObjectTip();
    m_bScrollPick = 0;
    // Esc, the right click or the end of the program left the pick running.
    if (m_bObjSnapping) {
        EndObjSnap();
        return 0;
    }
    int nResult = 0;
    HWND hArea = m_hScrollArea;
    m_hScrollArea = nullptr;
    // Time for the screen to repaint where the tip and the frame were.
    if (hArea != nullptr && WaitSnapDelay()) {
        WaitForRepaint(hArea);
        PlaySnapSound();
        CKpScrollRun run(hArea, m_pHost != nullptr ? m_pHost->GetParentWindow() : nullptr,
                         [this](UINT nMs) { return WaitDispatching(nMs); });
        HBITMAP hPicture = run.Run();
        if (hPicture != nullptr && !m_bClosed) {
            CImageBitmap* pPicture = new (std::nothrow) CImageBitmap(0xFFFFFF);
            if (pPicture != nullptr) {
                pPicture->Attach(hPicture);
                // No screen area: the picture is taller than what the screen
                // showed of it at any time.
                m_store.StoreCapture(pPicture, MakeCaptureInfo(hArea, CRect(), kSnapScroll));
                KeepCapture();
                nResult = 1;
            } else {
                ::DeleteObject(hPicture);
            }
        } else if (hPicture != nullptr) {
            ::DeleteObject(hPicture);
        }
    }
    EndSnap();
    return nResult;
}
