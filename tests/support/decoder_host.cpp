// A test program that opens image files is, like Kapto.exe, its own
// decoding helper: the library starts the running program's file for it
// with the decoder switch, and this runs the helper before anything of the
// test does.
#include <windows.h>

#include "image_decoder.h"

namespace {

// The command line after the program's name.
const char* Arguments(const char* psz) {
    if (*psz == '"') {
        for (++psz; *psz != '\0' && *psz != '"'; ++psz) {
        }
        if (*psz == '"') ++psz;
    } else {
        while (*psz != '\0' && *psz != ' ' && *psz != '\t')
            ++psz;
    }
    while (*psz == ' ' || *psz == '\t')
        ++psz;
    return psz;
}

const int s_nHelper = [] {
    const char* pszArguments = Arguments(::GetCommandLineA());
    if (KpIsImageDecoderCommand(pszArguments)) ::ExitProcess((UINT)KpRunImageDecoder(pszArguments));
    return 0;
}();

}  // namespace
