// The application object and the program's entry.
//
// Exactly one CWinApp-derived object exists, constructed during static
// initialisation; AfxWinMain (called from the program's WinMain, see
// winmain.h) runs its InitInstance, then either its message loop (Run) or,
// when InitInstance returns FALSE, ExitInstance, whose result is the
// program's exit code.
#pragma once

#include "framework/wnd.h"

class KFW_API CWinApp : public CCmdTarget {
    DECLARE_DYNAMIC(CWinApp)
public:
    explicit CWinApp(LPCSTR lpszAppName = nullptr);
    ~CWinApp() override;
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // Overridables
    virtual BOOL InitInstance();
    virtual int ExitInstance();        // the exit code
    virtual int Run();                 // the message loop; ends with ExitInstance
    virtual BOOL OnIdle(LONG lCount);  // idle time of Run's loop; TRUE for more

    // Keeps the name only: nothing is stored in the registry.
    void SetRegistryKey(LPCSTR lpszRegistryKey);

    // Commands the application handles itself
    void OnAppExit();  // ID_APP_EXIT: closes the main window

    HINSTANCE m_hInstance;
    LPSTR m_lpCmdLine;  // not owned
    int m_nCmdShow;
    CWnd* m_pMainWnd;      // not owned
    CString m_strAppName;  // the program's name, for message box captions
    CString m_strRegistryKey;
    const char* m_pszAppName;  // m_strAppName's text

protected:
    DECLARE_MESSAGE_MAP()
};

KFW_API CWinApp* AfxGetApp();
KFW_API CWnd* AfxGetMainWnd();
// A message box owned by the main window (or the active window), with the
// program's name as its caption.
KFW_API int AfxMessageBox(LPCSTR lpszText, UINT nType = MB_OK, UINT nIDHelp = 0);
KFW_API int AfxMessageBox(UINT nIDPrompt, UINT nType = MB_OK, UINT nIDHelp = (UINT)-1);
// Kept for programs that expect it; the layer has no control containers.
KFW_API void AfxEnableControlContainer();
KFW_API int AfxWinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow);

#ifndef ID_APP_EXIT
#define ID_APP_EXIT 0xE141
#endif
#ifndef ID_HELP
#define ID_HELP 0xE146
#endif
