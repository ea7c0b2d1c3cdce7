#include "framework/resources.h"

namespace {

HINSTANCE g_hResource = nullptr;  // null: the program's module
CDynLinkLibrary* g_pFirstDLL = nullptr;

bool HasResource(HINSTANCE h, LPCSTR lpszName, LPCSTR lpszType) {
    return h != nullptr && ::FindResourceA(h, lpszName, lpszType) != nullptr;
}

bool HasString(HINSTANCE h, UINT nID) {
    if (h == nullptr) return false;
    // Strings live in blocks of sixteen; the block alone says nothing about
    // one string, so ask for the string itself.
    if (::FindResourceA(h, MAKEINTRESOURCEA((nID >> 4) + 1), MAKEINTRESOURCEA(6)) == nullptr) return false;
    // With a zero length the call only reports the string's length in the
    // resource, whatever the characters.
    const wchar_t* p = nullptr;
    return ::LoadStringW(h, nID, (LPWSTR)&p, 0) > 0;
}

}  // namespace

HINSTANCE AfxGetInstanceHandle() { return ::GetModuleHandleA(nullptr); }

HINSTANCE AfxGetResourceHandle() { return g_hResource != nullptr ? g_hResource : AfxGetInstanceHandle(); }

void AfxSetResourceHandle(HINSTANCE hInstResource) { g_hResource = hInstResource; }

HINSTANCE AfxFindResourceHandle(LPCSTR lpszName, LPCSTR lpszType) {
    HINSTANCE h = AfxGetResourceHandle();
    if (HasResource(h, lpszName, lpszType)) return h;
    h = AfxGetInstanceHandle();
    if (HasResource(h, lpszName, lpszType)) return h;
    for (CDynLinkLibrary* p = g_pFirstDLL; p != nullptr; p = p->m_pNextDLL) {
        if (HasResource(p->m_hResource, lpszName, lpszType)) return p->m_hResource;
    }
    return nullptr;
}

HINSTANCE AfxFindStringResourceHandle(UINT nID) {
    HINSTANCE h = AfxGetResourceHandle();
    if (HasString(h, nID)) return h;
    h = AfxGetInstanceHandle();
    if (HasString(h, nID)) return h;
    for (CDynLinkLibrary* p = g_pFirstDLL; p != nullptr; p = p->m_pNextDLL) {
        if (HasString(p->m_hResource, nID)) return p->m_hResource;
    }
    return nullptr;
}

BOOL AfxInitExtensionModule(AFX_EXTENSION_MODULE& state, HMODULE hModule) {
    if (hModule == nullptr) return FALSE;
    state.hModule = hModule;
    state.hResource = hModule;
    state.bInitialized = TRUE;
    return TRUE;
}

void AfxTermExtensionModule(AFX_EXTENSION_MODULE& state) {
    if (!state.bInitialized) return;
    // Entries normally go with their owner; one left behind must not outlive
    // the module it points into.
    CDynLinkLibrary** pp = &g_pFirstDLL;
    while (*pp != nullptr) {
        if ((*pp)->m_hModule == state.hModule) {
            CDynLinkLibrary* p = *pp;
            *pp = p->m_pNextDLL;
            p->m_pNextDLL = nullptr;
            p->m_hModule = nullptr;
        } else {
            pp = &(*pp)->m_pNextDLL;
        }
    }
    if (g_hResource == state.hResource) g_hResource = nullptr;
    state.bInitialized = FALSE;
}

CDynLinkLibrary::CDynLinkLibrary(AFX_EXTENSION_MODULE& state)
    : m_hModule(state.hModule), m_hResource(state.hResource), m_pNextDLL(nullptr) {
    CDynLinkLibrary** pp = &g_pFirstDLL;
    while (*pp != nullptr)
        pp = &(*pp)->m_pNextDLL;
    *pp = this;
}

CDynLinkLibrary::~CDynLinkLibrary() {
    for (CDynLinkLibrary** pp = &g_pFirstDLL; *pp != nullptr; pp = &(*pp)->m_pNextDLL) {
        if (*pp == this) {
            *pp = m_pNextDLL;
            break;
        }
    }
}
