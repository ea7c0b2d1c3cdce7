// The engine's current image: its GDI+ form and thumbnail, conversions to and
// from GDI bitmaps, image files and the clipboard.
#include "kp_image_store.h"

#include "config/file_commit.h"
#include "gdiplus_codec_info.h"
#include "gdiplus_file_dialogs.h"
#include "framework/contract.h"
#include "framework/scoped_handles.h"
#include "image_decoder.h"
#include "imaging/box_thumbnail.h"
#include "imaging/pixel_pack.h"
#include "kp_image_chain.h"
#include "kp_recent_captures.h"
#include "kp_resource.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include <objidl.h>
#include <gdiplus.h>

using namespace Gdiplus::DllExports;

namespace {

// The narrow (ANSI code page) path as GDI+ wants it.
bool WidenPath(const CString& strPath, WCHAR* pszWide, int nChars) {
    return ::MultiByteToWideChar(CP_ACP, 0, strPath, -1, pszWide, nChars) > 0;
}

// The part of a path after its last separator.
CString NamePart(const CString& strPath) {
    int nSlash = std::max(strPath.ReverseFind('\\'), strPath.ReverseFind('/'));
    return strPath.Mid(nSlash + 1);
}

// The encoder that claims the extension of strPath's file name, first in the
// order GDI+ lists them. FALSE when the name has no extension or no encoder
// claims it.
BOOL FindEncoderForPath(const CString& strPath, CLSID& clsid) {
    CString strName = NamePart(strPath);
    int nDot = strName.ReverseFind('.');
    if (nDot < 0 || nDot + 1 >= strName.GetLength()) return FALSE;
    return FindGdiplusEncoder(strName.Mid(nDot + 1), clsid);
}

// The thumbnail of a 32-bit DIB section's pixels, the same as that of its
// 24-bit image; null on failure.
Gdiplus::GpImage* BoxThumbnail(const RGBX* pBits, CSize size, int w, int h) {
    kfw::ScopedGpImage<Gdiplus::GpBitmap> thumb;
    if (GdipCreateBitmapFromScan0(w, h, 0, PixelFormat32bppPARGB, nullptr, thumb.out()) != Gdiplus::Ok ||
        thumb.get() == nullptr)
        return nullptr;
    Gdiplus::GpRect rcThumb(0, 0, w, h);
    Gdiplus::BitmapData out;
    if (GdipBitmapLockBits(thumb.get(), &rcThumb, Gdiplus::ImageLockModeWrite, PixelFormat32bppPARGB, &out) !=
        Gdiplus::Ok)
        return nullptr;
    const bool bMade =
        kpimg::BoxThumbnail(reinterpret_cast<const uint8_t*>(pBits), size.cx, size.cy, (ptrdiff_t)size.cx * 4, 4,
                            static_cast<uint8_t*>(out.Scan0), w, h, out.Stride, true);
    GdipBitmapUnlockBits(thumb.get(), &out);
    return bMade ? thumb.Release() : nullptr;
}

}  // namespace

CKpImageStore::CKpImageStore(CKpConfig& config)
    : m_config(config),
      m_pHost(nullptr),
      m_pImage(nullptr),
      m_pThubImage(nullptr),
      m_nThubX(0),
      m_nThubY(0),
      m_bImageReusable(0),
      m_nLastFileResult(FileDone),
      m_bmpCapture(0xFFFFFF),
      m_bmpImage(0xFFFFFF),
      m_bImageIsCapture(0),
      m_hSpareCapture(nullptr),
      m_nHolds(0) {}

CKpImageStore::~CKpImageStore() {
    // The images are GDI+'s, which may be shut down by now: ClearGdiplusImage
    // must have run while it was not.
    KFW_CHECK_MSG(m_pImage == nullptr && m_pThubImage == nullptr, "image store released before it was cleared");
    if (m_hSpareCapture != nullptr) ::DeleteObject(m_hSpareCapture);
}

// ---- The last capture ------------------------------------------------------------

