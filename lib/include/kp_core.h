// CKpCore: the capture engine and its current image.
//
// The program's main window owns one engine, starts it with InitSnapper
// (itself and its thumbnail view) and closes it with CloseSnapper. The engine
// itself is the capture side: the grab, the capture modes and the object
// capture that its own invisible window follows. Every capture goes to the
// image store (kp_image_store.h), which keeps it unprocessed, runs the image
// options over a copy (kp_image_chain.h) and turns the result into the
// current GDI+ image with a thumbnail that fits the view; the engine offers
// the store's operations under the program's names.
//
// Capture modes: kp_snap_modes.h. The program's side (main window, view,
// clipboard owner) reaches the engine through a host (kp_snap_host.h).
//
// Every operation returns non-zero on success and 0 on failure; the engine
// shows nothing to the user.
#pragma once

#include "framework/cstring.h"
#include "framework/geometry.h"
#include "framework/wnd.h"
#include "hook/kp_hook.h"
#include "image_bitmap.h"
#include "kp_config.h"
#include "kp_export.h"
#include "kp_image_store.h"
#include "kp_recent_captures.h"
#include "kp_snap_host.h"
#include "kp_snap_modes.h"
#include "snap_tip_windows.h"

namespace Gdiplus {
class GpImage;
}

// Control id of the engine's own invisible window.
#define KPCORE_WND_ID 100

class KPLIB_API CKpCore : public CWnd {
    DECLARE_DYNAMIC(CKpCore)
public:
    CKpCore();
    // Releases neither the images, nor GDI+, nor the hook: CloseSnapper must
    // have run.
    ~CKpCore() override;

    // Life cycle
    // Starts GDI+, loads the settings, creates the engine window under
    // pMainWnd, installs the mouse hook and, if so configured, captures the
    // screen. Non-zero when the engine window was created; 0 (the settings
    // loaded all the same) when a window is missing.
    int InitSnapper(CWnd* pMainWnd, CWnd* pViewWnd);
    // The same with the program's side behind a host (it must outlive
    // CloseSnapper): the engine window is a child of the host's parent
    // window, or a message-only window when it has none.
    int InitSnapper(CKpSnapHost* pHost);
    // Frees the current image, stops GDI+, saves the settings, removes the
    // hook and destroys the engine window. 0 when the settings could not be
    // saved (the file is then as it was).
    int CloseSnapper();

    // Captures (mode in brackets). 0 when another capture is running or
    // nothing was captured.
    int SnapFullScreen();  // (0)
    int SnapActiveWin();   // (1)
    int SnapCurrentWin();  // (2)
    int SnapWinClient();   // (3)
    int SnapWinObj();      // (4)
    int SnapSelectRect();  // (5)
    // A scrolling capture: the window picked with the mouse as for an object
    // capture, scrolled from its top to its end and stitched into one
    // picture. It records no capture mode: the mode and the new-capture
    // command stay as they were.
    int SnapScroll();

    // Re-runs the image options over the last capture; the program calls it
    // after every change of an option.
    void RefreshImageData() { m_store.Refresh(); }

    // The grab: rc of hWnd's whole-window DC (screen coordinates for the
    // desktop window), or the whole window for an empty rc, clipped to the
    // virtual screen (screen_grab.h). A new bitmap the caller deletes, or
    // null.
    static CImageBitmap* SnapBitmap(HWND hWnd, CRect rc);

    // The current image and its thumbnail, still owned by the engine; null
    // when there is none. x and y receive where the view draws the thumbnail.
    Gdiplus::GpImage* GetImage() const { return m_store.GetImage(); }
    // "Thub" is the name the program calls: keep it.
    Gdiplus::GpImage* GetThubImage(int& x, int& y) const { return m_store.GetThubImage(x, y); }

