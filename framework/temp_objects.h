// Internal to the framework layer: the list of temporary wrappers that
// FromHandle hands out, freed together at the message loop's idle point.
#pragma once

#include "framework/object.h"

// pfnRelease clears the wrapper's handle (so it deletes nothing) and deletes
// the wrapper.
void FwAddTempObject(CObject* pObject, void (*pfnRelease)(CObject*));