void CKpImageStore::StoreCapture(CImageBitmap* pGrab, const KpCaptureInfo& info) {
    if (pGrab == nullptr) return;
    // The grab is a screen-compatible bitmap the engine would copy and then
    // delete: it becomes the stored capture as it is. The processed copy is
    // made by the refresh.
    if (pGrab->GetSafeHandle() != nullptr) {
        // The replaced capture is kept for the next grab to draw into.
        HBITMAP hReplaced = (HBITMAP)m_bmpCapture.Detach();
        if (hReplaced != nullptr) {
            if (m_hSpareCapture != nullptr) ::DeleteObject(m_hSpareCapture);
            m_hSpareCapture = hReplaced;
        }
        m_bmpCapture.Attach(pGrab->Detach());
        m_captureInfo = info;
    }
    delete pGrab;
    Refresh();
}

HBITMAP CKpImageStore::TakeSpareCapture() {
    HBITMAP h = m_hSpareCapture;
    m_hSpareCapture = nullptr;
    return h;
}

void CKpImageStore::Refresh() {
    if (m_bmpCapture.GetSafeHandle() == nullptr) return;
    {
        // Without options the capture itself is the processed image. With
        // them the copy is made and processed in one read and one write; a
        // step that fails leaves the plain copy, which is then shown.
        CKpImageChain chain(m_config);
        if (chain.GetProcessors().GetSize() == 0) {
            ShareCapture();
        } else {
            m_bImageIsCapture = 0;
            m_bmpImage.ProcessImageFrom((HBITMAP)m_bmpCapture.GetSafeHandle(), chain.GetProcessors());
        }
    }
    Gdiplus::GpBitmap* pReuse = nullptr;
    if (m_bImageReusable) {
        pReuse = static_cast<Gdiplus::GpBitmap*>(m_pImage);
        m_pImage = nullptr;
    }
    FreeImages();
    m_pImage = Convert24(pReuse);
    m_bImageReusable = m_pImage != nullptr;
    // The thumbnail straight from the processed pixels when they can be
    // read where they are.
    CSize size;
    const RGBX* pBits = CImageBitmap::Dib32Bits((HBITMAP)GetProcessedBitmap().GetSafeHandle(), size);
    int w = 0, h = 0;
    if (m_pImage != nullptr && pBits != nullptr) {
        if (m_pThubImage != nullptr) GdipDisposeImage(m_pThubImage);
        m_pThubImage = nullptr;
        if (FitThumbnail((UINT)size.cx, (UINT)size.cy, w, h)) m_pThubImage = BoxThumbnail(pBits, size, w, h);
        if (m_pThubImage != nullptr) return;
    }
    SetThubImage(m_pImage);
}

// ---- Conversions ---------------------------------------------------------------

