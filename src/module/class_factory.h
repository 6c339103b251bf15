// The class factory of CGestureCore.
#pragma once

#include <windows.h>
#include <unknwn.h>

namespace cc {

// DllGetClassObject's work: the factory for the one class this DLL serves.
HRESULT GetClassObject(REFCLSID clsid, REFIID riid, void** out);

}  // namespace cc
