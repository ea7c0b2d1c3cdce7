#include "kapto_app.h"

#include <commctrl.h>
#include <gdiplus.h>
#include <shellapi.h>

#include "framework/winmain.h"
#include "image_decoder.h"
#include "kapto_dlg.h"
#include "kp_config.h"
#include "res/resource.h"

CKaptoApp theApp;

BEGIN_MESSAGE_MAP(CKaptoApp, CWinApp)
    ON_COMMAND(ID_HELP, &CKaptoApp::OnHelp)
END_MESSAGE_MAP()

CKaptoApp::CKaptoApp() : m_gdiplusToken(0) {}

BOOL CKaptoApp::InitInstance() {
    // Started by Kapto itself to decode one image file: nothing of the
    // program's own start-up runs, not even its one-copy rule.
    if (KpIsImageDecoderCommand(m_lpCmdLine)) {
        ::ExitProcess((UINT)KpRunImageDecoder(m_lpCmdLine));
        return FALSE;
    }

    INITCOMMONCONTROLSEX icc;
    icc.dwSize = sizeof(icc);
    icc.dwICC = ICC_WIN95_CLASSES;
    ::InitCommonControlsEx(&icc);

    CWinApp::InitInstance();
    AfxEnableControlContainer();

    Gdiplus::GdiplusStartupInput input;  // version 1, no callback, thread and codecs not suppressed
    if (Gdiplus::GdiplusStartup(&m_gdiplusToken, &input, nullptr) != Gdiplus::Ok) {
        AfxMessageBox("初始化GDI+失败", MB_OK);
        return FALSE;
    }

    SetRegistryKey("Velkor");

    CKaptoDlg dlg;
    m_pMainWnd = &dlg;
    dlg.DoModal();
    m_pMainWnd = nullptr;
    return FALSE;
}

int CKaptoApp::ExitInstance() {
    if (m_gdiplusToken != 0) Gdiplus::GdiplusShutdown(m_gdiplusToken);
    m_gdiplusToken = 0;
    return CWinApp::ExitInstance();
}

void CKaptoApp::OnHelp() {
    // The help viewer takes the screen; the tray icon brings the window back.
    CWnd* pMainWnd = AfxGetMainWnd();
    if (pMainWnd != nullptr && pMainWnd->GetSafeHwnd() != nullptr) pMainWnd->ShowWindow(SW_HIDE);
    CString strHelp = CHelper::GetAppPath() + "Kapto.chm";
    ::ShellExecuteA(nullptr, "open", strHelp, nullptr, "", SW_SHOWMAXIMIZED);
}