namespace {

// The 24-bit copy in one pass, written straight into the GDI+ bitmap's rows,
// those of pReuse when it has the size (a bitmap made here before, which the
// caller hands over), else of a new one: the pixels of a 32-bit DIB section
// are read where they are, any other bitmap's GetDIBits converts. Null when
// GDI+ lays its rows out otherwise than a 24-bit DIB does, or on failure.
Gdiplus::GpBitmap* Copy24Direct(HBITMAP h, Gdiplus::GpBitmap* pReuse) {
    kfw::ScopedGpImage<Gdiplus::GpBitmap> reuse(pReuse);
    BITMAP bm;
    if (::GetObjectA(h, sizeof bm, &bm) == 0 || bm.bmWidth <= 0 || bm.bmHeight <= 0) return nullptr;
    CSize dib;
    const RGBX* pDib = CImageBitmap::Dib32Bits(h, dib);
    kfw::ScopedGpImage<Gdiplus::GpBitmap> bitmap;
    UINT nWidth = 0, nHeight = 0;
    Gdiplus::PixelFormat format = 0;
    if (reuse.get() != nullptr && GdipGetImageWidth(reuse.get(), &nWidth) == Gdiplus::Ok &&
        GdipGetImageHeight(reuse.get(), &nHeight) == Gdiplus::Ok &&
        GdipGetImagePixelFormat(reuse.get(), &format) == Gdiplus::Ok && nWidth == (UINT)bm.bmWidth &&
        nHeight == (UINT)bm.bmHeight && format == PixelFormat24bppRGB) {
        *bitmap.out() = reuse.Release();
    } else if (GdipCreateBitmapFromScan0(bm.bmWidth, bm.bmHeight, 0, PixelFormat24bppRGB, nullptr, bitmap.out()) !=
                   Gdiplus::Ok ||
               bitmap.get() == nullptr) {
        return nullptr;
    }
    BOOL bCopied = FALSE;
    Gdiplus::GpRect rect(0, 0, bm.bmWidth, bm.bmHeight);
    Gdiplus::BitmapData data;
    if (GdipBitmapLockBits(bitmap.get(), &rect, Gdiplus::ImageLockModeWrite, PixelFormat24bppRGB, &data) ==
        Gdiplus::Ok) {
        const INT nDibStride = ((bm.bmWidth * 24 + 31) / 32) * 4;
        if (pDib != nullptr && data.Stride >= bm.bmWidth * 3) {
            kpimg::Pack24(pDib, bm.bmWidth, bm.bmHeight, static_cast<uint8_t*>(data.Scan0), data.Stride);
            bCopied = TRUE;
        } else if (data.Stride == nDibStride) {
            BITMAPINFO bmi = {};
            bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
            bmi.bmiHeader.biWidth = bm.bmWidth;
            bmi.bmiHeader.biHeight = -bm.bmHeight;  // top-down, as GDI+ keeps its rows
            bmi.bmiHeader.biPlanes = 1;
            bmi.bmiHeader.biBitCount = 24;
            bmi.bmiHeader.biCompression = BI_RGB;
            kfw::ScopedGetDC screen(nullptr);
            bCopied = ::GetDIBits(screen, h, 0, bm.bmHeight, data.Scan0, &bmi, DIB_RGB_COLORS) == bm.bmHeight;
        }
        GdipBitmapUnlockBits(bitmap.get(), &data);
    }
    return bCopied ? bitmap.Release() : nullptr;
}

// The thumbnail as area means of the image's own pixels, for a bitmap GDI+
// lets us read: the 24-bit image of a capture as it is, anything else as
// premultiplied 32-bit pixels (transparent parts average as GDI+ draws
// them). GDI+'s own thumbnail samples a few pixels for each of its own,
// which breaks up text and fine lines, after converting the whole image.
// Null when the image cannot be read so.
Gdiplus::GpImage* BoxThumbnail(Gdiplus::GpImage* pImage, UINT nWidth, UINT nHeight, int w, int h) {
    Gdiplus::ImageType type = Gdiplus::ImageTypeUnknown;
    Gdiplus::PixelFormat format = 0;
    if (GdipGetImageType(pImage, &type) != Gdiplus::Ok || type != Gdiplus::ImageTypeBitmap ||
        GdipGetImagePixelFormat(pImage, &format) != Gdiplus::Ok)
        return nullptr;
    Gdiplus::GpBitmap* pSource = static_cast<Gdiplus::GpBitmap*>(pImage);
    const bool b24 = format == PixelFormat24bppRGB;
    Gdiplus::GpRect rcSource(0, 0, (INT)nWidth, (INT)nHeight);
    Gdiplus::BitmapData source;
    if (GdipBitmapLockBits(pSource, &rcSource, Gdiplus::ImageLockModeRead,
                           b24 ? PixelFormat24bppRGB : PixelFormat32bppPARGB, &source) != Gdiplus::Ok)
        return nullptr;
    kfw::ScopedGpImage<Gdiplus::GpBitmap> thumb;
    bool bMade = false;
    if (GdipCreateBitmapFromScan0(w, h, 0, PixelFormat32bppPARGB, nullptr, thumb.out()) == Gdiplus::Ok &&
        thumb.get() != nullptr) {
        Gdiplus::GpRect rcThumb(0, 0, w, h);
        Gdiplus::BitmapData out;
        if (GdipBitmapLockBits(thumb.get(), &rcThumb, Gdiplus::ImageLockModeWrite, PixelFormat32bppPARGB, &out) ==
            Gdiplus::Ok) {
            bMade = kpimg::BoxThumbnail(static_cast<const uint8_t*>(source.Scan0), (int)nWidth, (int)nHeight,
                                        source.Stride, b24 ? 3 : 4, static_cast<uint8_t*>(out.Scan0), w, h, out.Stride);
            GdipBitmapUnlockBits(thumb.get(), &out);
        }
    }
    GdipBitmapUnlockBits(pSource, &source);
    return bMade ? thumb.Release() : nullptr;
}

}  // namespace

