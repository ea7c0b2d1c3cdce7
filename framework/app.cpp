#include "framework/app.h"

#include "framework/message_loop.h"
#include "framework/resources.h"

namespace {

CWinApp* g_pApp = nullptr;  // not owned: the program's static object

}  // namespace

IMPLEMENT_DYNAMIC(CWinApp, CCmdTarget)

BEGIN_MESSAGE_MAP(CWinApp, CCmdTarget)
    ON_COMMAND(ID_APP_EXIT, &CWinApp::OnAppExit)
END_MESSAGE_MAP()

CWinApp::CWinApp(LPCSTR lpszAppName)
    : m_hInstance(nullptr),
      m_lpCmdLine(nullptr),
      m_nCmdShow(SW_SHOWNORMAL),
      m_pMainWnd(nullptr),
      m_strAppName(lpszAppName),
      m_pszAppName(nullptr) {
    g_pApp = this;
    m_pszAppName = m_strAppName;
}

CWinApp::~CWinApp() {
    if (g_pApp == this) g_pApp = nullptr;
}

BOOL CWinApp::InitInstance() { return TRUE; }

int CWinApp::ExitInstance() { return 0; }

namespace {

// The application's side of the layer's loop: it runs until WM_QUIT, and its
// idle time is the application's.
class AppLoopClient : public CMessageLoopClient {
public:
    explicit AppLoopClient(CWinApp& app) : m_app(app) {}
    BOOL ContinueLoop() const override { return TRUE; }
    BOOL PreTranslateLoopMessage(MSG* pMsg) override { return CWnd::WalkPreTranslateTree(nullptr, pMsg); }
    BOOL OnLoopIdle(LONG lCount) override { return m_app.OnIdle(lCount); }

private:
    CWinApp& m_app;  // not owned
};

}  // namespace

int CWinApp::Run() {
    AppLoopClient client(*this);
    AfxRunMessageLoop(client);
    return ExitInstance();
}

BOOL CWinApp::OnIdle(LONG) { return FALSE; }

void CWinApp::SetRegistryKey(LPCSTR lpszRegistryKey) { m_strRegistryKey = lpszRegistryKey; }

void CWinApp::OnAppExit() {
    if (m_pMainWnd != nullptr && m_pMainWnd->m_hWnd != nullptr) m_pMainWnd->PostMessage(WM_CLOSE);
}

CWinApp* AfxGetApp() { return g_pApp; }

CWnd* AfxGetMainWnd() { return g_pApp != nullptr ? g_pApp->m_pMainWnd : nullptr; }

int AfxMessageBox(LPCSTR lpszText, UINT nType, UINT) {
    HWND hOwner = nullptr;
    CWnd* pMain = AfxGetMainWnd();
    if (pMain != nullptr && pMain->m_hWnd != nullptr && ::IsWindowEnabled(pMain->m_hWnd)) hOwner = pMain->m_hWnd;
    if (hOwner == nullptr) hOwner = ::GetActiveWindow();
    const char* caption =
        (g_pApp != nullptr && !g_pApp->m_strAppName.IsEmpty()) ? (const char*)g_pApp->m_strAppName : "";
    CModalScope modal;
    return ::MessageBoxA(hOwner, lpszText, caption, nType);
}

int AfxMessageBox(UINT nIDPrompt, UINT nType, UINT nIDHelp) {
    CString s;
    s.LoadString(nIDPrompt);
    return AfxMessageBox(s, nType, nIDHelp);
}

void AfxEnableControlContainer() {}

int AfxWinMain(HINSTANCE hInstance, HINSTANCE, LPSTR lpCmdLine, int nCmdShow) {
    CWinApp* pApp = AfxGetApp();
    if (pApp == nullptr) return -1;
    pApp->m_hInstance = hInstance;
    pApp->m_lpCmdLine = lpCmdLine;
    pApp->m_nCmdShow = nCmdShow;
    if (pApp->m_strAppName.IsEmpty()) {
        // The program file's name without folder and extension.
        char path[MAX_PATH];
        DWORD n = ::GetModuleFileNameA(hInstance, path, MAX_PATH);
        CString name(path, (int)n);
        name = name.Mid(name.ReverseFind('\\') + 1);
        int dot = name.ReverseFind('.');
        if (dot > 0) name = name.Left(dot);
        pApp->m_strAppName = name;
    }
    pApp->m_pszAppName = pApp->m_strAppName;
    if (!pApp->InitInstance()) return pApp->ExitInstance();
    return pApp->Run();
}
