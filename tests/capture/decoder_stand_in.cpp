// A decoding helper for the tests, started by the library in the sandbox
// instead of the program. It speaks the helper's side of the conversation,
// but answers a 4 x 4 image and then names a section of its own, filled
// white, instead of the one the program gave it.
#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "image_decoder.h"
#include "image_decoder_block.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR pszCmdLine, int) {
    if (strncmp(pszCmdLine, KP_DECODER_SWITCH, strlen(KP_DECODER_SWITCH)) != 0) return 0;
    HANDLE hBlock = (HANDLE)(ULONG_PTR)strtoull(pszCmdLine + strlen(KP_DECODER_SWITCH), nullptr, 16);
    auto* pBlock = static_cast<KpDecoderBlock*>(::MapViewOfFile(hBlock, FILE_MAP_WRITE, 0, 0, sizeof(KpDecoderBlock)));
    if (pBlock == nullptr) return 1;
    auto event = [](ULONGLONG h) { return (HANDLE)(ULONG_PTR)h; };
    ::SetEvent(event(pBlock->hReady));
    while (::WaitForSingleObject(event(pBlock->hGo), INFINITE) == WAIT_OBJECT_0) {
        ::CloseHandle(event(pBlock->hFile));
        pBlock->nWidth = pBlock->nHeight = 4;
        pBlock->nStride = 16;
        pBlock->nFormat = PixelFormat32bppARGB;
        ::SetEvent(event(pBlock->hSized));
        ::WaitForSingleObject(event(pBlock->hPixelsGiven), INFINITE);
        HANDLE hOwn = ::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 64, nullptr);
        void* p = ::MapViewOfFile(hOwn, FILE_MAP_WRITE, 0, 0, 64);
        if (p != nullptr) memset(p, 0xFF, 64);
        pBlock->hPixels = (ULONGLONG)(ULONG_PTR)hOwn;
        pBlock->nResult = KpDecoded;
        ::SetEvent(event(pBlock->hDone));
    }
    return 0;
}