Gdiplus::GpImage* CKpImageStore::ConvertImage(HBITMAP h) {
    if (h == nullptr) return nullptr;
    // The same 24-bit image as GDI+'s own conversion below, in half the time.
    Gdiplus::GpBitmap* pDirect = Copy24Direct(h, nullptr);
    if (pDirect != nullptr) return pDirect;

    kfw::ScopedGpImage<Gdiplus::GpBitmap> temp;
    if (GdipCreateBitmapFromHBITMAP(h, nullptr, temp.out()) != Gdiplus::Ok || temp.get() == nullptr) return nullptr;
    UINT nWidth = 0;
    UINT nHeight = 0;
    Gdiplus::GpBitmap* pClone = nullptr;
    if (GdipGetImageWidth(temp.get(), &nWidth) == Gdiplus::Ok &&
        GdipGetImageHeight(temp.get(), &nHeight) == Gdiplus::Ok &&
        GdipCloneBitmapAreaI(0, 0, (INT)nWidth, (INT)nHeight, PixelFormat24bppRGB, temp.get(), &pClone) != Gdiplus::Ok)
        pClone = nullptr;
    return pClone;
}

Gdiplus::GpImage* CKpImageStore::Convert24(Gdiplus::GpBitmap* pReuse) {
    HBITMAP h = (HBITMAP)GetProcessedBitmap().GetSafeHandle();
    if (h == nullptr) {
        if (pReuse != nullptr) GdipDisposeImage(pReuse);
        return nullptr;
    }
    Gdiplus::GpBitmap* pDirect = Copy24Direct(h, pReuse);
    return pDirect != nullptr ? pDirect : ConvertImage(h);
}

CBitmap* CKpImageStore::ConvertImage(Gdiplus::GpImage* pImage) {
    if (pImage == nullptr) return nullptr;
    UINT nWidth = 0;
    UINT nHeight = 0;
    if (GdipGetImageWidth(pImage, &nWidth) != Gdiplus::Ok || GdipGetImageHeight(pImage, &nHeight) != Gdiplus::Ok)
        return nullptr;

    kfw::ScopedGetDC view(nullptr);  // the screen's format
    if (view.get() == nullptr) return nullptr;
    kfw::ScopedMemDC mem(view);
    kfw::ScopedBitmap bitmap(::CreateCompatibleBitmap(view, (int)nWidth, (int)nHeight));
    BOOL bDrawn = FALSE;
    if (mem.get() != nullptr && bitmap.get() != nullptr) {
        kfw::ScopedSelect select(mem, bitmap);
        Gdiplus::GpGraphics* pGraphics = nullptr;
        if (GdipCreateFromHDC(mem, &pGraphics) == Gdiplus::Ok) {
            bDrawn = GdipDrawImageRectI(pGraphics, pImage, 0, 0, (INT)nWidth, (INT)nHeight) == Gdiplus::Ok;
            GdipDeleteGraphics(pGraphics);
        }
    }
    // A bitmap the image could not be drawn into would hand on garbage.
    if (!bDrawn) return nullptr;
    CBitmap* pBitmap = new (std::nothrow) CBitmap;
    if (pBitmap != nullptr) pBitmap->Attach(bitmap.Release());
    return pBitmap;
}

void CKpImageStore::ResetBitmapData(HBITMAP h) {
    if (h == nullptr) return;
    ReleaseWorkMemory();
    m_bmpCapture.CopyImage(h);
    ShareCapture();
}

