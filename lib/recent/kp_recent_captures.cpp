// The recent captures: the list on the program's thread, the disk work on
// the save worker, and the answers that come back between them.
#include "kp_recent_captures.h"

#include <shlobj.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include <objidl.h>
#include <gdiplus.h>

#include "autosave/save_worker.h"
#include "framework/contract.h"
#include "framework/scoped_handles.h"
#include "framework/wnd.h"
#include "gdiplus_codec_info.h"
#include "image_decoder.h"
#include "imaging/box_thumbnail.h"
#include "imaging/pixel_pack.h"
#include "kp_image_store.h"
#include "recent_bound.h"
#include "recent_index.h"

using namespace Gdiplus::DllExports;

// The list's pieces; named, since the list's own type holds some of them.
namespace kprecent {

// A capture's pixels as a 24-bit image keeps them (blue, green, red; rows
// 4-byte aligned, top row first). Never changed once made, so the list and
// the worker share them without a lock.
struct Pixels24 {
    int nWidth = 0;
    int nHeight = 0;
    int nStride = 0;
    std::unique_ptr<uint8_t[]> bits;
    unsigned long long Bytes() const { return (unsigned long long)nStride * (unsigned long long)nHeight; }
};
typedef std::shared_ptr<const Pixels24> PixelsPtr;

std::shared_ptr<Pixels24> NewPixels(int w, int h) {
    if (w <= 0 || h <= 0) return nullptr;
    auto p = std::make_shared<Pixels24>();
    p->nWidth = w;
    p->nHeight = h;
    p->nStride = (w * 3 + 3) & ~3;
    p->bits.reset(new (std::nothrow) uint8_t[(size_t)p->nStride * (size_t)h]);
    return p->bits != nullptr ? p : nullptr;
}

// The current image of the store as kept pixels: straight from the
// processed capture's DIB section, else read from the GDI+ image.
PixelsPtr CopyPixels(const CKpImageStore& store) {
    CSize size;
    const RGBX* pDib = CImageBitmap::Dib32Bits((HBITMAP)store.GetProcessedBitmap().GetSafeHandle(), size);
    if (pDib != nullptr) {
        std::shared_ptr<Pixels24> p = NewPixels(size.cx, size.cy);
        if (p == nullptr) return nullptr;
        kpimg::Pack24(pDib, size.cx, size.cy, p->bits.get(), p->nStride);
        return p;
    }
    Gdiplus::GpImage* pImage = store.GetImage();
    UINT w = 0, h = 0;
    if (pImage == nullptr || GdipGetImageWidth(pImage, &w) != Gdiplus::Ok ||
        GdipGetImageHeight(pImage, &h) != Gdiplus::Ok)
        return nullptr;
    std::shared_ptr<Pixels24> p = NewPixels((int)w, (int)h);
    if (p == nullptr) return nullptr;
    Gdiplus::GpRect rect(0, 0, (INT)w, (INT)h);
    Gdiplus::BitmapData data = {w, h, p->nStride, PixelFormat24bppRGB, p->bits.get(), 0};
    auto* pBitmap = static_cast<Gdiplus::GpBitmap*>(pImage);
    if (GdipBitmapLockBits(pBitmap, &rect, Gdiplus::ImageLockModeRead | Gdiplus::ImageLockModeUserInputBuf,
                           PixelFormat24bppRGB, &data) != Gdiplus::Ok)
        return nullptr;
    GdipBitmapUnlockBits(pBitmap, &data);
    return p;
}

// A GDI+ bitmap that reads the pixels where they are (they must outlive it).
Gdiplus::GpBitmap* WrapPixels(const Pixels24& px) {
    Gdiplus::GpBitmap* pBitmap = nullptr;
    if (GdipCreateBitmapFromScan0(px.nWidth, px.nHeight, px.nStride, PixelFormat24bppRGB, px.bits.get(), &pBitmap) !=
        Gdiplus::Ok)
        return nullptr;
    return pBitmap;
}

// How long after its capture automatic saving begins to encode it: the
// capture is on the screen by then.
const DWORD kWriteAfterMs = 250;

// A thumbnail: the image fitted (never enlarged) and centred on white in
// kThumbWidth x kThumbHeight pixels of 4 bytes, top row first.
typedef std::vector<uint8_t> Thumbnail;
const int kThumbW = CKpRecentCaptures::kThumbWidth, kThumbH = CKpRecentCaptures::kThumbHeight;

Thumbnail MakeThumbnail(const uint8_t* pSrc, int sw, int sh, ptrdiff_t nStride, int nBytes) {
    Thumbnail out((size_t)kThumbW * kThumbH * 4, 0xFF);
    if (sw <= 0 || sh <= 0) return out;
    double f = std::max(1.0, std::max((double)sw / kThumbW, (double)sh / kThumbH));
    int w = std::max(1, (int)(sw / f)), h = std::max(1, (int)(sh / f));
    std::vector<uint8_t> fitted((size_t)w * h * 4);
    if (!kpimg::BoxThumbnail(pSrc, sw, sh, nStride, nBytes, fitted.data(), w, h, (ptrdiff_t)w * 4, nBytes == 4))
        return out;
    const int x0 = (kThumbW - w) / 2, y0 = (kThumbH - h) / 2;
    for (int y = 0; y < h; ++y)
        std::copy(&fitted[(size_t)y * w * 4], &fitted[(size_t)(y + 1) * w * 4],
                  &out[((size_t)(y0 + y) * kThumbW + x0) * 4]);
    return out;
}

// The thumbnail as a top-down 32-bit DIB section (the list's image list
// takes a copy); null on failure.
HBITMAP ThumbnailBitmap(const Thumbnail& thumb) {
    RGBX* pBits = nullptr;
    HBITMAP h = CImageBitmap::CreateDib32(CSize(kThumbW, kThumbH), &pBits);
    if (h == nullptr) return nullptr;
    // Opaque: an image list of 32 bits would draw a zero alpha as clear.
    uint8_t* p = reinterpret_cast<uint8_t*>(pBits);
    std::copy(thumb.begin(), thumb.end(), p);
    for (size_t i = 3; i < thumb.size(); i += 4)
        p[i] = 0xFF;
    return h;
}

KpClock ClockOf(const SYSTEMTIME& st) {
    if (st.wYear == 0) {
        SYSTEMTIME now;
        ::GetLocalTime(&now);
        return ClockOf(now);
    }
    return {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond};
}

// The settings' format as the extension the files get; PNG for anything
// else.
CString SaveExtension(const CString& strFormat) {
    CString strExt = strFormat;
    strExt.Trim();
    strExt.MakeLower();
    if (strExt == "jpeg") return "jpg";
    if (strExt == "tiff") return "tif";
    for (const char* psz : {"png", "jpg", "bmp", "gif", "tif"})
        if (strExt == psz) return strExt;
    return "png";
}

bool ExistsOnDisk(const CString& strPath, void*) { return ::GetFileAttributesA(strPath) != INVALID_FILE_ATTRIBUTES; }

// The folder and every missing folder above it.
bool MakeFolder(const CString& strFolder) {
    DWORD dwAttr = ::GetFileAttributesA(strFolder);
    if (dwAttr != INVALID_FILE_ATTRIBUTES) return (dwAttr & FILE_ATTRIBUTE_DIRECTORY) != 0;
    int nSlash = std::max(strFolder.ReverseFind('\\'), strFolder.ReverseFind('/'));
    if (nSlash > 0 && strFolder[nSlash - 1] != ':' && strFolder[nSlash - 1] != '\\')
        MakeFolder(strFolder.Left(nSlash));
    return ::CreateDirectoryA(strFolder, nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS;
}

// What a save job was given.
struct SaveOrder {
    int nId;
    PixelsPtr pixels;
    CString strFolder;
    CString strPattern;
    KpNameFields fields;
    CString strExt;
};

// Encodes into a file of its own in the folder, then gives it the first
// name the pattern gives that no file has: a file that appears meanwhile is
// never replaced. The path, or empty on failure.
CString WriteCapture(const SaveOrder& order) {
    if (!MakeFolder(order.strFolder)) return CString();
    CLSID clsid;
    if (!FindGdiplusEncoder(order.strExt, clsid)) return CString();
    CString strTemp;
    char* pszTemp = strTemp.GetBuffer(MAX_PATH);
    UINT nUnique = ::GetTempFileNameA(order.strFolder, "kps", 0, pszTemp);
    strTemp.ReleaseBuffer();
    if (nUnique == 0) return CString();
    WCHAR szTemp[MAX_PATH * 2];
    kfw::ScopedGpImage<Gdiplus::GpBitmap> bitmap(WrapPixels(*order.pixels));
    if (bitmap.get() == nullptr || ::MultiByteToWideChar(CP_ACP, 0, strTemp, -1, szTemp, MAX_PATH * 2) <= 0 ||
        GdipSaveImageToFile(bitmap.get(), szTemp, &clsid, nullptr) != Gdiplus::Ok) {
        ::DeleteFileA(strTemp);
        return CString();
    }
    for (int nTry = 0; nTry < 8; ++nTry) {
        CString strPath =
            KpNewCapturePath(order.strFolder, order.strPattern, order.fields, order.strExt, ExistsOnDisk, nullptr);
        if (strPath.IsEmpty()) break;
        if (::MoveFileExA(strTemp, strPath, MOVEFILE_WRITE_THROUGH)) return strPath;
        DWORD dwError = ::GetLastError();
        if (dwError != ERROR_ALREADY_EXISTS && dwError != ERROR_FILE_EXISTS) break;
    }
    ::DeleteFileA(strTemp);
    return CString();
}

// A file to the recycle bin, or gone when there is none.
void DeleteToBin(const CString& strPath) {
    // The list of names ends in two NULs.
    std::vector<char> from(strPath.GetString(), strPath.GetString() + strPath.GetLength() + 1);
    from.push_back('\0');
    SHFILEOPSTRUCTA op = {};
    op.wFunc = FO_DELETE;
    op.pFrom = from.data();
    op.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;
    if (::SHFileOperationA(&op) != 0 || ExistsOnDisk(strPath, nullptr)) ::DeleteFileA(strPath);
}

// The thumbnail of a file, read in the background decoder's helper.
bool FileThumbnail(CKpBackgroundDecoder& decoder, const CString& strPath, Thumbnail& thumb) {
    Gdiplus::GpImage* pImage = nullptr;
    if (decoder.Decode(strPath, &pImage) != KpDecoded) return false;
    kfw::ScopedGpImage<Gdiplus::GpImage> image(pImage);
    UINT w = 0, h = 0;
    if (GdipGetImageWidth(pImage, &w) != Gdiplus::Ok || GdipGetImageHeight(pImage, &h) != Gdiplus::Ok) return false;
    auto* pBitmap = static_cast<Gdiplus::GpBitmap*>(pImage);
    Gdiplus::GpRect rect(0, 0, (INT)w, (INT)h);
    Gdiplus::BitmapData data;
    if (GdipBitmapLockBits(pBitmap, &rect, Gdiplus::ImageLockModeRead, PixelFormat32bppPARGB, &data) != Gdiplus::Ok)
        return false;
    thumb = MakeThumbnail(static_cast<const uint8_t*>(data.Scan0), (int)w, (int)h, data.Stride, 4);
    GdipBitmapUnlockBits(pBitmap, &data);
    return true;
}

}  // namespace kprecent

using namespace kprecent;

CKpRecentListener::~CKpRecentListener() {}

// ---- The list's side ---------------------------------------------------------------

// The list, its window for the worker's answers, and the worker.
struct CKpRecentCaptures::Impl {
    // An answer from the worker: what the list does with it on its thread.
    typedef std::function<void(Impl&)> Answer;

