#include "editor_path.h"

#include <string>

#include "framework/platform.h"

namespace {

const char kAppPathsKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";
const char kProgramExtension[] = ".exe";

bool IsProgramFile(const std::string& strPath) {
    DWORD nAttributes = ::GetFileAttributesA(strPath.c_str());
    return nAttributes != INVALID_FILE_ATTRIBUTES && !(nAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

// "C:\..." or "\\server\...": the only paths that do not depend on the
// current folder or drive.
bool IsAbsolute(const std::string& strPath) {
    if (strPath.size() >= 3 && strPath[1] == ':' && (strPath[2] == '\\' || strPath[2] == '/')) return true;
    return strPath.size() >= 2 && (strPath[0] == '\\' || strPath[0] == '/') && strPath[0] == strPath[1];
}

std::string ExpandVariables(const char* pszText) {
    char szExpanded[MAX_PATH * 2];
    DWORD n = ::ExpandEnvironmentStringsA(pszText, szExpanded, sizeof(szExpanded));
    return (n == 0 || n > sizeof(szExpanded)) ? std::string(pszText) : std::string(szExpanded);
}

// The program registered for strName under App Paths (the user's first).
std::string FromAppPaths(const std::string& strName) {
    std::string strKey = kAppPathsKey + strName;
    for (HKEY hRoot : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        char szValue[MAX_PATH * 2];
        DWORD nSize = sizeof(szValue);
        if (::RegGetValueA(hRoot, strKey.c_str(), nullptr, RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, nullptr,
                           szValue, &nSize) != ERROR_SUCCESS)
            continue;
        std::string strPath = ExpandVariables(szValue);
        // The value may be quoted.
        if (strPath.size() >= 2 && strPath.front() == '"') strPath = strPath.substr(1, strPath.find('"', 1) - 1);
        if (IsAbsolute(strPath) && IsProgramFile(strPath)) return strPath;
    }
    return std::string();
}

// The system's folders, then every absolute folder of PATH, ';'-separated:
// a relative entry (".", an empty one) would mean the current folder.
std::string ProgramFolders() {
    std::string strFolders;
    char szFolder[MAX_PATH];
    UINT n = ::GetSystemDirectoryA(szFolder, MAX_PATH);
    if (n > 0 && n < MAX_PATH) strFolders += std::string(szFolder) + ";";
    n = ::GetWindowsDirectoryA(szFolder, MAX_PATH);
    if (n > 0 && n < MAX_PATH) strFolders += std::string(szFolder) + ";";
    std::string strPath = ExpandVariables("%PATH%");
    size_t nStart = 0;
    while (nStart <= strPath.size()) {
        size_t nEnd = strPath.find(';', nStart);
        if (nEnd == std::string::npos) nEnd = strPath.size();
        std::string strEntry = strPath.substr(nStart, nEnd - nStart);
        if (strEntry.size() >= 2 && strEntry.front() == '"' && strEntry.back() == '"')
            strEntry = strEntry.substr(1, strEntry.size() - 2);
        if (IsAbsolute(strEntry)) strFolders += strEntry + ";";
        nStart = nEnd + 1;
    }
    return strFolders;
}

}  // namespace

CString FindEditorProgram(const CString& strEditor) {
    std::string strName = ExpandVariables(strEditor.GetString());
    if (strName.empty()) return CString();
    if (strName.find_first_of("\\/:") != std::string::npos)
        return IsAbsolute(strName) && IsProgramFile(strName) ? CString(strName.c_str()) : CString();

    std::string strFile = strName;
    if (strFile.find('.') == std::string::npos) strFile += kProgramExtension;
    std::string strFound = FromAppPaths(strFile);
    if (!strFound.empty()) return CString(strFound.c_str());

    // Only the folders given: SearchPath looks nowhere else when it has them.
    std::string strFolders = ProgramFolders();
    char szFound[MAX_PATH * 2];
    DWORD n = ::SearchPathA(strFolders.c_str(), strFile.c_str(), nullptr, sizeof(szFound), szFound, nullptr);
    if (n == 0 || n >= sizeof(szFound) || !IsProgramFile(szFound)) return CString();
    return CString(szFound);
}
