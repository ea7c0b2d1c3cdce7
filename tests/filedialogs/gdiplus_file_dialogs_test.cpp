// The image file dialogs, shown for real and driven from a second thread with
// SendInput, as a user would: file types offered, the encoder chosen by type
// and by typed extension, refused names, cancel.
#include "framework/platform.h"

// The framework asks for a lean <windows.h>; GDI+ needs the OLE types too.
#include <objidl.h>
#include <gdiplus.h>
#include <commdlg.h>
#include <dlgs.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/gdiplus_codecs.h"

#include "gdiplus_file_dialogs.h"
#include "support/input_events.h"

using namespace Gdiplus::DllExports;
using namespace testinput;

namespace {

const GUID kJpegEncoder = {0x557cf401, 0x1a04, 0x11d3, {0x9a, 0x73, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
const GUID kGifEncoder = {0x557cf402, 0x1a04, 0x11d3, {0x9a, 0x73, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
const GUID kPngEncoder = {0x557cf406, 0x1a04, 0x11d3, {0x9a, 0x73, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};

struct RawCodec {
    std::string strFormat;      // as GDI+ gives it (ASCII)
    std::string strExtensions;  // lower-cased by hand
    GUID clsid;
};

std::string Narrow(const wchar_t* psz) {
    std::string s;
    for (; psz != nullptr && *psz != 0; ++psz)
        s += (char)*psz;
    return s;
}

std::vector<RawCodec> ReadCodecs(bool bEncoders) {
    std::vector<RawCodec> out;
    for (const kptest::RawCodec& c : kptest::ReadCodecs(bEncoders)) {
        std::string strExt = Narrow(c.extensions.c_str());
        for (char& ch : strExt)
            ch = (char)tolower((unsigned char)ch);
        out.push_back({Narrow(c.format.c_str()), strExt, c.clsid});
    }
    return out;
}

int IndexOf(const std::vector<RawCodec>& codecs, const GUID& clsid) {
    for (size_t i = 0; i < codecs.size(); ++i) {
        if (IsEqualGUID(codecs[i].clsid, clsid)) return (int)i;
    }
    return -1;
}

// The (display text, patterns) pairs of a NUL-separated filter list.
std::vector<std::pair<std::string, std::string>> SplitFilter(const char* p) {
    std::vector<std::pair<std::string, std::string>> out;
    while (p != nullptr && *p != 0) {
        std::string strText = p;
        p += strText.size() + 1;
        std::string strPatterns = p;
        p += strPatterns.size() + 1;
        out.emplace_back(strText, strPatterns);
    }
    return out;
}

// ---- The user at the keyboard: a second thread ------------------------------

enum StepKind { kType, kEnter, kSelectType, kExpectOpen, kCancel, kBackspaces, kReadTypes };

struct Step {
    StepKind kind;
    const wchar_t* pszText;  // kType
    int nIndex;              // kSelectType: 0-based file type; kBackspaces: count
};

struct Driver {
    DWORD dwDialogThread;
    std::vector<Step> steps;
    // One by one: GCC 12 warns falsely on assigning a braced list here.
    void SetSteps(std::initializer_list<Step> list) {
        steps.clear();
        for (const Step& s : list)
            steps.push_back(s);
    }
    // Results
    bool bFoundDialog = false;
    bool bStayedOpen = true;  // every kExpectOpen saw the dialog still there
    bool bHadToClose = false;
    std::vector<std::string> types;  // kReadTypes: texts of the file-type list
};

void SendText(const wchar_t* psz) {
    for (; *psz != 0; ++psz) {
        INPUT in[2] = {};
        in[0].type = in[1].type = INPUT_KEYBOARD;
        in[0].ki.wScan = in[1].ki.wScan = *psz;
        in[0].ki.dwFlags = KEYEVENTF_UNICODE;
        in[1].ki.dwFlags = KEYEVENTF_UNICODE | KEYEVENTF_KEYUP;
        SendInput(2, in, sizeof(INPUT));
    }
}

DWORD WINAPI DriverThread(LPVOID pParam) {
    Driver* d = static_cast<Driver*>(pParam);
    HWND hFrame = FindDialog(d->dwDialogThread, 10000);
    if (hFrame == nullptr) return 0;
    d->bFoundDialog = true;
    Sleep(500);  // let the dialog finish its initialisation
    SetForegroundWindow(hFrame);
    for (const Step& s : d->steps) {
        switch (s.kind) {
            case kType:
                SendText(s.pszText);
                break;
            case kBackspaces:
                for (int i = 0; i < s.nIndex; ++i)
                    SendKey(VK_BACK);
                break;
            case kEnter:
                SendKey(VK_RETURN);
                break;
            case kSelectType: {
                // What picking an entry of the file-type list does.
                HWND hCombo = GetDlgItem(hFrame, cmb1);
                SendMessageA(hCombo, CB_SETCURSEL, s.nIndex, 0);
                SendMessageA(hFrame, WM_COMMAND, MAKEWPARAM(cmb1, CBN_SELCHANGE), (LPARAM)hCombo);
                SendMessageA(hFrame, WM_COMMAND, MAKEWPARAM(cmb1, CBN_SELENDOK), (LPARAM)hCombo);
                break;
            }
            case kReadTypes: {
                HWND hCombo = GetDlgItem(hFrame, cmb1);
                int n = (int)SendMessageA(hCombo, CB_GETCOUNT, 0, 0);
                for (int i = 0; i < n; ++i) {
                    char sz[512] = {};
                    if (SendMessageA(hCombo, CB_GETLBTEXTLEN, i, 0) < (LRESULT)sizeof(sz))
                        SendMessageA(hCombo, CB_GETLBTEXT, i, (LPARAM)sz);
                    d->types.push_back(sz);
                }
                break;
            }
            case kExpectOpen:
                Sleep(700);
                if (!IsWindow(hFrame) || !IsWindowVisible(hFrame)) d->bStayedOpen = false;
                break;
            case kCancel:
                SendKey(VK_ESCAPE);
                break;
        }
        Sleep(150);
    }
    // A dialog still up after the last step would hang the test: close it
    // and say so.
    DWORD dwEnd = GetTickCount() + 5000;
    while (IsWindow(hFrame) && (LONG)(GetTickCount() - dwEnd) < 0)
        Sleep(50);
    if (IsWindow(hFrame)) {
        d->bHadToClose = true;
        PostMessageA(hFrame, WM_COMMAND, IDCANCEL, 0);
    }
    return 0;
}

// Shows dlg modally on this thread while the steps run on another.
template <class Dialog>
INT_PTR RunDriven(Dialog& dlg, Driver& d) {
    d.dwDialogThread = GetCurrentThreadId();
    HANDLE hThread = CreateThread(nullptr, 0, DriverThread, &d, 0, nullptr);
    INT_PTR nResult = dlg.DoModal();
    WaitForSingleObject(hThread, 30000);
    CloseHandle(hThread);
    return nResult;
}

// Exposes what the tests look at after the dialog has gone.
class TestSaveDialog : public CGdiplusFileSaveAsDialog {
public:
    using CGdiplusFileSaveAsDialog::CGdiplusFileSaveAsDialog;
    int CatalogueSize() const { return m_arrCodecInfo.GetSize(); }
};

// A save dialog with a catalogue of its own instead of the machine's.
class InjectedSaveDialog : public TestSaveDialog {
public:
    struct Codec {
        const wchar_t* pszFormat;
        const wchar_t* pszExtensions;
        GUID clsid;
    };
    explicit InjectedSaveDialog(std::vector<Codec> codecs) : m_codecs(std::move(codecs)) {}
    void FillCodecInfoArray() override {
        for (const Codec& c : m_codecs)
            m_arrCodecInfo.Add(new CGdiplusCodecInfo(c.pszFormat, c.pszExtensions, c.clsid));
    }

private:
    std::vector<Codec> m_codecs;
};

class TestOpenDialog : public CGdiplusFileOpenDialog {
public:
    using CGdiplusFileOpenDialog::CGdiplusFileOpenDialog;
    int CatalogueSize() const { return m_arrCodecInfo.GetSize(); }
};

class FileDialogTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        Gdiplus::GdiplusStartupInput input;
        ASSERT_EQ(Gdiplus::GdiplusStartup(&s_token, &input, nullptr), Gdiplus::Ok);
    }
    static void TearDownTestSuite() { Gdiplus::GdiplusShutdown(s_token); }

    void SetUp() override {
        char szTemp[MAX_PATH];
        GetTempPathA(MAX_PATH, szTemp);
        m_strDir = std::string(szTemp) + "kpdlg" + std::to_string(GetTickCount());
        ASSERT_TRUE(CreateDirectoryA(m_strDir.c_str(), nullptr));
        m_encoders = ReadCodecs(true);
        m_nPng = IndexOf(m_encoders, kPngEncoder);
        m_nGif = IndexOf(m_encoders, kGifEncoder);
        ASSERT_GE(m_nPng, 0);
        ASSERT_GE(m_nGif, 0);
    }

    void TearDown() override {
        WIN32_FIND_DATAA fd;
        HANDLE h = FindFirstFileA((m_strDir + "\\*").c_str(), &fd);
        if (h != INVALID_HANDLE_VALUE) {
            do {
                if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                    DeleteFileA((m_strDir + "\\" + fd.cFileName).c_str());
            } while (FindNextFileA(h, &fd));
            FindClose(h);
        }
        RemoveDirectoryA(m_strDir.c_str());
    }

    // A save dialog in the test folder with file type nIndex (0-based)
    // selected at the start.
    void Prepare(CGdiplusFileSaveAsDialog& dlg, int nIndex) {
        dlg.m_ofn.lpstrInitialDir = m_strDir.c_str();
        dlg.m_ofn.nFilterIndex = nIndex + 1;
    }

    int FilesInDir() const {
        int n = 0;
        WIN32_FIND_DATAA fd;
        HANDLE h = FindFirstFileA((m_strDir + "\\*").c_str(), &fd);
        if (h == INVALID_HANDLE_VALUE) return 0;
        do {
            n += (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? 0 : 1;
        } while (FindNextFileA(h, &fd));
        FindClose(h);
        return n;
    }

    // Saves a small image to the chosen path with the chosen encoder and
    // returns the file's first bytes.
    static std::string SaveAndReadHead(const CString& strPath, const GUID& clsid) {
        Gdiplus::GpBitmap* pBitmap = nullptr;
        if (GdipCreateBitmapFromScan0(8, 8, 0, PixelFormat24bppRGB, nullptr, &pBitmap) != Gdiplus::Ok) return "";
        wchar_t szPath[MAX_PATH];
        MultiByteToWideChar(CP_ACP, 0, strPath, -1, szPath, MAX_PATH);
        Gdiplus::GpStatus status = GdipSaveImageToFile(pBitmap, szPath, &clsid, nullptr);
        GdipDisposeImage(pBitmap);
        if (status != Gdiplus::Ok) return "";
        HANDLE h = CreateFileA(strPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE) return "";
        char buf[8] = {};
        DWORD nRead = 0;
        ReadFile(h, buf, sizeof(buf), &nRead, nullptr);
        CloseHandle(h);
        return std::string(buf, nRead);
    }

    static bool EndsWith(const CString& s, const char* pszTail) {
        int n = lstrlenA(pszTail);
        return s.GetLength() >= n && s.Right(n) == pszTail;
    }

    static ULONG_PTR s_token;
    std::string m_strDir;
    std::vector<RawCodec> m_encoders;
    int m_nPng = -1;
    int m_nGif = -1;
};

ULONG_PTR FileDialogTest::s_token = 0;

TEST_F(FileDialogTest, SaveTypesAreTheEncoders) {
    TestSaveDialog dlg;
    Prepare(dlg, 0);
    Driver d;
    d.SetSteps({{kReadTypes, nullptr, 0}, {kCancel, nullptr, 0}});
    EXPECT_EQ(RunDriven(dlg, d), IDCANCEL);
    ASSERT_TRUE(d.bFoundDialog);
    EXPECT_FALSE(d.bHadToClose);

    // "<format> 文件(<patterns>)" with the patterns in lower case, one type
    // per encoder and nothing else.
    std::vector<std::pair<std::string, std::string>> filter = SplitFilter(dlg.m_ofn.lpstrFilter);
    ASSERT_EQ(filter.size(), m_encoders.size());
    for (size_t i = 0; i < m_encoders.size(); ++i) {
        std::string strText = m_encoders[i].strFormat + " 文件(" + m_encoders[i].strExtensions + ")";
        EXPECT_EQ(filter[i].first, strText);
        EXPECT_EQ(filter[i].second, m_encoders[i].strExtensions);
        if (i < d.types.size()) {
            EXPECT_EQ(d.types[i], strText);
        }
    }
    EXPECT_EQ(d.types.size(), m_encoders.size());
    // The catalogue goes with the dialog window.
    EXPECT_EQ(dlg.CatalogueSize(), 0);
}

TEST_F(FileDialogTest, OpenTypesStartWithAllSupportedImages) {
    std::vector<RawCodec> decoders = ReadCodecs(false);
    ASSERT_FALSE(decoders.empty());
    TestOpenDialog dlg;
    dlg.m_ofn.lpstrInitialDir = m_strDir.c_str();
    Driver d;
    d.SetSteps({{kReadTypes, nullptr, 0}, {kCancel, nullptr, 0}});
    EXPECT_EQ(RunDriven(dlg, d), IDCANCEL);
    ASSERT_TRUE(d.bFoundDialog);

    std::vector<std::pair<std::string, std::string>> filter = SplitFilter(dlg.m_ofn.lpstrFilter);
    ASSERT_EQ(filter.size(), decoders.size() + 1);
    std::string strAll;
    for (size_t i = 0; i < decoders.size(); ++i)
        strAll += (i ? ";" : "") + decoders[i].strExtensions;
    EXPECT_EQ(filter[0].first, "所有支持的图像文件");
    EXPECT_EQ(filter[0].second, strAll);
    for (size_t i = 0; i < decoders.size(); ++i) {
        EXPECT_EQ(filter[i + 1].first, decoders[i].strFormat + " 文件(" + decoders[i].strExtensions + ")");
        EXPECT_EQ(filter[i + 1].second, decoders[i].strExtensions);
    }
    ASSERT_EQ(d.types.size(), decoders.size() + 1);
    EXPECT_EQ(d.types[0], "所有支持的图像文件");
    EXPECT_EQ(dlg.CatalogueSize(), 0);
}

TEST_F(FileDialogTest, TypedExtensionChoosesItsEncoder) {
    TestSaveDialog dlg;
    Prepare(dlg, m_nPng);
    Driver d;
    d.SetSteps({{kType, L"shot.JPEG", 0}, {kEnter, nullptr, 0}});
    char szBefore[MAX_PATH] = "", szAfter[MAX_PATH] = "";
    GetCurrentDirectoryA(MAX_PATH, szBefore);
    ASSERT_EQ(RunDriven(dlg, d), IDOK);
    GetCurrentDirectoryA(MAX_PATH, szAfter);
    EXPECT_STREQ(szBefore, szAfter) << "the current folder followed the dialog";
    EXPECT_FALSE(d.bHadToClose);
    EXPECT_TRUE(IsEqualGUID(dlg.GetCodecCLSID(), kJpegEncoder));
    EXPECT_EQ(dlg.GetPathName(), CString((m_strDir + "\\shot.JPEG").c_str()));
    EXPECT_EQ(dlg.GetFileName(), "shot.JPEG");
    EXPECT_EQ(SaveAndReadHead(dlg.GetPathName(), dlg.GetCodecCLSID()).substr(0, 3), "\xFF\xD8\xFF");
}

TEST_F(FileDialogTest, UnknownExtensionKeepsTheDialogOpen) {
    TestSaveDialog dlg;
    Prepare(dlg, m_nPng);
    Driver d;
    // Refused, then an alternative pattern of one codec, after a refusal of
    // the same search.
    d.SetSteps({{kType, L"shot.xyz", 0},
                {kEnter, nullptr, 0},
                {kExpectOpen, nullptr, 0},
                {kBackspaces, nullptr, 12},
                {kType, L"shot.jpe", 0},
                {kEnter, nullptr, 0}});
    ASSERT_EQ(RunDriven(dlg, d), IDOK);
    EXPECT_TRUE(d.bStayedOpen);
    EXPECT_FALSE(d.bHadToClose);
    EXPECT_TRUE(IsEqualGUID(dlg.GetCodecCLSID(), kJpegEncoder));
    EXPECT_TRUE(EndsWith(dlg.GetPathName(), "\\shot.jpe")) << dlg.GetPathName().GetString();
}

TEST_F(FileDialogTest, NameWithoutExtensionTakesTheSelectedType) {
    TestSaveDialog dlg;
    Prepare(dlg, m_nPng);
    Driver d;
    d.SetSteps({{kSelectType, nullptr, m_nGif}, {kType, L"shot", 0}, {kEnter, nullptr, 0}});
    ASSERT_EQ(RunDriven(dlg, d), IDOK);
    EXPECT_FALSE(d.bHadToClose);
    EXPECT_TRUE(IsEqualGUID(dlg.GetCodecCLSID(), kGifEncoder));
    EXPECT_EQ(dlg.GetPathName(), CString((m_strDir + "\\shot.gif").c_str()));
    EXPECT_EQ(SaveAndReadHead(dlg.GetPathName(), dlg.GetCodecCLSID()).substr(0, 3), "GIF");
}

TEST_F(FileDialogTest, InitialTypeChoosesItsEncoder) {
    TestSaveDialog dlg;
    Prepare(dlg, m_nPng);
    Driver d;
    d.SetSteps({{kType, L"shot", 0}, {kEnter, nullptr, 0}});
    ASSERT_EQ(RunDriven(dlg, d), IDOK);
    EXPECT_TRUE(IsEqualGUID(dlg.GetCodecCLSID(), kPngEncoder));
    EXPECT_TRUE(EndsWith(dlg.GetPathName(), "\\shot.png")) << dlg.GetPathName().GetString();
    EXPECT_EQ(SaveAndReadHead(dlg.GetPathName(), dlg.GetCodecCLSID()).substr(0, 4), "\x89PNG");
}

TEST_F(FileDialogTest, CancelChangesNothing) {
    TestSaveDialog dlg("Snap1");
    Prepare(dlg, m_nPng);
    Driver d;
    d.SetSteps({{kType, L"x.jpg", 0}, {kCancel, nullptr, 0}});
    EXPECT_EQ(RunDriven(dlg, d), IDCANCEL);
    ASSERT_TRUE(d.bFoundDialog);
    EXPECT_FALSE(d.bHadToClose);
    EXPECT_EQ(FilesInDir(), 0);
    EXPECT_EQ(dlg.CatalogueSize(), 0);
}

TEST_F(FileDialogTest, FilterKeepsDoubleByteCharactersWhole) {
    // The second byte of 億 in code page 936 is '|' (83 7C).
    InjectedSaveDialog dlg({{L"\u5104\u50cf", L"*.IMG", kPngEncoder}, {L"JPEG", L"*.JPG", kJpegEncoder}});
    Prepare(dlg, 0);
    Driver d;
    d.SetSteps({{kReadTypes, nullptr, 0}, {kCancel, nullptr, 0}});
    EXPECT_EQ(RunDriven(dlg, d), IDCANCEL);
    ASSERT_TRUE(d.bFoundDialog);
    std::vector<std::pair<std::string, std::string>> filter = SplitFilter(dlg.m_ofn.lpstrFilter);
    ASSERT_EQ(filter.size(), 2u);
    EXPECT_EQ(filter[0].first, "\x83\x7c\xcf\xf1 文件(*.img)");
    EXPECT_EQ(filter[0].second, "*.img");
    EXPECT_EQ(filter[1].first, "JPEG 文件(*.jpg)");
    EXPECT_EQ(filter[1].second, "*.jpg");
    ASSERT_EQ(d.types.size(), 2u);
    EXPECT_EQ(d.types[0], "\x83\x7c\xcf\xf1 文件(*.img)");
}

TEST_F(FileDialogTest, EmptyCatalogueRefusesEveryExtension) {
    InjectedSaveDialog dlg({});
    Prepare(dlg, 0);
    Driver d;
    d.SetSteps({{kType, L"shot.png", 0}, {kEnter, nullptr, 0}, {kExpectOpen, nullptr, 0}, {kCancel, nullptr, 0}});
    EXPECT_EQ(RunDriven(dlg, d), IDCANCEL);
    ASSERT_TRUE(d.bFoundDialog);
    EXPECT_TRUE(d.bStayedOpen);
    EXPECT_FALSE(d.bHadToClose);
    EXPECT_EQ(FilesInDir(), 0);
}

}  // namespace