    class AnswerWnd : public CWnd {
    public:
        explicit AnswerWnd(Impl& impl) : m_impl(impl) {}

    protected:
        LRESULT OnAnswer(WPARAM, LPARAM lParam) {
            std::unique_ptr<Answer> answer(reinterpret_cast<Answer*>(lParam));
            (*answer)(m_impl);
            --*m_impl.pOutstanding;
            return 0;
        }
        DECLARE_MESSAGE_MAP()

    private:
        Impl& m_impl;  // not owned
    };

    struct Entry {
        Item item;
        PixelsPtr pixels;         // null once only the file has them
        bool bThumbAsked = false;  // a file's thumbnail is being read
    };

    explicit Impl(CKpRecentCaptures& owner) : owner(owner), wnd(*this), pOutstanding(std::make_shared<std::atomic<int>>(0)) {}

    // Runs job on the worker, not before dwAfterMs; the job's answers come
    // back through Answerer.
    void Post(std::function<void()> job, DWORD dwAfterMs = 0) {
        auto outstanding = pOutstanding;
        ++*outstanding;
        if (!worker.Post(
                [job, outstanding] {
                    job();
                    --*outstanding;
                },
                dwAfterMs))
            --*outstanding;
    }
    // What a job calls to send an answer back (from the worker thread).
    std::function<void(Answer)> Answerer() const {
        HWND hWnd = wnd.m_hWnd;
        auto outstanding = pOutstanding;
        return [hWnd, outstanding](Answer answer) {
            Answer* p = new (std::nothrow) Answer(std::move(answer));
            if (p == nullptr) return;
            ++*outstanding;
            if (!::PostMessageA(hWnd, WM_RECENT_ANSWER, 0, (LPARAM)p)) {
                delete p;
                --*outstanding;
            }
        };
    }

