#include "maker_links.h"

#include <shellapi.h>

#include "framework/cstring.h"

void OpenMakerLink(LPCSTR lpszTarget) { ::ShellExecuteA(nullptr, "open", lpszTarget, nullptr, "", SW_SHOWMAXIMIZED); }

void OpenMakerMail() { OpenMakerLink(CString("mailto:") + kMakerMailAddress); }
