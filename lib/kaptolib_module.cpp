// Kaptolib's life in the process: it registers with the framework when it is
// loaded, so its resources and classes are found from the program, and
// unregisters when unloaded.
#include "framework/resources.h"
#include "kp_resource.h"

namespace {

AFX_EXTENSION_MODULE g_kaptolibModule = {FALSE, nullptr, nullptr};
HINSTANCE g_hLibResource = nullptr;          // the library resource handle
CDynLinkLibrary* g_pLibraryEntry = nullptr;  // owned: our entry in the chain

}  // namespace

CKpLocalResource::CKpLocalResource() : m_hOldResource(AfxGetResourceHandle()) { AfxSetResourceHandle(g_hLibResource); }

CKpLocalResource::~CKpLocalResource() { AfxSetResourceHandle(m_hOldResource); }

void KpSetResourceHandle(HINSTANCE h) { g_hLibResource = h != nullptr ? h : g_kaptolibModule.hModule; }

extern "C" BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID) {
    if (dwReason == DLL_PROCESS_ATTACH) {
        if (!AfxInitExtensionModule(g_kaptolibModule, hInstance)) return FALSE;
        // The chain entry lives as long as the library is loaded.
        g_pLibraryEntry = new CDynLinkLibrary(g_kaptolibModule);
        g_hLibResource = hInstance;
    } else if (dwReason == DLL_PROCESS_DETACH) {
        delete g_pLibraryEntry;
        g_pLibraryEntry = nullptr;
        AfxTermExtensionModule(g_kaptolibModule);
    }
    return TRUE;
}