    int Find(int nId) const {
        for (size_t i = 0; i < entries.size(); ++i)
            if (entries[i].item.nId == nId) return (int)i;
        return -1;
    }
    void Changed() {
        if (owner.m_pListener != nullptr) owner.m_pListener->OnRecentChanged();
    }
    void FreeEntry(Entry& e) {
        if (e.item.hThumbnail != nullptr) ::DeleteObject(e.item.hThumbnail);
        e.item.hThumbnail = nullptr;
    }
    Entry NewEntry() {
        Entry e;
        e.item.nId = ++nLastId;
        e.item.time = {};
        e.item.nSaveState = kNotSaved;
        e.item.bInMemory = FALSE;
        e.item.hThumbnail = nullptr;
        return e;
    }

    void MakeThumbnailOf(int nId, PixelsPtr pixels) {
        auto answer = Answerer();
        Post([nId, pixels, answer] {
            Thumbnail thumb = MakeThumbnail(pixels->bits.get(), pixels->nWidth, pixels->nHeight, pixels->nStride, 3);
            answer([nId, thumb](Impl& impl) { impl.SetThumbnail(nId, thumb); });
        });
    }
    void SetThumbnail(int nId, const Thumbnail& thumb) {
        int i = Find(nId);
        if (i < 0) return;
        FreeEntry(entries[i]);
        entries[i].item.hThumbnail = ThumbnailBitmap(thumb);
        Changed();
    }

