// CKpImageStore: the engine's current image.
//
// The last capture is kept twice as a GDI bitmap, unprocessed and with the
// image options run over it, and once as the current GDI+ image (always 24
// bits per pixel after a capture) with a thumbnail fitted to the program's
// view. The store also loads and saves image files, copies to and takes
// from the clipboard, and remembers which file the current image belongs
// to. CKpCore embeds one and offers its operations under the program's
// names.
#pragma once

#include "framework/cstring.h"
#include "framework/wnd.h"
#include "image_bitmap.h"
#include "kp_capture_info.h"
#include "kp_config.h"
#include "kp_export.h"
#include "kp_snap_host.h"

namespace Gdiplus {
class GpImage;
class GpBitmap;
}  // namespace Gdiplus

class KPLIB_API CKpImageStore {
public:
    // config: the settings whose image options the store applies; they
    // must outlive the store.
    explicit CKpImageStore(CKpConfig& config);
    // Frees no GDI+ image: GDI+ may be shut down by then. Clear first.
    // Deletes the bitmaps it keeps.
    ~CKpImageStore();
    CKpImageStore(const CKpImageStore&) = delete;
    CKpImageStore& operator=(const CKpImageStore&) = delete;

    // The program's side: its view's size sizes the thumbnail, its window
    // owns the clipboard. Null: no thumbnail, no clipboard owner.
    void SetHost(const CKpSnapHost* pHost) { m_pHost = pHost; }
    // The same for a view window alone (the store's own host of it).
    void SetViewWnd(CWnd* pViewWnd) {
        m_viewHost.SetWindows(nullptr, pViewWnd);
        m_pHost = &m_viewHost;
    }

    // The current image and its thumbnail, still owned by the store; null
    // when there is none. x and y receive where the view draws the thumbnail.
    Gdiplus::GpImage* GetImage() const { return m_pImage; }
    Gdiplus::GpImage* GetThubImage(int& x, int& y) const {
        x = m_nThubX;
        y = m_nThubY;
        return m_pThubImage;
    }

    // The last capture, unprocessed and after the image options; without a
    // bitmap before the first capture. While no option changes the capture
    // both are the same bitmap.
    const CImageBitmap& GetCaptureBitmap() const { return m_bmpCapture; }
    const CImageBitmap& GetProcessedBitmap() const { return m_bImageIsCapture ? m_bmpCapture : m_bmpImage; }

    // A new grab becomes the last capture (the store takes the bitmap and
    // deletes the object), with info saying where it came from, and is
    // processed; a grab without a bitmap keeps the previous capture and its
    // info and processes that again.
    void StoreCapture(CImageBitmap* pGrab, const KpCaptureInfo& info = KpCaptureInfo::NotCaptured());
    // Where the current image came from; an opened, pasted or set image
    // came from no screen area.
    const KpCaptureInfo& GetCaptureInfo() const { return m_captureInfo; }
    // The bitmap the last capture replaced, kept for the next grab to draw
    // into; the caller owns it. Null when there is none.
    HBITMAP TakeSpareCapture();
    // Runs the image options over the last capture into a new current image
    // and thumbnail; clears both names. Nothing without a capture.
    void Refresh();

    // Frees the current image and thumbnail and clears both names; the
    // bitmaps keep the last capture. The memory processing keeps from one
    // capture to the next is given back too.
    void ClearGdiplusImage();
    // A file that is not a readable image changes nothing: the current
    // image, its names and the image options stay.
    int OpenImage(CString strPath);
    // pImage (the store takes it over) becomes the current image as it is:
    // its thumbnail is made and both bitmaps become copies of it, no image
    // option runs over it, and both names are cleared. The image options are
    // switched off (their amounts stay): the image is what the user has, and
    // an option ticked afterwards runs over it once, not over options that
    // already did their work. 0 when pImage is null or cannot be turned into
    // a bitmap: pImage is freed then and the current image, its names, the
    // options and the bitmaps stay.
    int SetCurrentImage(Gdiplus::GpImage* pImage);
    // An empty path asks with the save dialog, proposing ProposeSave's.
    int SaveImage(CString strPath, int bThumbnail);
    // Saves pImage, which need not be the store's, as SaveImage saves: an
    // empty strPath asks with the save dialog over pParent (null: the
    // program's main window), which proposes strName in strFolder as a file
    // of type strType (empty: the system's choice), and receives the file
    // chosen. A FileResult.
    static int SaveImageAs(Gdiplus::GpImage* pImage, CString& strPath, CWnd* pParent, const CString& strName = "Snap1",
                           const CString& strFolder = CString(), const CString& strType = CString());
    // What the save dialog proposes for the current image: the name the
    // automatic-saving pattern gives its capture, the folder saved to last
    // (at first the automatic-saving folder, when automatic saving is on),
    // the type automatic saving writes.
    void ProposeSave(CString& strName, CString& strFolder, CString& strType) const;
    // Another image than the current one (a recent capture) through the save
    // dialog as SaveImage asks, proposing strName; the current image's names
    // stay.
    int SaveOtherImage(Gdiplus::GpImage* pImage, const CString& strName, CWnd* pParent);
    int CopyImageData(int bThumbnail);
    int PasteImageData();

