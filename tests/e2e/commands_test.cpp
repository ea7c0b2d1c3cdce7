// The commands on a capture as a person uses them: the image options' check
// boxes, Save in every format the system writes, Open, Copy and Paste (also
// while another program holds the clipboard), printing to the PDF printer,
// the options sheet moving a hot key, a hot key another program holds, the
// tray icon, and a long mixed session that must not make the program grow.
#include "e2e/e2e_support.h"

#include <algorithm>

#include <commctrl.h>
#include <prsht.h>

#include "shell/print_server.h"
#include "support/clipboard_holder.h"
#include "support/temp_files.h"
#include "support/unix_side.h"

namespace {

using namespace e2e;

const UINT kCmdOpen = 0xE101, kCmdPrint = 0xE107, kCmdPaste = 0xE125, kCmdCopyThumb = 32801, kCmdClear = 0xE120;
const UINT kCmdFullScreen = 32795, kCmdGrayScale = 32810, kCmdShowHide = 32799, kCmdOptions = 32830;
const int kHotkeyShowHide = 1036;  // its control on the options sheet's third page

// Kapto with automatic copying on: each capture lands on the clipboard too.
class Commands : public Scenario {
protected:
    void SetUp() override {
        Scenario::SetUp();
        if (HasFatalFailure()) return;
        m_strDir = kptest::NamedTempDir("kapto-e2e-files");
        ASSERT_TRUE(StartKapto([](CKpConfig& c) { c.SetAutoCopy(1); }));
        m_hMain = m_kapto.Main();
    }
    void TearDown() override {
        Scenario::TearDown();
        for (const char* pszName :
             {"snap.bmp", "snap.jpg", "snap.gif", "snap.tif", "snap.png", "text.png", "empty.png", "small.png"})
            ::DeleteFileA((m_strDir + pszName).c_str());
    }

    // What the Copy button puts on the (emptied) clipboard.
    Picture CopyButton() {
        EXPECT_TRUE(ClearClipboard());
        ClickControl(m_hMain, ids::kCopy);
        Picture copied;
        EXPECT_TRUE(WaitForClipboardPicture(copied)) << "the Copy button put nothing there";
        return copied;
    }

    void Command(UINT nId) { ::PostMessageA(m_hMain, WM_COMMAND, nId, 0); }