    void SaveDone(int nId, const CString& strPath, const CString& strFolder) {
        int i = Find(nId);
        if (strPath.IsEmpty()) {
            if (i >= 0) entries[i].item.nSaveState = kSaveFailed;
            if (std::find(toldFolders.begin(), toldFolders.end(), strFolder) == toldFolders.end()) {
                toldFolders.push_back(strFolder);
                if (owner.m_pListener != nullptr) owner.m_pListener->OnAutoSaveFailed(strFolder);
            }
        } else {
            // Mended, or another folder chosen: a failure later is news again.
            toldFolders.clear();
            auto deleted = std::find(deleteWhenSaved.begin(), deleteWhenSaved.end(), nId);
            if (deleted != deleteWhenSaved.end()) {
                deleteWhenSaved.erase(deleted);
                Post([strPath] { DeleteToBin(strPath); });
            }
            if (i >= 0) {
                entries[i].item.nSaveState = kSaved;
                entries[i].item.strPath = strPath;
                WriteIndex();
            }
        }
        if (i >= 0) {
            Bound();
            Changed();
        }
    }

    // The files of earlier sessions come after this session's captures.
    void AddFiles(const KpRecentFileArray& files) {
        for (const KpRecentFile& f : files) {
            bool bListed = false;
            for (const Entry& e : entries)
                if (e.item.strPath.CompareNoCase(f.strPath) == 0) bListed = true;
            if (bListed) continue;
            Entry e = NewEntry();
            e.item.time = f.time;
            e.item.size = CSize(f.nWidth, f.nHeight);
            e.item.strPath = f.strPath;
            e.item.nSaveState = kSaved;
            entries.push_back(e);
        }
        Bound();
        Changed();
    }

