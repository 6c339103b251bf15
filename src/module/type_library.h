// The type library embedded in this module as its "TYPELIB" resource.
#pragma once

#include <windows.h>
#include <oaidl.h>

namespace cc {

// The type information of one interface or class of the embedded library.
HRESULT LoadModuleTypeInfo(REFGUID guid, ITypeInfo** info);

// Registers / unregisters the embedded library (HKCR\TypeLib and its interfaces).
HRESULT RegisterModuleTypeLib(const wchar_t* modulePath, const wchar_t* moduleFolder);
HRESULT UnregisterModuleTypeLib();

}  // namespace cc
