// A library with resources of its own that registers with the framework when
// loaded, as Kaptolib does, for the resource-chain tests.
#include "framework/resources.h"

namespace {
AFX_EXTENSION_MODULE g_module = {FALSE, nullptr, nullptr};
CDynLinkLibrary* g_pEntry = nullptr;  // owned
}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID) {
    if (dwReason == DLL_PROCESS_ATTACH) {
        if (!AfxInitExtensionModule(g_module, hInstance)) return FALSE;
        g_pEntry = new CDynLinkLibrary(g_module);
    } else if (dwReason == DLL_PROCESS_DETACH) {
        delete g_pEntry;
        AfxTermExtensionModule(g_module);
    }
    return TRUE;
}