    // The bound: the oldest go, saved ones let go of their pixels first.
    void Bound() {
        std::vector<KpBoundItem> items;
        for (const Entry& e : entries)
            items.push_back({e.pixels != nullptr ? e.pixels->Bytes() : 0,
                             e.item.nSaveState == kSaved || e.item.nSaveState == kSaving, KpBoundItem::kKeep});
        KpBoundRecent(items.data(), (int)items.size());
        bool bFileGone = false;
        for (size_t i = items.size(); i-- > 0;) {
            if (items[i].fate == KpBoundItem::kUnload) {
                entries[i].pixels.reset();
                entries[i].item.bInMemory = FALSE;
            } else if (items[i].fate == KpBoundItem::kRemove) {
                bFileGone = bFileGone || !entries[i].item.strPath.IsEmpty();
                FreeEntry(entries[i]);
                entries.erase(entries.begin() + (ptrdiff_t)i);
            }
        }
        if (bFileGone) WriteIndex();
    }

    // The saved items as the index, newest first.
    void WriteIndex() {
        KpRecentFileArray files;
        for (const Entry& e : entries)
            if (e.item.nSaveState == kSaved && !e.item.strPath.IsEmpty())
                files.push_back({e.item.strPath, e.item.time, e.item.size.cx, e.item.size.cy});
        Post([files] { KpWriteRecentIndex(KpRecentIndexPath(), files); });
    }

