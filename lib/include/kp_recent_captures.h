// CKpRecentCaptures: this session's captures and the files automatic saving
// wrote in earlier sessions, newest first, so that no capture is lost and
// every one can be found again.
//
// A capture is kept once, as 24-bit pixels no one changes any more, with a
// small thumbnail for the list; the list is bounded (recent_bound.h). With
// automatic saving on, each capture is also written into the folder the
// settings name, under the name their pattern gives (kp_capture_name.h), by
// a worker thread: the program's window never waits for a disk. The files
// written are listed in an index beside config.xml, read again at the next
// start (its entries whose file is gone are dropped).
//
// The engine owns one (CKpCore::GetRecentCaptures), keeps each capture in
// it, and starts and stops it with itself. Everything but the worker's
// jobs runs on the thread that started it; what the worker finds comes back
// to that thread as messages, and the listener hears of it there.
#pragma once

#include "framework/cstring.h"
#include "framework/geometry.h"
#include "framework/platform.h"
#include "kp_capture_info.h"
#include "kp_capture_name.h"
#include "kp_config.h"
#include "kp_export.h"

namespace Gdiplus {
class GpImage;
}
class CKpImageStore;

// What the program hears of the recent captures, on the thread that
// started them.
class KPLIB_API CKpRecentListener {
public:
    virtual ~CKpRecentListener();
    // An item came, went or changed (its file written, its thumbnail made).
    virtual void OnRecentChanged() = 0;
    // Automatic saving could not write into strFolder (missing, read-only,
    // full). Said once for a folder, until a capture is written again (there
    // or into another folder the settings name).
    virtual void OnAutoSaveFailed(const CString& strFolder) = 0;
};

class KPLIB_API CKpRecentCaptures {
public:
    enum SaveState {
        kNotSaved,    // automatic saving was off
        kSaving,      // the worker has it
        kSaved,       // strPath holds it
        kSaveFailed,  // the folder could not be written
    };
    // The thumbnails' size: each one is the capture fitted and centred on
    // white in a bitmap of this size.
    enum { kThumbWidth = 96, kThumbHeight = 72 };

    struct Item {
        int nId;  // the item's own, never reused in a session
        KpClock time;
        CSize size;
        CString strTitle;  // the captured window's; empty for the screen, a rectangle, a file
        CString strPath;   // the file; empty while there is none
        int nSaveState;    // a SaveState
        BOOL bInMemory;    // the pixels are kept; otherwise only the file has them
        HBITMAP hThumbnail;  // owned by the list; null until made
    };

    CKpRecentCaptures();
    // Stop must have run.
    ~CKpRecentCaptures();
    CKpRecentCaptures(const CKpRecentCaptures&) = delete;
    CKpRecentCaptures& operator=(const CKpRecentCaptures&) = delete;

    // Starts the worker and reads the index; pConfig (not owned) holds the
    // automatic-saving settings and must outlive Stop. GDI+ must be running.
    BOOL Start(CKpConfig* pConfig);
    // Waits, dwMs at most, for the captures still being written and the
    // index, then lets everything go; GDI+ must still be running. FALSE
    // when the worker did not finish in time.
    BOOL Stop(DWORD dwMs = 30000);
    void SetListener(CKpRecentListener* pListener) { m_pListener = pListener; }

    // The store's current image (its processed pixels and capture
    // information) becomes the newest item, and is written when automatic
    // saving is on. FALSE when its pixels could not be kept.
    BOOL AddCapture(const CKpImageStore& store);

    // Items, newest first.
    int GetCount() const;
    const Item& GetItem(int nIndex) const;
    // The index of the item nId; -1 when it has gone.
    int FindItem(int nId) const;
    // A new 24-bit GDI+ bitmap of the item's pixels (the caller owns it);
    // null when only its file has them.
    Gdiplus::GpImage* CreateImage(int nId) const;
    // The item leaves the list; with bDeleteFile its file goes too (to the
    // recycle bin), also one that is still being written.
    void Remove(int nId, BOOL bDeleteFile);
    // Makes the thumbnails of the earlier sessions' files, in the
    // background: their pixels are read only when the list is looked at.
    void LoadFileThumbnails();

    // The folder automatic saving writes into: the setting, or the user's
    // Pictures folder's "Kapto" when it is empty.
    CString GetSaveFolder() const;
    static CString DefaultSaveFolder();
    // The file name (no extension) the settings' pattern gives a capture
    // taken at info's time of info's window (now, when it has no time); the
    // counter is the one a capture taken now would show, and does not move.
    static CString ProposeFileName(const CKpConfig& config, const KpCaptureInfo& info);

    // For tests: whether the worker has nothing left to do and every
    // answer has been taken in.
    BOOL IsIdle() const;

    // The message the worker's answers come back with, to the list's own
    // window.
    enum { WM_RECENT_ANSWER = WM_APP + 0x232 };

private:
    struct Impl;
    Impl* m_pImpl;                    // owned
    CKpRecentListener* m_pListener;  // not owned
    friend struct Impl;
};
