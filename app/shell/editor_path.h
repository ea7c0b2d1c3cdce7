// Where the image editor named in the settings is. A bare name is looked up
// only where programs are installed (the registered application paths, the
// system's folders, the absolute folders of PATH), never in the image's
// folder or the current folder, so that a program planted beside an image
// under the editor's name is not the one started.
#pragma once

#include "framework/cstring.h"

// The editor's full path, or an empty string when it cannot be found.
// Environment variables (%SystemRoot%) are expanded first; a path with a
// folder in it must be absolute and is taken as given; a name without an
// extension is looked for as a program (.exe).
CString FindEditorProgram(const CString& strEditor);
