// The time of OpenImage for a small PNG, a 4K PNG and a JPEG (medians), what
// decoding apart costs (the helper's decode against the same decode in this
// process, timed alternately so that the load weighs on both alike), and,
// with --corpus DIR, every file of DIR opened in a process of its own,
// counting the opens that crashed or did not end within 20 s.
//
//   open_bench [runs]
//   open_bench --corpus DIR
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>
#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include "bench_support.h"
#include "image_decoder.h"
#include "kp_config.h"
#include "kp_image_store.h"

using namespace Gdiplus::DllExports;

namespace {

bool Save(Gdiplus::GpImage* p, const std::string& path, const wchar_t* pszMime) {
    UINT num = 0, size = 0;
    if (GdipGetImageEncodersSize(&num, &size) != Gdiplus::Ok || size == 0) return false;
    std::vector<BYTE> buf(size);
    Gdiplus::ImageCodecInfo* info = (Gdiplus::ImageCodecInfo*)buf.data();
    if (GdipGetImageEncoders(num, size, info) != Gdiplus::Ok) return false;
    for (UINT i = 0; i < num; ++i)
        if (wcscmp(info[i].MimeType, pszMime) == 0) {
            std::wstring wide(path.begin(), path.end());
            return GdipSaveImageToFile(p, wide.c_str(), &info[i].Clsid, nullptr) == Gdiplus::Ok;
        }
    return false;
}

// A w x h picture with gradients and fine detail, as a screenshot has.
bool WriteImage(const std::string& path, int w, int h, const wchar_t* pszMime) {
    Gdiplus::GpBitmap* p = nullptr;
    if (GdipCreateBitmapFromScan0(w, h, 0, PixelFormat24bppRGB, nullptr, &p) != Gdiplus::Ok) return false;
    Gdiplus::GpRect rect(0, 0, w, h);
    Gdiplus::BitmapData data;
    GdipBitmapLockBits(p, &rect, Gdiplus::ImageLockModeWrite, PixelFormat24bppRGB, &data);
    for (int y = 0; y < h; ++y) {
        BYTE* row = (BYTE*)data.Scan0 + (size_t)y * data.Stride;
        for (int x = 0; x < w; ++x) {
            row[3 * x] = (BYTE)(x * 255 / w);
            row[3 * x + 1] = (BYTE)(y * 255 / h);
            row[3 * x + 2] = (BYTE)(((x / 7) ^ (y / 5)) & 1 ? 240 : 20);
        }
    }
    GdipBitmapUnlockBits(p, &data);
    bool b = Save(p, path, pszMime);
    GdipDisposeImage(p);
    return b;
}

// The decode as it was done in the program itself: the file read by GDI+
// and its pixels copied into a bitmap of the program's own.
bool DecodeHere(const std::string& path) {
    std::wstring wide(path.begin(), path.end());
    Gdiplus::GpBitmap* pFile = nullptr;
    if (GdipCreateBitmapFromFile(wide.c_str(), &pFile) != Gdiplus::Ok) return false;
    UINT w = 0, h = 0;
    GdipGetImageWidth(pFile, &w);
    GdipGetImageHeight(pFile, &h);
    Gdiplus::GpBitmap* pCopy = nullptr;
    Gdiplus::GpStatus s = GdipCloneBitmapAreaI(0, 0, (INT)w, (INT)h, PixelFormat24bppRGB, pFile, &pCopy);
    if (pCopy != nullptr) {
        // The clone may share the file's pixels until they are read.
        Gdiplus::GpRect rect(0, 0, (INT)w, (INT)h);
        Gdiplus::BitmapData data;
        if (GdipBitmapLockBits(pCopy, &rect, Gdiplus::ImageLockModeRead, PixelFormat24bppRGB, &data) == Gdiplus::Ok)
            GdipBitmapUnlockBits(pCopy, &data);
        GdipDisposeImage(pCopy);
    }
    GdipDisposeImage(pFile);
    return s == Gdiplus::Ok;
}

bool DecodeApart(const std::string& path) {
    Gdiplus::GpImage* p = nullptr;
    KpDecodeResult r = KpDecodeImageFile(path.c_str(), &p);
    if (p != nullptr) GdipDisposeImage(p);
    return r == KpDecoded;
}

int OpenOne(const char* pszPath) {
    CKpConfig config;
    CWnd view;
    view.CreateEx(0, AfxRegisterWndClass(0), "open", WS_POPUP, 0, 0, 390, 280, nullptr, nullptr);
    CKpImageStore store(config);
    store.SetViewWnd(&view);
    int n = store.OpenImage(pszPath);
    store.ClearGdiplusImage();
    return n ? 10 : 11;
}

// Each file of the folder opened by a child process running OpenOne.
int RunCorpus(const std::string& dir) {
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    WIN32_FIND_DATAA fd;
    HANDLE hFind = FindFirstFileA((dir + "\\*").c_str(), &fd);
    if (hFind == INVALID_HANDLE_VALUE) return 1;
    int nFiles = 0, nOpened = 0, nRefused = 0, nCrashed = 0, nHung = 0;
    do {
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        std::string path = dir + "\\" + fd.cFileName;
        std::string cmd = std::string("\"") + self + "\" --open-one \"" + path + "\"";
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi;
        if (!CreateProcessA(self, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) continue;
        ++nFiles;
        DWORD code = 0;
        if (WaitForSingleObject(pi.hProcess, 20000) == WAIT_TIMEOUT) {
            TerminateProcess(pi.hProcess, 99);
            WaitForSingleObject(pi.hProcess, 5000);
            ++nHung;
            printf("hung: %s\n", fd.cFileName);
        } else {
            GetExitCodeProcess(pi.hProcess, &code);
            if (code == 10)
                ++nOpened;
            else if (code == 11)
                ++nRefused;
            else {
                ++nCrashed;
                printf("crashed (%#lx): %s\n", code, fd.cFileName);
            }
        }
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
    } while (FindNextFileA(hFind, &fd));
    FindClose(hFind);
    printf("%d files: %d opened, %d refused, %d crashed, %d hung\n", nFiles, nOpened, nRefused, nCrashed, nHung);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&token, &input, nullptr);
    if (argc == 3 && strcmp(argv[1], "--open-one") == 0) {
        SetErrorMode(SEM_NOGPFAULTERRORBOX | SEM_FAILCRITICALERRORS);
        return OpenOne(argv[2]);
    }
    if (argc == 3 && strcmp(argv[1], "--corpus") == 0) return RunCorpus(argv[2]);
    int runs = argc > 1 ? atoi(argv[1]) : 11;
    if (runs < 3) runs = 3;

    char tmp[MAX_PATH];
    GetTempPathA(MAX_PATH, tmp);
    const struct {
        const char* pszLabel;
        std::string path;
        int w, h;
        const wchar_t* pszMime;
    } files[] = {
        {"small PNG 64x48", std::string(tmp) + "open_bench_small.png", 64, 48, L"image/png"},
        {"4K PNG 3840x2160", std::string(tmp) + "open_bench_4k.png", 3840, 2160, L"image/png"},
        {"JPEG 1920x1080", std::string(tmp) + "open_bench.jpg", 1920, 1080, L"image/jpeg"},
    };
    CKpConfig config;
    CWnd view;
    view.CreateEx(0, AfxRegisterWndClass(0), "open bench", WS_POPUP, 0, 0, 390, 280, nullptr, nullptr);
    CKpImageStore store(config);
    store.SetViewWnd(&view);
    printf("OpenImage, median of %d (ms)\n", runs);
    for (const auto& f : files) {
        bench::Require(WriteImage(f.path, f.w, f.h, f.pszMime), "writing the file");
        store.OpenImage(f.path.c_str());  // warm the caches
        double ms = bench::MedianMs(runs, [&] { return store.OpenImage(f.path.c_str()) == 1; });
        bench::Paired apart = bench::TimePaired(
            runs, "decoding apart", [&] { return DecodeApart(f.path); }, [&] { DecodeHere(f.path); });
        printf("  %-18s %8.1f   decode apart %7.1f, in the program %7.1f: %+7.1f ms\n", f.pszLabel, ms, apart.opMs,
               apart.copyMs, apart.opMs - apart.copyMs);
        DeleteFileA(f.path.c_str());
    }
    store.ClearGdiplusImage();
    Gdiplus::GdiplusShutdown(token);
    return 0;
}
