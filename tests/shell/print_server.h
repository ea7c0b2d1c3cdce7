// The private print server of the printing tests (tools/print-server, started
// by ctest before them): whether it runs, and the PDFs its printer writes.
#pragma once

#include <windows.h>

#include <map>
#include <string>

#include "kapto_process.h"
#include "support/unix_side.h"

namespace kaptotest {

using kptest::FromUnix;

struct PrintServer {
    bool bRunning = false;
    std::string strReason;
    std::string strPdfDir;  // Unix path
    std::string strDir;     // Unix path of the server's folder
};

// What tools/print-server wrote into its status file (the folder comes from
// the test's environment).
inline PrintServer ReadPrintServer() {
    PrintServer server;
    char dir[MAX_PATH] = "";
    if (::GetEnvironmentVariableA("KAPTO_PRINT_SERVER", dir, sizeof(dir)) == 0) {
        server.strReason = "KAPTO_PRINT_SERVER is not set (run through ctest)";
        return server;
    }
    server.strDir = dir;
    std::string status;
    if (!ConfigFileGuard::Read(FromUnix(server.strDir + "/status"), status)) {
        server.strReason = "no status from tools/print-server";
        return server;
    }
    size_t pos = 0;
    while (pos < status.size()) {
        size_t end = status.find('\n', pos);
        if (end == std::string::npos) end = status.size();
        std::string line = status.substr(pos, end - pos);
        if (line == "state=running") server.bRunning = true;
        if (line.rfind("reason=", 0) == 0) server.strReason = line.substr(7);
        if (line.rfind("pdfdir=", 0) == 0) server.strPdfDir = line.substr(7);
        pos = end + 1;
    }
    if (!server.bRunning && server.strReason.empty()) server.strReason = "the print server is not running";
    return server;
}

// The PDFs in the printer's folder and when each was written. A new server
// counts its jobs from 1 again, so a job's file may take an old one's name.
typedef std::map<std::string, ULONGLONG> PdfFiles;
inline PdfFiles ListPdfFiles(const std::string& strPdfDir) {
    PdfFiles files;
    WIN32_FIND_DATAA fd;
    HANDLE h = ::FindFirstFileA((FromUnix(strPdfDir) + "\\*.pdf").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return files;
    do {
        files[fd.cFileName] = ((ULONGLONG)fd.ftLastWriteTime.dwHighDateTime << 32) | fd.ftLastWriteTime.dwLowDateTime;
    } while (::FindNextFileA(h, &fd));
    ::FindClose(h);
    return files;
}

}  // namespace kaptotest
