// Where resources come from.
//
// A lookup searches the current resource module, then the program, then each
// registered library, in the order the libraries registered. A library that
// keeps resources of its own registers itself when it is loaded
// (AfxInitExtensionModule, then a CDynLinkLibrary entry) and unregisters when
// it is unloaded.
#pragma once

#include "framework/export.h"
#include "framework/platform.h"

// The program's module (the .exe), and the module resources are loaded from
// first. The current module starts as the program's.
KFW_API HINSTANCE AfxGetInstanceHandle();
KFW_API HINSTANCE AfxGetResourceHandle();
KFW_API void AfxSetResourceHandle(HINSTANCE hInstResource);

// The module in the chain that holds resource lpszName of type lpszType, or
// null when none does.
KFW_API HINSTANCE AfxFindResourceHandle(LPCSTR lpszName, LPCSTR lpszType);
// The module in the chain whose string table holds a non-empty string nID.
KFW_API HINSTANCE AfxFindStringResourceHandle(UINT nID);

struct AFX_EXTENSION_MODULE {
    BOOL bInitialized;
    HMODULE hModule;
    HMODULE hResource;
};

// Records the library's module; FALSE (and the library should refuse to
// load) when hModule is null.
KFW_API BOOL AfxInitExtensionModule(AFX_EXTENSION_MODULE& state, HMODULE hModule);
// Removes every chain entry of the library.
KFW_API void AfxTermExtensionModule(AFX_EXTENSION_MODULE& state);

// One entry of the library chain; constructing it appends the library to the
// chain, destroying it removes it.
class KFW_API CDynLinkLibrary {
public:
    explicit CDynLinkLibrary(AFX_EXTENSION_MODULE& state);
    ~CDynLinkLibrary();
    CDynLinkLibrary(const CDynLinkLibrary&) = delete;
    CDynLinkLibrary& operator=(const CDynLinkLibrary&) = delete;

    HMODULE m_hModule;
    HMODULE m_hResource;
    CDynLinkLibrary* m_pNextDLL;  // not owned: the chain's link
};