    // Frees the current image and thumbnail and clears both names; the
    // bitmaps keep the last capture.
    void ClearGdiplusImage() { m_store.ClearGdiplusImage(); }
    // Loads an image file as the current image, with the image options
    // reset; an empty path asks with the open dialog. A file that is not a
    // readable image changes nothing: the current image, its names and the
    // options stay.
    int OpenImage(CString strPath) { return m_store.OpenImage(strPath); }
    // pImage (the engine takes it over) becomes the current image as it is,
    // with no image option run over it and no name, and the image options
    // switched off; 0 (pImage freed, the current image kept) when it cannot
    // be used.
    int SetCurrentImage(Gdiplus::GpImage* pImage) { return m_store.SetCurrentImage(pImage); }
    // Saves the current image (bThumbnail 0) or the thumbnail. An empty path
    // asks with the save dialog; otherwise the encoder is the one that
    // claims the path's extension, and a path no encoder claims fails
    // without writing anything.
    int SaveImage(CString strPath, int bThumbnail) { return m_store.SaveImage(strPath, bThumbnail); }
    // Another image (a recent capture) through the save dialog, proposing
    // strName; the current image's names stay.
    int SaveOtherImage(Gdiplus::GpImage* pImage, const CString& strName, CWnd* pParent) {
        return m_store.SaveOtherImage(pImage, strName, pParent);
    }
    // Puts the current image (0) or the thumbnail on the clipboard.
    int CopyImageData(int bThumbnail) { return m_store.CopyImageData(bThumbnail); }
    // Takes the clipboard's bitmap as a new capture (image options applied).
    int PasteImageData() { return m_store.PasteImageData(); }
    // How the last open, save or copy ended (a CKpImageStore::FileResult)
    // and the file it concerned.
    int GetLastFileResult() const { return m_store.GetLastFileResult(); }
    CString GetLastFilePath() const { return m_store.GetLastFilePath(); }
    // While held, the current image and its thumbnail stay as they are (see
    // CKpImageStore::Hold).
    void HoldImage() { m_store.Hold(); }
    void UnholdImage() { m_store.Unhold(); }
    int IsImageHeld() const { return m_store.IsHeld(); }

    // Where the current image came from (kp_capture_info.h).
    const KpCaptureInfo& GetCaptureInfo() const { return m_store.GetCaptureInfo(); }

    // The file the current image was loaded from or saved to, and its name
    // part; both empty after a capture or a change of the image options.
    CString GetPathName() const { return m_store.GetPathName(); }
    CString GetFileName() const { return m_store.GetFileName(); }
    void SetPathName(CString str) { m_store.SetPathName(str); }
    void SetFileName(CString str) { m_store.SetFileName(str); }

    // This session's captures and the files automatic saving wrote before:
    // every capture is kept there (and written, when automatic saving is
    // on) from InitSnapper to CloseSnapper.
    CKpRecentCaptures& GetRecentCaptures() { return m_recent; }

    CKpConfig m_config;

protected:
    // Starts or stops GDI+ on their own; the life cycle does not use them.
    int InitGdiplus();
    void TermGdiplus();

    // The capture just stored, into the recent captures (and so written
    // when automatic saving is on).
    void KeepCapture() { m_recent.AddCapture(m_store); }
    // Grabs rc of hWnd (empty rc: the whole window), stores it and refreshes.
    // The pointer is drawn in when the settings ask for it, unless
    // bPointerAllowed is FALSE (the user's click of an object capture). The
    // capture is recorded as one of mode nMode, -1 for the mode the settings
    // recorded last.
    int SnapRect(HWND hWnd, CRect rc, BOOL bPointerAllowed = TRUE, int nMode = -1);
    // What the store records of a grab of hWnd in mode nMode that shows
    // rcScreen, taken now.
    static KpCaptureInfo MakeCaptureInfo(HWND hWnd, const CRect& rcScreen, int nMode);
    // SnapBitmap into hReuse when it has the size and the screen's format
    // (no fresh bitmap to fill page by page); the call takes hReuse over and
    // deletes it when it is not used.
    static CImageBitmap* SnapBitmap(HWND hWnd, CRect rc, HBITMAP hReuse, BOOL bPointer = FALSE);
    void PlaySnapSound();
    // What a whole-screen capture takes, as the settings say: the desktop
    // window's own rectangle (empty: the primary screen), the monitor under
    // the pointer, or every monitor.
    CRect FullScreenArea() const;

