// What DllRegisterServer writes and DllUnregisterServer removes.
#pragma once

#include <windows.h>

namespace cc {

inline constexpr wchar_t kProgId[] = L"CursorCadence.GestureCore.1";
inline constexpr wchar_t kVersionIndependentProgId[] = L"CursorCadence.GestureCore";
inline constexpr wchar_t kClassDescription[] = L"CGestureCore Object";
inline constexpr wchar_t kBrowserHelperObjectsKey[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Browser Helper Objects";
inline constexpr wchar_t kBrowserHelperName[] = L"CursorCadence";

// Writes the class, its ProgIDs, the type library and the Browser Helper Object entry
// for the DLL at `modulePath`. On failure nothing of it is left behind and the HRESULT
// carries the failing call's error.
HRESULT RegisterServer(const wchar_t* modulePath);

// Removes exactly what RegisterServer writes (never a parent key). Entries already
// missing are not an error.
HRESULT UnregisterServer();

}  // namespace cc