    CKpRecentCaptures& owner;
    AnswerWnd wnd;
    CKpSaveWorker worker;
    CKpConfig* pConfig = nullptr;             // not owned
    std::vector<Entry> entries;               // newest first
    std::vector<CString> toldFolders;         // failures said since the last capture written
    std::vector<int> deleteWhenSaved;         // removed with their file while it was being written
    int nLastId = 0;
    // Jobs not yet run and answers not yet taken in: shared with the jobs,
    // which may outlive the list when Stop gives up on the worker.
    std::shared_ptr<std::atomic<int>> pOutstanding;
};

BEGIN_MESSAGE_MAP(CKpRecentCaptures::Impl::AnswerWnd, CWnd)
    ON_MESSAGE(CKpRecentCaptures::WM_RECENT_ANSWER, &CKpRecentCaptures::Impl::AnswerWnd::OnAnswer)
END_MESSAGE_MAP()

// ---- CKpRecentCaptures -----------------------------------------------------------------

CKpRecentCaptures::CKpRecentCaptures() : m_pImpl(nullptr), m_pListener(nullptr) {}

CKpRecentCaptures::~CKpRecentCaptures() {
    KFW_CHECK_MSG(m_pImpl == nullptr, "recent captures destroyed without Stop");
}

BOOL CKpRecentCaptures::Start(CKpConfig* pConfig) {
    if (m_pImpl != nullptr) return TRUE;
    m_pImpl = new (std::nothrow) Impl(*this);
    if (m_pImpl == nullptr) return FALSE;
    m_pImpl->pConfig = pConfig;
    if (!m_pImpl->wnd.CreateEx(0, nullptr, nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr) ||
        !m_pImpl->worker.Start()) {
        Stop(0);
        return FALSE;
    }
    auto answer = m_pImpl->Answerer();
    m_pImpl->Post([answer] {
        KpRecentFileArray files;
        KpReadRecentIndex(KpRecentIndexPath(), kKpRecentMaxItems, ExistsOnDisk, nullptr, files);
        answer([files](Impl& impl) { impl.AddFiles(files); });
    });
    return TRUE;
}

BOOL CKpRecentCaptures::Stop(DWORD dwMs) {
    if (m_pImpl == nullptr) return TRUE;
    Impl& impl = *m_pImpl;
    // The answers still to come are taken in (a capture written leaves the
    // index to be written again), until nothing is left or the time is up.
    const ULONGLONG nEnd = ::GetTickCount64() + dwMs;
    while (impl.wnd.m_hWnd != nullptr && *impl.pOutstanding > 0 && ::GetTickCount64() < nEnd) {
        MSG msg;
        if (::PeekMessageA(&msg, impl.wnd.m_hWnd, WM_RECENT_ANSWER, WM_RECENT_ANSWER, PM_REMOVE))
            ::DispatchMessageA(&msg);
        else
            ::Sleep(5);
    }
    ULONGLONG nNow = ::GetTickCount64();
    BOOL bStopped = impl.worker.Stop(nNow < nEnd ? (DWORD)(nEnd - nNow) : 0);
    if (impl.wnd.m_hWnd != nullptr) {
        // Answers no one will take in any more.
        MSG msg;
        while (::PeekMessageA(&msg, impl.wnd.m_hWnd, WM_RECENT_ANSWER, WM_RECENT_ANSWER, PM_REMOVE))
            delete reinterpret_cast<Impl::Answer*>(msg.lParam);
        impl.wnd.DestroyWindow();
    }
    for (Impl::Entry& e : impl.entries)
        impl.FreeEntry(e);
    delete m_pImpl;
    m_pImpl = nullptr;
    return bStopped;
}

BOOL CKpRecentCaptures::AddCapture(const CKpImageStore& store) {
    if (m_pImpl == nullptr) return FALSE;
    Impl& impl = *m_pImpl;
    PixelsPtr pixels = CopyPixels(store);
    if (pixels == nullptr) return FALSE;
    const KpCaptureInfo info = store.GetCaptureInfo();
    Impl::Entry e = impl.NewEntry();
    e.item.time = ClockOf(info.stTime);
    e.item.size = CSize(pixels->nWidth, pixels->nHeight);
    e.item.strTitle = info.strTitle;
    e.item.bInMemory = TRUE;
    e.pixels = pixels;
    const int nId = e.item.nId;

    CKpConfig& config = *impl.pConfig;
    if (config.GetAutoSave()) {
        e.item.nSaveState = kSaving;
        SaveOrder order;
        order.nId = nId;
        order.pixels = pixels;
        order.strFolder = GetSaveFolder();
        order.strPattern = config.GetAutoSaveName();
        order.fields.time = e.item.time;
        order.fields.strTitle = info.strTitle;
        order.fields.nCounter = (unsigned long)config.GetAutoSaveCounter();
        if (KpNamePatternUsesCounter(order.strPattern)) config.SetAutoSaveCounter(config.GetAutoSaveCounter() + 1);
        order.strExt = SaveExtension(config.GetAutoSaveFormat());
        impl.entries.insert(impl.entries.begin(), e);
        // The thumbnail first: the list shows it while the file is written.
        impl.MakeThumbnailOf(nId, pixels);
        auto answer = impl.Answerer();
        // Encoding takes a processor: it begins once the capture is on the
        // screen, not beside the program's own work of showing it.
        impl.Post(
            [order, answer] {
                CString strPath = WriteCapture(order);
                CString strFolder = order.strFolder;
                int nId = order.nId;
                answer([nId, strPath, strFolder](Impl& impl) { impl.SaveDone(nId, strPath, strFolder); });
            },
            kWriteAfterMs);
    } else {
        impl.entries.insert(impl.entries.begin(), e);
        impl.MakeThumbnailOf(nId, pixels);
    }
    impl.Bound();
    impl.Changed();
    return TRUE;
}

int CKpRecentCaptures::GetCount() const { return m_pImpl != nullptr ? (int)m_pImpl->entries.size() : 0; }

const CKpRecentCaptures::Item& CKpRecentCaptures::GetItem(int nIndex) const {
    KFW_CHECK(nIndex >= 0 && nIndex < GetCount());
    return m_pImpl->entries[(size_t)nIndex].item;
}

int CKpRecentCaptures::FindItem(int nId) const { return m_pImpl != nullptr ? m_pImpl->Find(nId) : -1; }

Gdiplus::GpImage* CKpRecentCaptures::CreateImage(int nId) const {
    int i = FindItem(nId);
    if (i < 0 || m_pImpl->entries[(size_t)i].pixels == nullptr) return nullptr;
    const Pixels24& px = *m_pImpl->entries[(size_t)i].pixels;
    kfw::ScopedGpImage<Gdiplus::GpBitmap> wrapped(WrapPixels(px));
    Gdiplus::GpBitmap* pCopy = nullptr;
    if (wrapped.get() == nullptr ||
        GdipCloneBitmapAreaI(0, 0, px.nWidth, px.nHeight, PixelFormat24bppRGB, wrapped.get(), &pCopy) != Gdiplus::Ok)
        return nullptr;
    return pCopy;
}

void CKpRecentCaptures::Remove(int nId, BOOL bDeleteFile) {
    int i = FindItem(nId);
    if (i < 0) return;
    Impl& impl = *m_pImpl;
    Impl::Entry& e = impl.entries[(size_t)i];
    const bool bHadFile = e.item.nSaveState == kSaved && !e.item.strPath.IsEmpty();
    if (bDeleteFile && e.item.nSaveState == kSaving) impl.deleteWhenSaved.push_back(nId);
    if (bDeleteFile && bHadFile) {
        CString strPath = e.item.strPath;
        impl.Post([strPath] { DeleteToBin(strPath); });
    }
    impl.FreeEntry(e);
    impl.entries.erase(impl.entries.begin() + i);
    if (bHadFile) impl.WriteIndex();
    impl.Changed();
}

void CKpRecentCaptures::LoadFileThumbnails() {
    if (m_pImpl == nullptr) return;
    Impl& impl = *m_pImpl;
    std::vector<std::pair<int, CString>> files;
    for (Impl::Entry& e : impl.entries) {
        if (e.pixels != nullptr || e.item.hThumbnail != nullptr || e.bThumbAsked || e.item.strPath.IsEmpty()) continue;
        e.bThumbAsked = true;
        files.push_back({e.item.nId, e.item.strPath});
    }
    if (files.empty()) return;
    auto answer = impl.Answerer();
    impl.Post([files, answer] {
        // One helper reads them all, one after another.
        CKpBackgroundDecoder decoder;
        for (const auto& f : files) {
            Thumbnail thumb;
            if (!FileThumbnail(decoder, f.second, thumb)) continue;
            int nId = f.first;
            answer([nId, thumb](Impl& impl) { impl.SetThumbnail(nId, thumb); });
        }
    });
}

CString CKpRecentCaptures::DefaultSaveFolder() {
    char szPath[MAX_PATH] = "";
    if (FAILED(::SHGetFolderPathA(nullptr, CSIDL_MYPICTURES | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, szPath)) &&
        FAILED(::SHGetFolderPathA(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, szPath)))
        return CHelper::GetAppPath() + "Kapto";
    CString strFolder(szPath);
    if (strFolder.ReverseFind('\\') != strFolder.GetLength() - 1) strFolder += '\\';
    return strFolder + "Kapto";
}

CString CKpRecentCaptures::GetSaveFolder() const {
    CString strFolder = m_pImpl != nullptr ? m_pImpl->pConfig->GetAutoSaveFolder() : CString();
    strFolder.Trim();
    return strFolder.IsEmpty() ? DefaultSaveFolder() : strFolder;
}

CString CKpRecentCaptures::ProposeFileName(const CKpConfig& config, const KpCaptureInfo& info) {
    KpNameFields fields;
    fields.time = ClockOf(info.stTime);
    fields.strTitle = info.strTitle;
    fields.nCounter = (unsigned long)config.GetAutoSaveCounter();
    return KpCaptureFileName(config.GetAutoSaveName(), fields, kKpMaxPathBytes - 16);
}

BOOL CKpRecentCaptures::IsIdle() const { return m_pImpl == nullptr || *m_pImpl->pOutstanding == 0; }
