// The files beside the DLL that only an administrator puts there: the host filter reads
// them at load, the behaviour page writes the first two.
#pragma once

namespace cc {

inline constexpr wchar_t kMarkerUnloadOnIe[] = L"unload_on_IE";
inline constexpr wchar_t kMarkerUnloadOnExplorer[] = L"unload_on_Explorer";
// Installed beside each DLL by the package: each user's settings and favourites then live
// in their own profile instead of beside the DLL.
inline constexpr wchar_t kMarkerPerUserSettings[] = L"per_user_settings";

}  // namespace cc
