// The maker's home page and e-mail address, and the one way the program hands
// them to the shell: from the About box, the Help menu and the thumbnail view.
#pragma once

#include <windows.h>

constexpr char kMakerHomePage[] = "http://lumaro.example.com/";
constexpr char kMakerMailAddress[] = "orvel@lumaro.example.com";

// Opens lpszTarget (a URL, or "mailto:" and an address) with whatever the
// shell has for it, maximised; a missing browser or mail program passes
// silently.
void OpenMakerLink(LPCSTR lpszTarget);

// The mail link: "mailto:" and the address.
void OpenMakerMail();