void CKpImageStore::ShareCapture() {
    // The processed frame and what it kept for the next one go: a capture
    // with options makes them again.
    m_bmpImage.DeleteObject();
    m_bmpImage.ReleaseWorkMemory();
    m_bImageIsCapture = 1;
}

// ---- Current image and thumbnail -----------------------------------------------

void CKpImageStore::ClearGdiplusImage() {
    FreeImages();
    ReleaseWorkMemory();
}

void CKpImageStore::ReleaseWorkMemory() {
    m_bmpImage.ReleaseWorkMemory();
    if (m_hSpareCapture != nullptr) ::DeleteObject(m_hSpareCapture);
    m_hSpareCapture = nullptr;
}

void CKpImageStore::Unhold() {
    KFW_CHECK(m_nHolds > 0);
    if (m_nHolds > 0) --m_nHolds;
}

void CKpImageStore::FreeImages() {
    // A command still works on them (the program refuses what would replace
    // the image until it is done).
    KFW_CHECK(m_nHolds == 0);
    if (m_pImage != nullptr) GdipDisposeImage(m_pImage);
    if (m_pThubImage != nullptr) GdipDisposeImage(m_pThubImage);
    m_pImage = nullptr;
    m_pThubImage = nullptr;
    m_bImageReusable = 0;
    SetPathName(CString());
    SetFileName(CString());
}

bool CKpImageStore::FitThumbnail(UINT nWidth, UINT nHeight, int& w, int& h) {
    CRect rcView(CPoint(0, 0), m_pHost != nullptr ? m_pHost->GetViewSize() : CSize());
    rcView.DeflateRect(2, 2);
    int aw = rcView.Width();
    int ah = rcView.Height();
    // No room, or no image: no thumbnail rather than GDI+'s default size.
    if (aw <= 0 || ah <= 0 || nWidth == 0 || nHeight == 0) return false;

    w = (int)nWidth;
    h = (int)nHeight;
    if (w > aw || h > ah) {
        double dFactor = std::max((double)w / aw, (double)h / ah);
        w = (int)(w / dFactor);
        h = (int)(h / dFactor);
        // A very thin image keeps one pixel: GDI+ reads 0 as "its default
        // thumbnail size".
        if (w < 1) w = 1;
        if (h < 1) h = 1;
    }
    m_nThubX = (w <= aw ? (aw - w) / 2 : 0) + 2;
    m_nThubY = (h < ah ? (ah - h) / 2 : 0) + 2;
    return true;
}

void CKpImageStore::SetThubImage(Gdiplus::GpImage* pImage) {
    KFW_CHECK(m_nHolds == 0);
    if (m_pThubImage != nullptr) GdipDisposeImage(m_pThubImage);
    m_pThubImage = nullptr;
    if (pImage == nullptr) return;

    UINT nWidth = 0;
    UINT nHeight = 0;
    int w = 0, h = 0;
    if (GdipGetImageWidth(pImage, &nWidth) != Gdiplus::Ok || GdipGetImageHeight(pImage, &nHeight) != Gdiplus::Ok ||
        !FitThumbnail(nWidth, nHeight, w, h))
        return;
    m_pThubImage = BoxThumbnail(pImage, nWidth, nHeight, w, h);
    if (m_pThubImage == nullptr &&
        GdipGetImageThumbnail(pImage, (UINT)w, (UINT)h, &m_pThubImage, nullptr, nullptr) != Gdiplus::Ok)
        m_pThubImage = nullptr;
}

// ---- Files ------------------------------------------------------------------------

int CKpImageStore::EndFileOperation(int nResult, const CString& strPath) {
    m_nLastFileResult = nResult;
    m_strLastFilePath = strPath;
    return nResult == FileDone ? 1 : 0;
}

