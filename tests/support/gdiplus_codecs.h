// The machine's GDI+ codecs read straight from GDI+, independently of the
// library's own catalogue, so tests can hold the library against them.
#pragma once

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <string>
#include <vector>

namespace kptest {

struct RawCodec {
    std::wstring format;      // FormatDescription
    std::wstring extensions;  // FilenameExtension, as GDI+ gives it
    std::wstring mime;        // MimeType
    CLSID clsid;
    GUID formatId;
};

// Every encoder (bEncoders) or decoder in GDI+'s order; empty when GDI+ has
// none to give (not started).
inline std::vector<RawCodec> ReadCodecs(bool bEncoders) {
    using namespace Gdiplus::DllExports;
    std::vector<RawCodec> out;
    UINT n = 0, nBytes = 0;
    Gdiplus::GpStatus status =
        bEncoders ? GdipGetImageEncodersSize(&n, &nBytes) : GdipGetImageDecodersSize(&n, &nBytes);
    if (status != Gdiplus::Ok || n == 0 || nBytes == 0) return out;
    std::vector<BYTE> block(nBytes);
    auto* p = reinterpret_cast<Gdiplus::ImageCodecInfo*>(block.data());
    status = bEncoders ? GdipGetImageEncoders(n, nBytes, p) : GdipGetImageDecoders(n, nBytes, p);
    if (status != Gdiplus::Ok) return out;
    auto text = [](const WCHAR* psz) { return psz != nullptr ? std::wstring(psz) : std::wstring(); };
    for (UINT i = 0; i < n; ++i)
        out.push_back({text(p[i].FormatDescription), text(p[i].FilenameExtension), text(p[i].MimeType), p[i].Clsid,
                       p[i].FormatID});
    return out;
}

// The encoder of the given MIME type ("image/png"); FALSE when there is none.
inline bool EncoderForMime(const wchar_t* pszMime, CLSID& clsid) {
    for (const RawCodec& c : ReadCodecs(true)) {
        if (c.mime == pszMime) {
            clsid = c.clsid;
            return true;
        }
    }
    return false;
}

}  // namespace kptest
