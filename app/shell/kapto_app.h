// The application object: starts the common controls and GDI+, then runs
// the main window modally for the whole life of the process.
#pragma once

#include "framework/app.h"

class CKaptoApp : public CWinApp {
public:
    CKaptoApp();

    BOOL InitInstance() override;  // always FALSE: no loop after the main window
    int ExitInstance() override;

    void OnHelp();

protected:
    DECLARE_MESSAGE_MAP()

    ULONG_PTR m_gdiplusToken;
};

extern CKaptoApp theApp;
