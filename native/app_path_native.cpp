// The native build's program directory: where the running executable lies,
// as /proc tells it, with a trailing '/'.
#include <limits.h>
#include <unistd.h>

#include "kp_config.h"

CString CHelper::GetAppPath() {
    char buf[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof(buf) - 1);
    if (n <= 0) return CString("./");
    CString strPath(buf, (int)n);
    int nSlash = strPath.ReverseFind('/');
    return strPath.Left(nSlash < 0 ? 0 : nSlash) + "/";
}