int CKpImageStore::OpenImage(CString strPath) {
    CString strName;
    if (strPath.IsEmpty()) {
        KpPrepareImageDecoder();
        CKpLocalResource localResource;
        CGdiplusFileOpenDialog dlg(nullptr, OFN_HIDEREADONLY, nullptr);
        if (dlg.DoModal() == IDOK) {
            strPath = dlg.GetPathName();
            strName = dlg.GetFileName();
        }
        if (strPath.IsEmpty()) return EndFileOperation(FileCancelled, strPath);
    } else {
        strName = NamePart(strPath);
    }

    // Nothing of the current image goes before the file has been judged and
    // decoded: a file that is not an image must not cost the user the
    // capture. The header alone refuses the obvious cases; the decoding
    // itself runs in a helper, so that a decoder a bad file crashes or
    // hangs cannot take the program with it.
    Gdiplus::GpImage* pImage = nullptr;
    KpDecodeResult result = KpDecodeImageFile(strPath, &pImage);
    if (result == KpDecodeTooLarge) return EndFileOperation(FileTooLarge, strPath);
    if (result == KpDecodeNoHelper) return EndFileOperation(FileNoDecoder, strPath);
    if (result != KpDecoded) return EndFileOperation(FileFailed, strPath);

    // A file that decodes but cannot be drawn into a bitmap is no image the
    // program can work on: the current one stays.
    if (!SetCurrentImage(pImage)) return EndFileOperation(FileFailed, strPath);
    m_config.ResetImageOption();
    SetPathName(strPath);
    SetFileName(strName);
    return EndFileOperation(FileDone, strPath);
}

int CKpImageStore::SetCurrentImage(Gdiplus::GpImage* pImage) {
    kfw::ScopedGpImage<Gdiplus::GpImage> image(pImage);
    if (image.get() == nullptr) return 0;
    std::unique_ptr<CBitmap> bitmap(ConvertImage(image.get()));
    if (bitmap == nullptr) return 0;
    ClearGdiplusImage();
    m_pImage = image.Release();
    SetThubImage(m_pImage);
    ResetBitmapData((HBITMAP)bitmap->GetSafeHandle());
    m_captureInfo = KpCaptureInfo::NotCaptured();
    m_config.ClearImageOptionFlags();
    return 1;
}

namespace {

// Writes the image to a new file beside strPath and only then puts it in
// strPath's place: a write that fails half-way (a full disk, an encoder
// error) leaves the old file as it was.
BOOL SaveWhole(Gdiplus::GpImage* pImage, const CString& strPath, const CLSID& clsid) {
    CString strDir = strPath.Left(std::max(strPath.ReverseFind('\\'), strPath.ReverseFind('/')) + 1);
    if (strDir.IsEmpty()) strDir = ".";
    CString strTemp;
    char* pszTemp = strTemp.GetBuffer(MAX_PATH);
    // Creates the file, so that no other save picks the same name.
    UINT nUnique = pszTemp != nullptr ? ::GetTempFileNameA(strDir, "kps", 0, pszTemp) : 0;
    strTemp.ReleaseBuffer();
    if (nUnique == 0) return FALSE;
    WCHAR szTemp[MAX_PATH * 2];
    if (!WidenPath(strTemp, szTemp, MAX_PATH * 2) ||
        GdipSaveImageToFile(pImage, szTemp, &clsid, nullptr) != Gdiplus::Ok) {
        KpDiscardFile(strTemp);
        return FALSE;
    }
    return KpCommitFile(strTemp, strPath);
}

}  // namespace

int CKpImageStore::SaveImageAs(Gdiplus::GpImage* pImage, CString& strPath, CWnd* pParent, const CString& strName,
                               const CString& strFolder, const CString& strType) {
    if (pImage == nullptr) return FileNoImage;
    CLSID clsid = {};
    if (strPath.IsEmpty()) {
        CKpLocalResource localResource;
        CGdiplusFileSaveAsDialog dlg(strName, OFN_OVERWRITEPROMPT, pParent);
        dlg.SetInitialFolder(strFolder);
        dlg.SetInitialType(strType);
        if (dlg.DoModal() == IDOK) {
            clsid = dlg.GetCodecCLSID();
            strPath = dlg.GetPathName();
        }
        if (strPath.IsEmpty()) return FileCancelled;
    } else if (!FindEncoderForPath(strPath, clsid)) {
        return FileFailed;
    }
    return SaveWhole(pImage, strPath, clsid) ? FileDone : FileFailed;
}