    // The parts of a capture shared by every mode: the busy flag and the
    // hidden main window going in, the configured wait before the grab, the
    // post-steps coming out.
    BOOL BeginSnap();
    // The configured delay, at most 15 s: a settings file may hold any
    // number, and -1 must not mean a wait for ever.
    UINT SnapDelay() const;
    BOOL WaitSnapDelay();
    void EndSnap();
    // Waits nMs while the thread's messages go on (no window freezes); FALSE
    // when the program ended or closed the engine meanwhile: the capture
    // then grabs nothing.
    BOOL WaitDispatching(UINT nMs);

    // The window modes: a window chosen in the chooser (mode 1) or its
    // client area (mode 3); the wait, the sound and the grab of a target.
    int SnapChosenWin(int nMode, BOOL bClientArea);
    int GrabAfterDelay(HWND hTarget, BOOL bClientArea);
    // The client area of hWnd in its own window coordinates, as the grab
    // takes it from the whole-window DC; FALSE when it is empty.
    static BOOL GetClientArea(HWND hWnd, CRect& rcArea);

    // The image store's conversions, for engines derived from this one.
    void SetThubImage(Gdiplus::GpImage* pImage) { m_store.SetThubImage(pImage); }
    Gdiplus::GpImage* ConvertImage(HBITMAP h) { return m_store.ConvertImage(h); }
    CBitmap* ConvertImage(Gdiplus::GpImage* pImage) { return m_store.ConvertImage(pImage); }
    void ResetBitmapData(HBITMAP h) { m_store.ResetBitmapData(h); }

    // Object capture: the engine window's timer, the hook's messages and
    // the Esc key registered for the duration of the mode.
    void OnTimer(UINT_PTR nIDEvent);
    LRESULT OnKpLButtonDown(WPARAM wParam, LPARAM lParam);
    LRESULT OnKpMouseMove(WPARAM wParam, LPARAM lParam);
    LRESULT OnKpRButtonDown(WPARAM wParam, LPARAM lParam);
    LRESULT OnHotKey(WPARAM wParam, LPARAM lParam);
    // Draws the red frame on hWnd's whole window with NOTXOR: a second call
    // removes it again.
    LRESULT HighlightFoundWindow(HWND hWnd);
    // Repaints hWnd, frame and children included, so no frame stays: at once
    // for a window of this thread, when its own thread gets to it for any
    // other (never waiting on another program).
    LRESULT RefreshFoundWindow(HWND hWnd);
    // Gives another thread's window a short while to finish that repaint.
    void WaitForRepaint(HWND hWnd);
    // 0 for null, for no window, and with bNotFound for the framed window.
    int CheckWindowValidity(HWND hWnd, int bNotFound);
    // Moves the tip to the other corner when the cursor comes near it.
    void LocateSnapObjTip();
    // Ends the tip's modal run without a capture; SnapWinObj then ends the
    // mode.
    void EndObjTip();
    // The object tip's modal run with the mouse followed and framed: what
    // SnapWinObj and SnapScroll share.
    INT_PTR RunObjectTip();
    // The window the pick takes for hUnder: itself, or for a scrolling
    // capture the window that scrolls it.
    HWND PickTarget(HWND hUnder) const;
    // The object tip is up and following the mouse.
    BOOL IsPicking() const;
    // Undoes what SnapWinObj set up: timer, frame, mouse capture, hook, and
    // the common end of a capture.
    void EndObjSnap();

    ULONG_PTR m_gdiplusToken;    // 0 while GDI+ is not started by us
    CKpSnapHost* m_pHost;        // not owned; null before InitSnapper
    CKpWindowHost m_windowHost;  // the host InitSnapper makes of the program's two windows
    CKpImageStore m_store;       // the current image, its thumbnail and file
    CKpRecentCaptures m_recent;  // every capture since the start, and earlier ones' files
    int m_bStarting;
    int m_bSnapping;
    int m_bClosed;  // CloseSnapper has run
    CRect m_rcLastSelection;  // the last rectangle selected, screen coordinates (R puts it back)

    CKpHook m_hook;
    CDlgSnapObjHelper m_dlgObjHelper;  // the tip; a window only while object capture runs
    HWND m_hFoundWnd;                  // not owned; the framed window
    int m_bObjSnapping;
    int m_bScrollPick;   // the pick chooses a scrolling capture's window
    HWND m_hScrollArea;  // not owned: the window it chose

    DECLARE_MESSAGE_MAP()
};
