// Loading Kaptolib's own resources (dialog templates, cursors, bitmaps).
//
// A library operation that creates a dialog or loads a resource of its own
// declares a CKpLocalResource on its stack first, so the framework looks in
// the library for exactly as long as that operation runs.
#pragma once

#include "framework/platform.h"
#include "kp_export.h"

class KPLIB_API CKpLocalResource {
public:
    CKpLocalResource();   // remembers the current resource module, makes the library's current
    ~CKpLocalResource();  // makes the remembered module current again
    CKpLocalResource(const CKpLocalResource&) = delete;
    CKpLocalResource& operator=(const CKpLocalResource&) = delete;

protected:
    HINSTANCE m_hOldResource;  // not owned
};

// Sets the library resource handle to h, or back to the library's own module
// when h is null.
KPLIB_API void KpSetResourceHandle(HINSTANCE h);