void CKpImageStore::ProposeSave(CString& strName, CString& strFolder, CString& strType) const {
    strName = CKpRecentCaptures::ProposeFileName(m_config, m_captureInfo);
    strFolder = m_strLastSaveFolder;
    if (strFolder.IsEmpty() && m_config.GetAutoSave()) {
        // Where the captures go already.
        CString strAuto = m_config.GetAutoSaveFolder();
        strAuto.Trim();
        strFolder = strAuto.IsEmpty() ? CKpRecentCaptures::DefaultSaveFolder() : strAuto;
    }
    strType = m_config.GetAutoSaveFormat();
}

int CKpImageStore::SaveImage(CString strPath, int bThumbnail) {
    Gdiplus::GpImage* pImage = bThumbnail ? m_pThubImage : m_pImage;
    if (pImage == nullptr) return EndFileOperation(FileNoImage, strPath);
    CString strName, strFolder, strType;
    ProposeSave(strName, strFolder, strType);
    int nResult = SaveImageAs(pImage, strPath, nullptr, strName, strFolder, strType);
    if (nResult == FileDone) {
        m_strLastSaveFolder = strPath.Left(strPath.GetLength() - NamePart(strPath).GetLength());
        if (!bThumbnail) {
            SetPathName(strPath);
            SetFileName(NamePart(strPath));
        }
    }
    return EndFileOperation(nResult, strPath);
}

int CKpImageStore::SaveOtherImage(Gdiplus::GpImage* pImage, const CString& strName, CWnd* pParent) {
    CString strPath, strProposed, strFolder, strType;
    ProposeSave(strProposed, strFolder, strType);
    int nResult = SaveImageAs(pImage, strPath, pParent, strName, strFolder, strType);
    if (nResult == FileDone) m_strLastSaveFolder = strPath.Left(strPath.GetLength() - NamePart(strPath).GetLength());
    return EndFileOperation(nResult, strPath);
}

// ---- Clipboard ---------------------------------------------------------------------

int CKpImageStore::CopyImageData(int bThumbnail) {
    Gdiplus::GpImage* pImage = bThumbnail ? m_pThubImage : m_pImage;
    if (pImage == nullptr) return EndFileOperation(FileNoImage, CString());
    std::unique_ptr<CBitmap> bitmap(ConvertImage(pImage));
    if (bitmap == nullptr) return EndFileOperation(FileFailed, CString());
    kfw::ScopedClipboard clipboard(m_pHost != nullptr ? m_pHost->GetClipboardOwner() : nullptr);
    if (!clipboard.IsOpen()) return EndFileOperation(FileFailed, CString());
    ::EmptyClipboard();
    if (::SetClipboardData(CF_BITMAP, (HBITMAP)bitmap->GetSafeHandle()) == nullptr)
        return EndFileOperation(FileFailed, CString());
    // From here the bitmap belongs to the clipboard: only the wrapper goes.
    bitmap->Detach();
    return EndFileOperation(FileDone, CString());
}

int CKpImageStore::PasteImageData() {
    BOOL bCopied = FALSE;
    {
        kfw::ScopedClipboard clipboard(nullptr);
        if (!clipboard.IsOpen()) return 0;
        HBITMAP hBitmap = ::IsClipboardFormatAvailable(CF_BITMAP) ? (HBITMAP)::GetClipboardData(CF_BITMAP) : nullptr;
        // The same limit as for a file: a bitmap too large to keep is
        // refused before any copy of it is made.
        BITMAP bm;
        bCopied = hBitmap != nullptr && ::GetObjectA(hBitmap, sizeof bm, &bm) != 0 &&
                  KpImageSizeAllowed((unsigned)bm.bmWidth, (unsigned)std::abs(bm.bmHeight)) &&
                  m_bmpCapture.CopyImage(hBitmap);
    }
    if (!bCopied) return 0;
    m_captureInfo = KpCaptureInfo::NotCaptured();
    // The processed copy is made from the capture by the refresh.
    Refresh();
    return 1;
}