    // Why the last OpenImage, SaveImage or CopyImageData ended as it did, so
    // that the caller can report a failure and stay silent on a cancel.
    enum FileResult {
        FileDone = 0,   // it succeeded
        FileCancelled,  // the user cancelled the file dialog
        FileNoImage,    // there was no image to save or copy
        FileFailed,     // the file could not be read or written, or the clipboard refused
        FileTooLarge,   // the file's image has more than MaxOpenPixels pixels: not read
        FileNoDecoder,  // the helper that decodes image files could not be started: not read
    };
    // Images with more pixels than this are refused by OpenImage before they
    // are decoded: every copy the program keeps of one takes four bytes a
    // pixel, and decoding alone would take gigabytes.
    enum { MaxOpenPixels = 64000000 };
    int GetLastFileResult() const { return m_nLastFileResult; }
    // The file that operation read or wrote (or tried to); empty for the
    // clipboard and when no file was chosen.
    CString GetLastFilePath() const { return m_strLastFilePath; }

    CString GetPathName() const { return m_strPathName; }
    CString GetFileName() const { return m_strFileName; }
    void SetPathName(CString str) { m_strPathName = str; }
    void SetFileName(CString str) { m_strFileName = str; }

    // A command that works on the current image (a save with its dialog, a
    // print, a copy) holds it while it runs: nothing may free or replace the
    // image or the thumbnail until the last hold is released.
    void Hold() { ++m_nHolds; }
    void Unhold();
    int IsHeld() const { return m_nHolds > 0; }

    // Conversions and the thumbnail.
    void SetThubImage(Gdiplus::GpImage* pImage);
    // A new 24-bit GDI+ copy of h; null for null or on failure.
    Gdiplus::GpImage* ConvertImage(HBITMAP h);
    // A new display-format bitmap holding pImage; the caller deletes it.
    CBitmap* ConvertImage(Gdiplus::GpImage* pImage);
    // Both bitmaps become a copy of h, one bitmap standing for both (the
    // processing memory is given back first: the next image is another one).
    void ResetBitmapData(HBITMAP h);

protected:
    // Frees the current image and thumbnail and clears both names.
    void FreeImages();
    // Gives back what is kept for the next capture: processing's arrays and
    // spare bitmap, and the spare capture.
    void ReleaseWorkMemory();
    // The processed bitmap as a 24-bit image, written into pReuse (which
    // the call takes over) when that has the size.
    Gdiplus::GpImage* Convert24(Gdiplus::GpBitmap* pReuse);
    // The capture stands for the processed bitmap, whose own goes.
    void ShareCapture();
    // The thumbnail's size for an image of nWidth x nHeight in the view, and
    // where the view draws it (m_nThubX, m_nThubY); false when there is no
    // room or no image.
    bool FitThumbnail(UINT nWidth, UINT nHeight, int& w, int& h);
    // Records how a file or clipboard operation ended; returns its result.
    int EndFileOperation(int nResult, const CString& strPath);

    CKpConfig& m_config;         // not owned
    const CKpSnapHost* m_pHost;  // not owned, or m_viewHost
    CKpWindowHost m_viewHost;
    CString m_strPathName;
    CString m_strFileName;
    Gdiplus::GpImage* m_pImage;      // owned
    Gdiplus::GpImage* m_pThubImage;  // owned
    int m_nThubX;
    int m_nThubY;
    // m_pImage is the 24-bit image a refresh made: the next refresh writes
    // into it when the size is the same rather than make another.
    int m_bImageReusable;
    int m_nLastFileResult;  // a FileResult
    CString m_strLastFilePath;
    CImageBitmap m_bmpCapture;  // the last capture, unprocessed
    CImageBitmap m_bmpImage;    // the last capture after the image options
    // No option changes the capture: m_bmpImage holds no bitmap and the
    // capture stands for it, rather than a copy of one more frame.
    int m_bImageIsCapture;
    HBITMAP m_hSpareCapture;  // owned: the capture the last one replaced
    KpCaptureInfo m_captureInfo;
    CString m_strLastSaveFolder;  // where the user saved last, this session
    int m_nHolds;             // commands holding the current image
};
