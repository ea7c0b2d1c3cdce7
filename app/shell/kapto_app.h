// The application object: starts the common controls and GDI+, then runs
// the main window modally for the whole life of the process.
#pragma once

#include "framework/app.h"
#include "running_copy.h"

class CKaptoApp : public CWinApp {
public:
    CKaptoApp();

    // Always FALSE: no loop after the main window. A second start ends here
    // at once, its work done by the copy that runs.
    BOOL InitInstance() override;
    int ExitInstance() override;

    void OnHelp();

protected:
    DECLARE_MESSAGE_MAP()

    ULONG_PTR m_gdiplusToken;
    CRunningCopy m_runningCopy;  // this copy's claim, held while it runs
};

extern CKaptoApp theApp;
