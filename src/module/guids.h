// The identities the DLL registers. Fixed forever: changing one orphans every install.
#pragma once

#include <windows.h>
#include <oaidl.h>

namespace cc {

// {0b814624-37bf-4f1a-814c-0fed1442cb56}
inline constexpr CLSID kClsidGestureCore = {0x0b814624, 0x37bf, 0x4f1a, {0x81, 0x4c, 0x0f, 0xed, 0x14, 0x42, 0xcb, 0x56}};
// {0b359098-9b77-4075-a54a-31245e379dea}
inline constexpr IID kIidGestureCore = {0x0b359098, 0x9b77, 0x4075, {0xa5, 0x4a, 0x31, 0x24, 0x5e, 0x37, 0x9d, 0xea}};
// {4beafe5f-12c8-41bf-8dd1-ea90be08defa}
inline constexpr GUID kLibidCursorCadence = {0x4beafe5f, 0x12c8, 0x41bf, {0x8d, 0xd1, 0xea, 0x90, 0xbe, 0x08, 0xde, 0xfa}};
inline constexpr WORD kTypeLibMajor = 1;
inline constexpr WORD kTypeLibMinor = 0;

inline constexpr wchar_t kClsidText[] = L"{0B814624-37BF-4F1A-814C-0FED1442CB56}";
inline constexpr wchar_t kLibidText[] = L"{4BEAFE5F-12C8-41BF-8DD1-EA90BE08DEFA}";

}  // namespace cc

// The dual dispatch interface of the type library; no methods of its own.
struct IGestureCore : public IDispatch {};