    std::string m_strDir;  // ends in a separator
    HWND m_hMain = nullptr;
};

Picture FlippedLeftRight(const Picture& in) {
    Picture out = in;
    for (int y = 0; y < in.nHeight; ++y)
        for (int x = 0; x < in.nWidth; ++x)
            out.pixels[(size_t)y * in.nWidth + x] = in.pixels[(size_t)y * in.nWidth + (in.nWidth - 1 - x)];
    return out;
}

// ---- Image options ---------------------------------------------------------------------

TEST_F(Commands, AFlipTickedTurnsTheCaptureAndIsThereAfterARestart) {
    const Picture captured = CaptureScreen();
    Picture view = ViewPicture(m_hMain);
    ClickControl(m_hMain, ids::kFlipHorz);
    ASSERT_TRUE(WaitForNewThumbnail(view)) << "the thumbnail did not turn";
    ExpectSamePicture(FlippedLeftRight(captured), CopyButton(), "flipped");
    ASSERT_TRUE(ExitKapto());
    EXPECT_EQ(1, StoredSettings().GetFlipHorz());

    ASSERT_TRUE(StartKaptoAsIs());
    EXPECT_EQ(BST_CHECKED, ::SendDlgItemMessageA(m_kapto.Main(), ids::kFlipHorz, BM_GETCHECK, 0, 0));
}

// ---- Files -------------------------------------------------------------------------------

TEST_F(Commands, SaveWritesEveryFormatAndAReadOnlyFolderIsTold) {
    const Picture captured = CaptureScreen();
    const struct {
        const char* pszExt;
        double dMaxMean;  // mean channel difference allowed: 0 for the lossless ones
    } formats[] = {{"bmp", 0}, {"png", 0}, {"tif", 0}, {"jpg", 6}};
    for (const auto& f : formats) {
        SCOPED_TRACE(f.pszExt);
        const std::string strPath = m_strDir + "snap." + f.pszExt;
        ClickControl(m_hMain, ids::kSaveAs);
        ASSERT_TRUE(AnswerFileDialog(m_kapto, strPath)) << "no save dialog";
        Picture saved;
        ASSERT_TRUE(Await(
            strPath + " saved", [&] { return !(saved = FilePicture(strPath)).Empty(); }, 10000));
        if (f.dMaxMean == 0) {
            ExpectSamePicture(captured, saved, f.pszExt);
        } else {
            double dMean = MeanDifference(captured, saved);
            EXPECT_GE(dMean, 0) << "another size";
            EXPECT_LE(dMean, f.dMaxMean);
        }
    }

    LockedFolder readOnly("kapto-e2e-read-only");
    if (!readOnly.Lock()) GTEST_SKIP() << "chattr +i refused here (it needs CAP_LINUX_IMMUTABLE)";
    const std::string strPath = readOnly.Dir() + "snap.png";
    ClickControl(m_hMain, ids::kSaveAs);
    ASSERT_TRUE(AnswerFileDialog(m_kapto, strPath));
    EXPECT_EQ("无法保存图像文件“" + strPath + "”。\n请检查磁盘空间、文件夹的写入权限和文件类型。",
              AnswerMessageBox(m_kapto));
    EXPECT_TRUE(readOnly.Files().empty()) << "something was written";
}

TEST_F(Commands, SaveWritesAGifOfTheCapture) {
    if (kaptotest::RunningUnderWine())
        GTEST_SKIP() << "Wine's GIF encoder writes a header and no pixels for a 24-bit image";
    const Picture captured = CaptureScreen();
    const std::string strPath = m_strDir + "snap.gif";
    ClickControl(m_hMain, ids::kSaveAs);
    ASSERT_TRUE(AnswerFileDialog(m_kapto, strPath)) << "no save dialog";
    Picture saved;
    ASSERT_TRUE(WaitFor([&] { return !(saved = FilePicture(strPath)).Empty(); }, 10000)) << "nothing saved";
    // 256 colours at most: near, not exact.
    double dMean = MeanDifference(captured, saved);
    EXPECT_GE(dMean, 0) << "another size";
    EXPECT_LE(dMean, 24);
}

// A PNG of 30000 x 30000 grey pixels, made once by the Unix side (a few
// megabytes: the rows are all zero).
std::string HugePng(const std::string& strDir) {
    const std::string strPath = strDir + "huge-30000.png";
    if (kptest::FileExists(strPath)) return strPath;
    const std::string strScript = strDir + "huge-png.py";
    kptest::WriteBytes(
        strScript,
        "import struct, sys, zlib\n"
        "w = h = 30000\n"
        "def chunk(t, d):\n"
        "    return struct.pack('>I', len(d)) + t + d + struct.pack('>I', zlib.crc32(t + d))\n"
        "z = zlib.compressobj(1)\n"
        "row = bytes(w + 1)\n"
        "idat = b''.join([z.compress(row) for _ in range(h)] + [z.flush()])\n"
        "with open(sys.argv[1] + '.part', 'wb') as f:\n"
        "    f.write(b'\\x89PNG\\r\\n\\x1a\\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, 8, 0, 0, 0, 0))"
        " + chunk(b'IDAT', idat) + chunk(b'IEND', b''))\n");
    kptest::RunUnixShell("python3 '" + kptest::ToUnix(strScript) + "' '" + kptest::ToUnix(strPath) + "' && mv '" +
                         kptest::ToUnix(strPath) + ".part' '" + kptest::ToUnix(strPath) + "'");
    ::DeleteFileA(strScript.c_str());
    return strPath;
}

TEST_F(Commands, OpenRefusesWhatIsNoImageOrTooLargeKeepsTheCaptureAndTakesAnImage) {
    const Picture captured = CaptureScreen();
    const std::string strText = m_strDir + "text.png", strEmpty = m_strDir + "empty.png";
    ASSERT_TRUE(kptest::WriteBytes(strText, "not an image at all"));
    ASSERT_TRUE(kptest::WriteBytes(strEmpty, ""));
    const std::string strHuge = HugePng(m_strDir);
    ASSERT_TRUE(kptest::FileExists(strHuge)) << "python3 could not make the large PNG";
    const struct {
        std::string strPath;
        const char* pszWhy;
    } refused[] = {
        {strText, "：它不是可读的图像文件。"},
        {strEmpty, "：它不是可读的图像文件。"},
        {strHuge, "：图像太大，超过了可以处理的 6400 万像素。"},
    };
    for (const auto& r : refused) {
        SCOPED_TRACE(r.strPath);
        Command(kCmdOpen);
        ASSERT_TRUE(AnswerFileDialog(m_kapto, r.strPath)) << "no open dialog";
        EXPECT_EQ("无法打开“" + r.strPath + "”" + r.pszWhy + "\n当前的图像保持不变。", AnswerMessageBox(m_kapto));
    }
    ExpectSamePicture(captured, CopyButton(), "kept");

    const Picture bands = Bands(96, 64);
    const std::string strSmall = m_strDir + "small.png";
    ASSERT_TRUE(SavePng(bands, strSmall));
    Picture view = ViewPicture(m_hMain);
    Command(kCmdOpen);
    ASSERT_TRUE(AnswerFileDialog(m_kapto, strSmall));
    ASSERT_TRUE(WaitForNewThumbnail(view));
    ExpectSamePicture(bands, CopyButton(), "opened");

    // A copy of the program under another name, in a folder whose name the
    // program's code page cannot spell, opens it too: its helper is itself.
    ASSERT_TRUE(ExitKapto());
    const std::string strTemp = kptest::TempRoot();
    const std::wstring strDir = std::wstring(strTemp.begin(), strTemp.end()) + L"\\Kapto-\u00F8\u0915\\";
    const std::wstring strExe = strDir + L"\u622A\u56FE\u0915.exe";  // 截图क.exe
    ::CreateDirectoryW(strDir.c_str(), nullptr);
    std::vector<std::wstring> copies = {strExe};
    for (const char* pszName : {"Kaptolib.dll", "kfw.dll", "Hook.dll", "config.xml"}) {
        const std::string strFrom = ExeDir() + pszName;
        copies.push_back(strDir + std::wstring(pszName, pszName + strlen(pszName)));
        ASSERT_TRUE(::CopyFileW(std::wstring(strFrom.begin(), strFrom.end()).c_str(), copies.back().c_str(), FALSE));
    }
    const std::string strKapto = ExeDir() + "Kapto.exe";
    ASSERT_TRUE(::CopyFileW(std::wstring(strKapto.begin(), strKapto.end()).c_str(), strExe.c_str(), FALSE));
    ASSERT_TRUE(m_kapto.StartProgram(strExe) && m_kapto.WaitVisible(true));
    m_hMain = m_kapto.Main();
    view = ViewPicture(m_hMain);
    Command(kCmdOpen);
    ASSERT_TRUE(AnswerFileDialog(m_kapto, strSmall));
    EXPECT_TRUE(WaitForNewThumbnail(view)) << "not opened: " << AnswerMessageBox(m_kapto, 1000);
    ExpectSamePicture(bands, CopyButton(), "opened by the renamed program");
    EXPECT_TRUE(ExitKapto());
    for (const std::wstring& strCopy : copies)
        ::DeleteFileW(strCopy.c_str());
    ::RemoveDirectoryW(strDir.c_str());
}

// ---- Clipboard ---------------------------------------------------------------------------

TEST_F(Commands, CopyAndPasteWhileAnotherProgramHoldsTheClipboardLoseNothing) {
    const Picture captured = CaptureScreen();
    {
        kptest::ClipboardHolder holder;
        ASSERT_TRUE(holder.m_bOpened);
        ClickControl(m_hMain, ids::kCopy);
        EXPECT_EQ("无法把图像复制到剪贴板：剪贴板正被其他程序占用，请稍后再试。", AnswerMessageBox(m_kapto));
    }
    ExpectSamePicture(captured, CopyButton(), "copied once free");

    const Picture bands = Bands(120, 80);
    ASSERT_TRUE(PutOnClipboard(bands));
    const Picture view = ViewPicture(m_hMain);
    {
        kptest::ClipboardHolder holder;
        ASSERT_TRUE(holder.m_bOpened);
        // Sent, so that it has given up before the holder lets go.
        DWORD_PTR nResult = 0;
        ASSERT_TRUE(::SendMessageTimeoutA(m_hMain, WM_COMMAND, kCmdPaste, 0, SMTO_NORMAL, 15000, &nResult))
            << "waited 15000 ms for the paste to end";
    }
    EXPECT_EQ(0, CountDifferences(view, ViewPicture(m_hMain))) << "the held paste changed the capture";
    // The bitmap is still there for the paste that follows.
    Command(kCmdPaste);
    ASSERT_TRUE(WaitForNewThumbnail(view));
    ExpectSamePicture(bands, CopyButton(), "pasted");
}

// ---- Printing ------------------------------------------------------------------------------

TEST_F(Commands, PrintingPutsTheCaptureOnAPageOfThePdfPrinter) {
    const kaptotest::PrintServer server = kaptotest::ReadPrintServer();
    if (!server.bRunning) GTEST_SKIP() << "no print server: " << server.strReason;
    CaptureScreen();
    const kaptotest::PdfFiles before = kaptotest::ListPdfFiles(server.strPdfDir);
    Command(kCmdPrint);
    HWND hDialog =
        m_kapto.WaitOwned([](HWND w) { return kaptotest::ClassOf(w) == "#32770" && ::GetDlgItem(w, IDOK) != nullptr; });
    ASSERT_NE(nullptr, hDialog) << "no print dialog";
    ClickControl(hDialog, IDOK);
    std::string strPdf;
    ASSERT_TRUE(WaitFor(
        [&] {
            for (const auto& f : kaptotest::ListPdfFiles(server.strPdfDir)) {
                auto old = before.find(f.first);
                if (old == before.end() || old->second != f.second) strPdf = f.first;
            }
            return !strPdf.empty();
        },
        60000))
        << "no PDF came out";
    kaptotest::PumpFor(1000);  // written to its end

    // The page's top part at 150 dpi: the thumbnail's stripes are there.
    const std::string strBase = server.strDir + "/e2e-page";
    ASSERT_EQ(0, kptest::RunUnixShell("pdftoppm -png -singlefile -r 150 -W 1200 -H 900 '" + server.strPdfDir + "/" +
                                      strPdf + "' '" + strBase + "'"));
    ::DeleteFileA((kptest::FromUnix(server.strPdfDir) + "\\" + strPdf).c_str());
    const Picture page = FilePicture(kptest::FromUnix(strBase + ".png"));
    ::DeleteFileA(kptest::FromUnix(strBase + ".png").c_str());
    ASSERT_FALSE(page.Empty());
    int nRed = 0, nBlue = 0;
    for (UINT p : page.pixels) {
        int r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
        if (r > 200 && g < 60 && b < 60) ++nRed;
        if (b > 200 && r < 60 && g < 60) ++nBlue;
    }
    EXPECT_GT(nRed, 20) << "no red stripe on the page";
    EXPECT_GT(nBlue, 20) << "no blue stripe on the page";
}

// ---- Hot keys and the tray --------------------------------------------------------------------

bool Visible(HWND h) { return ::IsWindowVisible(h) != FALSE; }

TEST_F(Commands, TheOptionsSheetMovesShowHideToAKeyThatThenWorks) {
    Command(kCmdOptions);
    HWND hSheet = WaitForKaptoWindow(m_kapto, "参数设置");
    ASSERT_NE(nullptr, hSheet) << "no options sheet";
    ::SendMessageA(hSheet, PSM_SETCURSEL, 2, 0);
    HWND hPage = (HWND)::SendMessageA(hSheet, PSM_GETCURRENTPAGEHWND, 0, 0);
    HWND hHotkey = ::GetDlgItem(hPage, kHotkeyShowHide);
    ASSERT_NE(nullptr, hHotkey);
    ClickWindow(hHotkey);
    ASSERT_TRUE(WaitForFocus(m_kapto, hHotkey));
    PressKeys({VK_CONTROL, VK_SHIFT, 'K'});
    const WORD wWanted = MAKEWORD('K', HOTKEYF_CONTROL | HOTKEYF_SHIFT);
    ASSERT_TRUE(Await(
        "Ctrl+Shift+K in the hot-key box",
        [&] { return (WORD)::SendMessageA(hHotkey, HKM_GETHOTKEY, 0, 0) == wWanted; }, 3000));
    ClickControl(hSheet, IDOK);
    ASSERT_TRUE(Await("the options sheet to close", [&] { return !::IsWindow(hSheet); }));
    // The sheet's OK is through (the keys registered again) once Kapto takes
    // messages again; only then may this program try the pair, or its try
    // could take the pair from under Kapto's registration.
    ASSERT_TRUE(m_kapto.Answers()) << "Kapto did not come back from the options sheet";
    EXPECT_FALSE(::RegisterHotKey(nullptr, 9, MOD_CONTROL | MOD_SHIFT, 'K') && ::UnregisterHotKey(nullptr, 9))
        << "Kapto did not take Ctrl+Shift+K";

    PressKeys({VK_CONTROL, VK_SHIFT, 'K'});
    EXPECT_TRUE(WaitFor([&] { return !Visible(m_hMain); }, 5000)) << "the new key did not hide the window";
    PressKeys({VK_CONTROL, VK_SHIFT, 'K'});
    EXPECT_TRUE(WaitFor([&] { return Visible(m_hMain); }, 5000)) << "the new key did not show the window";
    // The old key is free again.
    PressKeys({VK_F8});
    kaptotest::PumpFor(700);
    EXPECT_TRUE(Visible(m_hMain));
    ASSERT_TRUE(ExitKapto());
    unsigned short wModifier = 0, wVk = 0;
    StoredSettings().GetShowHideHotkey(wModifier, wVk);
    EXPECT_EQ(HOTKEYF_CONTROL | HOTKEYF_SHIFT, wModifier);
    EXPECT_EQ('K', wVk);
}

// A hot key this program holds, as another program may, while the object lives.
class HeldHotKey {
public:
    explicit HeldHotKey(UINT nVk) : m_bHeld(::RegisterHotKey(nullptr, 1, 0, nVk) != FALSE) {}
    ~HeldHotKey() {
        if (m_bHeld) ::UnregisterHotKey(nullptr, 1);
    }
    const bool m_bHeld;
};

TEST_F(Commands, AHotKeyAnotherProgramHoldsIsToldAndTheOthersCapture) {
    ASSERT_TRUE(ExitKapto());
    HeldHotKey f4(VK_F4);
    ASSERT_TRUE(f4.m_bHeld) << "F4 is not free";
    ASSERT_TRUE(m_kapto.Start());
    const std::string said = AnswerMessageBox(m_kapto);
    EXPECT_EQ(0u, said.find("注册捕捉<当前窗口>热键失败,请更换热键")) << said;
    EXPECT_NE(std::string::npos, said.find("可以改用 Ctrl+Alt+F4")) << said;
    ASSERT_TRUE(m_kapto.WaitVisible(true));
    m_hMain = m_kapto.Main();
    WaitFor([&] { return ::GetForegroundWindow() == m_hMain; }, 3000);

    // Ctrl+Print Screen: the whole screen, the other program's pattern in it.
    const Picture pattern = GrabScreen(m_target.ClientRect());
    Picture view = ViewPicture(m_hMain);
    PressKeys({VK_CONTROL, VK_SNAPSHOT});
    EXPECT_TRUE(WaitForNewThumbnail(view));
    Picture copied;
    EXPECT_TRUE(WaitForClipboardPicture(copied));
    ExpectSamePicture(pattern, copied.Crop(m_target.ClientRect()), "pattern");
}

TEST_F(Commands, TrayAndHotKeyHideAndShowAndTheTrayMenuEndsTheProgram) {
    TrayCallback(m_kapto, WM_LBUTTONDBLCLK);
    EXPECT_TRUE(WaitFor([&] { return !Visible(m_hMain); }, 5000)) << "a double click on the icon did not hide";
    PressKeys({VK_F8});
    EXPECT_TRUE(WaitFor([&] { return Visible(m_hMain); }, 5000)) << "F8 did not show";
    PressKeys({VK_F8});
    EXPECT_TRUE(WaitFor([&] { return !Visible(m_hMain); }, 5000)) << "F8 did not hide";
    TrayCallback(m_kapto, WM_LBUTTONDBLCLK);
    EXPECT_TRUE(WaitFor([&] { return Visible(m_hMain); }, 5000)) << "a double click on the icon did not show";

    ::DeleteFileA(SettingsPath().c_str());
    testinput::PlaceCursorAt(1200, 900);
    TrayCallback(m_kapto, WM_RBUTTONUP);
    HWND hMenu = nullptr;
    ASSERT_TRUE(WaitFor(
        [&] {
            hMenu = ::FindWindowA("#32768", nullptr);
            return hMenu != nullptr && Visible(hMenu);
        },
        5000))
        << "no tray menu";
    PressKeys({'X'});
    EXPECT_TRUE(m_kapto.WaitExit()) << "退出 on the tray menu did not end the program";
    EXPECT_TRUE(kptest::FileExists(SettingsPath())) << "no settings written at exit";
}

// ---- A long session -----------------------------------------------------------------------------

TEST_F(Commands, TwoHundredMixedCommandsLeaveMemoryAndGdiObjectsFlat) {
    // Without the half second each capture waits by default: the session is
    // about the program's resources, not its delay.
    ASSERT_TRUE(ExitKapto());
    ASSERT_TRUE(StartKapto([](CKpConfig& c) {
        c.SetAutoCopy(1);
        c.SetSnapDelayTime(0);
    }));
    m_hMain = m_kapto.Main();
    // The paste takes the thumbnail copied just before: a bitmap another
    // program put there costs the pasting process its size each time under
    // Wine, whatever the program does with it.
    const UINT mix[] = {kCmdFullScreen, ids::kCopy,   kCmdGrayScale, kCmdCopyThumb, kCmdPaste,
                        kCmdGrayScale,  kCmdShowHide, kCmdShowHide,  kCmdClear,     kCmdFullScreen};
    auto run = [&](int nCount) {
        for (int i = 0; i < nCount; ++i) {
            UINT nId = mix[i % (sizeof(mix) / sizeof(mix[0]))];
            DWORD_PTR r = 0;
            ::SendMessageTimeoutA(m_hMain, WM_COMMAND, nId, 0, SMTO_NORMAL, 15000, &r);
        }
    };
    run(40);  // warm-up: every command has run a few times
    const Usage before = UsageOf(m_kapto.Pid());
    run(200);
    const Usage after = UsageOf(m_kapto.Pid());
    printf("after warm-up: %lu KB private, %lu GDI, %lu USER objects; after 200 more: %lu KB, %lu GDI, %lu USER\n",
           (unsigned long)(before.nPrivate / 1024), before.nGdi, before.nUser, (unsigned long)(after.nPrivate / 1024),
           after.nGdi, after.nUser);
    EXPECT_TRUE(Visible(m_hMain));
    ASSERT_GT(before.nPrivate, 0u) << "the process's memory cannot be read";
    // The recent captures keep each capture once, 24-bit with a thumbnail,
    // the last 30 of them: what they took on meanwhile is theirs.
    auto kept = [&](int nCommands) {
        int nCaptures = 0;
        for (int i = 0; i < nCommands; ++i)
            nCaptures += mix[i % (sizeof(mix) / sizeof(mix[0]))] == kCmdFullScreen;
        return std::min(nCaptures, kRecentCaptures);
    };
    const long long nKeptGrowth = (kept(240) - kept(40)) * KeptCaptureBytes();
    // A full-screen capture is 5 MB: beyond those, not one of them may stay
    // behind.
    EXPECT_LT((long long)after.nPrivate - (long long)before.nPrivate - nKeptGrowth, 4LL << 20);
    if (before.nGdi == 0) {
        printf("GDI objects: this system does not count them per process\n");
    } else {
        EXPECT_LE(after.nGdi, before.nGdi + 4);
        EXPECT_LE(after.nUser, before.nUser + 4);
    }
    ASSERT_TRUE(ExitKapto());
}

}  // namespace
